#pragma once

#include "platform/Error.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace pelmar::builder {

// A region of the map file whose bytes are addressed from `base` (the tag data from
// 0x40440000, the BSP from its load address). Allocations start on 4-byte boundaries, as the
// words inside tag data are aligned. A measuring arena holds no bytes and only counts, so
// that a map's layout can be known before its bytes are allocated.
class RealisticArena {
public:
    // An arena that only counts.
    explicit RealisticArena(uint32_t base) : base_(base), measuring_(true) {}
    // An arena that writes into `bytes` (zero-filled), which must hold everything allocated.
    RealisticArena(std::span<uint8_t> bytes, uint32_t base) : bytes_(bytes), base_(base) {}

    bool measuring() const { return measuring_; }
    size_t used() const { return used_; }

    // Reserves `size` bytes at the next 4-byte boundary and returns their position.
    size_t Allocate(uint64_t size) {
        const size_t at = (used_ + 3) & ~size_t{3};
        if (!measuring_ && (at > bytes_.size() || size > bytes_.size() - at)) {
            throw PelmarError(ErrorKind::Limit, "realistic map: a region outgrew its measured " +
                                                    std::to_string(bytes_.size()) + " bytes");
        }
        used_ = at + static_cast<size_t>(size);
        return at;
    }

    // The address of the byte at `position`, on 32 bits.
    uint32_t AddressOf(size_t position) const { return base_ + static_cast<uint32_t>(position); }

    // The bytes at `position`; only for an arena that writes.
    uint8_t* At(size_t position) { return bytes_.data() + position; }

private:
    std::span<uint8_t> bytes_;
    uint32_t base_ = 0;
    bool measuring_ = false;
    size_t used_ = 0;
};

} // namespace pelmar::builder
