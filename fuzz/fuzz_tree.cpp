// A fuzzed plugin over a fuzzed map: the whole chunk tree of a tag, and the values of every
// block it lists. Input parts: plugin, map, selector.
#include "platform/Error.h"
#include "structview/FieldValues.h"
#include "support/FuzzInput.h"
#include "support/FuzzMaps.h"

using namespace pelmar;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto parts = fuzz::SplitParts(data, size, 3);
    fuzz::WithExpandedTree(
        parts[0], parts[1], parts[2],
        [](const HaloPcMap& map, const PluginDef&, int32_t, const TreeView& view,
           const std::vector<TreeLine>& lines) {
            for (const TreeLine& line : lines) {
                if (line.row.kind != RowKind::Root && line.row.kind != RowKind::Chunk) {
                    continue;
                }
                try {
                    const ResolvedBlock block = ResolveBlock(view, line.row.Path());
                    (void)ReadFields({map, *block.layout, block.offset});
                } catch (const PelmarError&) {
                }
            }
        });
    return 0;
}
