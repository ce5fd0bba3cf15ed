// Little-endian words and 32-bit wrap-around arithmetic.
#include "platform/Int32.h"
#include "platform/LittleEndian.h"
#include "platform/PelmarError.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace pelmar {
namespace {

TEST(LittleEndian, LoadsLeastSignificantByteFirst) {
    const uint8_t bytes[] = {0x78, 0x56, 0x34, 0x12, 0xFF, 0xFF, 0xFF, 0x80};
    EXPECT_EQ(LoadU32(bytes), 0x12345678u);
    EXPECT_EQ(LoadI32(bytes), 0x12345678);
    EXPECT_EQ(LoadU32(bytes + 4), 0x80FFFFFFu);
    EXPECT_EQ(LoadI32(bytes + 4), static_cast<int32_t>(0x80FFFFFFu));
    EXPECT_LT(LoadI32(bytes + 4), 0);
}

TEST(LittleEndian, StoresLeastSignificantByteFirst) {
    uint8_t bytes[4] = {};
    StoreI32(bytes, -2);
    EXPECT_EQ(bytes[0], 0xFE);
    EXPECT_EQ(bytes[1], 0xFF);
    EXPECT_EQ(bytes[2], 0xFF);
    EXPECT_EQ(bytes[3], 0xFF);
    StoreU32(bytes, 0xA1B2C3D4u);
    EXPECT_EQ(bytes[0], 0xD4);
    EXPECT_EQ(bytes[3], 0xA1);
    EXPECT_EQ(LoadU32(bytes), 0xA1B2C3D4u);
}

TEST(LittleEndian, CheckedReadsAcceptEveryWordInside) {
    std::vector<uint8_t> bytes{1, 0, 0, 0, 2, 0, 0, 0, 3};
    EXPECT_EQ(ReadI32(bytes, 0), 1);
    EXPECT_EQ(ReadI32(bytes, 4), 2);
    EXPECT_EQ(ReadI32(bytes, 5), 0x03000000);
    EXPECT_EQ(ReadU32(bytes, 1), 0x02000000u);
}

TEST(LittleEndian, CheckedReadsRefuseWordsNotWhollyInside) {
    std::vector<uint8_t> bytes(8, 0);
    EXPECT_THROW(ReadI32(bytes, 6), PelmarError);
    EXPECT_THROW(ReadI32(bytes, 8), PelmarError);
    EXPECT_THROW(ReadI32(bytes, -1), PelmarError);
    EXPECT_THROW(ReadU32(bytes, INT64_MAX), PelmarError);
    EXPECT_THROW(ReadI32(std::vector<uint8_t>{}, 0), PelmarError);
    EXPECT_THROW(WriteI32(bytes, 5, 1), PelmarError);
    EXPECT_THROW(WriteI32(bytes, INT64_MIN, 1), PelmarError);
    EXPECT_EQ(bytes, std::vector<uint8_t>(8, 0)) << "a refused write must change nothing";
}

TEST(LittleEndian, CheckedWriteStoresInPlace) {
    std::vector<uint8_t> bytes(8, 0xAA);
    WriteI32(bytes, 2, 0x01020304);
    EXPECT_EQ(bytes, (std::vector<uint8_t>{0xAA, 0xAA, 4, 3, 2, 1, 0xAA, 0xAA}));
}

TEST(LittleEndian, RangeChecksHandleExtremeValues) {
    EXPECT_TRUE(RangeFits(0, 10, 10));
    EXPECT_TRUE(RangeFits(10, 0, 10));
    EXPECT_FALSE(RangeFits(10, 1, 10));
    EXPECT_FALSE(RangeFits(-1, 1, 10));
    EXPECT_FALSE(RangeFits(1, -1, 10));
    EXPECT_FALSE(RangeFits(INT64_MAX, INT64_MAX, 100));
    EXPECT_FALSE(RangeFits(4, INT64_MAX, 100));
    EXPECT_TRUE(RangeFits(INT64_MAX, INT64_MAX, SIZE_MAX)) << "the sum fits in 64 bits";
    EXPECT_TRUE(WordFits(6, 10));
    EXPECT_FALSE(WordFits(7, 10));
    EXPECT_FALSE(WordFits(INT64_MAX, 100));
    EXPECT_FALSE(WordFits(-4, 100));
}

TEST(Int32Wrap, AdditionWrapsAtTheSignedLimits) {
    EXPECT_EQ(AddWrap(INT32_MAX, 1), INT32_MIN);
    EXPECT_EQ(AddWrap(INT32_MIN, -1), INT32_MAX);
    EXPECT_EQ(AddWrap(-5, 3), -2);
    EXPECT_EQ(AddWrap(INT32_MAX, INT32_MAX), -2);
}

TEST(Int32Wrap, SubtractionWrapsAtTheSignedLimits) {
    EXPECT_EQ(SubWrap(INT32_MIN, 1), INT32_MAX);
    EXPECT_EQ(SubWrap(INT32_MAX, -1), INT32_MIN);
    EXPECT_EQ(SubWrap(5040, 1040), 4000);
    EXPECT_EQ(SubWrap(0, INT32_MIN), INT32_MIN);
    // A map address and its file offset translate back and forth whatever the magic.
    for (int32_t magic : {0, 4000, -4000, INT32_MAX, INT32_MIN}) {
        for (int32_t offset : {0, 1040, INT32_MAX}) {
            EXPECT_EQ(SubWrap(AddWrap(offset, magic), magic), offset);
        }
    }
}

TEST(Int32Wrap, MultiplicationKeepsTheLow32Bits) {
    EXPECT_EQ(MulWrap(65536, 65536), 0);
    EXPECT_EQ(MulWrap(INT32_MAX, 2), -2);
    EXPECT_EQ(MulWrap(-3, 7), -21);
    EXPECT_EQ(MulWrap(INT32_MIN, -1), INT32_MIN);
}

} // namespace
} // namespace pelmar
