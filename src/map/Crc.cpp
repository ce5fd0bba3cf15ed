#include "map/Crc.h"

#include "platform/Crc32.h"

#include <zlib.h>

#include <algorithm>
#include <vector>

namespace pelmar {

uint32_t ExtendCrc(uint32_t crc, std::span<const uint8_t> bytes) {
    // zlib's CRC keeps the register inverted; its CRC of the same bytes is the NOT of ours.
    return ~Crc32(~crc, bytes);
}

uint32_t CrcAfterChange(uint32_t crc, std::span<const uint8_t> before,
                        std::span<const uint8_t> after, uint64_t following) {
    // The checksum is affine in the stream: the checksums of two streams of the same length
    // differ by the plain CRC of their difference, which is the CRC of the changed bytes'
    // difference carried over the bytes that follow (zeros in the difference).
    std::vector<uint8_t> difference(before.size());
    for (size_t i = 0; i < difference.size(); ++i) {
        difference[i] = static_cast<uint8_t>(before[i] ^ after[i]);
    }
    const std::vector<uint8_t> zeros(before.size(), 0);
    const uLong changed = Crc32(0, difference);
    const uLong unchanged = Crc32(0, zeros);
    const auto n = static_cast<z_off_t>(following);
    return crc ^
           static_cast<uint32_t>(::crc32_combine(changed, 0, n) ^ ::crc32_combine(unchanged, 0, n));
}

} // namespace pelmar
