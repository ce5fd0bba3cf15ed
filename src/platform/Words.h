#pragma once

#include "platform/Error.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace pelmar {

// Little-endian 32-bit words on bytes in memory. LoadU32/StoreU32 are for scans whose bounds
// the caller has established; ReadWord checks them and names what it was reading.

inline uint32_t LoadU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

inline int32_t LoadI32(const uint8_t* p) {
    return static_cast<int32_t>(LoadU32(p));
}

inline uint16_t LoadU16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
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

// True when the `length` bytes at `offset` (a signed 64-bit position) lie inside `size` bytes.
inline bool RangeFits(int64_t offset, int64_t length, uint64_t size) {
    return offset >= 0 && length >= 0 &&
           static_cast<uint64_t>(offset) + static_cast<uint64_t>(length) <= size;
}

inline bool WordFits(int64_t offset, uint64_t size) {
    return RangeFits(offset, 4, size);
}

// The word at `offset`; a BadMap error at that offset, naming `what`, when it does not lie
// inside `bytes`.
inline int32_t ReadWord(std::span<const uint8_t> bytes, int64_t offset, const char* what) {
    if (!WordFits(offset, bytes.size())) {
        throw PelmarError(ErrorKind::BadMap,
                          std::string(what) + " lies outside the file (" +
                              std::to_string(bytes.size()) + " bytes)",
                          offset);
    }
    return LoadI32(bytes.data() + offset);
}

} // namespace pelmar
