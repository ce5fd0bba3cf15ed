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

void WithExpandedTree(
    std::span<const uint8_t> plugin, std::span<const uint8_t> mapBytes,
    std::span<const uint8_t> selector, const std::string& mapName,
    const std::function<void(HaloPcMap&, ChunkTree&, int32_t, const std::vector<TreeLine>&)>& use) {
    std::optional<HaloPcMap> map = LoadScratchMap(mapName, mapBytes);
    if (!map) {
        return;
    }
    const auto index =
        static_cast<int32_t>(Pick(selector, 0, static_cast<uint32_t>(map->TagCount)));
    try {
        ChunkTree tree(ScratchPlugins());
        if (auto root = SelectWithPlugin(tree, *map, index, plugin)) {
            const Tag& tag = map->TagCache[static_cast<size_t>(index)];
            use(*map, tree, index, ExpandWholeTree(tree, *map, tag, *root, 4096));
        }
    } catch (const PelmarError&) {
    }
}

uint32_t Pick(std::span<const uint8_t> selector, size_t at, uint32_t count) {
    if (count == 0 || at >= selector.size()) {
        return 0;
    }
    return selector[at] % count;
}

} // namespace pelmar::fuzz
