// The relocation scan over the data region: which words move, and which bytes stay.
#include "map/TagImport.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <limits>
#include <random>

namespace pelmar::test {
namespace {

using tagimport::RaiseWordsInRange;

std::vector<uint8_t> Words(const std::vector<int32_t>& values) {
    std::vector<uint8_t> bytes(values.size() * 4);
    for (size_t i = 0; i < values.size(); ++i) {
        SetWord(bytes, static_cast<int64_t>(4 * i), values[i]);
    }
    return bytes;
}

std::vector<int32_t> Values(const std::vector<uint8_t>& bytes) {
    std::vector<int32_t> values;
    for (size_t at = 0; at + 4 <= bytes.size(); at += 4) {
        values.push_back(WordAt(bytes, static_cast<int64_t>(at)));
    }
    return values;
}

TEST(RaiseWordsInRange, RaisesFromTheLowBoundUpToButNotIncludingTheHighBound) {
    std::vector<uint8_t> bytes = Words({999, 1000, 1500, 1999, 2000, 2001});
    RaiseWordsInRange(bytes, 1000, 2000, 40);
    EXPECT_EQ(Values(bytes), (std::vector<int32_t>{999, 1040, 1540, 2039, 2000, 2001}));
}

TEST(RaiseWordsInRange, ComparesAsSigned32BitValues) {
    // The range -8 .. 7 holds 0 and 7 but none of the large unsigned values.
    std::vector<uint8_t> bytes = Words({-9, -8, 0, 7, 8, std::numeric_limits<int32_t>::min()});
    RaiseWordsInRange(bytes, -8, 8, 100);
    EXPECT_EQ(Values(bytes),
              (std::vector<int32_t>{-9, 92, 100, 107, 8, std::numeric_limits<int32_t>::min()}));
}

TEST(RaiseWordsInRange, AnInvertedRangeMovesNothing) {
    // A high bound that wrapped past the largest signed value lies below the low bound.
    const int32_t low = 0x7FFFFFF0;
    const std::vector<uint8_t> before = Words({low, low + 4, -1, 0});
    std::vector<uint8_t> bytes = before;
    RaiseWordsInRange(bytes, low, static_cast<int32_t>(0x80000030u), 16);
    EXPECT_EQ(bytes, before);
}

TEST(RaiseWordsInRange, TheRaisedValueWrapsAround) {
    std::vector<uint8_t> bytes = Words({0x7FFFFFF8});
    RaiseWordsInRange(bytes, 0x7FFFFF00, 0x7FFFFFFF, 0x10);
    EXPECT_EQ(static_cast<uint32_t>(WordAt(bytes, 0)), 0x80000008u);
}

TEST(RaiseWordsInRange, LeavesTrailingBytesThatMakeNoWholeWord) {
    std::vector<uint8_t> bytes = Words({1000, 1000});
    bytes.push_back(0xE8); // 1000 as the first bytes of a word that is cut short
    bytes.push_back(0x03);
    bytes.push_back(0x00);
    RaiseWordsInRange(bytes, 1000, 2000, 4);
    EXPECT_EQ(WordAt(bytes, 0), 1004);
    EXPECT_EQ(WordAt(bytes, 4), 1004);
    EXPECT_EQ(bytes[8], 0xE8);
    EXPECT_EQ(bytes[9], 0x03);
    EXPECT_EQ(bytes[10], 0x00);
}

TEST(RaiseWordsInRange, EveryLengthAgreesWithAWordByWordReading) {
    // Lengths around the scan's internal run size, with values near both bounds.
    const int32_t low = 0x40440000;
    const int32_t high = 0x40450000;
    std::mt19937 rng(7);
    std::uniform_int_distribution<int32_t> near(-3, 3);
    for (size_t length = 0; length <= 150; ++length) {
        std::vector<uint8_t> bytes(length);
        for (size_t at = 0; at + 4 <= length; at += 4) {
            const int32_t pick = static_cast<int32_t>(rng() % 3);
            SetWord(bytes, static_cast<int64_t>(at),
                    (pick == 0   ? low
                     : pick == 1 ? high
                                 : 0x40448000) +
                        near(rng));
        }
        for (size_t at = length & ~size_t{3}; at < length; ++at) {
            bytes[at] = static_cast<uint8_t>(rng());
        }
        std::vector<uint8_t> expected = bytes;
        for (size_t at = 0; at + 4 <= length; at += 4) {
            const int64_t v = WordAt(expected, static_cast<int64_t>(at));
            if (v >= low && v < high) {
                SetWord(expected, static_cast<int64_t>(at), static_cast<int32_t>(v + 77));
            }
        }
        RaiseWordsInRange(bytes, low, high, 77);
        ASSERT_EQ(bytes, expected) << "region of " << length << " bytes";
    }
}

} // namespace
} // namespace pelmar::test
