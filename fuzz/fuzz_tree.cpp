// A fuzzed plugin applied to a fuzzed map, and the selected tag's whole chunk tree expanded.
// Input parts: plugin, map, selector (which tag).
#include "support/FuzzInput.h"
#include "support/FuzzMaps.h"

using namespace pelmar;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto parts = fuzz::SplitParts(data, size, 3);
    fuzz::WithExpandedTree(parts[0], parts[1], parts[2], "tree.map",
                           [](HaloPcMap&, ChunkTree&, int32_t, const std::vector<TreeLine>&) {});
    return 0;
}
