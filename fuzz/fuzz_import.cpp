// Imports a tag of a fuzzed map into another fuzzed map, by value and precisely. Input parts:
// plugin, destination, source, selector (which tag, which mode).
#include "map/Import.h"
#include "platform/Error.h"
#include "structview/PreciseEdits.h"
#include "support/FuzzInput.h"
#include "support/FuzzMaps.h"

using namespace pelmar;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto parts = fuzz::SplitParts(data, size, 4);
    const std::optional<PluginDef> plugin = fuzz::ParseOrNothing(parts[0]);
    const std::optional<HaloPcMap> map = fuzz::DecodeOrNothing(parts[1]);
    const std::optional<HaloPcMap> source = fuzz::DecodeOrNothing(parts[2]);
    if (!plugin || !map || !source) {
        return 0;
    }
    const auto n =
        static_cast<int32_t>(fuzz::Pick(parts[3], 0, static_cast<uint32_t>(source->TagCount)));
    try {
        const LayoutLookup lookup = [&](std::string_view) { return &*plugin; };
        const ImportPlan plan =
            fuzz::Pick(parts[3], 1, 2) == 0
                ? PlanImport(*map, *source, n)
                : PlanPreciseImport(*map, DeclaredAddresses(*map, lookup), *source, *plugin, n);
        (void)Materialize(map->bytes(), plan.edit);
    } catch (const PelmarError&) {
    }
    return 0;
}
