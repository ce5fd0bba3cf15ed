#pragma once

#include <cstdint>
#include <span>

namespace pelmar {

// Where the bytes of a new file go, in order.
class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual void Append(std::span<const uint8_t> bytes) = 0;
    // Rewrites bytes already appended (a checksum known only at the end, for one).
    virtual void Overwrite(uint64_t at, std::span<const uint8_t> bytes) = 0;
};

} // namespace pelmar
