#include "platform/ByteBuffer.h"

namespace pelmar {

ByteBuffer::ByteBuffer(size_t size)
    : data_(size ? std::make_unique_for_overwrite<uint8_t[]>(size) : nullptr), size_(size) {}

void ByteBuffer::Shrink(size_t size) {
    if (size < size_) {
        size_ = size;
    }
}

} // namespace pelmar
