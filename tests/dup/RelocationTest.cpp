// Relocation of addresses on a map file's bytes in memory, and of the model's offsets.

#include "map/Relocation.h"
#include "dup/DupMaps.h"
#include "platform/Int32.h"
#include "platform/PelmarError.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <limits>
#include <random>

namespace pelmar::test {
namespace {

constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kMax = std::numeric_limits<int32_t>::max();

// Signed 32-bit lower bound after wrapping, 64-bit upper bound, offsets translated with
// wrapping.
TEST(MovedValues, BoundsWrapAndCompareAsTheRangeTestSays) {
    struct Case {
        MovedValues range;
        int32_t value;
        bool inside;
    };
    const MovedValues wrappedLow = MovedAddresses(0x200, 0x7FFFFF00, 0x1000);
    const MovedValues negative = MovedAddresses(100, -2000, 1000); // -1900 .. -1001
    const MovedValues wrappedOffsets = MovedOffsets(0x100, 0x10, 0x7FFFFFFF);
    const Case cases[] = {
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
    EXPECT_EQ(wrappedLow.low, static_cast<int32_t>(0x80000100u));
    for (const Case& c : cases) {
        EXPECT_EQ(c.range.Contains(c.value), c.inside)
            << "value " << c.value << " low " << c.range.low << " high " << c.range.high;
    }
}

// The vectorised kernel against the plain definition, over ranges that reach every edge.
TEST(ShiftWords, AgreesWithTheRangeTestOnEveryWord) {
    std::mt19937 random(42);
    const MovedValues ranges[] = {
        MovedAddresses(744, 900, 912),    MovedAddresses(0x200, 0x7FFFFF00, 0x1000),
        MovedAddresses(0, kMin, 0),       MovedAddresses(100, -2000, 1000),
        MovedOffsets(744, 900, 912),      MovedOffsets(0, kMin, 0x7FFFFFFF),
        MovedAddresses(0, 0, 0x7FFFFFFF), MovedOffsets(-50, 7, 40),
    };
    for (const MovedValues& range : ranges) {
        std::vector<int32_t> values{
            SubWrap(range.low, 1), range.low, AddWrap(range.low, 1), kMin, kMax, 0, -1};
        if (range.high > kMin && range.high <= int64_t{kMax} + 1) {
            const auto high = static_cast<int32_t>(range.high - 1);
            values.insert(values.end(), {high, static_cast<int32_t>(high + 1u)});
        }
        for (int i = 0; i < 200; ++i) {
            values.push_back(static_cast<int32_t>(random()));
        }
        std::vector<uint8_t> bytes(values.size() * 4 + 2);
        for (size_t i = 0; i < values.size(); ++i) {
            SetWord(bytes, static_cast<int64_t>(4 * i + 2), values[i]);
        }
        ShiftWords(bytes, WordsEndingBy(2, static_cast<int64_t>(bytes.size()), bytes.size()), range,
                   48);
        for (size_t i = 0; i < values.size(); ++i) {
            const int32_t expected =
                range.Contains(values[i]) ? static_cast<int32_t>(values[i] + 48u) : values[i];
            ASSERT_EQ(WordAt(bytes, static_cast<int64_t>(4 * i + 2)), expected)
                << "value " << values[i] << " low " << range.low << " high " << range.high;
        }
    }
}

// The worked example's file with 48 bytes inserted at 744, as the relocation sees it.
class RelocationOnBytes : public ::testing::Test {
protected:
    void SetUp() override {
        WriteMap(path, WorkedExampleSpec());
        map = Load(path);
        file = ReadFileBytes(path);
        file.insert(file.begin() + worked::kInsertAtN, 48, 0);
    }
    // Sets each (offset, value), runs `pass`, and expects each (offset, expected).
    template <typename Pass>
    void Expect(std::initializer_list<std::pair<int64_t, int32_t>> words, Pass pass,
                std::initializer_list<std::pair<int64_t, int32_t>> expected) {
        for (const auto& [at, v] : words) {
            SetWord(file, at, v);
        }
        pass();
        for (const auto& [at, v] : expected) {
            EXPECT_EQ(WordAt(file, at), v) << "word at " << at;
        }
    }
    TempDir dir;
    std::filesystem::path path = dir / "example.map";
    HaloPcMap map;
    std::vector<uint8_t> file;
};

TEST_F(RelocationOnBytes, WordsEqualToTheBoundsAndTheGridOfTheStart) {
    // 1644 = insertAt + magic moves; 1812 = new length + magic does not.
    Expect({{800, 1644}, {804, 1812}, {808, 1811}, {812, 1643}},
           [&] { map.UpdateFromPoint(file, 792, worked::kInsertAtN, 48); },
           {{800, 1692}, {804, 1812}, {808, 1859}, {812, 1643}});
    file.resize(1100, 0);
    Expect({{1002, 1700}, {1016, 1700}},
           [&] { map.UpdateFromPoint(file, 1002, worked::kInsertAtN, 48); },
           {{1002, 1748}, {1016, 1700}}); // only words on the start's grid
}

TEST_F(RelocationOnBytes, ShortTailIsNotExamined) {
    file.resize(1002, 0);
    // From 996 the words are 996..999 and a tail of two bytes.
    Expect({{994, 1700}, {998, 1700}},
           [&] { map.UpdateFromPoint(file, 996, worked::kInsertAtN, 48); },
           {{994, 1700}, {998, 1700}});
    // From 994 the last word, 998..1001, ends exactly at the end of the file.
    Expect({}, [&] { map.UpdateFromPoint(file, 994, worked::kInsertAtN, 48); },
           {{994, 1748}, {998, 1748}});
}

TEST_F(RelocationOnBytes, ScenarioScanStopsAtItsEndWord) {
    // The scenario is tag "weap:a" at 500; its scan end is the word at 500 + 1448.
    file.resize(2100, 0);
    const auto scnr = [&] { map.UpdateScnr(file, worked::kInsertAtN, 48); };
    Expect({{1948, 900 + 1200}, {1192, 1700}, {1196, 1700}, {1200, 1700}}, scnr,
           {{1192, 1748}, {1196, 1748}, {1200, 1700}, {1948, 2100}});
    // An end word inside the scan is moved, but the scan keeps its end.
    Expect({{1948, 900 + 2000}, {1996, 1700}, {2000, 1700}}, scnr,
           {{1948, 2948}, {1996, 1748}, {2000, 1700}});
    // An end at or before the start examines nothing.
    SetWord(file, 1948, 900 + 500);
    SetWord(file, 500, 1700);
    const std::vector<uint8_t> before = file;
    scnr();
    EXPECT_EQ(file, before);
    file.resize(1900);
    EXPECT_THROW(scnr(), PelmarError); // the end word lies outside the file
}

} // namespace
} // namespace pelmar::test
