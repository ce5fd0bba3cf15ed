#pragma once

#include <cstdint>
#include <span>

namespace pelmar {

// The CRC-32 of zlib and gzip (reflected polynomial 0xEDB88320, register preset and result
// inverted), continued from `crc` (0 to start) over `bytes`. It folds with carry-less
// multiplication where the processor can, several times faster than a table.
uint32_t Crc32(uint32_t crc, std::span<const uint8_t> bytes);

} // namespace pelmar
