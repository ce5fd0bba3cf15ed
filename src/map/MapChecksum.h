#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace pelmar {

// A stretch of a file.
struct ByteRegion {
    int64_t at = 0;
    int64_t length = 0;
};

// Reads bytes of a file that need not be in memory: false when they lie outside it.
struct FileReadAt {
    std::function<bool(int64_t at, std::span<uint8_t> out)> read;
    uint64_t size = 0;
};

// What the header checksum of a real map covers, as one stream: each BSP in the order of the
// scenario's "structure bsps" elements, then the model data, then the whole tag data. Empty
// when `file` has no real header or a region lies outside it.
std::optional<std::vector<ByteRegion>> ChecksumRegions(std::span<const uint8_t> file);
std::optional<std::vector<ByteRegion>> ChecksumRegions(const FileReadAt& file);

// The checksum of `file` over its regions; empty when they cannot be found.
std::optional<uint32_t> ComputeChecksum(std::span<const uint8_t> file);

// Where the checksum at 0x064 stands after `before` at file offset `at` becomes `after`, for a
// change that lies wholly in one checksummed region; empty when `file` has no real header or
// the change lies outside the regions.
std::optional<uint32_t> ChecksumAfterChange(std::span<const uint8_t> file, int64_t at,
                                            std::span<const uint8_t> after);

// The size of the largest BSP that the scenario lists (0 when none or unknown).
int64_t LargestBsp(std::span<const uint8_t> file);

} // namespace pelmar
