#include "ImportTestSupport.h"

#include "map/MapLayout.h"

namespace pelmar::test {

builder::TagSpec PlainTag(const std::string& class1, const std::string& name, uint32_t ident,
                          builder::Block data) {
    builder::TagSpec tag;
    tag.class1 = class1;
    tag.name = name;
    tag.ident = ident;
    tag.data = std::move(data);
    return tag;
}

builder::Block Counting(size_t size, uint32_t seed) {
    builder::Block block(size);
    for (size_t at = 0; at + 4 <= size; at += 4) {
        block.SetWord(at, seed * 1000 + static_cast<uint32_t>(at / 4));
    }
    return block;
}

builder::Block WithStruct(size_t size, uint32_t seed, int32_t at, int32_t chunkSize, int count) {
    builder::Block block = Counting(size, seed);
    builder::Reflexive ref{at, chunkSize, {}};
    for (int k = 0; k < count; ++k) {
        ref.chunks.push_back(Counting(static_cast<size_t>(chunkSize), seed + 50));
    }
    return block.Add(ref);
}

void AlignNamesEnd(builder::MapSpec& blueprint) {
    int64_t end = blueprint.headerSize + layout::kIndexHeaderSize +
                  layout::kEntrySize * static_cast<int64_t>(blueprint.tags.size());
    for (const builder::TagSpec& tag : blueprint.tags) {
        end += static_cast<int64_t>(tag.name.size()) + 1;
    }
    blueprint.headerSize += static_cast<int32_t>((4 - end % 4) % 4);
}

HaloPcMap Load(const std::filesystem::path& path) {
    HaloPcMap map;
    map.LoadMap(path);
    return map;
}

ModelSnapshot Snapshot(const HaloPcMap& map) {
    ModelSnapshot s{map.f,           map.indexOffset, map.MapMagic, map.tagOffset,
                    map.Magic,       map.TagCount,    {},           map.TagByName,
                    map.TagsByIdent, map.TagsByClass, map.TagClass};
    for (const Tag& t : map.TagCache) {
        const auto bytes = t.TagBlock.bytes();
        s.tags.push_back({t.Class1, t.Class2, t.Class3, t.Name, t.ident, t.NameOffset, t.Offset,
                          t.Size, std::vector<uint8_t>(bytes.begin(), bytes.end())});
    }
    return s;
}

} // namespace pelmar::test
