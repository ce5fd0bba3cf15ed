#pragma once

#include <cstdint>

namespace pelmar {

// 32-bit arithmetic with explicit wrap-around, done on unsigned values so that no signed
// overflow can occur. Map words are 32-bit and every sum or difference of them wraps.
constexpr int32_t AddWrap(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

constexpr int32_t SubWrap(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}

constexpr int32_t MulWrap(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}

} // namespace pelmar
