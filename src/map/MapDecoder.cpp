// Decoding a map's header, tag index and names from its bytes, and the layout checks that
// every map this program opens or writes must pass.

#include "map/HaloPcMap.h"
#include "map/MapLayout.h"
#include "platform/Error.h"
#include "platform/Int32.h"
#include "platform/Words.h"

#include <algorithm>
#include <cstring>
#include <numeric>
#include <string>

namespace pelmar {

class MapDecoder {
public:
    MapDecoder(std::shared_ptr<const void> owner, std::span<const uint8_t> bytes)
        : bytes_(std::move(owner)), data_(bytes) {}

    HaloPcMap Decode() {
        HaloPcMap map;
        map.owner_ = bytes_;
        map.bytes_ = data_;
        ReadHeader(map);
        map.TagCache.resize(static_cast<size_t>(map.TagCount));
        for (int32_t i = 0; i < map.TagCount; ++i) {
            ReadEntry(map, i);
        }
        ReadNames(map);
        MeasureData(map);
        map.IndexTags();
        return map;
    }

private:
    [[noreturn]] static void Fail(const std::string& problem, std::optional<int64_t> at = {}) {
        throw PelmarError(ErrorKind::BadMap, problem, at);
    }

    // Sorts stably; most maps list names and data in index order, which needs no sorting.
    template <typename Less> static void SortStably(std::vector<int32_t>& order, Less less) {
        if (!std::is_sorted(order.begin(), order.end(), less)) {
            std::stable_sort(order.begin(), order.end(), less);
        }
    }

    std::string Size() const { return std::to_string(data_.size()) + " bytes"; }

    void ReadHeader(HaloPcMap& map) const {
        using namespace layout;
        if (data_.size() < static_cast<size_t>(kSignatureLength)) {
            Fail("the file is too short to be a map (" + Size() + ")");
        }
        map.header = ReadMapHeader(data_);
        if (map.header && map.header->version == kXboxVersion) {
            Fail("this is a compressed Xbox map (version 5); only PC maps can be opened");
        }
        const bool daeh =
            IsDaehSignature(std::string_view(reinterpret_cast<const char*>(data_.data()), 4));
        map.indexOffset = ReadWord(data_, daeh ? kIndexOffsetField : kAlternateIndexOffsetField,
                                   "the index offset");
        if (!RangeFits(map.indexOffset, kIndexHeaderSize, data_.size())) {
            Fail("the tag index offset lies outside the file (" + Size() + ")", map.indexOffset);
        }
        map.MapMagic = LoadI32(data_.data() + map.indexOffset);
        map.TagCount = LoadI32(data_.data() + map.indexOffset + kIndexTagCountField);
        map.tagOffset = map.indexOffset + static_cast<int32_t>(kIndexHeaderSize);
        map.Magic = SubWrap(map.MapMagic, map.tagOffset);
        if (map.TagCount <= 0) {
            Fail(map.TagCount == 0
                     ? std::string("the tag index is empty")
                     : "the tag count " + std::to_string(map.TagCount) + " is negative",
                 map.indexOffset + kIndexTagCountField);
        }
        if (!RangeFits(map.tagOffset, int64_t{map.TagCount} * kEntrySize, data_.size())) {
            Fail("the tag index (" + std::to_string(map.TagCount) +
                     " entries) runs past the end of the file (" + Size() + ")",
                 map.tagOffset);
        }
    }

    std::string ClassCode(int64_t offset) const {
        return HaloPcMap::Reverse(
            std::string_view(reinterpret_cast<const char*>(data_.data() + offset), 4));
    }

    // Where the data of an entry whose address translates to `offset` is.
    DataPlace PlaceOf(const HaloPcMap& map, const Tag& t, int64_t entry) const {
        const int64_t offset = t.Offset;
        if (offset >= map.indexOffset && static_cast<uint64_t>(offset) <= data_.size()) {
            return DataPlace::Here;
        }
        const int32_t address = LoadI32(data_.data() + entry + layout::kEntryDataAddressField);
        if (t.Class1 == "sbsp") {
            return DataPlace::BspArea;
        }
        if (address == -1) {
            return DataPlace::Stub;
        }
        if (LoadU32(data_.data() + entry + layout::kEntryIndexedField) == 1) {
            return DataPlace::ResourceMap;
        }
        return DataPlace::Outside;
    }

    void ReadEntry(HaloPcMap& map, int32_t i) const {
        using namespace layout;
        const int64_t e = map.tagOffset + kEntrySize * i;
        Tag& t = map.TagCache[static_cast<size_t>(i)];
        t.Class1 = ClassCode(e);
        t.Class2 = ClassCode(e + 4);
        t.Class3 = ClassCode(e + 8);
        t.ident = LoadU32(data_.data() + e + kEntryIdentField);
        t.NameOffset = SubWrap(LoadI32(data_.data() + e + kEntryNameAddressField), map.Magic);
        t.Offset = SubWrap(LoadI32(data_.data() + e + kEntryDataAddressField), map.Magic);
        t.place = PlaceOf(map, t, e);
    }

    // Names are views of the file's bytes. Entries are visited in the order of their name
    // offsets, so that a search for a terminating zero never covers bytes that an earlier
    // search has covered: many entries naming the bytes of one long string cost one scan.
    void ReadNames(HaloPcMap& map) const {
        std::vector<int32_t> order(map.TagCache.size());
        std::iota(order.begin(), order.end(), 0);
        SortStably(order, [&](int32_t a, int32_t b) {
            return map.TagCache[static_cast<size_t>(a)].NameOffset <
                   map.TagCache[static_cast<size_t>(b)].NameOffset;
        });
        int64_t zeroAt = -1; // the first zero at or after the previous name offset
        for (int32_t i : order) {
            Tag& t = map.TagCache[static_cast<size_t>(i)];
            const int64_t start = t.NameOffset;
            if (start < 0 || static_cast<uint64_t>(start) >= data_.size()) {
                Fail("the name of tag " + std::to_string(i) + " lies outside the file (" + Size() +
                         ")",
                     start);
            }
            if (zeroAt < start) {
                const void* zero = std::memchr(data_.data() + start, 0, data_.size() - start);
                if (zero == nullptr) {
                    Fail("the name of tag " + std::to_string(i) +
                             " has no terminating zero byte before the end of the file",
                         start);
                }
                zeroAt = static_cast<const uint8_t*>(zero) - data_.data();
            }
            const std::string_view name(reinterpret_cast<const char*>(data_.data() + start),
                                        static_cast<size_t>(zeroAt - start));
            t.Name = SharedName(bytes_, name);
        }
    }

    // A tag's size is the distance from its data to the next data start in file order; the
    // last reaches to the end of the file. Tags without data here have size 0.
    void MeasureData(HaloPcMap& map) const {
        std::vector<int32_t> here;
        for (int32_t i = 0; i < map.TagCount; ++i) {
            if (map.TagCache[static_cast<size_t>(i)].HasData()) {
                here.push_back(i);
            }
        }
        SortStably(here, [&](int32_t a, int32_t b) {
            return map.TagCache[static_cast<size_t>(a)].Offset <
                   map.TagCache[static_cast<size_t>(b)].Offset;
        });
        for (size_t k = 0; k < here.size(); ++k) {
            Tag& t = map.TagCache[static_cast<size_t>(here[k])];
            const int64_t end = k + 1 < here.size()
                                    ? map.TagCache[static_cast<size_t>(here[k + 1])].Offset
                                    : static_cast<int64_t>(data_.size());
            t.Size = static_cast<int32_t>(end - t.Offset);
            t.TagBlock = SharedBytes(bytes_, data_.data() + t.Offset, static_cast<size_t>(t.Size));
        }
    }

    std::shared_ptr<const void> bytes_; // keeps the bytes alive
    std::span<const uint8_t> data_;
};

HaloPcMap HaloPcMap::Decode(std::shared_ptr<const ByteBuffer> bytes) {
    const std::span<const uint8_t> span = bytes->span();
    return Decode(std::move(bytes), span);
}

HaloPcMap HaloPcMap::Decode(std::shared_ptr<const void> owner, std::span<const uint8_t> bytes) {
    if (bytes.size() > layout::kMaxMapFileSize) {
        throw PelmarError(ErrorKind::BadMap, "the file is too large (" +
                                                 std::to_string(bytes.size()) +
                                                 " bytes); map offsets are 32-bit");
    }
    return MapDecoder(std::move(owner), bytes).Decode();
}

} // namespace pelmar
