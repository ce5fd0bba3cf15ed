// A duplication of a fuzzed chunk in a fuzzed map with a fuzzed plugin, by value and precisely
// (shallow or deep). Input parts: plugin, map, selector (which tag, which row, which mode).
#include "map/Duplication.h"
#include "platform/Error.h"
#include "structview/PreciseEdits.h"
#include "support/FuzzInput.h"
#include "support/FuzzMaps.h"

using namespace pelmar;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto parts = fuzz::SplitParts(data, size, 3);
    const auto selector = parts[2];
    fuzz::WithExpandedTree(
        parts[0], parts[1], selector,
        [&](const HaloPcMap& map, const PluginDef& plugin, int32_t index, const TreeView& view,
            const std::vector<TreeLine>& lines) {
            const TreeLine& line =
                lines[fuzz::Pick(selector, 1, static_cast<uint32_t>(lines.size()))];
            const uint32_t mode = fuzz::Pick(selector, 2, 3);
            try {
                const LocatedChunk chunk = LocateChunk(view, line.row.Path());
                const DuplicationRequest request{index, mode == 0, chunk.chunk};
                const LayoutLookup lookup = [&](std::string_view) { return &plugin; };
                const DuplicationPlan plan =
                    mode == 0 ? PlanDuplication(map, request)
                              : PlanPreciseDuplication(map, request, *chunk.layout,
                                                       DeclaredAddresses(map, lookup), mode == 2);
                (void)Materialize(map.bytes(), plan.edit);
            } catch (const PelmarError&) {
            }
        });
    return 0;
}
