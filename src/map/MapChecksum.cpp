#include "map/MapChecksum.h"

#include "map/Crc.h"
#include "map/MapHeader.h"
#include "map/MapLayout.h"
#include "platform/Int32.h"
#include "platform/Words.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace pelmar {

namespace {

using Region = ByteRegion;

// The word at `at`, if it lies inside the file.
std::optional<int32_t> WordIn(const FileReadAt& file, int64_t at) {
    uint8_t word[4];
    if (!file.read(at, word)) {
        return std::nullopt;
    }
    return LoadI32(word);
}

FileReadAt ReaderOf(std::span<const uint8_t> file) {
    return {[file](int64_t at, std::span<uint8_t> out) {
                if (!RangeFits(at, static_cast<int64_t>(out.size()), file.size())) {
                    return false;
                }
                std::memcpy(out.data(), file.data() + at, out.size());
                return true;
            },
            file.size()};
}

// The BSPs of the scenario's "structure bsps" block: file offset and size of each. The
// scenario is the data of index entry 0; addresses translate with the index's magic.
std::optional<std::vector<Region>> BspRegions(const FileReadAt& file, int32_t indexOffset) {
    using namespace layout;
    const int64_t tagOffset = int64_t{indexOffset} + kIndexHeaderSize;
    const auto mapMagic = WordIn(file, indexOffset);
    const auto scenarioAddress = WordIn(file, tagOffset + kEntryDataAddressField);
    if (!mapMagic || !scenarioAddress) {
        return std::nullopt;
    }
    const int32_t magic = SubWrap(*mapMagic, static_cast<int32_t>(tagOffset));
    const int64_t scenario = SubWrap(*scenarioAddress, magic);
    const auto count = WordIn(file, scenario + kScenarioBspCountField);
    const auto address = WordIn(file, scenario + kScenarioBspAddressField);
    if (!count || !address || *count < 0 || *count > 0xFFFF) {
        return std::nullopt;
    }
    std::vector<Region> regions;
    const int64_t first = SubWrap(*address, magic);
    for (int32_t k = 0; k < *count; ++k) {
        const auto start = WordIn(file, first + kBspElementSize * k);
        const auto size = WordIn(file, first + kBspElementSize * k + 4);
        if (!start || !size || !RangeFits(*start, *size, file.size)) {
            return std::nullopt;
        }
        regions.push_back({*start, *size});
    }
    return regions;
}

} // namespace

std::optional<std::vector<Region>> ChecksumRegions(std::span<const uint8_t> file) {
    return ChecksumRegions(ReaderOf(file));
}

std::optional<std::vector<Region>> ChecksumRegions(const FileReadAt& file) {
    using namespace layout;
    std::array<uint8_t, static_cast<size_t>(kHeaderCrcField + 4)> prefix{};
    const std::optional<MapHeader> header =
        file.read(0, prefix) ? ReadMapHeader(prefix) : std::nullopt;
    if (!header) {
        return std::nullopt;
    }
    std::optional<std::vector<Region>> regions = BspRegions(file, header->tagDataOffset);
    const auto modelAt = WordIn(file, int64_t{header->tagDataOffset} + kIndexModelDataOffsetField);
    const auto modelSize = WordIn(file, int64_t{header->tagDataOffset} + kIndexModelDataSizeField);
    if (!regions || !modelAt || !modelSize || !RangeFits(*modelAt, *modelSize, file.size) ||
        !RangeFits(header->tagDataOffset, header->tagDataSize, file.size)) {
        return std::nullopt;
    }
    regions->push_back({*modelAt, *modelSize});
    regions->push_back({header->tagDataOffset, header->tagDataSize});
    return regions;
}

std::optional<uint32_t> ComputeChecksum(std::span<const uint8_t> file) {
    const std::optional<std::vector<Region>> regions = ChecksumRegions(file);
    if (!regions) {
        return std::nullopt;
    }
    uint32_t crc = kCrcStart;
    for (const Region& r : *regions) {
        crc =
            ExtendCrc(crc, file.subspan(static_cast<size_t>(r.at), static_cast<size_t>(r.length)));
    }
    return crc;
}

std::optional<uint32_t> ChecksumAfterChange(std::span<const uint8_t> file, int64_t at,
                                            std::span<const uint8_t> after) {
    const std::optional<std::vector<Region>> regions = ChecksumRegions(file);
    if (!regions) {
        return std::nullopt;
    }
    int64_t total = 0;
    for (const Region& r : *regions) {
        total += r.length;
    }
    int64_t streamAt = 0;
    std::optional<int64_t> place; // the change's offset in the stream
    for (const Region& r : *regions) {
        if (at >= r.at && at + static_cast<int64_t>(after.size()) <= r.at + r.length) {
            if (place) {
                return std::nullopt; // in two regions at once
            }
            place = streamAt + (at - r.at);
        }
        streamAt += r.length;
    }
    if (!place) {
        return std::nullopt;
    }
    const auto following =
        static_cast<uint64_t>(total - *place - static_cast<int64_t>(after.size()));
    return CrcAfterChange(LoadU32(file.data() + layout::kHeaderCrcField),
                          file.subspan(static_cast<size_t>(at), after.size()), after, following);
}

int64_t LargestBsp(std::span<const uint8_t> file) {
    const std::optional<MapHeader> header = ReadMapHeader(file);
    const std::optional<std::vector<Region>> bsps =
        header ? BspRegions(ReaderOf(file), header->tagDataOffset) : std::nullopt;
    int64_t largest = 0;
    for (const Region& r : bsps.value_or(std::vector<Region>{})) {
        largest = std::max(largest, r.length);
    }
    return largest;
}

} // namespace pelmar
