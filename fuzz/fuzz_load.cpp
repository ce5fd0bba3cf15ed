// Decodes arbitrary bytes as a map. Any outcome but a model or a PelmarError is a bug; every tag's
// data and name must lie inside the bytes, and the checksum can be computed or found impossible.
#include "map/MapChecksum.h"
#include "support/FuzzMaps.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::optional<pelmar::HaloPcMap> map = pelmar::fuzz::DecodeOrNothing({data, size});
    if (!map) {
        return 0;
    }
    const std::span<const uint8_t> bytes = map->bytes();
    for (const pelmar::Tag& t : map->TagCache) {
        const auto block = t.TagBlock.bytes();
        const auto name = t.Name.view();
        if (block.data() + block.size() > bytes.data() + bytes.size() ||
            reinterpret_cast<const uint8_t*>(name.data()) + name.size() >
                bytes.data() + bytes.size()) {
            __builtin_trap();
        }
    }
    (void)pelmar::ComputeChecksum(bytes);
    return 0;
}
