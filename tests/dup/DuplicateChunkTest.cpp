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
        built = WriteMap(path, WorkedExampleSpec());
        before = built.bytes;
        map = Load(path);
    }

    DuplicationResult DuplicateN(int32_t chunkIndex) {
        return DuplicateChunk(map, 0, "weap", {w::kReferenceN, w::kChunkSizeN, chunkIndex});
    }

    TempDir dir;
    std::filesystem::path path = dir / "example.map";
    builder::BuiltMap built;
    std::vector<uint8_t> before;
    HaloPcMap map;
};

TEST_F(WorkedExample, LayoutMatchesTheExample) {
    ASSERT_EQ(map.Magic, w::kMagic);
    ASSERT_EQ(map.TagCache[0].Offset, w::kTagStart);
    ASSERT_EQ(map.TagCache[0].Size, w::kTagEnd - w::kTagStart);
    ASSERT_EQ(WordAt(before, w::kReferenceN), 3);
    ASSERT_EQ(WordAt(before, w::kReferenceN + 4), 1500);
    ASSERT_EQ(static_cast<int64_t>(before.size()), w::kLength);
}

TEST_F(WorkedExample, SecondChunkOfThreeGivesExactlyTheExpectedFile) {
    const DuplicationResult result = DuplicateN(1);
    EXPECT_EQ(result.countBefore, 3);
    EXPECT_EQ(result.insertAt, w::kInsertAtN);
    EXPECT_EQ(result.newLength, w::kLength + 48);

    // The copy of bytes 648..695, fixed up: 1401 and 1699 point inside the tag and are cleared
    // with the word before them; 1400 (the tag's start) and 1700 (its end) stay; words beyond
    // the end are raised by one chunk, wrapping at 32 bits.
    std::vector<uint8_t> copy(before.begin() + 648, before.begin() + 696);
    SetWord(copy, 0, 0);
    SetWord(copy, 4, 0);
    SetWord(copy, 8, 0);
    SetWord(copy, 12, 0);
    SetWord(copy, 24, 1749);
    SetWord(copy, 28, static_cast<int32_t>(0x80000020u));
    SetWord(copy, 32, 5048);

    std::vector<uint8_t> expected(before.begin(), before.begin() + w::kInsertAtN);
    expected.insert(expected.end(), copy.begin(), copy.end());
    expected.insert(expected.end(), before.begin() + w::kInsertAtN, before.end());
    SetWord(expected, w::kReferenceN, 4);
    // The moved range is 1644 <= v < 1812 (insertion point + magic, new length + magic).
    SetWord(expected, 432 + 32 + 20, 1748); // data address of tag b
    // The tag's data before the insertion point, 500..743.
    SetWord(expected, 504, 1692);
    SetWord(expected, 508, 1859);
    SetWord(expected, 528, 1692); // M's pointer: the second struct, behind the one that grew
    SetWord(expected, 600, 1748);
    SetWord(expected, 660, 1747);
    SetWord(expected, 668, 1748);
    SetWord(expected, 672, 1749);
    SetWord(expected, 740, 1692); // the last whole word before the insertion point
    // From the end of the copy, 792, to the end of the file.
    SetWord(expected, 792, 1692);
    SetWord(expected, 844, 1859);
    SetWord(expected, 852, 1692);
    SetWord(expected, 856, 1859);
    SetWord(expected, 908, 1748);

    EXPECT_EQ(ReadFileBytes(path), expected);
}

TEST_F(WorkedExample, ModelTakesTheMovedOffsetsAndTheGrownSize) {
    DuplicateN(1);
    EXPECT_EQ(map.TagCache[0].Offset, 500);
    EXPECT_EQ(map.TagCache[0].Size, 348);
    EXPECT_EQ(map.TagCache[1].Offset, 848);
    EXPECT_EQ(map.TagCache[1].Size, 64);
    EXPECT_EQ(Places(map), Places(Load(path)));
}

TEST_F(WorkedExample, SecondStructPointerFollowsItsArray) {
    DuplicateN(1);
    const std::vector<uint8_t> after = ReadFileBytes(path);
    const int32_t mFirst = WordAt(after, w::kReferenceM + 4) - w::kMagic;
    EXPECT_EQ(mFirst, 792);
    // M's chunk, found through the moved pointer, still holds what it held.
    EXPECT_TRUE(std::equal(before.begin() + 748, before.begin() + 796, after.begin() + mFirst + 4));
}

TEST_F(WorkedExample, FirstChunkCopyIsRaisedByOneChunkNotByTheChunksAfterIt) {
    DuplicateN(0);
    const std::vector<uint8_t> after = ReadFileBytes(path);
    // Chunk 1's word 0 is 1700: the tag's end, left unchanged in the copy.
    EXPECT_EQ(WordAt(after, w::kInsertAtN), 1700);
    // Chunk 2 as the model of a not-last chunk: 5000 -> 5048, never 5000 + 2 * 48 or 3 * 48.
    HaloPcMap again = Load(path);
    DuplicateChunk(again, 0, "weap", {w::kReferenceN, w::kChunkSizeN, 1});
    const std::vector<uint8_t> twice = ReadFileBytes(path);
    EXPECT_EQ(WordAt(twice, w::kReferenceN), 5);
    // The fourth chunk now ends at 600 + 4 * 48 = 792, where the second copy went.
    // Chunk 2's 1701 became 1749 (849, past the grown tag's end 848) with the first copy.
    EXPECT_EQ(WordAt(twice, 792 + 32), 5048);
    EXPECT_EQ(WordAt(twice, 792 + 24), 1797);
}

TEST_F(WorkedExample, FileGrowsByOneChunkAndOnlyCountAndAddressesChangeBeforeTheInsertion) {
    DuplicateN(2);
    const std::vector<uint8_t> after = ReadFileBytes(path);
    ASSERT_EQ(after.size(), before.size() + 48);
    std::vector<int64_t> changed;
    for (int64_t at = 0; at + 4 <= w::kInsertAtN; at += 4) {
        if (WordAt(after, at) != WordAt(before, at)) {
            changed.push_back(at);
        }
    }
    const std::vector<int64_t> expected{484, 504, 508, w::kReferenceN, 528, 600, 660,
                                        668, 672, 740};
    EXPECT_EQ(changed, expected);
    for (int64_t at : changed) {
        if (at != w::kReferenceN) {
            EXPECT_EQ(WordAt(after, at), WordAt(before, at) + 48) << "word at " << at;
        }
    }
}

TEST_F(WorkedExample, BytesBehindTheCopyAreTheOldTailWithAddressesMoved) {
    DuplicateN(1);
    const std::vector<uint8_t> after = ReadFileBytes(path);
    for (int64_t at = w::kInsertAtN; at + 4 <= w::kLength; at += 4) {
        const int32_t old = WordAt(before, at);
        const int32_t now = WordAt(after, at + 48);
        const bool moved = old >= 1644 && old < 1812;
        EXPECT_EQ(now, moved ? old + 48 : old) << "old offset " << at;
    }
}

// Two structs in one tag and a pointer, in the tag's last struct, to the next tag: after the
// first duplication the tag is longer than it was when loaded, and the second duplication must
// still see all of its data.
TEST(DuplicateChunk, SecondDuplicationInAGrownTagRelocatesItsWholeData) {
    TempDir dir;
    builder::MapSpec blueprint;
    auto makeTag = [](const std::string& c, const std::string& n, Block data) {
        TagSpec t;
        t.class1 = c;
        t.name = n;
        t.data = std::move(data);
        return t;
    };
    auto build = [&](int32_t nextTagAddress) {
        Block root(32);
        root.Add(Reflexive{16, 8, {Block(8)}});
        Block b(8);
        b.SetWord(4, static_cast<uint32_t>(nextTagAddress + 4));
        root.Add(Reflexive{24, 8, {b}});
        blueprint.tags = {makeTag("weap", "t", root), makeTag("bipd", "u", Block(16))};
        return builder::BuildMap(blueprint);
    };
    builder::BuiltMap first = build(0);
    const int32_t uAddress = first.tags[1].offset + first.magic;
    builder::BuiltMap built = build(uAddress);
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

TEST(DuplicateChunk, ChunkSizeThatIsNotAMultipleOfFourLeavesTheTailBytesAsCopied) {
    TempDir dir;
    builder::MapSpec blueprint = WorkedExampleSpec();
    const auto path = dir / "odd.map";
    builder::BuiltMap built = WriteMap(path, blueprint);
    HaloPcMap map = Load(path);
    // Chunks of 10 bytes from 600: the third (620..629) ends in two bytes of a word.
    const std::vector<uint8_t>& bytes = built.bytes;
    DuplicateChunk(map, 0, "weap", {w::kReferenceN, 10, 2});
    const std::vector<uint8_t> after = ReadFileBytes(path);
    ASSERT_EQ(after.size(), bytes.size() + 10);
    const int32_t insertAt = 600 + 3 * 10;
    EXPECT_TRUE(std::equal(bytes.begin() + 620, bytes.begin() + 630, after.begin() + insertAt));
    EXPECT_TRUE(std::equal(bytes.begin() + insertAt, bytes.end(), after.begin() + insertAt + 10,
                           after.end()));
    EXPECT_EQ(WordAt(after, 528), 1644 + 10);
    EXPECT_EQ(WordAt(after, 432 + 32 + 20), 1710);
    EXPECT_EQ(map.TagCache[1].Offset, 810);
}

// The scenario class, written in capitals: the scenario's scan, then the general scan from the
// second tag's data as it lay before.
class ScenarioDuplication : public ::testing::Test {
protected:
    void SetUp() override {
        builder::BuiltMap layout = Build(0, 0, 0);
        s = layout.tags[0].offset;
        magic = layout.magic;
        t1 = layout.tags[1].offset;
        built = Build(Address(s + 8), Address(t1 + 4), Address(t1));
        ASSERT_EQ(built.tags[1].offset, t1);
        WriteFileBytes(path, built.bytes);
        before = built.bytes;
        map = Load(path);
    }

    builder::BuiltMap Build(int32_t inner, int32_t far, int32_t next) {
        builder::MapSpec blueprint;
        TagSpec scenario;
        scenario.class1 = "SCNR";
        scenario.name = "level";
        scenario.data = Block(1536);
        scenario.endAddressWord = 1448;
        Block sky(16);
        sky.SetWord(0, static_cast<uint32_t>(inner));
        sky.SetWord(4, static_cast<uint32_t>(far));
        sky.SetWord(8, static_cast<uint32_t>(next));
        sky.SetWord(12, 1234);
        scenario.data.Add(Reflexive{48, 16, {sky, Block(16)}});
        scenario.data.Add(Reflexive{60, 8, {Block(8)}});
        TagSpec other;
        other.class1 = "weap";
        other.name = "gun";
        other.data = Block(32);
        other.data.SetWord(0, static_cast<uint32_t>(next));
        other.data.SetWord(4, static_cast<uint32_t>(Address(s + 1536 + 32 - 4)));
        blueprint.tags = {scenario, other};
        return builder::BuildMap(blueprint);
    }
    int32_t Address(int32_t offset) const { return offset + magic; }

    TempDir dir;
    std::filesystem::path path = dir / "scenario.map";
    builder::BuiltMap built;
    std::vector<uint8_t> before;
    HaloPcMap map;
    int32_t s = 0, t1 = 0, magic = 0;
};

TEST_F(ScenarioDuplication, CapitalClassTakesTheScenarioPath) {
    DuplicateChunk(map, 0, "SCNR", {s + 48, 16, 0});
    const int32_t insertAt = s + 1536 + 32;
    std::vector<uint8_t> expected(before.begin(), before.begin() + insertAt);
    std::vector<uint8_t> copy(before.begin() + s + 1536, before.begin() + s + 1552);
    SetWord(copy, 0, 0);                    // inner pointer at offset 0: only itself
    SetWord(copy, 4, Address(t1 + 4) + 16); // moved once, by the scenario's scan
    SetWord(copy, 8, Address(t1) + 16);     // the tag's end: moved by the general scan
    expected.insert(expected.end(), copy.begin(), copy.end());
    expected.insert(expected.end(), before.begin() + insertAt, before.end());
    SetWord(expected, s + 48, 3);
    SetWord(expected, built.tagOffset + 32 + 20, Address(t1) + 16);
    SetWord(expected, s + 64, Address(insertAt) + 16);     // the second struct's pointer
    SetWord(expected, s + 1448, Address(t1) + 16);         // the scan end itself
    SetWord(expected, s + 1536 + 4, Address(t1 + 4) + 16); // the original chunk
    SetWord(expected, s + 1536 + 8, Address(t1) + 16);
    SetWord(expected, t1 + 16, Address(t1) + 16); // tag 1's data, now 16 bytes on
    EXPECT_EQ(ReadFileBytes(path), expected);
    EXPECT_EQ(Places(map), Places(Load(path)));
}

TEST_F(ScenarioDuplication, LowerCaseClassOnAScenarioTagTakesTheGeneralPathInstead) {
    // Through the general path the copy is not rescanned, so its pointer to the next tag's
    // first byte (the tag's end) stays as it was copied.
    DuplicateChunk(map, 0, "weap", {s + 48, 16, 0});
    const std::vector<uint8_t> after = ReadFileBytes(path);
    const int32_t insertAt = s + 1536 + 32;
    EXPECT_EQ(WordAt(after, insertAt + 8), Address(t1));
    EXPECT_EQ(WordAt(after, insertAt + 4), Address(t1 + 4) + 16);
}

TEST_F(ScenarioDuplication, ScenarioWithoutASecondTagIsRefused) {
    map.TagCache.resize(1);
    EXPECT_THROW(DuplicateChunk(map, 0, "scnr", {s + 48, 16, 0}), PelmarError);
    EXPECT_EQ(ReadFileBytes(path), before);
}

TEST_F(ScenarioDuplication, ScanEndOutsideTheFileIsRefused) {
    map.TagCache[0].Offset = static_cast<int32_t>(before.size()) - 1000;
    try {
        DuplicateChunk(map, 0, "scnr", {s + 48, 16, 0});
        FAIL() << "expected a refusal";
    } catch (const PelmarError& e) {
        EXPECT_NE(std::string(e.what()).find("scan end"), std::string::npos) << e.what();
    }
    EXPECT_EQ(ReadFileBytes(path), before);
}

} // namespace
} // namespace pelmar::test
