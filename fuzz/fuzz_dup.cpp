// A duplication of a fuzzed chunk in a fuzzed map with a fuzzed plugin. Input parts: plugin,
// map, selector (which tag, which row of its tree). After a duplication that succeeded, the
// map file must still load.
#include "map/ChunkDuplication.h"
#include "platform/PelmarError.h"
#include "structview/DuplicationTarget.h"
#include "structview/WholeTree.h"
#include "support/FuzzInput.h"
#include "support/FuzzMaps.h"

using namespace pelmar;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto parts = fuzz::SplitParts(data, size, 3);
    std::optional<HaloPcMap> map = fuzz::LoadScratchMap("dup.map", parts[1]);
    if (!map) {
        return 0;
    }
    const auto index =
        static_cast<int32_t>(fuzz::Pick(parts[2], 0, static_cast<uint32_t>(map->TagCount)));
    try {
        ChunkTree tree(fuzz::ScratchPlugins());
        auto root = fuzz::SelectWithPlugin(tree, *map, index, parts[0]);
        if (!root) {
            return 0;
        }
        const auto lines =
            ExpandWholeTree(tree, *map, map->TagCache[static_cast<size_t>(index)], *root, 4096);
        const auto row = fuzz::Pick(parts[2], 1, static_cast<uint32_t>(lines.size()));
        DuplicateSelectedChunk(*map, tree, index, lines[row].row.tag);
    } catch (const PelmarError&) {
    }
    return 0;
}
