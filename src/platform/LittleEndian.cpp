#include "platform/LittleEndian.h"

#include <string>

namespace pelmar {

namespace {
void RequireWord(int64_t offset, size_t size) {
    if (!WordFits(offset, size)) {
        throw PelmarError("the 32-bit word at offset " + std::to_string(offset) +
                          " lies outside the data (" + std::to_string(size) + " bytes)");
    }
}
} // namespace

int32_t ReadI32(std::span<const uint8_t> bytes, int64_t offset) {
    RequireWord(offset, bytes.size());
    return LoadI32(bytes.data() + offset);
}

uint32_t ReadU32(std::span<const uint8_t> bytes, int64_t offset) {
    RequireWord(offset, bytes.size());
    return LoadU32(bytes.data() + offset);
}

void WriteI32(std::span<uint8_t> bytes, int64_t offset, int32_t value) {
    RequireWord(offset, bytes.size());
    StoreI32(bytes.data() + offset, value);
}

} // namespace pelmar
