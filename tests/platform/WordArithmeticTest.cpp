// Little-endian words and 32-bit wrap-around arithmetic.
#include "platform/Int32.h"
#include "platform/LittleEndian.h"
#include "platform/PelmarError.h"

#include <gtest/gtest.h>

#include <climits>
#include <tuple>
#include <vector>

namespace pelmar {
namespace {

TEST(LittleEndian, ReadsAndWritesLeastSignificantByteFirstWhollyInside) {
    std::vector<uint8_t> bytes{1, 0, 0, 0, 2, 0, 0, 0, 3};
    EXPECT_EQ(ReadI32(bytes, 4), 2);
    EXPECT_EQ(ReadI32(bytes, 5), 0x03000000);
    EXPECT_EQ(ReadU32(bytes, 1), 0x02000000u);
    const uint8_t high[] = {0xFE, 0xFF, 0xFF, 0x80};
    EXPECT_EQ(LoadI32(high), static_cast<int32_t>(0x80FFFFFEu));
    EXPECT_EQ(LoadU32(high), 0x80FFFFFEu);
    for (int64_t offset : {int64_t{6}, int64_t{9}, int64_t{-1}, INT64_MAX, INT64_MIN}) {
        EXPECT_THROW(ReadI32(bytes, offset), PelmarError) << offset;
        EXPECT_THROW(WriteI32(bytes, offset, 1), PelmarError) << offset;
    }
    EXPECT_THROW(ReadI32(std::vector<uint8_t>{}, 0), PelmarError);
    EXPECT_EQ(bytes, (std::vector<uint8_t>{1, 0, 0, 0, 2, 0, 0, 0, 3})) << "a refused write";
    WriteI32(bytes, 2, 0x01020304);
    EXPECT_EQ(bytes, (std::vector<uint8_t>{1, 0, 4, 3, 2, 1, 0, 0, 3}));
}

TEST(LittleEndian, RangeChecksHandleExtremeValues) {
    const std::vector<std::tuple<int64_t, int64_t, uint64_t, bool>> ranges = {
        {0, 10, 10, true},
        {10, 0, 10, true},
        {10, 1, 10, false},
        {-1, 1, 10, false},
        {1, -1, 10, false},
        {4, INT64_MAX, 100, false},
        {INT64_MAX, INT64_MAX, 100, false},
        {INT64_MAX, INT64_MAX, SIZE_MAX, true}};
    for (const auto& [offset, size, limit, fits] : ranges) {
        EXPECT_EQ(RangeFits(offset, size, limit), fits) << offset << "+" << size << " in " << limit;
    }
    EXPECT_TRUE(WordFits(6, 10));
    EXPECT_FALSE(WordFits(7, 10));
    EXPECT_FALSE(WordFits(INT64_MAX, 100));
    EXPECT_FALSE(WordFits(-4, 100));
}

TEST(Int32Wrap, ArithmeticWrapsAtTheSignedLimits) {
    EXPECT_EQ(AddWrap(INT32_MAX, 1), INT32_MIN);
    EXPECT_EQ(AddWrap(INT32_MIN, -1), INT32_MAX);
    EXPECT_EQ(AddWrap(INT32_MAX, INT32_MAX), -2);
    EXPECT_EQ(SubWrap(INT32_MIN, 1), INT32_MAX);
    EXPECT_EQ(SubWrap(0, INT32_MIN), INT32_MIN);
    EXPECT_EQ(MulWrap(65536, 65536), 0);
    EXPECT_EQ(MulWrap(INT32_MAX, 2), -2);
    EXPECT_EQ(MulWrap(INT32_MIN, -1), INT32_MIN);
    // A map address and its file offset translate back and forth whatever the magic.
    for (int32_t magic : {0, 4000, -4000, INT32_MAX, INT32_MIN}) {
        for (int32_t offset : {0, 1040, INT32_MAX}) {
            EXPECT_EQ(SubWrap(AddWrap(offset, magic), magic), offset);
        }
    }
}

} // namespace
} // namespace pelmar
