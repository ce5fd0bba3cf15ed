#pragma once

#include "platform/PelmarError.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace pelmar {

// Little-endian 32-bit words on byte spans. The checked forms throw PelmarError when the
// word does not lie wholly inside the span; the unchecked forms are for scans whose bounds
// are established by the caller.

inline uint32_t LoadU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

inline int32_t LoadI32(const uint8_t* p) {
    return static_cast<int32_t>(LoadU32(p));
}

inline void StoreU32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

inline void StoreI32(uint8_t* p, int32_t v) {
    StoreU32(p, static_cast<uint32_t>(v));
}

// True when the 4 bytes at `offset` (a signed 64-bit position) lie inside a span of `size`.
inline bool WordFits(int64_t offset, size_t size) {
    return offset >= 0 && static_cast<uint64_t>(offset) + 4 <= size;
}

inline bool RangeFits(int64_t offset, int64_t length, size_t size) {
    return offset >= 0 && length >= 0 &&
           static_cast<uint64_t>(offset) + static_cast<uint64_t>(length) <= size;
}

int32_t ReadI32(std::span<const uint8_t> bytes, int64_t offset);
uint32_t ReadU32(std::span<const uint8_t> bytes, int64_t offset);
void WriteI32(std::span<uint8_t> bytes, int64_t offset, int32_t value);

} // namespace pelmar
