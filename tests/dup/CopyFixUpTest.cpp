// The fix-up of a fresh chunk copy, word by word.

#include "map/ChunkDuplication.h"
#include "platform/Int32.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace pelmar::test {
namespace {

std::vector<uint8_t> Words(std::initializer_list<int32_t> values) {
    std::vector<uint8_t> bytes(values.size() * 4);
    int64_t at = 0;
    for (int32_t v : values) {
        SetWord(bytes, at, v);
        at += 4;
    }
    return bytes;
}

// Two trailing bytes, 0x06AC = 1708 if the half word were read as a whole one.
std::vector<uint8_t> WithHalfWord(std::vector<uint8_t> bytes) {
    bytes.push_back(0xAC);
    bytes.push_back(0x06);
    return bytes;
}

TEST(CopyFixUp, ClearsInnerPointersRaisesOuterOnesByOneChunk) {
    constexpr auto kMinMagic = static_cast<int32_t>(0x80000000u);
    struct Case {
        const char* name;
        std::vector<uint8_t> copy, expected;
        int32_t magic = 900;
        std::vector<WordRun> rescanned = {};
    };
    // The worked example's numbers: magic 900, tag data 500..799, chunks of 48.
    const Case cases[] = {
        {"inner pointer clears the word before", Words({9, 3, 1401, 7}), Words({9, 0, 0, 7})},
        {"inner pointer at offset 0 clears itself", Words({1699, 5, 6}), Words({0, 5, 6})},
        {"tag bounds stay", Words({1400, 1700, 1399, -1, 0}), Words({1400, 1700, 1399, -1, 0})},
        {"beyond the tag: raised by one chunk, wrapping", Words({1701, 5000, 0x7FFFFFF0}),
         Words({1749, 5048, static_cast<int32_t>(0x80000020u)})},
        {"neighbouring inner pointers", Words({1, 1500, 1600, 4}), Words({0, 0, 0, 4})},
        {"words tested as copied", Words({1800, 1500}), Words({0, 0})},
        {"a trailing half word stays", WithHalfWord(Words({1701})), WithHalfWord(Words({1749}))},
        {"rescanned words are left",
         Words({1701, 1701, 1701}),
         Words({1749, 1701, 1749}),
         900,
         {WordRun{748, 1}}},
        {"translated with wrapping: inside", Words({2, AddWrap(kMinMagic, 600)}), Words({0, 0}),
         kMinMagic},
        {"translated with wrapping: negative", Words({2, 600}), Words({2, 600}), kMinMagic},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CopyFixUp fix;
        fix.magic = c.magic;
        fix.tagStart = 500;
        fix.tagEnd = 800;
        fix.raise = 48;
        fix.position = 744;
        fix.rescanned = c.rescanned;
        std::vector<uint8_t> copy = c.copy;
        FixUpCopy(copy, fix);
        EXPECT_EQ(copy, c.expected);
    }
}

TEST(ScenarioClass, AnyMixOfCapitals) {
    for (const char* yes : {"scnr", "SCNR", "sCnR"}) {
        EXPECT_TRUE(IsScenarioClass(yes)) << yes;
    }
    for (const char* no : {"scn", "scnr ", "weap"}) {
        EXPECT_FALSE(IsScenarioClass(no)) << no;
    }
}

} // namespace
} // namespace pelmar::test
