#pragma once

#include <cstdint>
#include <span>

namespace pelmar {

// The checksum in a map's header: the reflected CRC-32 of polynomial 0xEDB88320 with the
// register preset to 0xFFFFFFFF and no final inversion (the bitwise NOT of the usual CRC-32).
// It is computed over several regions in turn: start from kCrcStart and extend it by each.
inline constexpr uint32_t kCrcStart = 0xFFFFFFFFu;
uint32_t ExtendCrc(uint32_t crc, std::span<const uint8_t> bytes);

} // namespace pelmar
