#include "dup/DupMaps.h"

#include "platform/AtomicFileWriter.h"

#include <fstream>

namespace pelmar::test {

using builder::Block;
using builder::MapSpec;
using builder::Reflexive;
using builder::TagSpec;

namespace {

Block WithWords(size_t size, std::initializer_list<std::pair<size_t, int32_t>> words) {
    Block b(size);
    for (const auto& [offset, value] : words) {
        b.SetWord(offset, static_cast<uint32_t>(value));
    }
    return b;
}

} // namespace

TagSpec NamedTag(const std::string& class1, const std::string& name, Block data) {
    TagSpec tag;
    tag.class1 = class1;
    tag.name = name;
    tag.data = std::move(data);
    return tag;
}

MapSpec WorkedExampleSpec() {
    MapSpec blueprint;
    // Index at 392, two entries at 432..495, names "a" and "b" at 496..499: data from 500.
    blueprint.headerSize = 392;
    blueprint.mapMagic = worked::kMagic + 432;
    Block root = WithWords(100, {{0, 1643}, {4, 1644}, {8, 1811}, {12, 1812}});
    Reflexive n{16, worked::kChunkSizeN, {}};
    n.chunks.push_back(WithWords(48, {{0, 1700}}));
    n.chunks.push_back(WithWords(48, {{0, 111},
                                      {4, 1401},
                                      {8, 7777},
                                      {12, 1699},
                                      {16, 1400},
                                      {20, 1700},
                                      {24, 1701},
                                      {28, 0x7FFFFFF0},
                                      {32, 5000},
                                      {36, -5},
                                      {40, 1234}}));
    n.chunks.push_back(WithWords(48, {{0, 1643}, {44, 1644}}));
    Reflexive m{24, 56, {}};
    m.chunks.push_back(WithWords(56, {{0, 1644}, {52, 1811}}));
    root.Add(std::move(n)).Add(std::move(m));
    blueprint.tags.push_back(NamedTag("weap", "a", std::move(root)));
    blueprint.tags.push_back(NamedTag(
        "bipd", "b", WithWords(64, {{0, 1643}, {4, 1644}, {8, 1811}, {12, 1812}, {60, 1700}})));
    return blueprint;
}

std::string WorkedExamplePlugin() {
    return R"(<?xml version="1.0"?>
<plugin class="weap" headersize="100">
  <struct name="N" offset="16" size="48"/>
  <struct name="M" offset="24" size="56"/>
</plugin>
)";
}

void WritePlugin(const std::filesystem::path& folder, const std::string& className,
                 const std::string& text) {
    std::filesystem::create_directories(folder);
    std::ofstream out(folder / (className + ".ent"), std::ios::binary | std::ios::trunc);
    out << text;
}

HaloPcMap Load(const std::filesystem::path& path) {
    HaloPcMap map;
    map.LoadMap(path);
    return map;
}

std::vector<TagPlace> Places(const HaloPcMap& map) {
    std::vector<TagPlace> places;
    for (const pelmar::Tag& t : map.TagCache) {
        places.push_back({t.Offset, t.Size});
    }
    return places;
}

std::vector<std::string> LeftoverTemporaries(const std::filesystem::path& path) {
    const std::string prefix = std::filesystem::path(TemporaryFilePrefix(path)).filename().string();
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(path.parent_path())) {
        const std::string name = entry.path().filename().string();
        if (name.compare(0, prefix.size(), prefix) == 0) {
            found.push_back(name);
        }
    }
    return found;
}

} // namespace pelmar::test
