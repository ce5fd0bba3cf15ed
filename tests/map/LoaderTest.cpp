// Loading a valid map: the two header layouts, address translation, tags and lookup tables.
#include "LoaderTestMaps.h"
#include "map/MapLayout.h"
#include "mapbuilder/DemoMap.h"
#include "platform/Int32.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace pelmar::test {
namespace {

using Names = std::vector<std::string>;

class LoaderTest : public ::testing::Test {
protected:
    // Writes `bytes` and loads them into `map_`.
    void LoadBytes(const std::vector<uint8_t>& bytes, const std::string& name = "t.map") {
        WriteFileBytes(dir_ / name, bytes);
        map_.LoadMap(dir_ / name);
    }
    builder::BuiltMap LoadSpec(const builder::MapSpec& blueprint,
                               const std::string& name = "t.map") {
        builder::BuiltMap built = builder::BuildMap(blueprint);
        LoadBytes(built.bytes, name);
        return built;
    }

    TempDir dir_;
    HaloPcMap map_;
};

// "daeh" in any case takes the index offset from offset 16, any other signature from 1516;
// the other field is set to a plausible but wrong value.
TEST_F(LoaderTest, HeaderLayoutFollowsTheSignature) {
    const std::vector<std::pair<std::string, int32_t>> cases = {
        {"daeh", 2048}, {"DAEH", 1024}, {"DaEh", 1024},
        {"head", 3000}, {"daex", 3000}, {"\xFF\xFF\xFF\xFF", 3000},
        {"dae", 3000}};
    for (const auto& [signature, headerSize] : cases) {
        SCOPED_TRACE(signature);
        builder::MapSpec blueprint = ThreeTagSpec();
        blueprint.signature = signature;
        blueprint.headerSize = headerSize;
        builder::BuiltMap built = builder::BuildMap(blueprint);
        const bool daeh = headerSize < 3000;
        const int64_t used = daeh ? layout::kIndexOffsetField : layout::kAlternateIndexOffsetField;
        ASSERT_EQ(WordAt(built.bytes, used), headerSize);
        SetWord(built.bytes, daeh ? layout::kAlternateIndexOffsetField : layout::kIndexOffsetField,
                daeh ? 0x7FFFFF00 : 40);
        LoadBytes(built.bytes);
        EXPECT_EQ(map_.indexOffset, headerSize);
        ExpectModelMatchesBuild(map_, blueprint, built);
    }
}

// Index offset 1000 and MapMagic 5040 give tagOffset 1040 and Magic 4000; the map address
// 6000 is file offset 2000.
TEST_F(LoaderTest, AddressTranslationWorkedExample) {
    builder::MapSpec blueprint = ThreeTagSpec();
    blueprint.headerSize = 1000;
    blueprint.mapMagic = 5040;
    // Names start right after the three entries (1040 + 96); a first name of this length puts
    // the second tag's name at file offset 2000.
    blueprint.tags[0].name = std::string(2000 - 1136 - 1, 'n');
    const builder::BuiltMap built = LoadSpec(blueprint);
    EXPECT_EQ(std::tie(map_.indexOffset, map_.tagOffset, map_.Magic),
              std::make_tuple(1000, 1040, 4000));
    EXPECT_EQ(WordAt(built.bytes, 1040 + 32 + 16), 6000);
    EXPECT_EQ(map_.TagCache[1].NameOffset, 2000);
    EXPECT_EQ(map_.TagCache[1].Name, "gun");
    ExpectModelMatchesBuild(map_, blueprint, built);

    for (int32_t mapMagic : {0, -1, INT32_MIN, INT32_MAX}) {
        blueprint.mapMagic = mapMagic;
        const builder::BuiltMap wrapped = LoadSpec(blueprint);
        EXPECT_EQ(SubWrap(map_.MapMagic, map_.Magic), 1040) << mapMagic;
        ExpectModelMatchesBuild(map_, blueprint, wrapped);
    }
}

TEST_F(LoaderTest, ClassCodesAreStoredReversedAndKeepEveryByteAndIdentsEveryBit) {
    builder::TagSpec odd = SimpleTag(std::string("\x01\xFF\0a", 4), "odd", 0x80000000u);
    odd.class3 = std::string(4, '\0');
    const builder::MapSpec blueprint =
        SpecOf({SimpleTag("scnr", "levels\\test", 0xFFFFFFFFu), odd});
    const builder::BuiltMap built = LoadSpec(blueprint);
    const auto entry = built.bytes.begin() + built.tagOffset;
    EXPECT_EQ(std::string(entry, entry + 12), "rncsejbotinu");
    ExpectModelMatchesBuild(map_, blueprint, built);
    EXPECT_EQ(map_.FindTagByName(odd.class1 + ":odd"), 1);
    EXPECT_EQ(map_.FindTagByIdent(0xFFFFFFFFu), 0);
    EXPECT_EQ(map_.FindTagByIdent(0x80000000u), 1);
    EXPECT_FALSE(map_.FindTagByIdent(0).has_value());
}

TEST_F(LoaderTest, ClassesAreSortedOnceAndNamesKeepIndexOrder) {
    std::vector<builder::TagSpec> tags;
    const char* classes[] = {"vehi", "bipd", "snd!", "effe", "bipd", "ant!", "vehi", "Zzzz"};
    for (uint32_t i = 0; i < 8; ++i) {
        tags.push_back(SimpleTag(classes[i], "t" + std::to_string(i), i, 8));
    }
    LoadSpec(SpecOf(tags));
    EXPECT_EQ(map_.TagClass, (Names{"Zzzz", "ant!", "bipd", "effe", "snd!", "vehi"}));
    EXPECT_EQ(map_.NamesOfClass("vehi"), (Names{"t0", "t6"}));
    EXPECT_EQ(map_.NamesOfClass("bipd"), (Names{"t1", "t4"}));
    EXPECT_EQ(map_.Scenario().NameKey(), "vehi:t0") << "entry 0 is the scenario, any class";
}

TEST_F(LoaderTest, LaterEntriesWinForTheSameNameOrId) {
    LoadSpec(SpecOf({SimpleTag("scnr", "s", 7), SimpleTag("weap", "dup", 5),
                     SimpleTag("weap", "dup", 6), SimpleTag("bipd", "other", 5)}));
    EXPECT_EQ(map_.FindTagByName("weap:dup"), 2);
    EXPECT_EQ(map_.FindTagByIdent(5), 3);
    EXPECT_EQ(map_.FindTagByIdent(6), 2);
    EXPECT_EQ(map_.NamesOfClass("weap"), (Names{"dup", "dup"})) << "both names are listed";
    EXPECT_EQ(map_.TagByName.size(), 3u);
    EXPECT_EQ(map_.TagsByIdent.size(), 3u);
}

// Two mended faults: "Not listed" made its class appear twice, and a name holding "/" was
// split in the tag list.
TEST_F(LoaderTest, NotListedAndSlashesAreOrdinaryNames) {
    const std::string raw = "caf\xC3\xA9 \x01\x7F\x80\xFF\"\\";
    LoadSpec(SpecOf({SimpleTag("scnr", raw, 1), SimpleTag("weap", "Not listed", 2),
                     SimpleTag("weap", "rifle", 3), SimpleTag("weap", "Not listed", 4),
                     SimpleTag("effe", "effects/explosions/small", 5), SimpleTag("effe", "", 6),
                     SimpleTag("effe", "/", 7)}));
    EXPECT_EQ(map_.TagClass, (Names{"effe", "scnr", "weap"})) << "each class appears once";
    EXPECT_EQ(map_.NamesOfClass("weap"), (Names{"Not listed", "rifle", "Not listed"}));
    EXPECT_EQ(map_.FindTagByName("weap:Not listed"), 3);
    EXPECT_EQ(map_.NamesOfClass("effe"), (Names{"effects/explosions/small", "", "/"}));
    EXPECT_EQ(map_.FindTagByName("effe:effects/explosions/small"), 4);
    EXPECT_EQ(map_.FindTagByName("effe:"), 5);
    EXPECT_EQ(map_.FindTagByName("scnr:" + raw), 0) << "names are raw bytes";
}

TEST_F(LoaderTest, TheLastTagReachesTheEndOfTheFileAndTagsMayBeEmpty) {
    builder::BuiltMap built = builder::BuildMap(ThreeTagSpec());
    const std::vector<uint8_t> tail{0xDE, 0xAD, 0xBE, 0xEF, 0x01};
    built.bytes.insert(built.bytes.end(), tail.begin(), tail.end());
    // Tag 1's data starts where tag 2's does: tag 1 is empty, tag 0 unchanged.
    SetWord(built.bytes, built.tagOffset + 32 + 20, built.tags[2].offset + built.magic);
    LoadBytes(built.bytes);
    EXPECT_EQ(map_.TagCache[1].Size, 0);
    EXPECT_EQ(map_.TagCache[1].TagBlock.size(), 0u);
    EXPECT_EQ(map_.TagCache[0].Size, built.tags[2].offset - built.tags[0].offset);
    const Tag& last = map_.TagCache.back();
    EXPECT_EQ(last.Size, 40 + 5);
    EXPECT_EQ(static_cast<size_t>(last.Offset + last.Size), built.bytes.size());
    EXPECT_TRUE(std::equal(tail.begin(), tail.end(), last.TagBlock.bytes().end() - 5));

    builder::MapSpec blueprint = ThreeTagSpec();
    blueprint.tags[2].data = builder::Block(0);
    const builder::BuiltMap empty = LoadSpec(blueprint);
    EXPECT_EQ(map_.TagCache[2].Offset, static_cast<int32_t>(empty.bytes.size()));
    EXPECT_EQ(map_.TagCache[2].Size, 0);
}

TEST_F(LoaderTest, ASecondLoadLeavesNoTraceOfTheFirst) {
    LoadSpec(SpecOf({SimpleTag("scnr", "old scenario", 100), SimpleTag("weap", "old gun", 101),
                     SimpleTag("vehi", "old car", 102), SimpleTag("weap", "x", 103)}),
             "first.map");
    const builder::MapSpec second =
        SpecOf({SimpleTag("scnr", "new scenario", 200), SimpleTag("bipd", "new guy", 201)});
    const builder::BuiltMap built = LoadSpec(second, "second.map");
    EXPECT_EQ(map_.f, dir_ / "second.map");
    ExpectModelMatchesBuild(map_, second, built);
    EXPECT_EQ(map_.TagClass, (Names{"bipd", "scnr"}));
    EXPECT_FALSE(map_.FindTagByIdent(101).has_value());
    EXPECT_FALSE(map_.FindTagByName("weap:old gun").has_value());
    EXPECT_TRUE(map_.NamesOfClass("vehi").empty());
    HaloPcMap fresh; // every table, not only those checked above, equals a fresh load's
    fresh.LoadMap(dir_ / "second.map");
    ExpectSameModel(map_, fresh);
}

TEST_F(LoaderTest, TagDataStaysAsLoadedWhenTheFileChanges) {
    const builder::BuiltMap built = LoadSpec(ThreeTagSpec());
    const auto before = std::get<8>(Fields(map_.TagCache[1]));
    std::vector<uint8_t> changed = built.bytes;
    std::fill(changed.begin() + built.tags[0].offset, changed.end(), 0xEE);
    WriteFileBytes(dir_ / "t.map", changed);
    std::filesystem::resize_file(dir_ / "t.map", 10);
    EXPECT_EQ(std::get<8>(Fields(map_.TagCache[1])), before);
}

TEST_F(LoaderTest, TheDemoMapLoadsWithItsClasses) {
    const builder::MapSpec blueprint = builder::DemoMapSpec();
    const builder::BuiltMap built = LoadSpec(blueprint);
    ExpectModelMatchesBuild(map_, blueprint, built);
    EXPECT_EQ(map_.TagClass, (Names{"bipd", "effe", "proj", "scnr", "snd!", "vehi", "weap"}));
    EXPECT_EQ(WordAt(built.bytes, map_.Scenario().Offset + layout::kScenarioScanEndField),
              map_.Scenario().Offset + map_.Scenario().Size + map_.Magic)
        << "the scenario's scan-end word holds the map address of its data's end";
}

} // namespace
} // namespace pelmar::test
