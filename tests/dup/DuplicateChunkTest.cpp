// The edit that Duplicate makes, checked byte for byte on small maps.

#include "dup/DupMaps.h"
#include "map/ChunkDuplication.h"
#include "platform/PelmarError.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace pelmar::test {
namespace {

using builder::Block;
using builder::Reflexive;
using builder::TagSpec;
namespace w = worked;

class WorkedExample : public ::testing::Test {
protected:
    void SetUp() override {
        before = WriteMap(path, WorkedExampleSpec()).bytes;
        map = Load(path);
    }
    TempDir dir;
    std::filesystem::path path = dir / "example.map";
    std::vector<uint8_t> before;
    HaloPcMap map;
};

// Chunk 2 of 3 (not the last): its copy's outer words are raised by one chunk, not two.
TEST_F(WorkedExample, SecondChunkOfThreeGivesExactlyTheExpectedFile) {
    const DuplicationResult result =
        DuplicateChunk(map, 0, "weap", {w::kReferenceN, w::kChunkSizeN, 1});
    EXPECT_EQ(result.countBefore, 3);
    EXPECT_EQ(result.insertAt, w::kInsertAtN);
    EXPECT_EQ(result.newLength, w::kLength + 48);

    // The copy of 648..695: 1401 and 1699 point inside the tag and are cleared with the word
    // before them; 1400 and 1700 (the tag's bounds) stay; words beyond are raised by 48.
    std::vector<uint8_t> copy(before.begin() + 648, before.begin() + 696);
    for (int64_t at : {0, 4, 8, 12}) {
        SetWord(copy, at, 0);
    }
    SetWord(copy, 24, 1749);
    SetWord(copy, 28, static_cast<int32_t>(0x80000020u));
    SetWord(copy, 32, 5048);

    std::vector<uint8_t> expected(before.begin(), before.begin() + w::kInsertAtN);
    expected.insert(expected.end(), copy.begin(), copy.end());
    expected.insert(expected.end(), before.begin() + w::kInsertAtN, before.end());
    SetWord(expected, w::kReferenceN, 4);
    // The moved range is 1644 <= v < 1812; tag b's data address, then the tag's data before the
    // insertion point (500..743, M's pointer at 528 behind the struct that grew, the last whole
    // word at 740), then from the end of the copy, 792, to the end of the file.
    const std::pair<int64_t, int32_t> moved[] = {
        {432 + 32 + 20, 1748}, {504, 1692}, {508, 1859}, {528, 1692}, {600, 1748},
        {660, 1747},           {668, 1748}, {672, 1749}, {740, 1692}, {792, 1692},
        {844, 1859},           {852, 1692}, {856, 1859}, {908, 1748}};
    for (const auto& [at, value] : moved) {
        SetWord(expected, at, value);
    }
    EXPECT_EQ(ReadFileBytes(path), expected);
    EXPECT_EQ(Places(map), (std::vector<TagPlace>{{500, 348}, {848, 64}}));
    EXPECT_EQ(Places(map), Places(Load(path)));
}

TEST_F(WorkedExample, EachChunkGrowsTheFileByOneChunkAndMovesOnlyAddresses) {
    for (int32_t index = 0; index < 3; ++index) {
        SCOPED_TRACE("chunk " + std::to_string(index));
        WriteFileBytes(path, before);
        map = Load(path);
        DuplicateChunk(map, 0, "weap", {w::kReferenceN, w::kChunkSizeN, index});
        const std::vector<uint8_t> after = ReadFileBytes(path);
        ASSERT_EQ(after.size(), before.size() + 48);
        EXPECT_EQ(WordAt(after, w::kReferenceN), 4);
        const auto movedValue = [](int32_t v) { return v >= 1644 && v < 1812 ? v + 48 : v; };
        for (int64_t at = 0; at + 4 <= w::kLength; at += 4) {
            const int64_t now = at < w::kInsertAtN ? at : at + 48;
            if (at != w::kReferenceN) {
                EXPECT_EQ(WordAt(after, now), movedValue(WordAt(before, at))) << "old " << at;
            }
        }
    }
}

TEST_F(WorkedExample, ChunkSizeThatIsNotAMultipleOfFourLeavesTheTailBytesAsCopied) {
    // Chunks of 10 bytes from 600: the third (620..629) ends in two bytes of a word.
    DuplicateChunk(map, 0, "weap", {w::kReferenceN, 10, 2});
    const std::vector<uint8_t> after = ReadFileBytes(path);
    ASSERT_EQ(after.size(), before.size() + 10);
    EXPECT_TRUE(std::equal(before.begin() + 620, before.begin() + 630, after.begin() + 630));
    EXPECT_TRUE(std::equal(before.begin() + 630, before.end(), after.begin() + 640, after.end()));
    EXPECT_EQ(WordAt(after, 528), 1644 + 10);
    EXPECT_EQ(WordAt(after, 432 + 32 + 20), 1710);
    EXPECT_EQ(map.TagCache[1].Offset, 810);
}

// After the first duplication the tag is longer than it was when loaded; the second must still
// relocate all of its data, including a pointer in its last struct to the next tag.
TEST(DuplicateChunk, SecondDuplicationInAGrownTagRelocatesItsWholeData) {
    TempDir dir;
    builder::MapSpec blueprint;
    auto build = [&](int32_t nextTagAddress) {
        Block root(32);
        root.Add(Reflexive{16, 8, {Block(8)}});
        Block b(8);
        b.SetWord(4, static_cast<uint32_t>(nextTagAddress + 4));
        root.Add(Reflexive{24, 8, {b}});
        blueprint.tags = {NamedTag("weap", "t", root), NamedTag("bipd", "u", Block(16))};
        return builder::BuildMap(blueprint);
    };
    const builder::BuiltMap first = build(0);
    const int32_t uAddress = first.tags[1].offset + first.magic;
    const builder::BuiltMap built = build(uAddress);
    const auto path = dir / "grown.map";
    WriteFileBytes(path, built.bytes);
    const int32_t t = built.tags[0].offset;
    HaloPcMap map = Load(path);

    DuplicateChunk(map, 0, "weap", {t + 16, 8, 0});
    DuplicateChunk(map, 0, "weap", {t + 24, 8, 0});

    const std::vector<uint8_t> after = ReadFileBytes(path);
    HaloPcMap reloaded = Load(path);
    const int32_t uNow = reloaded.TagCache[1].Offset + reloaded.Magic;
    EXPECT_EQ(uNow, uAddress + 16);
    const int32_t bFirst = WordAt(after, t + 28) - reloaded.Magic;
    EXPECT_EQ(WordAt(after, bFirst + 4), uNow + 4) << "the original chunk's pointer";
    EXPECT_EQ(WordAt(after, bFirst + 8 + 4), uNow + 4) << "the copy's pointer";
    EXPECT_EQ(Places(map), Places(reloaded));
}

// The scenario class, written in capitals: the scenario's scan, then the general scan from the
// second tag's data as it lay before.
TEST(DuplicateChunk, ScenarioInCapitalsTakesTheScenarioPath) {
    int32_t magic = 0;
    auto build = [&](int32_t s, int32_t t1) {
        TagSpec scenario = NamedTag("SCNR", "level", Block(1536));
        scenario.endAddressWord = 1448;
        Block sky(16);
        sky.SetWord(0, static_cast<uint32_t>(s + 8 + magic));
        sky.SetWord(4, static_cast<uint32_t>(t1 + 4 + magic));
        sky.SetWord(8, static_cast<uint32_t>(t1 + magic));
        sky.SetWord(12, 1234);
        scenario.data.Add(Reflexive{48, 16, {sky, Block(16)}});
        scenario.data.Add(Reflexive{60, 8, {Block(8)}});
        Block other(32);
        other.SetWord(0, static_cast<uint32_t>(t1 + magic));
        other.SetWord(4, static_cast<uint32_t>(s + 1536 + 32 - 4 + magic));
        builder::MapSpec blueprint;
        blueprint.tags = {scenario, NamedTag("weap", "gun", other)};
        return builder::BuildMap(blueprint);
    };
    const builder::BuiltMap layout = build(0, 0);
    magic = layout.magic;
    const int32_t s = layout.tags[0].offset;
    const int32_t t1 = layout.tags[1].offset;
    const builder::BuiltMap built = build(s, t1);
    ASSERT_EQ(built.tags[1].offset, t1);
    TempDir dir;
    const auto path = dir / "scenario.map";
    WriteFileBytes(path, built.bytes);
    const std::vector<uint8_t>& before = built.bytes;
    HaloPcMap map = Load(path);

    // Refused: a scenario with no second tag, and a scan end outside the file.
    HaloPcMap alone = map;
    alone.TagCache.resize(1);
    EXPECT_THROW(DuplicateChunk(alone, 0, "scnr", {s + 48, 16, 0}), PelmarError);
    HaloPcMap stale = map;
    stale.TagCache[0].Offset = static_cast<int32_t>(before.size()) - 1000;
    try {
        DuplicateChunk(stale, 0, "scnr", {s + 48, 16, 0});
        ADD_FAILURE() << "expected a refusal";
    } catch (const PelmarError& e) {
        EXPECT_NE(std::string(e.what()).find("scan end"), std::string::npos) << e.what();
    }
    ASSERT_EQ(ReadFileBytes(path), before);

    DuplicateChunk(map, 0, "SCNR", {s + 48, 16, 0});
    const int32_t insertAt = s + 1536 + 32;
    const auto address = [&](int32_t offset) { return offset + magic; };
    std::vector<uint8_t> expected(before.begin(), before.begin() + insertAt);
    std::vector<uint8_t> copy(before.begin() + s + 1536, before.begin() + s + 1552);
    SetWord(copy, 0, 0);                    // inner pointer at offset 0: only itself
    SetWord(copy, 4, address(t1 + 4) + 16); // moved once, by the scenario's scan
    SetWord(copy, 8, address(t1) + 16);     // the tag's end: moved by the general scan
    expected.insert(expected.end(), copy.begin(), copy.end());
    expected.insert(expected.end(), before.begin() + insertAt, before.end());
    SetWord(expected, s + 48, 3);
    SetWord(expected, built.tagOffset + 32 + 20, address(t1) + 16);
    SetWord(expected, s + 64, address(insertAt) + 16);     // the second struct's pointer
    SetWord(expected, s + 1448, address(t1) + 16);         // the scan end itself
    SetWord(expected, s + 1536 + 4, address(t1 + 4) + 16); // the original chunk
    SetWord(expected, s + 1536 + 8, address(t1) + 16);
    SetWord(expected, t1 + 16, address(t1) + 16); // tag 1's data, now 16 bytes on
    EXPECT_EQ(ReadFileBytes(path), expected);
    EXPECT_EQ(Places(map), Places(Load(path)));
}

} // namespace
} // namespace pelmar::test
