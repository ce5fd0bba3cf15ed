// The two header layouts and the translation between map addresses and file offsets.
#include "LoaderTestMaps.h"
#include "map/MapLayout.h"
#include "platform/Int32.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace pelmar::test {
namespace {

HaloPcMap Load(const std::filesystem::path& path) {
    HaloPcMap map;
    map.LoadMap(path);
    return map;
}

TEST(HeaderLayout, DaehSignatureTakesTheIndexOffsetFromOffset16) {
    TempDir dir;
    builder::MapSpec blueprint = ThreeTagSpec();
    blueprint.headerSize = 2048;
    builder::BuiltMap built = builder::BuildMap(blueprint);
    // A word at 1516 that would send the loader astray if it were used.
    SetWord(built.bytes, layout::kAlternateIndexOffsetField, 0x7FFFFF00);
    WriteFileBytes(dir / "a.map", built.bytes);

    const HaloPcMap map = Load(dir / "a.map");
    EXPECT_EQ(map.indexOffset, 2048);
    ExpectModelMatchesBuild(map, blueprint, built);
}

TEST(HeaderLayout, SignatureIsComparedWithoutRegardToCase) {
    TempDir dir;
    for (const char* signature : {"DAEH", "DaEh", "daeH"}) {
        builder::MapSpec blueprint = ThreeTagSpec();
        blueprint.signature = signature;
        blueprint.headerSize = 1024;
        builder::BuiltMap built = builder::BuildMap(blueprint);
        ASSERT_EQ(WordAt(built.bytes, layout::kIndexOffsetField), 1024) << signature;
        WriteFileBytes(dir / "caps.map", built.bytes);
        const HaloPcMap map = Load(dir / "caps.map");
        EXPECT_EQ(map.indexOffset, 1024) << signature;
        ExpectModelMatchesBuild(map, blueprint, built);
    }
}

TEST(HeaderLayout, OtherSignaturesTakeTheIndexOffsetFromOffset1516) {
    TempDir dir;
    for (const char* signature : {"head", "daex", "\xFF\xFF\xFF\xFF", "dae"}) {
        builder::MapSpec blueprint = ThreeTagSpec();
        blueprint.signature = signature;
        blueprint.headerSize = 3000;
        builder::BuiltMap built = builder::BuildMap(blueprint);
        // A word at 16 that points at a plausible but wrong place.
        SetWord(built.bytes, layout::kIndexOffsetField, 40);
        ASSERT_EQ(WordAt(built.bytes, layout::kAlternateIndexOffsetField), 3000);
        WriteFileBytes(dir / "other.map", built.bytes);
        const HaloPcMap map = Load(dir / "other.map");
        EXPECT_EQ(map.indexOffset, 3000) << signature;
        ExpectModelMatchesBuild(map, blueprint, built);
    }
}

// Index offset 1000 and MapMagic 5040 give tagOffset 1040 and Magic 4000; the map address
// 6000 is file offset 2000.
TEST(AddressTranslation, WorkedExample) {
    TempDir dir;
    builder::MapSpec blueprint = ThreeTagSpec();
    blueprint.headerSize = 1000;
    blueprint.mapMagic = 5040;
    // Names start right after the three entries (1040 + 96); a first name of the right
    // length puts the second tag's name at file offset 2000.
    blueprint.tags[0].name = std::string(2000 - 1136 - 1, 'n');
    const builder::BuiltMap built = WriteMap(dir / "example.map", blueprint);

    const HaloPcMap map = Load(dir / "example.map");
    EXPECT_EQ(map.indexOffset, 1000);
    EXPECT_EQ(map.MapMagic, 5040);
    EXPECT_EQ(map.tagOffset, 1040);
    EXPECT_EQ(map.Magic, 4000);
    ASSERT_EQ(map.TagCache[1].NameOffset, 2000);
    EXPECT_EQ(WordAt(built.bytes, 1040 + 32 + 16), 6000);
    EXPECT_EQ(map.TagCache[1].Name, "gun");
    for (size_t i = 0; i < 3; ++i) {
        const int64_t entry = 1040 + 32 * static_cast<int64_t>(i);
        EXPECT_EQ(WordAt(built.bytes, entry + 16), map.TagCache[i].NameOffset + 4000);
        EXPECT_EQ(WordAt(built.bytes, entry + 20), map.TagCache[i].Offset + 4000);
    }
    ExpectModelMatchesBuild(map, blueprint, built);
}

TEST(AddressTranslation, MapMagicTranslatesToTheFirstEntryWhateverItsValue) {
    TempDir dir;
    for (int32_t mapMagic : {0, 1040, -1, INT32_MIN, INT32_MAX, 0x40440028}) {
        builder::MapSpec blueprint = ThreeTagSpec();
        blueprint.headerSize = 1000;
        blueprint.mapMagic = mapMagic;
        const builder::BuiltMap built = WriteMap(dir / "m.map", blueprint);
        const HaloPcMap map = Load(dir / "m.map");
        EXPECT_EQ(map.MapMagic, mapMagic);
        EXPECT_EQ(map.tagOffset, 1040);
        EXPECT_EQ(SubWrap(map.MapMagic, map.Magic), 1040) << mapMagic;
        ExpectModelMatchesBuild(map, blueprint, built);
    }
}

} // namespace
} // namespace pelmar::test
