// A fuzzed plugin applied to a fuzzed map, and the selected tag's whole chunk tree expanded.
// Input parts: plugin, map, selector (which tag).
#include "platform/PelmarError.h"
#include "structview/WholeTree.h"
#include "support/FuzzInput.h"
#include "support/FuzzMaps.h"

using namespace pelmar;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto parts = fuzz::SplitParts(data, size, 3);
    std::optional<HaloPcMap> map = fuzz::LoadScratchMap("tree.map", parts[1]);
    if (!map) {
        return 0;
    }
    const auto index =
        static_cast<int32_t>(fuzz::Pick(parts[2], 0, static_cast<uint32_t>(map->TagCount)));
    try {
        ChunkTree tree(fuzz::ScratchPlugins());
        if (auto root = fuzz::SelectWithPlugin(tree, *map, index, parts[0])) {
            ExpandWholeTree(tree, *map, map->TagCache[static_cast<size_t>(index)], *root, 4096);
        }
    } catch (const PelmarError&) {
    }
    return 0;
}
