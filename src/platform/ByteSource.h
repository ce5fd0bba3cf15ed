#pragma once

#include <cstdint>
#include <cstring>
#include <span>

namespace pelmar {

// The bytes of a file that need not be in memory, read a stretch at a time.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual uint64_t size() const = 0;
    // Fills `out` with the bytes at `at`, which lie inside; throws PelmarError when they cannot
    // be read.
    virtual void Read(uint64_t at, std::span<uint8_t> out) const = 0;
};

// Bytes in memory.
class SpanSource : public ByteSource {
public:
    explicit SpanSource(std::span<const uint8_t> bytes) : bytes_(bytes) {}
    uint64_t size() const override { return bytes_.size(); }
    void Read(uint64_t at, std::span<uint8_t> out) const override {
        std::memcpy(out.data(), bytes_.data() + at, out.size());
    }

private:
    std::span<const uint8_t> bytes_;
};

} // namespace pelmar
