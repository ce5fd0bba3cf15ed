// Duplicating a chunk, computed on bytes: the worked example byte for byte, the copy's fix-up,
// the scenario class's two scans, and the refusals.

#include "map/Duplication.h"
#include "platform/Int32.h"
#include "session/MapSession.h"
#include "support/MapOracle.h"
#include "support/TestSupport.h"

#include <fstream>

namespace pelmar::test {
namespace {

using builder::Block;
using builder::Reflexive;

// A block of `size` bytes that begins with `words`.
Block Of(size_t size, std::initializer_list<int32_t> words) {
    Block b(size);
    size_t at = 0;
    for (int32_t w : words) {
        b.SetWord(at, static_cast<uint32_t>(w));
        at += 4;
    }
    return b;
}

// Magic 900; tag "weap:a" at 500..799: a 100-byte block with struct N (count at 516, pointer
// at 520) of three 48-byte chunks at 600, 648 and 696 and struct M (count at 524, pointer at
// 528) of one 56-byte chunk at 744; then "bipd:b" at 800..863. Test words sit on both sides
// of every bound of the moved range.
constexpr int32_t kRefN = 516;
constexpr int32_t kInsertAt = 744;
constexpr int64_t kLength = 864;

Bytes WorkedExample() {
    builder::MapSpec blueprint;
    blueprint.headerSize = 392; // index at 392, entries at 432, names "a" and "b" at 496
    blueprint.mapMagic = 900 + 432;
    const Reflexive n{
        16,
        48,
        {Of(48, {1700}),
         Of(48, {111, 1401, 7777, 1699, 1400, 1700, 1701, 0x7FFFFFF0, 5000, -5, 1234}),
         Of(48, {1643}).SetWord(44, 1644)}};
    const Reflexive m{24, 56, {Of(56, {1644}).SetWord(52, 1811)}};
    blueprint.tags = {PlainTag("weap", "a", 0, Of(100, {1643, 1644, 1811, 1812}).Add(n).Add(m)),
                      PlainTag("bipd", "b", 1, Of(64, {1643, 1644, 1811, 1812}).SetWord(60, 1700))};
    return builder::BuildMap(blueprint).bytes;
}

Edited Duplicate(const HaloPcMap& map, ChunkToDuplicate chunk, bool scenario = false) {
    return ExpectSoundEdit(map, PlanDuplication(map, {0, scenario, chunk}).edit);
}

// Chunk 2 of 3 (not the last): its copy's words past the tag are raised by one chunk, once.
TEST(WorkedExample, SecondChunkOfThreeGivesExactlyTheExpectedFile) {
    const Bytes before = WorkedExample();
    const HaloPcMap map = Decode(before);
    const DuplicationPlan plan = PlanDuplication(map, {0, false, {kRefN, 48, 1}});
    EXPECT_EQ(std::tie(plan.countBefore, plan.insertAt), std::make_tuple(3, kInsertAt));
    const Edited after = ExpectSoundEdit(map, plan.edit);

    // The copy of 648..695: 1401 and 1699 point inside the tag and are cleared with the word
    // before them; 1400 (the tag's start) stays; 1700 (its end: the next tag's data) and 1701
    // point into the moved file and are raised; 0x7FFFFFF0 and 5000 point past its end and stay.
    Bytes copy(before.begin() + 648, before.begin() + 696);
    for (int64_t at : {0, 4, 8, 12}) {
        SetWord(copy, at, 0);
    }
    SetWord(copy, 20, 1748);
    SetWord(copy, 24, 1749);
    Bytes expected(before.begin(), before.begin() + kInsertAt);
    expected.insert(expected.end(), copy.begin(), copy.end());
    expected.insert(expected.end(), before.begin() + kInsertAt, before.end());
    SetWord(expected, kRefN, 4);
    // The moved range is 1644 <= v < 1812: tag b's data address, the tag's words before the
    // insertion point (M's pointer at 528 included), then from the end of the copy, 792, on.
    const std::pair<int64_t, int32_t> moved[] = {
        {432 + 32 + 20, 1748}, {504, 1692}, {508, 1859}, {528, 1692}, {600, 1748},
        {660, 1747},           {668, 1748}, {672, 1749}, {740, 1692}, {792, 1692},
        {844, 1859},           {852, 1692}, {856, 1859}, {908, 1748}};
    for (const auto& [at, value] : moved) {
        SetWord(expected, at, value);
    }
    EXPECT_EQ(after.bytes, expected);
    EXPECT_EQ(after.map.TagCache[0].Size, 348);
}

TEST(WorkedExample, EachChunkGrowsTheFileByOneChunkAndMovesOnlyAddresses) {
    const Bytes before = WorkedExample();
    const HaloPcMap map = Decode(before);
    for (int32_t index = 0; index < 3; ++index) {
        SCOPED_TRACE("chunk " + std::to_string(index));
        const Bytes after = Duplicate(map, {kRefN, 48, index}).bytes;
        EXPECT_EQ(WordAt(after, kRefN), 4);
        for (int64_t at = 0; at + 4 <= kLength; at += 4) {
            const int32_t v = WordAt(before, at);
            const int32_t moved = v >= 1644 && v < 1812 ? v + 48 : v;
            if (at != kRefN) {
                EXPECT_EQ(WordAt(after, at < kInsertAt ? at : at + 48), moved) << "old " << at;
            }
        }
    }
}

TEST(WorkedExample, ChunkSizeThatIsNotAMultipleOfFourLeavesTheTailBytesAsCopied) {
    // Chunks of 10 bytes from 600: the third (620..629) ends in two bytes of a word, and the
    // words after the copy are examined on the grid of its end, 640.
    const Bytes before = WorkedExample();
    const Bytes after = Duplicate(Decode(before), {kRefN, 10, 2}).bytes;
    EXPECT_TRUE(std::equal(before.begin() + 620, before.begin() + 630, after.begin() + 630));
    EXPECT_TRUE(std::equal(before.begin() + 630, before.end(), after.begin() + 640, after.end()));
    EXPECT_EQ(WordAt(after, 528), 1644 + 10);
    EXPECT_EQ(WordAt(after, 432 + 32 + 20), 1710);
}

// After the first duplication the tag is longer than it was; the second must still relocate
// all of its data, including a pointer in its last struct to the next tag.
TEST(Duplication, SecondDuplicationInAGrownTagRelocatesItsWholeData) {
    const auto build = [](int32_t nextTagAddress) {
        Block root(32);
        root.Add(Reflexive{16, 8, {Block(8)}});
        root.Add(Reflexive{24, 8, {Of(8, {0, nextTagAddress + 4})}});
        builder::MapSpec blueprint;
        blueprint.tags = {PlainTag("weap", "t", 0, root), PlainTag("bipd", "u", 1, Block(16))};
        return builder::BuildMap(blueprint);
    };
    const builder::BuiltMap first = build(0);
    const int32_t u = first.tags[1].offset + first.magic;
    const int32_t t = first.tags[0].offset;
    const HaloPcMap once = Duplicate(Decode(build(u).bytes), {t + 16, 8, 0}).map;
    const Edited twice = Duplicate(once, {t + 24, 8, 0});
    const int32_t uNow = twice.map.TagCache[1].Offset + twice.map.Magic;
    EXPECT_EQ(uNow, u + 16);
    const int32_t bFirst = WordAt(twice.bytes, t + 28) - twice.map.Magic;
    EXPECT_EQ(WordAt(twice.bytes, bFirst + 4), uNow + 4) << "the original chunk's pointer";
    EXPECT_EQ(WordAt(twice.bytes, bFirst + 12), uNow + 4) << "the copy's pointer";
}

// The scenario class: the scenario's words up to its scan end, then everything from the
// second tag's data as it lay before. The session takes that path for a plugin whose class is
// "scnr" in any letter case.
TEST(Duplication, ScenarioClassInCapitalsRelocatesByTheScenarioScanThenTheGeneralOne) {
    int32_t magic = 0;
    int32_t length = 0; // a word points just past the end of the file, into what it grows by
    const auto build = [&](int32_t s, int32_t t1) {
        builder::TagSpec scenario = PlainTag("scnr", "level", 0, Block(1536));
        scenario.endAddressWord = 1448;
        const Block sky = Of(16, {s + 8 + magic, t1 + 4 + magic, t1 + magic, length + 4 + magic});
        scenario.data.Add(Reflexive{48, 16, {sky, Block(16)}});
        scenario.data.Add(Reflexive{60, 8, {Block(8)}});
        const Block other = Of(32, {t1 + magic, s + 1564 + magic});
        builder::MapSpec blueprint;
        blueprint.tags = {scenario, PlainTag("weap", "gun", 1, other)};
        return builder::BuildMap(blueprint);
    };
    const builder::BuiltMap layout = build(0, 0);
    magic = layout.magic;
    length = static_cast<int32_t>(layout.bytes.size());
    const int32_t s = layout.tags[0].offset;
    const int32_t t1 = layout.tags[1].offset;
    const builder::BuiltMap built = build(s, t1);
    const Bytes& before = built.bytes;
    const Edited after = Duplicate(Decode(before), {s + 48, 16, 0}, true);

    const int32_t insertAt = s + 1568;
    const auto address = [&](int32_t offset) { return offset + magic; };
    Bytes copy(before.begin() + s + 1536, before.begin() + s + 1552);
    SetWord(copy, 0, 0);                         // an inner pointer at offset 0 clears only itself
    SetWord(copy, 4, address(t1 + 4) + 16);      // moved once, by the scenario's scan
    SetWord(copy, 8, address(t1) + 16);          // the tag's end: moved by the general scan
    SetWord(copy, 12, address(length + 4) + 16); // past the old end: moved by the scenario's scan
    Bytes expected(before.begin(), before.begin() + insertAt);
    expected.insert(expected.end(), copy.begin(), copy.end());
    expected.insert(expected.end(), before.begin() + insertAt, before.end());
    SetWord(expected, s + 48, 3);
    SetWord(expected, built.tagOffset + 32 + 20, address(t1) + 16);
    SetWord(expected, s + 64, address(insertAt) + 16); // the second struct's pointer
    SetWord(expected, s + 1448, address(t1) + 16);     // the scan end itself
    SetWord(expected, s + 1540, address(t1 + 4) + 16); // the original chunk
    SetWord(expected, s + 1544, address(t1) + 16);
    SetWord(expected, s + 1548, address(length + 4) + 16);
    SetWord(expected, t1 + 16, address(t1) + 16); // tag 1's data, now 16 bytes on
    EXPECT_EQ(after.bytes, expected);

    TempDir dir;
    WriteFileBytes(dir / "level.map", before);
    std::ofstream(dir / "scnr.ent") << R"(<plugin class="SCNR">
        <struct name="sky" offset="48" size="16"/><struct name="more" offset="60" size="8"/>
        </plugin>)";
    MapSession session(std::make_shared<PluginCatalog>(dir.path()));
    session.plugins().ScanForPlugins();
    session.Open(dir / "level.map");
    session.Duplicate(0, ChunkPath{}.Child("sky", 1));
    EXPECT_EQ(ReadFileBytes(dir / "level.map"), expected);
}

TEST(Duplication, RefusalsNameTheProblem) {
    // A scenario whose scan end lies inside its data, and one alone in its map.
    builder::TagSpec scenario = PlainTag("scnr", "s", 0, Block(1536));
    scenario.data.Add(Reflexive{48, 8, {Block(8)}});
    scenario.endAddressWord = 1448;
    builder::MapSpec alone;
    alone.tags = {scenario};
    const builder::BuiltMap lone = builder::BuildMap(alone);
    builder::MapSpec two = alone;
    two.tags.push_back(PlainTag("weap", "w", 1, Block(8)));
    builder::BuiltMap early = builder::BuildMap(two);
    SetWord(early.bytes, early.tags[0].offset + 1448, early.tags[0].offset - 4 + early.magic);

    const Bytes worked = WorkedExample();
    const int64_t entry1 = 432 + 32 + 20;
    const struct Case {
        const char* words;
        ChunkToDuplicate chunk;
        std::pair<int64_t, int32_t> patch = {0, 0}; // a word to change first, when not at 0
        int32_t tag = 0;
        const Bytes* bytes = nullptr; // a scenario's map instead of the worked example
        ErrorKind kind = ErrorKind::Refused;
    } cases[] = {
        {"chunk size is 0", {kRefN, 0, 1}},
        {"chunk size -48 is negative", {kRefN, -48, 1}},
        {"reference lies outside the data of tag weap:a", {796, 48, 0}},
        {.words = "the struct's count lies outside the file",
         .chunk = {-8, 48, 0},
         .kind = ErrorKind::BadMap},
        {"chunk 4 is not in the struct, whose count is 3", {kRefN, 48, 3}},
        {"chunk 0 is not in the struct", {kRefN, 48, -1}},
        {"whose count is 0", {kRefN, 48, 0}, {kRefN, 0}},
        {"30 chunks of 48 bytes lie outside the data of tag weap:a", {kRefN, 48, 1}, {kRefN, 30}},
        {"lie outside the data", {kRefN, 48, 1}, {kRefN + 4, 100}}, // pointer to offset -800
        {"reference lies outside the data of tag bipd:b", {kRefN, 48, 1}, {}, 1},
        {"there is no tag 7", {kRefN, 48, 1}, {}, 7},
        {"has no data in this file: it is a stub", {kRefN, 48, 1}, {entry1, -1}, 1},
        {"has no data of its own", {kRefN, 48, 1}, {432 + 20, 800 + 900}},
        {.words = "the second tag, and the map has none",
         .chunk = {lone.tags[0].offset + 48, 8, 0},
         .bytes = &lone.bytes},
        {.words = "scan end (word 1448 of its data) points outside",
         .chunk = {early.tags[0].offset + 48, 8, 0},
         .bytes = &early.bytes},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.words);
        Bytes bytes = c.bytes ? *c.bytes : worked;
        if (c.patch.first != 0) {
            SetWord(bytes, c.patch.first, c.patch.second);
        }
        const HaloPcMap map = Decode(bytes);
        const DuplicationRequest request{c.tag, c.bytes != nullptr, c.chunk};
        ExpectError([&] { PlanDuplication(map, request); }, c.kind, c.words);
    }
}

Bytes WithHalfWord(Bytes bytes) { // 0x06AC = 1708 if the half word were read as a whole one
    bytes.insert(bytes.end(), {0xAC, 0x06});
    return bytes;
}

// The worked example's numbers: magic 900, tag data 500..799, a file of 864 bytes, chunks of 48
// copied to 744.
TEST(CopyFixUp, ClearsInnerPointersAndRaisesOnlyWordsPointingPastTheTagIntoTheFile) {
    constexpr auto kMin = static_cast<int32_t>(0x80000000u);
    // A tag reference (class "weap" stored reversed, name address 1000, id 0xE1740005) and a
    // name: words whose values, as addresses, lie far past the end of the file.
    const std::string_view text{"paew\xE8\x03\0\0\0\0\0\0\x05\0\x74\xE1weapons\\pistol\0\0", 32};
    const Bytes reference(text.begin(), text.end());
    const struct Case {
        const char* name;
        Bytes copy, expected;
        int32_t magic = 900;
        std::vector<WordRun> rescanned = {};
    } cases[] = {
        {"inner pointer clears the word before", Words({9, 3, 1401, 7}), Words({9, 0, 0, 7})},
        {"inner pointer at offset 0 clears itself", Words({1699, 5, 6}), Words({0, 5, 6})},
        {"the tag's start stays, its end (the next tag) is raised",
         Words({1400, 1700, 1399, -1, 0}), Words({1400, 1748, 1399, -1, 0})},
        {"past the tag and before the file's end: raised", Words({1701, 1763, 1764}),
         Words({1749, 1811, 1764})},
        {"past the end of the file: kept", Words({5000, 0x7FFFFFF0, kMin}),
         Words({5000, 0x7FFFFFF0, kMin})},
        {"a tag reference's class code and a name stay intact", reference, reference},
        {"neighbouring inner pointers", Words({1, 1500, 1600, 4}), Words({0, 0, 0, 4})},
        {"a trailing half word stays", WithHalfWord(Words({1701})), WithHalfWord(Words({1749}))},
        {.name = "rescanned words are left",
         .copy = Words({1701, 1701, 1701}),
         .expected = Words({1749, 1701, 1749}),
         .rescanned = {WordRun{748, 1}}},
        {"translated with wrapping: inside", Words({2, AddWrap(kMin, 600)}), Words({0, 0}), kMin},
        {"translated with wrapping: negative", Words({2, 600}), Words({2, 600}), kMin},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes copy = c.copy;
        FixUpCopy(copy, CopyFixUp{c.magic, 500, 800, kLength, 48, kInsertAt, c.rescanned});
        EXPECT_EQ(copy, c.expected);
    }
}

} // namespace
} // namespace pelmar::test
