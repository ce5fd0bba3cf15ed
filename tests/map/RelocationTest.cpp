// The one word-shifting kernel and the ranges it is given.

#include "map/Relocation.h"
#include "platform/Int32.h"
#include "support/MapOracle.h"
#include "support/TestSupport.h"

#include <limits>
#include <random>

namespace pelmar::test {
namespace {

constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kMax = std::numeric_limits<int32_t>::max();

// A lower bound that wraps, a 64-bit upper bound, and offsets translated with wrapping.
TEST(MovedValues, BoundsWrapAndCompareAsTheRangeTestSays) {
    const MovedValues wrappedLow = MovedAddresses(0x200, 0x7FFFFF00, 0x1000);
    const MovedValues negative = MovedAddresses(100, -2000, 1000); // -1900 .. -1001
    const MovedValues wrappedOffsets = MovedOffsets(0x100, 0x10, 0x7FFFFFFF);
    const struct {
        MovedValues range;
        int32_t value;
        bool inside;
    } cases[] = {
        {wrappedLow, kMax, true},
        {wrappedLow, static_cast<int32_t>(0x80000100u), true},
        {wrappedLow, static_cast<int32_t>(0x800000FFu), false},
        {negative, -1001, true},
        {negative, -1000, false},
        {negative, -1901, false},
        {MovedAddresses(0, kMin, 0), kMin, false},
        {wrappedOffsets, kMin + 5, true},     // translates to 0x7FFFFFF5
        {wrappedOffsets, kMin + 0x0F, false}, // translates to 0x7FFFFFFF, the end
        {wrappedOffsets, 0x10F, false},
        {wrappedOffsets, 0x110, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.range.Contains(c.value), c.inside)
            << "value " << c.value << " low " << c.range.low << " high " << c.range.high;
    }
}

TEST(WordRuns, TheGridOfTheStartInsideTheBuffer) {
    const struct {
        WordRun run, expected;
    } cases[] = {
        {WordsEndingBy(2, 1002, 1002), {2, 250}},
        {WordsEndingBy(996, 2000, 1002), {996, 1}}, // a 2-byte tail is not a word
        {WordsEndingBy(-5, 20, 100), {3, 4}},       // grid positions before 0 are skipped
        {WordsEndingBy(10, 13, 100), {10, 0}},
        {WordsStartingBefore(500, 1200, 2100), {500, 175}}, // the word at 1196 is the last
        {WordsStartingBefore(500, 1201, 2100), {500, 176}}, // the word at 1200 starts before
        {WordsStartingBefore(500, 499, 2100), {500, 0}},
        {WordsStartingBefore(500, 1200, 1000), {500, 125}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(std::tie(c.run.start, c.run.count), std::tie(c.expected.start, c.expected.count));
    }
}

// The kernel against the definition, with every edge value both in its 16-word vector part
// and in its scalar tail, on a grid that is not the buffer's, and a moving word just past the
// run that must stay.
TEST(ShiftWords, AgreesWithTheRangeTestInTheVectorPartAndTheTail) {
    std::mt19937 random(42);
    const MovedValues ranges[] = {
        MovedAddresses(744, 900, 912),    MovedAddresses(0x200, 0x7FFFFF00, 0x1000),
        MovedAddresses(0, kMin, 0),       MovedAddresses(100, -2000, 1000),
        MovedOffsets(744, 900, 912),      MovedOffsets(0, kMin, 0x7FFFFFFF),
        MovedAddresses(0, 0, 0x7FFFFFFF), MovedOffsets(-50, 7, 40),
    };
    for (const MovedValues& range : ranges) {
        std::vector<int32_t> edges{kMin, kMax, 0, -1, SubWrap(range.low, 1), AddWrap(range.low, 1)};
        if (range.high > kMin && range.high <= int64_t{kMax} + 1) {
            const auto high = static_cast<int32_t>(range.high - 1);
            edges.insert(edges.end(), {AddWrap(high, 1), high});
        }
        edges.push_back(range.low); // the last word of the run moves when anything does
        std::vector<int32_t> values = edges;
        while (values.size() < 32) {
            values.push_back(static_cast<int32_t>(random()));
        }
        values.insert(values.end(), edges.begin(), edges.end());
        Bytes bytes(2 + 4 * (values.size() + 1) + 2, 0xAB);
        for (size_t i = 0; i <= values.size(); ++i) {
            SetWord(bytes, static_cast<int64_t>(2 + 4 * i),
                    i < values.size() ? values[i] : range.low);
        }
        const Bytes before = bytes;
        // The moved words are reported as bits from `first` on (undo reverts exactly those).
        for (const int64_t first : {int64_t{0}, int64_t{5}}) {
            bytes = before;
            std::vector<uint64_t> moved(2 + values.size() / 64, 0);
            ShiftWords(bytes, WordRun{2, static_cast<int64_t>(values.size())}, range, 48,
                       moved.data(), first);
            for (size_t i = 0; i < values.size(); ++i) {
                const int32_t v = values[i];
                const auto bit = static_cast<size_t>(first) + i;
                ASSERT_EQ(WordAt(bytes, int64_t(2 + 4 * i)), range.Contains(v) ? AddWrap(v, 48) : v)
                    << "word " << i << " value " << v << " low " << range.low << " high "
                    << range.high;
                ASSERT_EQ((moved[bit / 64] >> (bit % 64)) & 1u, range.Contains(v) ? 1u : 0u)
                    << "word " << i << " first " << first;
            }
            EXPECT_TRUE(std::equal(before.begin(), before.begin() + 2, bytes.begin()));
            EXPECT_TRUE(std::equal(before.end() - 6, before.end(), bytes.end() - 6))
                << "past the run";
        }
    }
}

} // namespace
} // namespace pelmar::test
