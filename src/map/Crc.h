#pragma once

#include <cstdint>
#include <span>

namespace pelmar {

// The checksum in a map's header: the reflected CRC-32 of polynomial 0xEDB88320 with the
// register preset to 0xFFFFFFFF and no final inversion (the bitwise NOT of the usual CRC-32).
// It is computed over several regions in turn: start from kCrcStart and extend it by each.
inline constexpr uint32_t kCrcStart = 0xFFFFFFFFu;
uint32_t ExtendCrc(uint32_t crc, std::span<const uint8_t> bytes);

// The checksum of a stream whose checksum was `crc`, after the bytes `before` in it were
// replaced by `after` (as many), with `following` more bytes of the stream after them. It takes
// time in the logarithm of `following`, not in the length of the stream; a checksum that was
// right stays right.
uint32_t CrcAfterChange(uint32_t crc, std::span<const uint8_t> before,
                        std::span<const uint8_t> after, uint64_t following);

} // namespace pelmar
