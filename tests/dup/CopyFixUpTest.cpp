// The fix-up of a fresh chunk copy, word by word.

#include "map/ChunkDuplication.h"
#include "platform/Int32.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace pelmar::test {
namespace {

// The worked example's numbers: magic 900, tag data 500..799, chunks of 48.
CopyFixUp ExampleFixUp() {
    CopyFixUp fix;
    fix.magic = 900;
    fix.tagStart = 500;
    fix.tagEnd = 800;
    fix.raise = 48;
    fix.position = 744;
    return fix;
}

std::vector<uint8_t> Words(std::initializer_list<int32_t> values) {
    std::vector<uint8_t> bytes(values.size() * 4);
    int64_t at = 0;
    for (int32_t v : values) {
        SetWord(bytes, at, v);
        at += 4;
    }
    return bytes;
}

TEST(CopyFixUp, PointerInsideTheTagIsClearedWithTheWordBefore) {
    std::vector<uint8_t> copy = Words({9, 3, 1401, 7});
    FixUpCopy(copy, ExampleFixUp());
    EXPECT_EQ(copy, Words({9, 0, 0, 7}));
}

TEST(CopyFixUp, QualifyingWordAtOffsetZeroClearsOnlyItself) {
    std::vector<uint8_t> copy = Words({1699, 5, 6});
    FixUpCopy(copy, ExampleFixUp());
    EXPECT_EQ(copy, Words({0, 5, 6}));
}

TEST(CopyFixUp, BoundsOfTheTagAreLeftAsTheyAre) {
    std::vector<uint8_t> copy = Words({1400, 1700, 1399, -1, 0});
    const std::vector<uint8_t> before = copy;
    FixUpCopy(copy, ExampleFixUp());
    EXPECT_EQ(copy, before);
}

TEST(CopyFixUp, PointerBeyondTheTagIsRaisedByOneChunkWithWrapping) {
    std::vector<uint8_t> copy = Words({1701, 5000, 0x7FFFFFF0});
    FixUpCopy(copy, ExampleFixUp());
    EXPECT_EQ(copy, Words({1749, 5048, static_cast<int32_t>(0x80000020u)}));
}

TEST(CopyFixUp, TestsTheWordsAsCopiedNotAsAlreadyFixed) {
    // Each of two neighbouring inner pointers clears itself and the word before it.
    std::vector<uint8_t> copy = Words({1, 1500, 1600, 4});
    FixUpCopy(copy, ExampleFixUp());
    EXPECT_EQ(copy, Words({0, 0, 0, 4}));
    // A raised word followed by an inner pointer is cleared all the same.
    copy = Words({1800, 1500});
    FixUpCopy(copy, ExampleFixUp());
    EXPECT_EQ(copy, Words({0, 0}));
}

TEST(CopyFixUp, TrailingPartOfAWordIsLeftAsItIs) {
    std::vector<uint8_t> copy = Words({1701, 7});
    copy.resize(6); // the last two bytes are the low half of 7
    copy[4] = 0xAC;
    copy[5] = 0x06; // 0x06AC = 1708 if the half word were read as a whole one
    FixUpCopy(copy, ExampleFixUp());
    EXPECT_EQ(WordAt(copy, 0), 1749);
    EXPECT_EQ(copy[4], 0xAC);
    EXPECT_EQ(copy[5], 0x06);
}

TEST(CopyFixUp, WordThatTheRelocationRescansIsLeftForIt) {
    CopyFixUp fix = ExampleFixUp();
    fix.rescanned = {WordRun{748, 1}};
    std::vector<uint8_t> copy = Words({1701, 1701, 1701});
    FixUpCopy(copy, fix);
    EXPECT_EQ(copy, Words({1749, 1701, 1749}));
}

TEST(CopyFixUp, RangeTestIsOnTheTranslatedValueWithWrapping) {
    CopyFixUp fix = ExampleFixUp();
    fix.magic = static_cast<int32_t>(0x80000000u);
    // 0x80000000 + 600 translates to 600: inside.
    std::vector<uint8_t> copy = Words({2, AddWrap(fix.magic, 600)});
    FixUpCopy(copy, fix);
    EXPECT_EQ(copy, Words({0, 0}));
    // 600 translates to 0x80000258, a negative offset: below the tag, unchanged.
    copy = Words({2, 600});
    FixUpCopy(copy, fix);
    EXPECT_EQ(copy, Words({2, 600}));
}

TEST(ScenarioClass, AnyMixOfCapitals) {
    EXPECT_TRUE(IsScenarioClass("scnr"));
    EXPECT_TRUE(IsScenarioClass("SCNR"));
    EXPECT_TRUE(IsScenarioClass("sCnR"));
    EXPECT_FALSE(IsScenarioClass("scn"));
    EXPECT_FALSE(IsScenarioClass("scnr "));
    EXPECT_FALSE(IsScenarioClass("weap"));
}

} // namespace
} // namespace pelmar::test
