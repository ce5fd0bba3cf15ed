// Where the import puts the new entry, name and data, and how it moves everything else.
#include "ImportTestSupport.h"
#include "map/MapLayout.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

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

Block WithStruct(size_t size, uint32_t seed, int32_t at, int32_t chunkSize, int count) {
    Block block = Counting(size, seed);
    Reflexive ref{at, chunkSize, {}};
    for (int k = 0; k < count; ++k) {
        ref.chunks.push_back(Counting(static_cast<size_t>(chunkSize), seed + 50));
    }
    return block.Add(ref);
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

class NinetyNineTags : public ::testing::Test {
protected:
    void SetUp() override {
        MapSpec dest;
        dest.tags.push_back(PlainTag("scnr", "levels\\n", 0xD0000000, Counting(64, 1)));
        for (uint32_t i = 1; i < 99; ++i) {
            dest.tags.push_back(PlainTag("bipd", "b" + std::to_string(i), 0xD0000000 + i,
                                         Counting(8 + 4 * (i % 3), i)));
        }
        built_ = WriteMap(dir_ / "dest.map", dest);
        before_ = built_.bytes;
        MapSpec source;
        source.tags = {PlainTag("scnr", "s", 0xA0000000, Counting(16, 1)),
                       PlainTag("weap", "abc", 0xA0010001, Counting(kSize, 9))};
        WriteMap(dir_ / "source.map", source);
        source_ = Load(dir_ / "source.map");
        map_ = Load(dir_ / "dest.map");
        map_.AddMetaToMapFromMap(source_, 1);
        after_ = ReadFileBytes(dir_ / "dest.map");
        l0_ = static_cast<int32_t>(before_.size());
        f0_ = built_.tags[0].offset;
        e_ = built_.tagOffset + 32 * 99;
    }
    static constexpr int32_t kSize = 20;
    static constexpr int32_t kShift = 40; // 32 for the entry, 8 for "abc_100" and a zero

    TempDir dir_;
    builder::BuiltMap built_;
    std::vector<uint8_t> before_, after_;
    HaloPcMap source_, map_;
    int32_t l0_ = 0, f0_ = 0, e_ = 0;
};

TEST_F(NinetyNineTags, TheFileGrowsByTheShiftAndTheData) {
    EXPECT_EQ(after_.size(), before_.size() + kShift + kSize);
}

TEST_F(NinetyNineTags, TheTagCountBecomes100InMemoryAndInTheFile) {
    EXPECT_EQ(map_.TagCount, 100);
    EXPECT_EQ(map_.TagCache.size(), 100u);
    EXPECT_EQ(WordAt(after_, built_.indexOffset + 12), 100);
}

TEST_F(NinetyNineTags, EverythingBeforeTheEntriesIsUnchangedButTheCount) {
    std::vector<uint8_t> head(after_.begin(), after_.begin() + built_.tagOffset);
    SetWord(head, built_.indexOffset + 12, 99);
    EXPECT_TRUE(std::equal(head.begin(), head.end(), before_.begin()));
}

TEST_F(NinetyNineTags, EveryEntryMovesItsNameBy32AndItsDataByTheShift) {
    for (int32_t i = 0; i < 99; ++i) {
        const int64_t e = built_.tagOffset + 32 * i;
        EXPECT_EQ(WordAt(after_, e + 16), WordAt(before_, e + 16) + 32) << "entry " << i;
        EXPECT_EQ(WordAt(after_, e + 20), WordAt(before_, e + 20) + kShift) << "entry " << i;
        EXPECT_TRUE(std::equal(after_.begin() + e, after_.begin() + e + 16, before_.begin() + e));
        EXPECT_TRUE(
            std::equal(after_.begin() + e + 24, after_.begin() + e + 32, before_.begin() + e + 24));
    }
}

TEST_F(NinetyNineTags, TheNewEntryFollowsTheEntries) {
    const uint8_t* entry = after_.data() + e_;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(entry), 4), "paew");
    EXPECT_EQ(static_cast<uint32_t>(WordAt(after_, e_ + 12)), 0xD0000062u + 0x10001u);
    EXPECT_EQ(WordAt(after_, e_ + 16), built_.magic + f0_ + 32);
    EXPECT_EQ(WordAt(after_, e_ + 20), built_.magic + l0_ + kShift);
    EXPECT_EQ(WordAt(after_, e_ + 24), 0);
    EXPECT_EQ(WordAt(after_, e_ + 28), 0);
}

TEST_F(NinetyNineTags, TheNamesMoveBy32AndTheStoredNameLandsWhereTheDataBegan) {
    EXPECT_TRUE(std::equal(before_.begin() + e_, before_.begin() + f0_, after_.begin() + e_ + 32));
    EXPECT_EQ(std::memcmp(after_.data() + f0_ + 32, "abc_100", 8), 0); // with its zero byte
}

TEST_F(NinetyNineTags, TheDataMovesByTheShiftAndTheCopyEndsTheFile) {
    EXPECT_TRUE(std::equal(before_.begin() + f0_, before_.end(), after_.begin() + f0_ + kShift));
    const auto copied = source_.TagCache[1].TagBlock.bytes();
    EXPECT_TRUE(std::equal(copied.begin(), copied.end(), after_.begin() + l0_ + kShift));
}

TEST_F(NinetyNineTags, TheModelRecordsTheNewTagsPlace) {
    const Tag& added = map_.TagCache.back();
    EXPECT_EQ(added.Name, "abc");
    EXPECT_EQ(added.NameOffset, f0_ + 32);
    EXPECT_EQ(added.Offset, l0_ + kShift);
    EXPECT_EQ(added.Size, kSize);
    EXPECT_EQ(map_.TagCache[0].Offset, f0_ + kShift);
    EXPECT_EQ(map_.TagCache[0].NameOffset, built_.tags[0].nameOffset + 32);
}

TEST_F(NinetyNineTags, AReloadAgreesWithTheModel) {
    const HaloPcMap reloaded = Load(dir_ / "dest.map");
    ASSERT_EQ(reloaded.TagCount, 100);
    for (size_t i = 0; i < 100; ++i) {
        const Tag& a = map_.TagCache[i];
        const Tag& b = reloaded.TagCache[i];
        EXPECT_EQ(a.Class1, b.Class1) << i;
        EXPECT_EQ(a.ident, b.ident) << i;
        EXPECT_EQ(a.NameOffset, b.NameOffset) << i;
        EXPECT_EQ(a.Offset, b.Offset) << i;
        EXPECT_EQ(a.Size, b.Size) << i;
        EXPECT_TRUE(std::ranges::equal(a.TagBlock.bytes(), b.TagBlock.bytes())) << i;
        if (i < 99) {
            EXPECT_EQ(a.Name, b.Name) << i;
        }
    }
    EXPECT_EQ(reloaded.TagCache.back().Name, "abc_100");
}

MapSpec TwoTagSource(uint32_t ident) {
    MapSpec source;
    builder::TagSpec tag = PlainTag("weap", "abc", ident, Counting(12, 9));
    tag.class2 = "obje";
    tag.class3 = "item";
    source.tags = {PlainTag("scnr", "s", 0xA0000000, Counting(16, 1)), tag};
    return source;
}

uint32_t NewIdAfter(uint32_t lastIdent) {
    TempDir dir;
    MapSpec dest;
    dest.tags = {PlainTag("scnr", "d", 0x00000001, Counting(16, 2)),
                 PlainTag("bipd", "x", lastIdent, Counting(16, 3))};
    WriteMap(dir / "dest.map", dest);
    WriteMap(dir / "source.map", TwoTagSource(0x12345678));
    HaloPcMap source = Load(dir / "source.map");
    HaloPcMap map = Load(dir / "dest.map");
    map.AddMetaToMapFromMap(source, 1);
    const uint32_t inModel = map.TagCache.back().ident;
    EXPECT_EQ(map.FindTagByIdent(inModel), 2);
    EXPECT_EQ(Load(dir / "dest.map").TagCache.back().ident, inModel);
    return inModel;
}

TEST(ImportNewTagId, IsTheLastTagsIdPlus0x10001WhateverTheSourceId) {
    EXPECT_EQ(NewIdAfter(0xE1740013), 0xE1750014u);
}

TEST(ImportNewTagId, WrapsAround) {
    EXPECT_EQ(NewIdAfter(0xFFFF0000), 0x00000001u);
}

TEST(ImportReload, GivesTheSourcesClassCodesTheStoredNameAndTheCount) {
    TempDir dir;
    WriteMap(dir / "dest.map", DestinationSpec());
    WriteMap(dir / "source.map", TwoTagSource(0x12345678));
    HaloPcMap source = Load(dir / "source.map");
    HaloPcMap map = Load(dir / "dest.map");
    map.AddMetaToMapFromMap(source, 1);
    const HaloPcMap reloaded = Load(dir / "dest.map");
    ASSERT_EQ(reloaded.TagCount, 4);
    const Tag& t = reloaded.TagCache[3];
    EXPECT_EQ(t.Class1, "weap");
    EXPECT_EQ(t.Class2, "obje");
    EXPECT_EQ(t.Class3, "item");
    EXPECT_EQ(t.Name, "abc_4");
    EXPECT_EQ(reloaded.FindTagByName("weap:abc_4"), 3);
    EXPECT_EQ(reloaded.TagClass, (std::vector<std::string>{"effe", "scnr", "weap"}));
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
    WriteMap(dir / "source.map", TwoTagSource(0x12345678));
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
