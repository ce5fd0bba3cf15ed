#include "map/HaloPcMap.h"
#include "map/MapLayout.h"
#include "platform/FileReader.h"
#include "platform/Int32.h"
#include "platform/LittleEndian.h"
#include "platform/PelmarError.h"

#include <cstring>
#include <string>

namespace pelmar {

namespace {

class IndexDecoder {
public:
    IndexDecoder(std::shared_ptr<const ByteBuffer> bytes, const std::filesystem::path& path)
        : bytes_(std::move(bytes)), data_(bytes_->span()), path_(path) {}

    HaloPcMap Decode() {
        HaloPcMap map;
        ReadHeader(map);
        map.TagCache.reserve(static_cast<size_t>(map.TagCount));
        for (int32_t i = 0; i < map.TagCount; ++i) {
            map.TagCache.push_back(ReadEntry(map, i));
            map.IndexTag(i);
        }
        return map;
    }

private:
    [[noreturn]] void Fail(const std::string& problem) const {
        throw PelmarError(FileMessage(path_, problem));
    }

    int32_t Word(int64_t offset, const char* what) const {
        if (!WordFits(offset, data_.size())) {
            Fail("the file is too short to hold the " + std::string(what) + " at offset " +
                 std::to_string(offset) + " (" + std::to_string(data_.size()) + " bytes)");
        }
        return LoadI32(data_.data() + offset);
    }

    void ReadHeader(HaloPcMap& map) const {
        using namespace layout;
        if (data_.size() < static_cast<size_t>(kSignatureLength)) {
            Fail("the file is too short to be a map (" + std::to_string(data_.size()) + " bytes)");
        }
        const bool daeh =
            IsDaehSignature(std::string_view(reinterpret_cast<const char*>(data_.data()), 4));
        map.indexOffset =
            Word(daeh ? kIndexOffsetField : kAlternateIndexOffsetField, "index offset");
        if (!RangeFits(map.indexOffset, kIndexHeaderSize, data_.size())) {
            Fail("the tag index offset " + std::to_string(map.indexOffset) +
                 " lies outside the file (" + std::to_string(data_.size()) + " bytes)");
        }
        map.MapMagic = LoadI32(data_.data() + map.indexOffset);
        map.TagCount = LoadI32(data_.data() + map.indexOffset + kIndexTagCountField);
        map.tagOffset = map.indexOffset + static_cast<int32_t>(kIndexHeaderSize);
        map.Magic = SubWrap(map.MapMagic, map.tagOffset);
        if (map.TagCount <= 0) {
            Fail(map.TagCount == 0
                     ? std::string("the tag index is empty")
                     : "the tag count " + std::to_string(map.TagCount) + " is negative");
        }
        if (!RangeFits(map.tagOffset, int64_t{map.TagCount} * kEntrySize, data_.size())) {
            Fail("the tag index (" + std::to_string(map.TagCount) + " entries at offset " +
                 std::to_string(map.tagOffset) + ") runs past the end of the file (" +
                 std::to_string(data_.size()) + " bytes)");
        }
    }

    std::string ClassCode(int64_t offset) const {
        return HaloPcMap::Reverse(
            std::string(reinterpret_cast<const char*>(data_.data() + offset), 4));
    }

    int32_t DataOffset(const HaloPcMap& map, int64_t entry, int32_t i) const {
        int32_t offset =
            SubWrap(LoadI32(data_.data() + entry + layout::kEntryDataAddressField), map.Magic);
        if (offset < 0 || static_cast<uint64_t>(offset) > data_.size()) {
            Fail("the data of tag " + std::to_string(i) + " starts at offset " +
                 std::to_string(offset) + ", outside the file (" + std::to_string(data_.size()) +
                 " bytes)");
        }
        return offset;
    }

    std::string NameAt(int32_t offset, int32_t i) const {
        if (offset < 0 || static_cast<uint64_t>(offset) >= data_.size()) {
            Fail("the name of tag " + std::to_string(i) + " lies at offset " +
                 std::to_string(offset) + ", outside the file (" + std::to_string(data_.size()) +
                 " bytes)");
        }
        const uint8_t* start = data_.data() + offset;
        const void* zero = std::memchr(start, 0, data_.size() - static_cast<size_t>(offset));
        if (zero == nullptr) {
            Fail("the name of tag " + std::to_string(i) + " at offset " + std::to_string(offset) +
                 " has no terminating zero byte before the end of the file");
        }
        return std::string(reinterpret_cast<const char*>(start),
                           static_cast<const uint8_t*>(zero) - start);
    }

    Tag ReadEntry(const HaloPcMap& map, int32_t i) const {
        using namespace layout;
        const int64_t e = map.tagOffset + kEntrySize * i;
        Tag t;
        t.Class1 = ClassCode(e);
        t.Class2 = ClassCode(e + 4);
        t.Class3 = ClassCode(e + 8);
        t.ident = LoadU32(data_.data() + e + kEntryIdentField);
        t.NameOffset = SubWrap(LoadI32(data_.data() + e + kEntryNameAddressField), map.Magic);
        t.Name = NameAt(t.NameOffset, i);
        t.Offset = DataOffset(map, e, i);
        if (i < map.TagCount - 1) {
            const int32_t next = DataOffset(map, e + kEntrySize, i + 1);
            if (next < t.Offset) {
                Fail("the data of tag " + std::to_string(i + 1) + " (offset " +
                     std::to_string(next) + ") lies before the data of tag " + std::to_string(i) +
                     " (offset " + std::to_string(t.Offset) + ")");
            }
            t.Size = next - t.Offset;
        } else {
            t.Size = static_cast<int32_t>(data_.size() - static_cast<size_t>(t.Offset));
        }
        t.TagBlock = SharedBytes(bytes_, data_.data() + t.Offset, static_cast<size_t>(t.Size));
        return t;
    }

    std::shared_ptr<const ByteBuffer> bytes_;
    std::span<const uint8_t> data_;
    std::filesystem::path path_;
};

} // namespace

HaloPcMap HaloPcMap::FromBytes(std::shared_ptr<const ByteBuffer> bytes,
                               const std::filesystem::path& path) {
    HaloPcMap map = IndexDecoder(std::move(bytes), path).Decode();
    map.f = path;
    return map;
}

void HaloPcMap::LoadMap(const std::filesystem::path& path) {
    auto bytes = std::make_shared<const ByteBuffer>(ReadWholeFile(path, layout::kMaxMapFileSize));
    // Decode into a fresh model and take it over only once it is complete.
    *this = FromBytes(std::move(bytes), path);
}

} // namespace pelmar
