#include "map/Crc.h"

#include <zlib.h>

#include <algorithm>

namespace pelmar {

uint32_t ExtendCrc(uint32_t crc, std::span<const uint8_t> bytes) {
    // zlib keeps the register inverted; its CRC of the same bytes is the NOT of ours.
    uLong z = ~crc & 0xFFFFFFFFu;
    while (!bytes.empty()) {
        const size_t n = std::min<size_t>(bytes.size(), 1u << 30);
        z = ::crc32(z, bytes.data(), static_cast<uInt>(n));
        bytes = bytes.subspan(n);
    }
    return ~static_cast<uint32_t>(z);
}

} // namespace pelmar
