// Where the import puts the new entry, name and data, and how it moves everything else.
#include "ImportTestSupport.h"
#include "map/MapLayout.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

namespace pelmar::test {
namespace {

using builder::Block;
using builder::MapSpec;
using builder::Reflexive;

// A projectile whose data refers to an effect and to the scenario by id and holds structs
// (with structs of their own) after it.
Block Bolt(uint32_t effectId, uint32_t scenarioId) {
    Block root = Counting(48, 3);
    root.SetWord(0, effectId).SetWord(4, scenarioId);
    Reflexive parts{8, 16, {}};
    for (uint32_t k = 0; k < 2; ++k) {
        Block part = Counting(16, 10 + k);
        part.SetWord(0, effectId);
        part.Add(Reflexive{8, 8, {Counting(8, 20 + k)}});
        parts.chunks.push_back(part);
    }
    root.Add(parts);
    return root;
}

MapSpec DestinationSpec() {
    MapSpec dest;
    builder::TagSpec scenario =
        PlainTag("scnr", "levels\\b", 0xD0000000, WithStruct(64, 4, 16, 8, 2));
    scenario.endAddressWord = 40;
    dest.tags = {scenario, PlainTag("effe", "spark", 0xD0050005, WithStruct(40, 5, 8, 12, 1)),
                 PlainTag("weap", "rifle", 0xD0060006, WithStruct(64, 6, 24, 16, 3))};
    AlignNamesEnd(dest);
    return dest;
}

TEST(ImportLayout, TheFileIsTheMapTheBuilderLaysOutWithTheTagAdded) {
    TempDir dir;
    MapSpec source;
    builder::TagSpec bolt = PlainTag("proj", "bolt1", 0xA0020002, Bolt(0xA0010001, 0xA0000000));
    bolt.class2 = "obje";
    bolt.class3 = "item";
    source.tags = {PlainTag("scnr", "levels\\a", 0xA0000000, Counting(64, 1)),
                   PlainTag("effe", "spark", 0xA0010001, Counting(32, 2)), bolt};
    WriteMap(dir / "source.map", source);
    const MapSpec dest = DestinationSpec();
    WriteMap(dir / "dest.map", dest);

    // The stored name "bolt1_4" and its zero byte take 8 bytes, so no padding is needed
    // after the names and the builder lays the expected map out the same way.
    MapSpec expected = dest;
    builder::TagSpec copy = PlainTag("proj", "bolt1_4", 0xD0070007, Bolt(0xD0050005, 0xFFFFFFFF));
    copy.class2 = "obje";
    copy.class3 = "item";
    expected.tags.push_back(copy);

    HaloPcMap sourceMap = Load(dir / "source.map");
    HaloPcMap destMap = Load(dir / "dest.map");
    destMap.AddMetaToMapFromMap(sourceMap, 2);
    EXPECT_EQ(ReadFileBytes(dir / "dest.map"), builder::BuildMap(expected).bytes);
}

// The 3-byte name into a 99-tag map: a shift of 40 (32 for the entry, 8 for "abc_100" and its
// zero byte). With the names ending on a word, the builder lays out the expected file.
TEST(ImportLayout, ThreeByteNameIntoANinetyNineTagMap) {
    TempDir dir;
    MapSpec dest;
    dest.tags.push_back(PlainTag("scnr", "levels\\n", 0xD0000000, Counting(64, 1)));
    for (uint32_t i = 1; i < 99; ++i) {
        dest.tags.push_back(PlainTag("bipd", "b" + std::to_string(i), 0xD0000000 + i,
                                     Counting(8 + 4 * (i % 3), i)));
    }
    AlignNamesEnd(dest);
    const builder::BuiltMap built = WriteMap(dir / "dest.map", dest);
    MapSpec sourceSpec;
    sourceSpec.tags = {PlainTag("scnr", "s", 0xA0000000, Counting(16, 1)),
                       PlainTag("weap", "abc", 0xA0010001, Counting(20, 9))};
    WriteMap(dir / "source.map", sourceSpec);
    HaloPcMap source = Load(dir / "source.map");
    HaloPcMap map = Load(dir / "dest.map");
    map.AddMetaToMapFromMap(source, 1);

    const std::vector<uint8_t> after = ReadFileBytes(dir / "dest.map");
    MapSpec expected = dest;
    expected.tags.push_back(PlainTag("weap", "abc_100", 0xD0000062u + 0x10001u, Counting(20, 9)));
    EXPECT_EQ(after, builder::BuildMap(expected).bytes);
    const int32_t l0 = static_cast<int32_t>(built.bytes.size());
    const int32_t f0 = built.tags[0].offset;
    ASSERT_EQ(after.size(), built.bytes.size() + 40 + 20);
    EXPECT_EQ(std::memcmp(after.data() + f0 + 32, "abc_100", 8), 0); // where the data began

    // The model records the new tag's place, and a reload agrees with it.
    EXPECT_EQ(map.TagCount, 100);
    const Tag& added = map.TagCache.back();
    EXPECT_EQ(std::tie(added.Name, added.NameOffset, added.Offset, added.Size),
              std::make_tuple(std::string("abc"), f0 + 32, l0 + 40, 20));
    const HaloPcMap reloaded = Load(dir / "dest.map");
    ASSERT_EQ(reloaded.TagCount, 100);
    EXPECT_EQ(reloaded.TagCache.back().Name, "abc_100");
    for (size_t i = 0; i < 100; ++i) {
        const Tag& a = map.TagCache[i];
        const Tag& b = reloaded.TagCache[i];
        EXPECT_EQ(std::tie(a.Class1, a.ident, a.NameOffset, a.Offset, a.Size),
                  std::tie(b.Class1, b.ident, b.NameOffset, b.Offset, b.Size))
            << i;
        EXPECT_TRUE(std::ranges::equal(a.TagBlock.bytes(), b.TagBlock.bytes())) << i;
        EXPECT_TRUE(i == 99 || a.Name == b.Name) << i;
    }
}

MapSpec TwoTagSource() {
    MapSpec source;
    builder::TagSpec tag = PlainTag("weap", "abc", 0x12345678, Counting(12, 9));
    tag.class2 = "obje";
    tag.class3 = "item";
    source.tags = {PlainTag("scnr", "s", 0xA0000000, Counting(16, 1)), tag};
    return source;
}

// The new id is the last tag's id + 0x10001, wrapping, whatever the source's id; a reload gives
// the source's class codes, the stored name and the count.
TEST(ImportNewTag, IdAndReload) {
    for (const auto& [lastIdent, newIdent] :
         {std::pair<uint32_t, uint32_t>{0xE1740013, 0xE1750014u}, {0xFFFF0000, 0x00000001u}}) {
        SCOPED_TRACE(lastIdent);
        TempDir dir;
        MapSpec dest;
        dest.tags = {PlainTag("scnr", "d", 0x00000001, Counting(16, 2)),
                     PlainTag("bipd", "x", lastIdent, Counting(16, 3))};
        WriteMap(dir / "dest.map", dest);
        WriteMap(dir / "source.map", TwoTagSource());
        HaloPcMap source = Load(dir / "source.map");
        HaloPcMap map = Load(dir / "dest.map");
        map.AddMetaToMapFromMap(source, 1);
        EXPECT_EQ(map.TagCache.back().ident, newIdent);
        EXPECT_EQ(map.FindTagByIdent(newIdent), 2);
        const HaloPcMap reloaded = Load(dir / "dest.map");
        ASSERT_EQ(reloaded.TagCount, 3);
        const Tag& t = reloaded.TagCache[2];
        EXPECT_EQ(t.ident, newIdent);
        EXPECT_EQ((std::vector<std::string>{t.Class1, t.Class2, t.Class3, t.Name}),
                  (std::vector<std::string>{"weap", "obje", "item", "abc_3"}));
        EXPECT_EQ(reloaded.FindTagByName("weap:abc_3"), 2);
        EXPECT_EQ(reloaded.TagClass, (std::vector<std::string>{"bipd", "scnr", "weap"}));
    }
}

// Words placed in the destination's last tag, at the addresses that bound the data region.
TEST(ImportRelocation, RaisesAddressesOfTheDataRegionOnly) {
    TempDir dir;
    MapSpec dest;
    dest.tags = {PlainTag("scnr", "levels\\d", 0xD0000000, Counting(16, 1)),
                 PlainTag("bipd", "last", 0xD0010001, Counting(32, 2))};
    const builder::BuiltMap first = builder::BuildMap(dest);
    const int32_t f0 = first.tags[0].offset + first.magic;
    const int32_t end = static_cast<int32_t>(first.bytes.size()) + first.magic;
    const int32_t nameAddress = first.tags[1].nameOffset + first.magic;
    const std::vector<int32_t> words = {f0, f0 - 1, end, end - 1, nameAddress, f0 + 20};
    for (size_t i = 0; i < words.size(); ++i) {
        dest.tags[1].data.SetWord(4 * i, static_cast<uint32_t>(words[i]));
    }
    const builder::BuiltMap built = WriteMap(dir / "dest.map", dest);
    WriteMap(dir / "source.map", TwoTagSource());
    HaloPcMap source = Load(dir / "source.map");
    HaloPcMap map = Load(dir / "dest.map");
    map.AddMetaToMapFromMap(source, 1);

    const int32_t shift = 32 + 5 + 1; // "abc_3"
    const std::vector<uint8_t> after = ReadFileBytes(dir / "dest.map");
    const int64_t at = built.tags[1].offset + shift;
    const std::vector<int32_t> expected = {f0 + shift,      f0 - 1,      end,
                                           end - 1 + shift, nameAddress, f0 + 20 + shift};
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(WordAt(after, at + 4 * static_cast<int64_t>(i)), expected[i]) << "word " << i;
    }
}

} // namespace
} // namespace pelmar::test
