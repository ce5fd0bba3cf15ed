// Decoding maps: the layout checks that refuse malformed ones, the lookups, entries whose data
// is not in the file, tags out of index order, and the header kept true by every edit.

#include "map/Crc.h"
#include "map/Duplication.h"
#include "map/Import.h"
#include "map/MapChecksum.h"
#include "platform/Int32.h"
#include "support/MapOracle.h"
#include "support/TestSupport.h"

namespace pelmar::test {
namespace {

using builder::Block;
using builder::MapSpec;
using builder::Reflexive;

// Tags of 48, 40 and 24 bytes: "scnr:levels\test", "weap:gun" (a struct at 16 of two 8-byte
// chunks, which follow its 24 bytes) and "bipd:guy".
MapSpec ThreeTags() {
    MapSpec blueprint;
    blueprint.tags = {PlainTag("scnr", "levels\\test", 0xE0000001u, Counting(48, 1)),
                      PlainTag("weap", "gun", 0xE0010002u,
                               Counting(24, 2).Add(Reflexive{16, 8, {Counting(8, 3), Block(8)}})),
                      PlainTag("bipd", "guy", 0xE0020003u, Counting(24, 4))};
    return blueprint;
}

TEST(Load, MalformedMapsAreRefusedWithTheirOffset) {
    const builder::BuiltMap base = builder::BuildMap(ThreeTags());
    const int64_t size = static_cast<int64_t>(base.bytes.size());
    const int64_t count = base.indexOffset + 12;
    const auto name = [&](int tag) { return base.tagOffset + 32 * int64_t{tag} + 16; };
    const auto address = [&](int64_t offset) { return int32_t(offset) + base.magic; };
    // Each case writes its words, then cuts the file at `length` when that is not -1.
    const struct Case {
        std::string detail;
        std::vector<std::pair<int64_t, int32_t>> words;
        std::optional<int64_t> offset;
        int64_t length = -1;
    } cases[] = {
        {"the file is too short to be a map (0 bytes)", {}, {}, 0},
        {"the file is too short to be a map (3 bytes)", {}, {}, 3},
        {"the index offset lies outside the file (14 bytes)", {}, 16, 14},
        {"the index offset lies outside the file (1517 bytes)", {{0, 0x78787878}}, 1516, 1517},
        {"compressed Xbox map (version 5)", {{4, 5}}, {}},
        {"the tag index offset lies outside the file", {{16, int32_t(size)}}, size},
        {"the tag index offset lies outside the file", {{16, int32_t(size - 39)}}, size - 39},
        {"the tag index offset lies outside the file", {{16, -8}}, -8},
        {"the tag count -1 is negative", {{count, -1}}, count},
        {"the tag index is empty", {{count, 0}}, count},
        {"the tag index (" + std::to_string(size / 32) + " entries) runs past the end",
         {{count, int32_t(size / 32)}},
         base.tagOffset},
        {"the name of tag 1 lies outside the file", {{name(1), address(size)}}, size},
        {"the name of tag 2 lies outside the file", {{name(2), address(-1)}}, -1},
        {"the name of tag 0 has no terminating zero byte",
         {{name(0), address(size - 4)}, {size - 4, 0x61616161}},
         size - 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.detail);
        Bytes bytes = base.bytes;
        for (const auto& [at, value] : c.words) {
            SetWord(bytes, at, value);
        }
        bytes.resize(c.length < 0 ? bytes.size() : static_cast<size_t>(c.length));
        const PelmarError e = ExpectError([&] { Decode(bytes); }, ErrorKind::BadMap, c.detail);
        EXPECT_EQ(e.offset(), c.offset);
    }
}

TEST(Load, LookupsClassesSortedAndTheLaterEntryWinning) {
    MapSpec blueprint;
    const char* classes[] = {"scnr", "weap", "weap", "bipd", "Zzzz", "ant!", "bipd"};
    const char* names[] = {"s", "dup", "dup", "other", "z", "a", "dup"};
    const uint32_t idents[] = {7, 5, 6, 5, 9, 10, 11};
    for (size_t i = 0; i < std::size(classes); ++i) {
        blueprint.tags.push_back(PlainTag(classes[i], names[i], idents[i], Counting(8, 1)));
    }
    const HaloPcMap map = Decode(builder::BuildMap(blueprint).bytes);
    EXPECT_EQ(map.TagClass, (std::vector<std::string>{"Zzzz", "ant!", "bipd", "scnr", "weap"}));
    EXPECT_EQ(map.TagsOfClass("weap"), (std::vector<int32_t>{1, 2}));
    EXPECT_EQ(map.TagsOfClass("bipd"), (std::vector<int32_t>{3, 6}));
    EXPECT_EQ(map.FindTagByName("weap:dup"), 2);
    EXPECT_EQ(map.FindTagByName("bipd:dup"), 6);
    EXPECT_EQ(map.FindTagByIdent(5), 3);
    EXPECT_EQ(map.FindTagByIdent(6), 2);
    for (const char* absent : {"weap:none", "weap", "wea:dup", "weapdup", ""}) {
        EXPECT_FALSE(map.FindTagByName(absent).has_value()) << absent;
    }
    EXPECT_EQ(map.Scenario().NameKey(), "scnr:s");
}

// Real maps have entries whose data is elsewhere; they load without data, and no edit touches
// their data words, while every name moves with an import.
TEST(Load, EntriesWithoutDataHereLoadEmptyAndNoEditChangesThem) {
    MapSpec blueprint = ThreeTags();
    const char* classes[] = {"sbsp", "bitm", "snd!", "effe"};
    for (uint32_t k = 0; k < 4; ++k) {
        blueprint.tags.insert(blueprint.tags.end() - 1,
                              PlainTag(classes[k], "x", 0xE100 + k, Block(0)));
    }
    builder::BuiltMap built = builder::BuildMap(blueprint);
    const auto entry = [&](int tag) { return built.tagOffset + 32 * int64_t{tag}; };
    const int32_t outside = AddWrap(static_cast<int32_t>(built.bytes.size()) + 4096, built.magic);
    const std::pair<int32_t, uint32_t> words[] = {{0, 0}, {5, 1}, {-1, 0}, {outside, 0}};
    for (int k = 0; k < 4; ++k) {
        SetWord(built.bytes, entry(2 + k) + 20, words[k].first);
        SetWord(built.bytes, entry(2 + k) + 24, static_cast<int32_t>(words[k].second));
    }
    const HaloPcMap map = Decode(built.bytes);
    const DataPlace places[] = {DataPlace::BspArea, DataPlace::ResourceMap, DataPlace::Stub,
                                DataPlace::Outside};
    for (int k = 0; k < 4; ++k) {
        const Tag& t = map.TagCache[static_cast<size_t>(2 + k)];
        EXPECT_EQ(std::tie(t.place, t.Size), std::make_tuple(places[k], 0)) << t.Class1;
        EXPECT_EQ(t.TagBlock.size(), 0u);
    }
    EXPECT_EQ(map.TagCache[6].Size, 24) << "the last tag with data here reaches the file's end";

    const HaloPcMap from = Decode(SmallSource());
    const int32_t gun = map.TagCache[1].Offset;
    for (const FileEdit& edit :
         {PlanDuplication(map, {1, false, {gun + 16, 8, 0}}).edit, PlanImport(map, from, 1).edit}) {
        const Edited after = ExpectSoundEdit(map, edit);
        for (int k = 0; k < 4; ++k) {
            const int64_t was = entry(2 + k);
            const int64_t now = edit.NewPosition(was);
            EXPECT_EQ(WordAt(after.bytes, now + 20), words[k].first) << k;
            EXPECT_EQ(WordAt(after.bytes, now + 24), static_cast<int32_t>(words[k].second)) << k;
        }
    }
}

// Sizes come from the next data start in file order, whatever the index order.
TEST(Load, TagsOutOfIndexOrderTakeTheirSizesFromFileOrder) {
    builder::BuiltMap built = builder::BuildMap(ThreeTags());
    const int64_t entry0 = built.tagOffset + 20;
    const int32_t first = WordAt(built.bytes, entry0);
    SetWord(built.bytes, entry0, WordAt(built.bytes, entry0 + 32));
    SetWord(built.bytes, entry0 + 32, first);
    const HaloPcMap map = Decode(built.bytes);
    const std::vector<std::pair<int32_t, int32_t>> places = {
        {map.TagCache[0].Offset, map.TagCache[0].Size},
        {map.TagCache[1].Offset, map.TagCache[1].Size},
        {map.TagCache[2].Offset, map.TagCache[2].Size}};
    EXPECT_EQ(places, (std::vector<std::pair<int32_t, int32_t>>{{built.tags[1].offset, 40},
                                                                {built.tags[0].offset, 48},
                                                                {built.tags[2].offset, 24}}));
    ExpectSoundEdit(map, PlanImport(map, Decode(SmallSource()), 1).edit);
    ExpectSoundEdit(map, PlanDuplication(map, {0, false, {built.tags[1].offset + 16, 8, 1}}).edit);
}

// The header's sizes grow with each edit when they described the file and stay otherwise; the
// checksum is recomputed when it was up to date and kept when it was stale.
TEST(Load, EveryEditKeepsTheHeaderTrue) {
    const std::string_view check = "123456789";
    const auto* digits = reinterpret_cast<const uint8_t*>(check.data());
    EXPECT_EQ(ExtendCrc(kCrcStart, {digits, 9}), 0x340BC6D9u);
    EXPECT_EQ(ExtendCrc(ExtendCrc(kCrcStart, {digits, 4}), {digits + 4, 5}), 0x340BC6D9u);
    MapSpec blueprint = ThreeTags();
    blueprint.tags[0].data = Block(1536); // an empty "structure bsps" block at 0x5A4
    const HaloPcMap from = Decode(SmallSource());
    for (int variant = 0; variant < 4; ++variant) {
        const bool describes = variant < 2;
        const bool fresh = variant % 2 == 0;
        SCOPED_TRACE(std::string(describes ? "sizes describe" : "sizes do not describe") +
                     (fresh ? ", checksum fresh" : ", checksum stale"));
        Bytes bytes = builder::BuildMap(blueprint).bytes;
        MakeRealHeader(bytes);
        ASSERT_NE(ComputeChecksum(bytes), std::nullopt);
        const int32_t fileSize = WordAt(bytes, 8) + (describes ? 0 : 4);
        const int32_t tagDataSize = WordAt(bytes, 0x14);
        const int32_t crc = WordAt(bytes, 0x64) ^ (fresh ? 0 : 1);
        SetWord(bytes, 8, fileSize);
        SetWord(bytes, 0x64, crc);
        for (int round = 0; round < 2; ++round) { // a duplication, then an import
            const HaloPcMap map = Decode(bytes);
            const int32_t gun = map.TagCache[1].Offset + 16;
            bytes =
                ExpectSoundEdit(map, round == 0 ? PlanDuplication(map, {1, false, {gun, 8, 1}}).edit
                                                : PlanImport(map, from, 1).edit)
                    .bytes;
            const int32_t length = static_cast<int32_t>(bytes.size());
            EXPECT_EQ(WordAt(bytes, 8), describes ? length : fileSize) << round;
            EXPECT_EQ(WordAt(bytes, 0x14), describes ? length - 2048 : tagDataSize) << round;
            const auto computed = static_cast<int32_t>(ComputeChecksum(bytes).value());
            EXPECT_EQ(WordAt(bytes, 0x64), fresh ? computed : crc) << round;
        }
    }
}

} // namespace
} // namespace pelmar::test
