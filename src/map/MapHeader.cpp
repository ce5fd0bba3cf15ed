#include "map/MapHeader.h"

#include "map/MapLayout.h"
#include "platform/Words.h"

#include <cstring>

namespace pelmar {

namespace {

// A NUL-padded text field: its bytes up to the first zero.
std::string TextField(std::span<const uint8_t> file, int64_t at) {
    const char* start = reinterpret_cast<const char*>(file.data() + at);
    const void* zero = std::memchr(start, 0, static_cast<size_t>(layout::kHeaderTextLength));
    const size_t length = zero == nullptr
                              ? static_cast<size_t>(layout::kHeaderTextLength)
                              : static_cast<size_t>(static_cast<const char*>(zero) - start);
    return std::string(start, length);
}

} // namespace

bool MapHeader::DescribesFile(uint64_t length) const {
    return fileSize >= 0 && tagDataOffset >= 0 && tagDataSize >= 0 &&
           static_cast<uint64_t>(fileSize) == length &&
           static_cast<uint64_t>(tagDataOffset) + static_cast<uint64_t>(tagDataSize) == length;
}

std::optional<MapHeader> ReadMapHeader(std::span<const uint8_t> file) {
    using namespace layout;
    if (file.size() < static_cast<size_t>(kHeaderCrcField + 4) ||
        !IsDaehSignature(std::string_view(reinterpret_cast<const char*>(file.data()), 4))) {
        return std::nullopt;
    }
    MapHeader h;
    h.version = LoadU32(file.data() + kHeaderVersionField);
    h.fileSize = LoadI32(file.data() + kHeaderFileSizeField);
    h.tagDataOffset = LoadI32(file.data() + kIndexOffsetField);
    h.tagDataSize = LoadI32(file.data() + kHeaderTagDataSizeField);
    h.name = TextField(file, kHeaderNameField);
    h.build = TextField(file, kHeaderBuildField);
    h.type = LoadU16(file.data() + kHeaderTypeField);
    h.crc = LoadU32(file.data() + kHeaderCrcField);
    return h;
}

} // namespace pelmar
