// An import between two fuzzed maps. Input parts: destination map, source map, selector
// (which source tag). After an import that succeeded, the destination must load again with
// one more tag, and its model must agree with the file.
#include "platform/LittleEndian.h"
#include "platform/PelmarError.h"
#include "support/FuzzInput.h"
#include "support/FuzzMaps.h"

using namespace pelmar;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto parts = fuzz::SplitParts(data, size, 3);
    std::optional<HaloPcMap> target = fuzz::LoadScratchMap("target.map", parts[0]);
    std::optional<HaloPcMap> source = fuzz::LoadScratchMap("source.map", parts[1]);
    if (!target || !source) {
        return 0;
    }
    int32_t n =
        static_cast<int32_t>(fuzz::Pick(parts[2], 0, static_cast<uint32_t>(source->TagCount)));
    if (parts[2].size() >= 5 && (parts[2][0] & 0x80) != 0) {
        n = LoadI32(parts[2].data() + 1); // any index, in range or not
    }
    const int32_t before = target->TagCount;
    try {
        target->AddMetaToMapFromMap(*source, n);
    } catch (const PelmarError&) {
        return 0;
    }
    HaloPcMap reloaded;
    reloaded.LoadMap(target->f); // throws (and so reports) if the import wrote a broken map
    if (reloaded.TagCount != before + 1 || target->TagCount != before + 1) {
        __builtin_trap();
    }
    for (size_t i = 0; i < reloaded.TagCache.size(); ++i) {
        const Tag& a = reloaded.TagCache[i];
        const Tag& b = target->TagCache[i];
        if (a.Offset != b.Offset || a.NameOffset != b.NameOffset || a.ident != b.ident) {
            __builtin_trap();
        }
    }
    return 0;
}
