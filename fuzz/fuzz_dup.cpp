// A duplication of a fuzzed chunk in a fuzzed map with a fuzzed plugin. Input parts: plugin,
// map, selector (which tag, which row of its tree).
#include "structview/DuplicationTarget.h"
#include "support/FuzzInput.h"
#include "support/FuzzMaps.h"

using namespace pelmar;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto parts = fuzz::SplitParts(data, size, 3);
    fuzz::WithExpandedTree(
        parts[0], parts[1], parts[2], "dup.map",
        [&](HaloPcMap& map, ChunkTree& tree, int32_t index, const std::vector<TreeLine>& lines) {
            const auto row = fuzz::Pick(parts[2], 1, static_cast<uint32_t>(lines.size()));
            DuplicateSelectedChunk(map, tree, index, lines[row].row.tag);
        });
    return 0;
}
