// Tags and the lookup tables built from the index.
#include "LoaderTestMaps.h"
#include "map/MapLayout.h"
#include "mapbuilder/DemoMap.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace pelmar::test {
namespace {

using Names = std::vector<std::string>;

class TagTablesTest : public ::testing::Test {
protected:
    // Builds `blueprint`, writes it and loads it into `map_`.
    builder::BuiltMap LoadSpec(const builder::MapSpec& blueprint,
                               const std::string& name = "t.map") {
        builder::BuiltMap built = WriteMap(dir_ / name, blueprint);
        map_.LoadMap(dir_ / name);
        return built;
    }

    TempDir dir_;
    HaloPcMap map_;
};

TEST_F(TagTablesTest, AFreshMapIsEmpty) {
    EXPECT_FALSE(map_.IsLoaded());
    EXPECT_TRUE(map_.f.empty());
    EXPECT_EQ(map_.TagCount, 0);
    EXPECT_TRUE(map_.TagClass.empty());
    EXPECT_TRUE(map_.NamesOfClass("weap").empty());
    EXPECT_FALSE(map_.FindTagByName("weap:gun").has_value());
}

TEST_F(TagTablesTest, ClassCodesAreStoredReversedAndReadBack) {
    const builder::BuiltMap built = LoadSpec(ThreeTagSpec());
    const int64_t entry0 = built.tagOffset;
    EXPECT_EQ(std::string(built.bytes.begin() + entry0, built.bytes.begin() + entry0 + 12),
              "rncsejbotinu");
    const Tag& t = map_.TagCache[0];
    EXPECT_EQ(t.Class1, "scnr");
    EXPECT_EQ(t.Class2, "obje");
    EXPECT_EQ(t.Class3, "unit");
    EXPECT_EQ(HaloPcMap::Reverse("abcd"), "dcba");
    EXPECT_EQ(HaloPcMap::Reverse(""), "");
    EXPECT_EQ(HaloPcMap::Reverse(std::string("\0\x80x", 3)), std::string("x\x80\0", 3));
}

TEST_F(TagTablesTest, ClassCodesKeepEveryByteValue) {
    builder::TagSpec odd = SimpleTag(std::string("\x01\xFF\0a", 4), "odd", 9);
    odd.class2 = "aaaa";
    odd.class3 = std::string(4, '\0');
    LoadSpec(SpecOf({SimpleTag("scnr", "s", 1), odd}));
    EXPECT_EQ(map_.TagCache[1].Class1, std::string("\x01\xFF\0a", 4));
    EXPECT_EQ(map_.TagCache[1].Class2, "aaaa");
    EXPECT_EQ(map_.TagCache[1].Class3, std::string(4, '\0'));
    EXPECT_TRUE(map_.FindTagByName(std::string("\x01\xFF\0a", 4) + ":odd").has_value());
}

TEST_F(TagTablesTest, TheBuilderPadsShortClassCodesAtTheEnd) {
    builder::TagSpec shortCode = SimpleTag("ab", "short", 9);
    shortCode.class2 = "";
    LoadSpec(SpecOf({SimpleTag("scnr", "s", 1), shortCode}));
    EXPECT_EQ(map_.TagCache[1].Class1, "ab  ");
    EXPECT_EQ(map_.TagCache[1].Class2, "    ");
}

TEST_F(TagTablesTest, IdentIsReadUnsigned) {
    LoadSpec(SpecOf({SimpleTag("scnr", "s", 0xFFFFFFFFu), SimpleTag("weap", "w", 0x80000000u)}));
    EXPECT_EQ(map_.TagCache[0].ident, 0xFFFFFFFFu);
    EXPECT_EQ(map_.TagCache[1].ident, 0x80000000u);
    EXPECT_EQ(map_.FindTagByIdent(0xFFFFFFFFu), 0);
    EXPECT_EQ(map_.FindTagByIdent(0x80000000u), 1);
    EXPECT_FALSE(map_.FindTagByIdent(0).has_value());
}

TEST_F(TagTablesTest, ClassesAreSortedAndNamesKeepIndexOrder) {
    // W, B, W in index order with W sorting after B.
    LoadSpec(SpecOf({SimpleTag("weap", "first", 1), SimpleTag("bipd", "second", 2),
                     SimpleTag("weap", "third", 3)}));
    EXPECT_EQ(map_.TagClass, (Names{"bipd", "weap"}));
    EXPECT_EQ(map_.NamesOfClass("weap"), (Names{"first", "third"}));
    EXPECT_EQ(map_.NamesOfClass("bipd"), (Names{"second"}));
    EXPECT_EQ(map_.Scenario().NameKey(), "weap:first") << "entry 0 is the scenario, any class";
}

TEST_F(TagTablesTest, ManyClassesInAnyOrderComeOutSortedOnce) {
    std::vector<builder::TagSpec> tags;
    const char* classes[] = {"vehi", "bipd", "snd!", "effe", "bipd", "ant!", "vehi", "Zzzz"};
    for (uint32_t i = 0; i < 8; ++i) {
        tags.push_back(SimpleTag(classes[i], "t" + std::to_string(i), i, 8));
    }
    LoadSpec(SpecOf(tags));
    EXPECT_EQ(map_.TagClass, (Names{"Zzzz", "ant!", "bipd", "effe", "snd!", "vehi"}));
    EXPECT_EQ(map_.NamesOfClass("vehi"), (Names{"t0", "t6"}));
}

TEST_F(TagTablesTest, LaterEntriesWinForTheSameNameOrId) {
    LoadSpec(SpecOf({SimpleTag("scnr", "s", 7), SimpleTag("weap", "dup", 5),
                     SimpleTag("weap", "dup", 6), SimpleTag("bipd", "other", 5)}));
    EXPECT_EQ(map_.FindTagByName("weap:dup"), 2);
    EXPECT_EQ(map_.FindTagByIdent(5), 3);
    EXPECT_EQ(map_.FindTagByIdent(6), 2);
    EXPECT_EQ(map_.NamesOfClass("weap"), (Names{"dup", "dup"})) << "both names are listed";
    EXPECT_EQ(map_.TagByName.size(), 3u);
    EXPECT_EQ(map_.TagsByIdent.size(), 3u);
}

TEST_F(TagTablesTest, NotListedIsAnOrdinaryName) {
    LoadSpec(SpecOf({SimpleTag("scnr", "s", 1), SimpleTag("weap", "Not listed", 2),
                     SimpleTag("weap", "rifle", 3), SimpleTag("weap", "Not listed", 4)}));
    EXPECT_EQ(map_.TagClass, (Names{"scnr", "weap"})) << "each class appears once";
    EXPECT_EQ(map_.NamesOfClass("weap"), (Names{"Not listed", "rifle", "Not listed"}));
    EXPECT_EQ(map_.FindTagByName("weap:Not listed"), 3);
}

TEST_F(TagTablesTest, ANameWithSlashesStaysOneName) {
    LoadSpec(SpecOf({SimpleTag("scnr", "s", 1), SimpleTag("effe", "effects/explosions/small", 2),
                     SimpleTag("effe", "", 3), SimpleTag("effe", "/", 4)}));
    EXPECT_EQ(map_.NamesOfClass("effe"), (Names{"effects/explosions/small", "", "/"}));
    EXPECT_EQ(map_.FindTagByName("effe:effects/explosions/small"), 1);
    EXPECT_EQ(map_.FindTagByName("effe:"), 2);
}

TEST_F(TagTablesTest, ANameAddressOnAZeroByteGivesAnEmptyName) {
    builder::BuiltMap built = builder::BuildMap(ThreeTagSpec());
    // Point tag 2's name at the terminating zero of tag 1's name.
    const int64_t entry2 = built.tagOffset + 64;
    const int32_t zeroAt = built.tags[1].nameOffset + 3;
    ASSERT_EQ(built.bytes[static_cast<size_t>(zeroAt)], 0);
    SetWord(built.bytes, entry2 + 16, zeroAt + built.magic);
    WriteFileBytes(dir_ / "z.map", built.bytes);
    map_.LoadMap(dir_ / "z.map");
    EXPECT_EQ(map_.TagCache[2].Name, "");
    EXPECT_EQ(map_.TagCache[2].NameOffset, zeroAt);
    EXPECT_EQ(map_.NamesOfClass("bipd"), (Names{""}));
}

TEST_F(TagTablesTest, NamesAreRawBytesUpToTheFirstZero) {
    const std::string raw = "caf\xC3\xA9 \x01\x7F\x80\xFF\"\\";
    LoadSpec(SpecOf({SimpleTag("scnr", raw, 1)}));
    EXPECT_EQ(map_.TagCache[0].Name, raw);
    EXPECT_EQ(map_.FindTagByName("scnr:" + raw), 0);
}

TEST_F(TagTablesTest, TheLastEntrysUnreadWordsHaveNoEffect) {
    builder::BuiltMap built = builder::BuildMap(ThreeTagSpec());
    WriteFileBytes(dir_ / "plain.map", built.bytes);
    for (int i = 0; i < 3; ++i) {
        SetWord(built.bytes, built.tagOffset + 32 * i + 24, -1);
        SetWord(built.bytes, built.tagOffset + 32 * i + 28, 0x7FFFFFFF);
    }
    WriteFileBytes(dir_ / "noisy.map", built.bytes);
    HaloPcMap plain;
    plain.LoadMap(dir_ / "plain.map");
    map_.LoadMap(dir_ / "noisy.map");
    plain.f = map_.f;
    // The tags' data does not include the index, so the models are equal field by field.
    ExpectSameModel(map_, plain);
}

TEST_F(TagTablesTest, TagDataIsACopyOfTheFileBetweenDataAddresses) {
    const builder::MapSpec blueprint = ThreeTagSpec();
    const builder::BuiltMap built = LoadSpec(blueprint);
    ExpectModelMatchesBuild(map_, blueprint, built);
    EXPECT_EQ(map_.Scenario().Size, 1600);
    EXPECT_EQ(map_.TagCache[1].Size, 96);
}

TEST_F(TagTablesTest, TheLastTagReachesTheEndOfTheFile) {
    builder::BuiltMap built = builder::BuildMap(ThreeTagSpec());
    const std::vector<uint8_t> tail{0xDE, 0xAD, 0xBE, 0xEF, 0x01};
    built.bytes.insert(built.bytes.end(), tail.begin(), tail.end());
    WriteFileBytes(dir_ / "tail.map", built.bytes);
    map_.LoadMap(dir_ / "tail.map");
    const Tag& last = map_.TagCache.back();
    EXPECT_EQ(last.Size, 40 + 5);
    EXPECT_EQ(static_cast<size_t>(last.Offset) + static_cast<size_t>(last.Size),
              built.bytes.size());
    auto block = last.TagBlock.bytes();
    EXPECT_TRUE(std::equal(tail.begin(), tail.end(), block.end() - 5));
}

TEST_F(TagTablesTest, EqualDataAddressesGiveAnEmptyTag) {
    builder::BuiltMap built = builder::BuildMap(ThreeTagSpec());
    // Tag 1's data starts where tag 2's does: tag 1 is empty, tag 0 unchanged.
    SetWord(built.bytes, built.tagOffset + 32 + 20, built.tags[2].offset + built.magic);
    WriteFileBytes(dir_ / "e.map", built.bytes);
    map_.LoadMap(dir_ / "e.map");
    EXPECT_EQ(map_.TagCache[1].Size, 0);
    EXPECT_EQ(map_.TagCache[1].TagBlock.size(), 0u);
    EXPECT_EQ(map_.TagCache[0].Size, built.tags[2].offset - built.tags[0].offset);
}

TEST_F(TagTablesTest, TheLastTagMayStartAtTheEndOfTheFile) {
    builder::MapSpec blueprint = ThreeTagSpec();
    blueprint.tags[2].data = builder::Block(0);
    const builder::BuiltMap built = LoadSpec(blueprint);
    EXPECT_EQ(map_.TagCache[2].Offset, static_cast<int32_t>(built.bytes.size()));
    EXPECT_EQ(map_.TagCache[2].Size, 0);
}

TEST_F(TagTablesTest, ASecondLoadLeavesNoTraceOfTheFirst) {
    LoadSpec(SpecOf({SimpleTag("scnr", "old scenario", 100), SimpleTag("weap", "old gun", 101),
                     SimpleTag("vehi", "old car", 102), SimpleTag("weap", "x", 103)}),
             "first.map");
    const builder::MapSpec second =
        SpecOf({SimpleTag("scnr", "new scenario", 200), SimpleTag("bipd", "new guy", 201)});
    const builder::BuiltMap built = LoadSpec(second, "second.map");

    EXPECT_EQ(map_.f, dir_ / "second.map");
    ExpectModelMatchesBuild(map_, second, built);
    EXPECT_EQ(map_.TagClass, (Names{"bipd", "scnr"}));
    EXPECT_EQ(map_.TagByName.size(), 2u);
    EXPECT_EQ(map_.TagsByIdent.size(), 2u);
    EXPECT_EQ(map_.TagsByClass.size(), 2u);
    EXPECT_EQ(map_.NamesOfClass("scnr"), (Names{"new scenario"}));
    EXPECT_FALSE(map_.FindTagByIdent(101).has_value());
    EXPECT_FALSE(map_.FindTagByName("weap:old gun").has_value());
    EXPECT_TRUE(map_.NamesOfClass("vehi").empty());

    // Loading into a fresh object gives the same model.
    HaloPcMap fresh;
    fresh.LoadMap(dir_ / "second.map");
    ExpectSameModel(map_, fresh);
}

TEST_F(TagTablesTest, TagDataStaysAsLoadedWhenTheFileChanges) {
    const builder::BuiltMap built = LoadSpec(ThreeTagSpec());
    const std::vector<uint8_t> before(map_.TagCache[1].TagBlock.bytes().begin(),
                                      map_.TagCache[1].TagBlock.bytes().end());
    std::vector<uint8_t> changed = built.bytes;
    std::fill(changed.begin() + built.tags[0].offset, changed.end(), 0xEE);
    WriteFileBytes(dir_ / "t.map", changed);
    std::filesystem::resize_file(dir_ / "t.map", 10);
    const auto after = map_.TagCache[1].TagBlock.bytes();
    EXPECT_TRUE(std::equal(before.begin(), before.end(), after.begin(), after.end()));
}

TEST_F(TagTablesTest, TheDemoMapLoadsWithItsClasses) {
    const builder::MapSpec blueprint = builder::DemoMapSpec();
    const builder::BuiltMap built = LoadSpec(blueprint);
    ExpectModelMatchesBuild(map_, blueprint, built);
    EXPECT_EQ(map_.TagClass, (Names{"bipd", "effe", "proj", "scnr", "snd!", "vehi", "weap"}));
    EXPECT_EQ(map_.Scenario().Class1, "scnr");
    EXPECT_EQ(WordAt(built.bytes, map_.Scenario().Offset + layout::kScenarioScanEndField),
              map_.Scenario().Offset + map_.Scenario().Size + map_.Magic)
        << "the scenario's scan-end word holds the map address of its data's end";
}

} // namespace
} // namespace pelmar::test
