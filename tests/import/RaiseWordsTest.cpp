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

TEST(RaiseWordsInRange, RaisesSigned32BitValuesFromLowUpToButNotIncludingHigh) {
    constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
    const struct {
        const char* name;
        std::vector<int32_t> words;
        int32_t low, high, amount;
        std::vector<int32_t> expected;
    } cases[] = {
        {"bounds",
         {999, 1000, 1500, 1999, 2000, 2001},
         1000,
         2000,
         40,
         {999, 1040, 1540, 2039, 2000, 2001}},
        {"signed", {-9, -8, 0, 7, 8, kMin}, -8, 8, 100, {-9, 92, 100, 107, 8, kMin}},
        {"inverted range: a high bound that wrapped",
         {0x7FFFFFF0, 0x7FFFFFF4, -1, 0},
         0x7FFFFFF0,
         static_cast<int32_t>(0x80000030u),
         16,
         {0x7FFFFFF0, 0x7FFFFFF4, -1, 0}},
        {"the raised value wraps",
         {0x7FFFFFF8},
         0x7FFFFF00,
         0x7FFFFFFF,
         0x10,
         {static_cast<int32_t>(0x80000008u)}},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> bytes = Words(c.words);
        RaiseWordsInRange(bytes, c.low, c.high, c.amount);
        EXPECT_EQ(bytes, Words(c.expected)) << c.name;
    }
}

// Lengths around the scan's internal run size, with values near both bounds and trailing
// bytes that make no whole word, against a word-by-word reading.
TEST(RaiseWordsInRange, EveryLengthAgreesWithAWordByWordReading) {
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
