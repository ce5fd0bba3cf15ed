#include "platform/ByteBuffer.h"

#include <cstdlib>
#include <new>
#include <sys/mman.h>

namespace pelmar {

namespace {

constexpr size_t kHugePage = size_t{2} << 20;
// Below this size the ordinary allocator is as fast and wastes no memory on alignment.
constexpr size_t kHugePageThreshold = size_t{8} << 20;

uint8_t* Allocate(size_t size) {
    if (size == 0) {
        return nullptr;
    }
    if (size < kHugePageThreshold) {
        void* p = std::malloc(size);
        if (p == nullptr) {
            throw std::bad_alloc();
        }
        return static_cast<uint8_t*>(p);
    }
    const size_t rounded = (size + kHugePage - 1) & ~(kHugePage - 1);
    void* p = std::aligned_alloc(kHugePage, rounded);
    if (p == nullptr) {
        throw std::bad_alloc();
    }
    // Only a hint: where huge pages are unavailable the buffer simply uses small ones.
    ::madvise(p, rounded, MADV_HUGEPAGE);
    return static_cast<uint8_t*>(p);
}

} // namespace

void ByteBuffer::FreeDeleter::operator()(uint8_t* p) const {
    std::free(p);
}

ByteBuffer::ByteBuffer(size_t size) : data_(Allocate(size)), size_(size) {}

void ByteBuffer::Shrink(size_t size) {
    if (size < size_) {
        size_ = size;
    }
}

} // namespace pelmar
