#include "support/FuzzMaps.h"

#include "platform/PelmarError.h"
#include "support/FuzzInput.h"

namespace pelmar::fuzz {

std::filesystem::path ScratchPlugins() {
    return ScratchDir() / "plugins";
}

std::optional<HaloPcMap> LoadScratchMap(const std::string& name, std::span<const uint8_t> bytes) {
    const auto path = ScratchDir() / name;
    WriteScratchFile(path, bytes);
    HaloPcMap map;
    try {
        map.LoadMap(path);
    } catch (const PelmarError&) {
        return std::nullopt;
    }
    return map;
}

std::optional<ChunkRow> SelectWithPlugin(ChunkTree& tree, const HaloPcMap& map, int32_t index,
                                         std::span<const uint8_t> plugin) {
    const Tag& tag = map.TagCache[static_cast<size_t>(index)];
    std::filesystem::remove_all(ScratchPlugins());
    std::filesystem::create_directories(ScratchPlugins());
    if (tag.Class1.find('/') == std::string::npos && tag.Class1.find('\0') == std::string::npos &&
        tag.Class1 != "." && tag.Class1 != "..") {
        WriteScratchFile(ScratchPlugins() / (tag.Class1 + ".ent"), plugin);
    }
    std::optional<TagSelection> selection = tree.SelectTag(map, tag.NameKey());
    if (!selection || !selection->root) {
        return std::nullopt;
    }
    return selection->root;
}

uint32_t Pick(std::span<const uint8_t> selector, size_t at, uint32_t count) {
    if (count == 0 || at >= selector.size()) {
        return 0;
    }
    return selector[at] % count;
}

} // namespace pelmar::fuzz
