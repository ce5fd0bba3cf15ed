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

namespace w = worked;
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kMax = std::numeric_limits<int32_t>::max();

TEST(WordRuns, EndingByCountsWholeWordsOnTheStartsGrid) {
    EXPECT_EQ(WordsEndingBy(10, 30, 100).count, 5);
    EXPECT_EQ(WordsEndingBy(10, 29, 100).count, 4);
    EXPECT_EQ(WordsEndingBy(10, 13, 100).count, 0);
    EXPECT_EQ(WordsEndingBy(10, 200, 31).count, 5); // the buffer's end comes first
    EXPECT_EQ(WordsEndingBy(40, 20, 100).count, 0);
    const WordRun fromNegative = WordsEndingBy(-6, 10, 100);
    EXPECT_EQ(fromNegative.start, 2);
    EXPECT_EQ(fromNegative.count, 2);
}

TEST(WordRuns, StartingBeforeTakesTheWordThatStraddlesTheEnd) {
    EXPECT_EQ(WordsStartingBefore(10, 30, 100).count, 5);
    EXPECT_EQ(WordsStartingBefore(10, 31, 100).count, 6);
    EXPECT_EQ(WordsStartingBefore(10, 10, 100).count, 0);
    EXPECT_EQ(WordsStartingBefore(10, 5, 100).count, 0);
    EXPECT_EQ(WordsStartingBefore(10, 1000, 21).count, 2); // only whole words in the buffer
}

TEST(WordRuns, HoldsOnlyPositionsOfTheRun) {
    const WordRun run{1002, 3};
    EXPECT_TRUE(run.Holds(1002));
    EXPECT_TRUE(run.Holds(1010));
    EXPECT_FALSE(run.Holds(1014));
    EXPECT_FALSE(run.Holds(1004));
    EXPECT_FALSE(run.Holds(998));
    EXPECT_FALSE((WordRun{0, 0}).Holds(0));
}

TEST(MovedValues, LowerBoundIsSigned32BitAfterWrapping) {
    // insertAt + magic wraps to a negative bound, and the 64-bit upper bound lies above the
    // 32-bit range: every word from the wrapped bound up qualifies.
    const MovedValues moved = MovedAddresses(0x200, 0x7FFFFF00, 0x1000);
    EXPECT_EQ(moved.low, static_cast<int32_t>(0x80000100u));
    EXPECT_TRUE(moved.Contains(5));
    EXPECT_TRUE(moved.Contains(kMax));
    EXPECT_TRUE(moved.Contains(static_cast<int32_t>(0x80000100u)));
    EXPECT_FALSE(moved.Contains(static_cast<int32_t>(0x800000FFu)));
}

TEST(MovedValues, UpperBoundIsCompared64Bit) {
    const MovedValues moved = MovedAddresses(100, -2000, 1000); // addresses -1900 .. -1001
    EXPECT_TRUE(moved.Contains(-1900));
    EXPECT_TRUE(moved.Contains(-1001));
    EXPECT_FALSE(moved.Contains(-1000));
    EXPECT_FALSE(moved.Contains(-1901));
    const MovedValues none = MovedAddresses(0, kMin, 0); // high = INT32_MIN: nothing is below
    EXPECT_FALSE(none.Contains(kMin));
}

TEST(MovedValues, OffsetsAreTranslatedWithWrapping) {
    const MovedValues moved = MovedOffsets(744, 900, 912);
    EXPECT_TRUE(moved.Contains(1644));
    EXPECT_TRUE(moved.Contains(1811));
    EXPECT_FALSE(moved.Contains(1812));
    EXPECT_FALSE(moved.Contains(1643));
    // A word near the bottom of the range translates (wrapping) to a large offset.
    const MovedValues wrapped = MovedOffsets(0x100, 0x10, 0x7FFFFFFF);
    EXPECT_TRUE(wrapped.Contains(kMin + 5));     // kMin + 5 - 0x10 wraps to 0x7FFFFFF5
    EXPECT_FALSE(wrapped.Contains(kMin + 0x0F)); // translates to 0x7FFFFFFF, the end
    EXPECT_FALSE(wrapped.Contains(0x10F));
    EXPECT_TRUE(wrapped.Contains(0x110));
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
        file.insert(file.begin() + w::kInsertAtN, 48, 0);
    }
    TempDir dir;
    std::filesystem::path path = dir / "example.map";
    HaloPcMap map;
    std::vector<uint8_t> file;
};

TEST_F(RelocationOnBytes, WordAtTheInsertionPointMovesAndWordAtTheEndDoesNot) {
    SetWord(file, 800, 1644); // insertAt + magic
    SetWord(file, 804, 1812); // L + magic
    SetWord(file, 808, 1811);
    SetWord(file, 812, 1643);
    map.UpdateFromPoint(file, 792, w::kInsertAtN, 48);
    EXPECT_EQ(WordAt(file, 800), 1692);
    EXPECT_EQ(WordAt(file, 804), 1812);
    EXPECT_EQ(WordAt(file, 808), 1859);
    EXPECT_EQ(WordAt(file, 812), 1643);
}

TEST_F(RelocationOnBytes, ScanFollowsTheGridOfAnUnalignedStart) {
    file.resize(1100, 0);
    SetWord(file, 1002, 1700);
    SetWord(file, 1016, 1700); // on the 4-aligned grid only
    map.UpdateFromPoint(file, 1002, w::kInsertAtN, 48);
    EXPECT_EQ(WordAt(file, 1002), 1748);
    EXPECT_EQ(WordAt(file, 1016), 1700);
}

TEST_F(RelocationOnBytes, ShortTailIsNotExamined) {
    file.resize(1002, 0);
    SetWord(file, 998, 1700);
    SetWord(file, 994, 1700);
    // From 996 the words are 996..999 and a tail of two bytes, 1000 and 1001.
    map.UpdateFromPoint(file, 996, w::kInsertAtN, 48);
    EXPECT_EQ(WordAt(file, 994), 1700);
    EXPECT_EQ(WordAt(file, 998), 1700);
    // From 994 the last word, 998..1001, ends exactly at the end of the file.
    map.UpdateFromPoint(file, 994, w::kInsertAtN, 48);
    EXPECT_EQ(WordAt(file, 994), 1748);
    EXPECT_EQ(WordAt(file, 998), 1748);
}

TEST_F(RelocationOnBytes, IndexPassStopsAtTheEndOfTheFile) {
    const int64_t entry1 = map.tagOffset + 32 + 20;
    SetWord(file, entry1, 1812);
    map.UpdateFromPoint(file, static_cast<int32_t>(file.size()), w::kInsertAtN, 48);
    EXPECT_EQ(WordAt(file, entry1), 1812);
    SetWord(file, entry1, 1811);
    map.UpdateFromPoint(file, static_cast<int32_t>(file.size()), w::kInsertAtN, 48);
    EXPECT_EQ(WordAt(file, entry1), 1859);
    EXPECT_EQ(WordAt(file, map.tagOffset + 20), 1400); // entry 0, before the insertion point
}

TEST_F(RelocationOnBytes, SecondCallMovesAgainWhatIsStillInRange) {
    SetWord(file, 800, 1644);
    map.UpdateFromPoint(file, 792, w::kInsertAtN, 48);
    map.UpdateFromPoint(file, 792, w::kInsertAtN, 48);
    EXPECT_EQ(WordAt(file, 800), 1740);
}

TEST_F(RelocationOnBytes, ScenarioScanStopsAtItsEndWord) {
    // The scenario is tag "weap:a" at 500; its scan end is the word at 500 + 1448.
    file.resize(2100, 0);
    SetWord(file, 500 + 1448, 900 + 1200); // end = 1200
    SetWord(file, 1192, 1700);
    SetWord(file, 1196, 1700); // starts before the end: examined
    SetWord(file, 1200, 1700);
    map.UpdateScnr(file, w::kInsertAtN, 48);
    EXPECT_EQ(WordAt(file, 1192), 1748);
    EXPECT_EQ(WordAt(file, 1196), 1748);
    EXPECT_EQ(WordAt(file, 1200), 1700);
    EXPECT_EQ(WordAt(file, 500 + 1448), 2100); // lies past the end, 1200: not examined
}

TEST_F(RelocationOnBytes, ScenarioScanEndWordInsideTheScanIsMovedButTheScanKeepsItsEnd) {
    file.resize(2100, 0);
    SetWord(file, 500 + 1448, 900 + 2000);
    SetWord(file, 1996, 1700);
    SetWord(file, 2000, 1700);
    map.UpdateScnr(file, w::kInsertAtN, 48);
    EXPECT_EQ(WordAt(file, 500 + 1448), 2948);
    EXPECT_EQ(WordAt(file, 1996), 1748);
    EXPECT_EQ(WordAt(file, 2000), 1700);
}

TEST_F(RelocationOnBytes, ScenarioScanEndAtOrBeforeTheStartExaminesNothing) {
    file.resize(2100, 0);
    SetWord(file, 500 + 1448, 900 + 500);
    SetWord(file, 500, 1700);
    const std::vector<uint8_t> before = file;
    map.UpdateScnr(file, w::kInsertAtN, 48);
    EXPECT_EQ(file, before);
}

TEST_F(RelocationOnBytes, ScenarioScanEndOutsideTheFileIsAnError) {
    EXPECT_THROW(map.UpdateScnr(file, w::kInsertAtN, 48), PelmarError);
}

TEST(RecordInsertion, MovesTagsAtOrAfterTheInsertionPointAndKeepsSizesLikeAReload) {
    HaloPcMap map;
    map.TagCache.resize(4);
    const int32_t offsets[] = {500, 744, 800, 900};
    const int32_t sizes[] = {244, 56, 100, 60};
    for (size_t i = 0; i < 4; ++i) {
        map.TagCache[i].Offset = offsets[i];
        map.TagCache[i].Size = sizes[i];
    }
    map.RecordInsertion(744, 48);
    EXPECT_EQ(Places(map), (std::vector<TagPlace>{{500, 292}, {792, 56}, {848, 100}, {948, 60}}));
    map.RecordInsertion(950, 8); // inside the last tag, which grows with the file
    EXPECT_EQ(map.TagCache[3].Offset, 948);
    EXPECT_EQ(map.TagCache[3].Size, 68);
}

} // namespace
} // namespace pelmar::test
