#include "platform/Crc32.h"

#include <isa-l/crc.h>

namespace pelmar {

uint32_t Crc32(uint32_t crc, std::span<const uint8_t> bytes) {
    return ::crc32_gzip_refl(crc, bytes.data(), bytes.size());
}

} // namespace pelmar
