#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace pelmar {

// A fixed-size byte buffer whose memory is not zero-filled on allocation: whole map files
// are read straight into it, and clearing hundreds of megabytes first would be wasted work.
// Large buffers are aligned to 2 MiB and ask the system for huge pages, so that filling
// them costs a few hundred page faults instead of tens of thousands.
class ByteBuffer {
public:
    ByteBuffer() = default;
    explicit ByteBuffer(size_t size);

    uint8_t* data() { return data_.get(); }
    const uint8_t* data() const { return data_.get(); }
    size_t size() const { return size_; }
    std::span<uint8_t> span() { return {data_.get(), size_}; }
    std::span<const uint8_t> span() const { return {data_.get(), size_}; }

    // Forgets the bytes past `size`; the memory stays allocated.
    void Shrink(size_t size);

private:
    struct FreeDeleter {
        void operator()(uint8_t* p) const;
    };
    std::unique_ptr<uint8_t[], FreeDeleter> data_;
    size_t size_ = 0;
};

} // namespace pelmar
