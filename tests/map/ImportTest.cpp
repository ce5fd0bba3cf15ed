// Importing a tag, computed on bytes: where the entry, name and data go, how the copied data is
// translated, which addresses move, and the refusals.

#include "map/Import.h"
#include "map/MapLayout.h"
#include "support/MapOracle.h"
#include "support/TestSupport.h"

#include <cstring>

namespace pelmar::test {
namespace {

using builder::Block;
using builder::MapSpec;
using builder::Reflexive;

Block WithStruct(size_t size, uint32_t seed, int32_t at, int32_t chunkSize, int count) {
    Reflexive ref{at, chunkSize, {}};
    for (int k = 0; k < count; ++k) {
        ref.chunks.push_back(Counting(static_cast<size_t>(chunkSize), seed + 50));
    }
    return Counting(size, seed).Add(ref);
}

// Grows the header so that the names end on a 4-byte boundary: the first tag's data then
// follows the names with no padding, as it does after an import whose name ends on a word.
void AlignNamesEnd(MapSpec& blueprint) {
    int64_t end = blueprint.headerSize + layout::kIndexHeaderSize +
                  layout::kEntrySize * static_cast<int64_t>(blueprint.tags.size());
    for (const builder::TagSpec& tag : blueprint.tags) {
        end += static_cast<int64_t>(tag.name.size()) + 1;
    }
    blueprint.headerSize += static_cast<int32_t>((4 - end % 4) % 4);
}

Edited Import(const Bytes& dest, const Bytes& source, int32_t n) {
    const HaloPcMap map = Decode(dest);
    return ExpectSoundEdit(map, PlanImport(map, Decode(source), n).edit);
}

// A projectile that refers to an effect and to the scenario by id, with a struct.
Block Bolt(uint32_t effectId, uint32_t scenarioId) {
    Block bolt = WithStruct(48, 3, 8, 16, 2);
    bolt.SetWord(0, effectId).SetWord(4, scenarioId);
    return bolt;
}

builder::TagSpec WithCodes(builder::TagSpec tag) {
    tag.class2 = "obje";
    tag.class3 = "item";
    return tag;
}

TEST(ImportLayout, TheFileIsTheMapTheBuilderLaysOutWithTheTagAdded) {
    MapSpec source;
    source.tags = {PlainTag("scnr", "levels\\a", 0xA0000000, Counting(64, 1)),
                   PlainTag("effe", "spark", 0xA0010001, Counting(32, 2)),
                   WithCodes(PlainTag("proj", "bolt1", 0xA0020002, Bolt(0xA0010001, 0xA0000000)))};
    MapSpec dest;
    builder::TagSpec scenario =
        PlainTag("scnr", "levels\\b", 0xD0000000, WithStruct(64, 4, 16, 8, 2));
    scenario.endAddressWord = 40;
    dest.tags = {scenario, PlainTag("effe", "spark", 0xD0050005, WithStruct(40, 5, 8, 12, 1)),
                 PlainTag("weap", "rifle", 0xD0060006, WithStruct(64, 6, 24, 16, 3))};
    AlignNamesEnd(dest);
    // "bolt1_4" and its zero byte take 8 bytes, so the names still end on a word.
    MapSpec expected = dest;
    expected.tags.push_back(
        WithCodes(PlainTag("proj", "bolt1_4", 0xD0070007, Bolt(0xD0050005, 0xFFFFFFFF))));
    const Edited after = Import(builder::BuildMap(dest).bytes, builder::BuildMap(source).bytes, 2);
    EXPECT_EQ(after.bytes, builder::BuildMap(expected).bytes);
}

// The 3-byte name into a 99-tag map: a shift of 40 (32 for the entry, 8 for "abc_100" and its
// zero byte).
TEST(ImportLayout, ThreeByteNameIntoANinetyNineTagMap) {
    MapSpec dest;
    dest.tags.push_back(PlainTag("scnr", "levels\\n", 0xD0000000, Counting(64, 1)));
    for (uint32_t i = 1; i < 99; ++i) {
        dest.tags.push_back(PlainTag("bipd", "b" + std::to_string(i), 0xD0000000 + i,
                                     Counting(8 + 4 * (i % 3), i)));
    }
    AlignNamesEnd(dest);
    const builder::BuiltMap built = builder::BuildMap(dest);
    const Edited after = Import(built.bytes, SmallSource(20), 1);
    MapSpec expected = dest;
    expected.tags.push_back(
        WithCodes(PlainTag("weap", "abc_100", 0xD0000062u + 0x10001u, Counting(20, 9))));
    EXPECT_EQ(after.bytes, builder::BuildMap(expected).bytes);
    EXPECT_EQ(after.bytes.size(), built.bytes.size() + 40 + 20);
}

MapSpec ThreeTags() {
    MapSpec dest;
    dest.tags = {PlainTag("scnr", "levels\\d", 0xD0000000, Counting(32, 1)),
                 PlainTag("bipd", "one", 0xD0010001, Counting(16, 2)),
                 PlainTag("bipd", "two", 0xD0020002, Counting(32, 3))};
    return dest;
}

// Words in the last tag at the addresses that bound the data region: [first data, end of file).
TEST(ImportRelocation, RaisesAddressesOfTheDataRegionOnly) {
    MapSpec dest = ThreeTags();
    const builder::BuiltMap first = builder::BuildMap(dest);
    const int32_t f0 = first.tags[0].offset + first.magic;
    const int32_t end = static_cast<int32_t>(first.bytes.size()) + first.magic;
    const int32_t name = first.tags[1].nameOffset + first.magic;
    const std::vector<int32_t> words = {f0, f0 - 1, end, end - 1, name, f0 + 20};
    for (size_t i = 0; i < words.size(); ++i) {
        dest.tags[2].data.SetWord(4 * i, static_cast<uint32_t>(words[i]));
    }
    const builder::BuiltMap built = builder::BuildMap(dest);
    const Bytes after = Import(built.bytes, SmallSource(), 1).bytes;
    const int32_t shift = 32 + 5 + 1; // "abc_4"
    const std::vector<int32_t> expected = {f0 + shift,      f0 - 1, end,
                                           end - 1 + shift, name,   f0 + 20 + shift};
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(WordAt(after, built.tags[2].offset + shift + 4 * int64_t(i)), expected[i]) << i;
    }
}

// A name kept in the file header does not move; one at the first tag's data moves with it.
TEST(ImportRelocation, NamesOutsideTheNamesAreaKeepPointingAtTheirBytes) {
    const builder::BuiltMap built = builder::BuildMap(ThreeTags());
    Bytes bytes = built.bytes;
    const int32_t dataStart = built.tags[0].offset;
    std::memcpy(bytes.data() + 200, "hdr", 4);
    std::memcpy(bytes.data() + dataStart, "tai", 4);
    SetWord(bytes, built.tagOffset + 32 + 16, 200 + built.magic);
    SetWord(bytes, built.tagOffset + 64 + 16, dataStart + built.magic);
    const HaloPcMap after = Import(bytes, SmallSource(), 1).map;
    const std::vector<std::string> names = {"levels\\d", "hdr", "tai", "abc_4"};
    for (size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(after.TagCache[i].Name.view(), names[i]) << "tag " << i;
    }
    EXPECT_EQ(after.TagCache[2].NameOffset, dataStart + 38);
}

// The copied data word by word: ids of the source's tags become the destination's ids of the
// same class and name (-1 when it has none); addresses into the tag's own data (signed 32-bit
// range) are rebased; everything else stays.
TEST(Translation, ReferencesByClassAndNameAddressesRebasedTheRestCopied) {
    constexpr int32_t B = 0x40001000; // the source tag's data address
    constexpr int32_t N = 0x50002000; // the copy's
    MapSpec source;
    source.tags = {PlainTag("scnr", "src", 0xA0000000, Counting(16, 1)),
                   PlainTag("effe", "spark", 0xA0010001, Counting(16, 2)),
                   PlainTag("proj", "bolt", 0xA0020002, Counting(16, 3)),
                   PlainTag("weap", "gun", 0xA0030003, Counting(16, 4)),
                   PlainTag("misc", "both", B + 12, Counting(16, 5))};
    MapSpec dest;
    dest.tags = {PlainTag("scnr", "dst", 0xD0000000, Counting(16, 6)),
                 PlainTag("effe", "spark", 0xD0050005, Counting(16, 7)),
                 PlainTag("misc", "both", 0xD0060006, Counting(16, 8))};
    const HaloPcMap from = Decode(builder::BuildMap(source).bytes);
    const HaloPcMap without = Decode(builder::BuildMap(dest).bytes);
    dest.tags.push_back(PlainTag("weap", "gun", 0xD0070007, Counting(16, 9)));
    const HaloPcMap with = Decode(builder::BuildMap(dest).bytes);
    constexpr int32_t kTop = 0x7FFFFFE0;
    const struct Case {
        const char* name;
        int64_t word, expected;        // 32-bit words, written as they read best
        const HaloPcMap* to = nullptr; // default: the destination without "weap:gun"
        int32_t base = B, size = 64;
    } cases[] = {
        {"a tag the destination has", 0xA0010001, 0xD0050005},
        {"a tag it lacks", 0xA0020002, -1},
        {"its own id, lacking", 0xA0030003, -1},
        {"its own id, present", 0xA0030003, 0xD0070007, &with},
        {"an id and an address: the id", B + 12, 0xD0060006},
        {"the data's start", B, N},
        {"inside", B + 8, N + 8},
        {"the last word", B + 60, N + 60},
        {"just past the data", B + 64, B + 64},
        {"the previous tag's last word", B - 4, B - 4},
        {"a plain value", 12345, 12345},
        {"signed range across zero: start", -8, N, nullptr, -8},
        {"signed range across zero: zero", 0, N + 8, nullptr, -8},
        {"signed range across zero: end", 55, N + 63, nullptr, -8},
        {"signed range across zero: past", 56, 56, nullptr, -8},
        {"signed range across zero: before", -9, -9, nullptr, -8},
        {"an end that wraps: empty range", kTop + 8, kTop + 8, nullptr, kTop},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const DataMove move{from, c.to ? *c.to : without, c.base, c.size, N};
        const auto word = static_cast<int32_t>(c.word);
        const auto expected = static_cast<int32_t>(c.expected);
        EXPECT_EQ(TranslateTagData(Words({word, word}), move), Words({expected, expected}));
    }
    const Bytes half = {0x00, 0x10, 0x00, 0x40, 0x00, 0x10}; // B, then two bytes of it
    const Bytes copied = TranslateTagData(half, DataMove{from, without, B, 64, N});
    EXPECT_EQ(copied, (Bytes{0x00, 0x20, 0x00, 0x50, 0x00, 0x10}));
}

TEST(ImportRefusal, NothingIsPlannedForAnImportThatCannotBeMade) {
    const builder::BuiltMap dest = builder::BuildMap(ThreeTags());
    const int32_t dataStart = dest.tags[0].offset;
    const int64_t inside = dest.tagOffset + 8 + dest.magic;
    const int64_t name2 = dest.tagOffset + 64 + 16;
    // Words to write first: in the source map when `inSource`, else in the destination.
    const struct Case {
        const char* words;
        int32_t n;
        std::vector<std::pair<int64_t, int64_t>> patches = {};
        bool inSource = false;
        ErrorKind kind = ErrorKind::Refused;
    } cases[] = {
        {"there is no tag number -1 to import", -1, {}, {}, ErrorKind::NotFound},
        {"there is no tag number 2", 2, {}, {}, ErrorKind::NotFound},
        {"has no data in its map to copy: it is a stub", 1, {{2048 + 40 + 32 + 20, -1}}, true},
        {"starts inside the tag index", 1, {{dest.tagOffset + 20, inside}}},
        // The last name runs on, without a zero byte, into the first tag's data.
        {"runs across the place where the import inserts bytes",
         1,
         {{name2, dataStart - 4 + dest.magic}, {dataStart - 4, 0x6E6E6E6E}, {dataStart, 0x6E6E}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.words);
        Bytes bytes = dest.bytes;
        Bytes source = SmallSource();
        for (const auto& [at, value] : c.patches) {
            SetWord(c.inSource ? source : bytes, at, static_cast<int32_t>(value));
        }
        const HaloPcMap map = Decode(bytes);
        const HaloPcMap from = Decode(source);
        ExpectError([&] { PlanImport(map, from, c.n); }, c.kind, c.words);
    }
    HaloPcMap huge = Decode(SmallSource());
    huge.TagCache[1].Size = 0x7FFFFF00;
    const HaloPcMap map = Decode(dest.bytes);
    ExpectError([&] { PlanImport(map, huge, 1); }, ErrorKind::Refused,
                "the map would grow past 2147483647 bytes");
}

} // namespace
} // namespace pelmar::test
