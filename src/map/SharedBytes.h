#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace pelmar {

// A read-only view of bytes that keeps their owner alive. Every tag's data copy is such a
// view into the one buffer that holds the file as loaded, so a loaded map costs about its
// file's size in memory; a tag whose data was rewritten owns a buffer of its own.
class SharedBytes {
public:
    SharedBytes() = default;
    SharedBytes(std::shared_ptr<const void> owner, const uint8_t* data, size_t size)
        : owner_(std::move(owner)), data_(data), size_(size) {}

    static SharedBytes Own(std::vector<uint8_t> bytes) {
        auto owned = std::make_shared<const std::vector<uint8_t>>(std::move(bytes));
        return SharedBytes(owned, owned->data(), owned->size());
    }

    std::span<const uint8_t> bytes() const { return {data_, size_}; }
    size_t size() const { return size_; }

private:
    std::shared_ptr<const void> owner_;
    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
};

} // namespace pelmar
