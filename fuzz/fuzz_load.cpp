// Loads arbitrary bytes as a map. Any outcome but a decoded map or a PelmarError is a bug.
#include "map/HaloPcMap.h"
#include "platform/PelmarError.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto bytes = std::make_shared<pelmar::ByteBuffer>(size);
    if (size > 0) {
        std::memcpy(bytes->data(), data, size);
    }
    try {
        pelmar::HaloPcMap map = pelmar::HaloPcMap::FromBytes(bytes, "fuzz.map");
        // Every tag's data must lie inside the buffer.
        for (const pelmar::Tag& t : map.TagCache) {
            if (t.TagBlock.bytes().data() + t.TagBlock.size() > bytes->data() + size) {
                __builtin_trap();
            }
        }
    } catch (const pelmar::PelmarError&) {
    }
    return 0;
}
