// The data region written as pieces: the region's own bytes where nothing changes, raised
// copies of the blocks that hold addresses.
#include "map/TagImport.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <random>

namespace pelmar::test {
namespace {

using tagimport::AnyWordInRange;
using tagimport::RaisedRegion;
using tagimport::RaiseWordsInRange;

constexpr size_t kBlock = RaisedRegion::kBlockSize;
constexpr int32_t kLow = 0x40440000;
constexpr int32_t kHigh = 0x40480000;
constexpr int32_t kShift = 44;

std::vector<uint8_t> Joined(const RaisedRegion& region) {
    std::vector<uint8_t> out;
    for (std::span<const uint8_t> piece : region.pieces()) {
        out.insert(out.end(), piece.begin(), piece.end());
    }
    return out;
}

// Small values everywhere, with an address at each of `hits` (byte offsets).
std::vector<uint8_t> Region(size_t size, const std::vector<size_t>& hits) {
    std::vector<uint8_t> bytes(size);
    for (size_t at = 0; at + 4 <= size; at += 4) {
        SetWord(bytes, static_cast<int64_t>(at), static_cast<int32_t>(at));
    }
    for (size_t at : hits) {
        SetWord(bytes, static_cast<int64_t>(at), kLow + static_cast<int32_t>(at));
    }
    return bytes;
}

std::vector<uint8_t> RaisedCopy(std::vector<uint8_t> bytes) {
    RaiseWordsInRange(bytes, kLow, kHigh, kShift);
    return bytes;
}

TEST(AnyWordInRange, FindsAWordAnywhereAndNothingOutsideTheRange) {
    std::vector<uint8_t> bytes = Region(300, {});
    EXPECT_FALSE(AnyWordInRange(bytes, kLow, kHigh));
    for (size_t at : {size_t{0}, size_t{60}, size_t{64}, size_t{292}, size_t{296}}) {
        std::vector<uint8_t> hit = bytes;
        SetWord(hit, static_cast<int64_t>(at), kHigh - 1);
        EXPECT_TRUE(AnyWordInRange(hit, kLow, kHigh)) << "word at " << at;
        SetWord(hit, static_cast<int64_t>(at), kHigh);
        EXPECT_FALSE(AnyWordInRange(hit, kLow, kHigh)) << "word at " << at;
    }
}

TEST(AnyWordInRange, IgnoresBytesPastTheLastWholeWordAndEmptyRanges) {
    std::vector<uint8_t> bytes = Region(8, {});
    bytes.insert(bytes.end(), {0x00, 0x00, 0x44});
    EXPECT_FALSE(AnyWordInRange(bytes, 0x00440000, 0x00450000));
    bytes = Region(8, {4});
    EXPECT_FALSE(AnyWordInRange(bytes, kHigh, kLow));
}

TEST(RaisedRegion, WithNoAddressIsTheRegionItselfInOnePiece) {
    const std::vector<uint8_t> bytes = Region(5 * kBlock + 6, {});
    const RaisedRegion region(bytes, kLow, kHigh, kShift);
    ASSERT_EQ(region.pieces().size(), 1u);
    EXPECT_EQ(region.pieces()[0].data(), bytes.data());
    EXPECT_EQ(region.pieces()[0].size(), bytes.size());
}

TEST(RaisedRegion, CopiesOnlyTheBlocksThatHoldAnAddress) {
    const std::vector<uint8_t> bytes = Region(10 * kBlock, {8, 5 * kBlock + 100});
    const std::vector<uint8_t> before = bytes;
    const RaisedRegion region(bytes, kLow, kHigh, kShift);
    EXPECT_EQ(Joined(region), RaisedCopy(bytes));
    EXPECT_EQ(bytes, before);
    // Raised block 0, blocks 1-4 as they are, raised block 5, blocks 6-9 as they are.
    ASSERT_EQ(region.pieces().size(), 4u);
    EXPECT_EQ(region.pieces()[1].data(), bytes.data() + kBlock);
    EXPECT_EQ(region.pieces()[1].size(), 4 * kBlock);
    EXPECT_EQ(region.pieces()[3].data(), bytes.data() + 6 * kBlock);
}

TEST(RaisedRegion, NeighbouringRaisedBlocksMakeOnePiece) {
    const std::vector<uint8_t> bytes = Region(4 * kBlock, {kBlock - 4, kBlock, 2 * kBlock + 8});
    const RaisedRegion region(bytes, kLow, kHigh, kShift);
    EXPECT_EQ(Joined(region), RaisedCopy(bytes));
    ASSERT_EQ(region.pieces().size(), 2u);
    EXPECT_EQ(region.pieces()[0].size(), 3 * kBlock);
}

TEST(RaisedRegion, AgreesWithRaisingTheWholeRegionForManyShapes) {
    std::mt19937 rng(11);
    for (int round = 0; round < 200; ++round) {
        const size_t size = rng() % (6 * kBlock + 7);
        std::vector<size_t> hits;
        for (int k = static_cast<int>(rng() % 6); k > 0 && size >= 4; --k) {
            hits.push_back((rng() % (size / 4)) * 4);
        }
        std::vector<uint8_t> bytes = Region(size, hits);
        for (size_t at = size & ~size_t{3}; at < size; ++at) {
            bytes[at] = 0x44; // tail bytes that would look like part of an address
        }
        const RaisedRegion region(bytes, kLow, kHigh, kShift);
        ASSERT_EQ(Joined(region), RaisedCopy(bytes)) << "region of " << size << " bytes";
    }
}

} // namespace
} // namespace pelmar::test
