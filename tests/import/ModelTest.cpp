// The receiving map's model after an import: look-up tables, classes, and offsets that keep
// agreeing with the file through several imports.
#include "ImportTestSupport.h"
#include "map/TagImport.h"
#include "platform/FileReader.h"
#include "platform/LittleEndian.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace pelmar::test {
namespace {

using builder::Block;
using builder::MapSpec;

constexpr uint32_t kDestSparkId = 0xD0050005;

MapSpec Destination() {
    MapSpec dest;
    dest.tags = {PlainTag("scnr", "levels\\b", 0xD0000000, WithStruct(64, 4, 16, 8, 2)),
                 PlainTag("effe", "spark", kDestSparkId, WithStruct(40, 5, 8, 12, 1)),
                 PlainTag("weap", "rifle", 0xD0060006, WithStruct(64, 6, 24, 16, 3))};
    return dest;
}

// Source indexes: 0 scnr, 1 effe "spark" (its data holds its own id), 2 proj "bolt1"
// (refers to spark and to the scenario), 3 weap "gun".
MapSpec Source() {
    MapSpec source;
    Block spark = WithStruct(32, 2, 4, 8, 2);
    spark.SetWord(0, 0xA0010001);
    Block bolt = WithStruct(48, 3, 8, 16, 2);
    bolt.SetWord(0, 0xA0010001).SetWord(4, 0xA0000000);
    source.tags = {PlainTag("scnr", "levels\\a", 0xA0000000, Counting(64, 1)),
                   PlainTag("effe", "spark", 0xA0010001, spark),
                   PlainTag("proj", "bolt1", 0xA0020002, bolt),
                   PlainTag("weap", "gun", 0xA0030003, WithStruct(64, 7, 12, 20, 2))};
    return source;
}

class ImportModel : public ::testing::Test {
protected:
    void SetUp() override {
        WriteMap(dir_ / "dest.map", Destination());
        WriteMap(dir_ / "source.map", Source());
        source_ = Load(dir_ / "source.map");
        map_ = Load(dir_ / "dest.map");
    }
    TempDir dir_;
    HaloPcMap source_, map_;
};

TEST_F(ImportModel, ANewClassIsAddedInOrderAnExistingOneGetsTheNameAfterItsOthers) {
    map_.AddMetaToMapFromMap(source_, 2);
    EXPECT_EQ(map_.TagClass, (std::vector<std::string>{"effe", "proj", "scnr", "weap"}));
    EXPECT_EQ(map_.NamesOfClass("proj"), (std::vector<std::string>{"bolt1"}));
    EXPECT_EQ(map_.FindTagByName("proj:bolt1"), 3);
    EXPECT_EQ(map_.FindTagByIdent(0xD0070007), 3);
    map_.AddMetaToMapFromMap(source_, 3);
    EXPECT_EQ(map_.TagClass, (std::vector<std::string>{"effe", "proj", "scnr", "weap"}));
    EXPECT_EQ(map_.NamesOfClass("weap"), (std::vector<std::string>{"rifle", "gun"}));
    EXPECT_EQ(map_.TagCount, 5);
}

TEST_F(ImportModel, ATagWhoseClassAndNameTheMapHasIsAddedAsASecondEntry) {
    map_.AddMetaToMapFromMap(source_, 1);
    EXPECT_EQ(map_.TagCount, 4);
    EXPECT_EQ(map_.NamesOfClass("effe"), (std::vector<std::string>{"spark", "spark"}));
    EXPECT_EQ(map_.FindTagByName("effe:spark"), 3);
    EXPECT_EQ(map_.FindTagByIdent(kDestSparkId), 1);
    // Its reference to itself was translated before it was added: to the map's old spark.
    EXPECT_EQ(static_cast<uint32_t>(LoadI32(map_.TagCache[3].TagBlock.bytes().data())),
              kDestSparkId);
    const HaloPcMap reloaded = Load(dir_ / "dest.map");
    EXPECT_EQ(reloaded.TagCache[3].Name, "spark_4");
    EXPECT_EQ(reloaded.NamesOfClass("effe"), (std::vector<std::string>{"spark", "spark_4"}));
}

// A caller that loads the map and imports into it at once reads the file a single time; the
// model it is left with reads as a reload does.
TEST_F(ImportModel, AnImportOnBytesJustReadGivesTheSameFileAndAModelThatSeesIt) {
    map_.AddMetaToMapFromMap(source_, 2);

    WriteMap(dir_ / "other.map", Destination());
    const auto bytes = std::make_shared<ByteBuffer>(ReadWholeFile(dir_ / "other.map", 1u << 30));
    HaloPcMap other = HaloPcMap::FromBytes(bytes, dir_ / "other.map");
    tagimport::ImportTag(other, source_, 2, bytes->span());
    EXPECT_EQ(ReadFileBytes(dir_ / "other.map"), ReadFileBytes(dir_ / "dest.map"));

    const HaloPcMap reloaded = Load(dir_ / "other.map");
    ASSERT_EQ(other.TagCache.size(), reloaded.TagCache.size());
    for (size_t i = 0; i < other.TagCache.size(); ++i) {
        EXPECT_EQ(other.TagCache[i].Offset, reloaded.TagCache[i].Offset) << i;
        EXPECT_TRUE(std::ranges::equal(other.TagCache[i].TagBlock.bytes(),
                                       reloaded.TagCache[i].TagBlock.bytes()))
            << i;
    }
}

// Two imports into one model give the file that two imports with a reload between them give,
// also when a map copies its own tags: after the first import has moved every tag, the second
// copy is made from where the tag now is.
TEST_F(ImportModel, ASecondImportAgreesWithOneIntoAFreshlyLoadedMap) {
    for (bool fromItself : {false, true}) {
        SCOPED_TRACE(fromItself ? "from itself" : "from the source");
        WriteMap(dir_ / "dest.map", Destination());
        WriteMap(dir_ / "other.map", Destination());
        map_ = Load(dir_ / "dest.map");
        const auto from = [&](HaloPcMap& self) -> HaloPcMap& {
            return fromItself ? self : source_;
        };
        map_.AddMetaToMapFromMap(from(map_), fromItself ? 2 : 3);
        map_.AddMetaToMapFromMap(from(map_), fromItself ? 1 : 2);
        HaloPcMap first = Load(dir_ / "other.map");
        first.AddMetaToMapFromMap(from(first), fromItself ? 2 : 3);
        HaloPcMap reloaded = Load(dir_ / "other.map");
        reloaded.AddMetaToMapFromMap(from(reloaded), fromItself ? 1 : 2);
        EXPECT_EQ(ReadFileBytes(dir_ / "dest.map"), ReadFileBytes(dir_ / "other.map"));
    }
    // The self copy's struct address points at its own chunk, 40 bytes after its start.
    const Tag& copy = map_.TagCache.back();
    EXPECT_EQ(WordAt(ReadFileBytes(dir_ / "dest.map"), copy.Offset + 12),
              copy.Offset + 40 + map_.Magic);
}

} // namespace
} // namespace pelmar::test
