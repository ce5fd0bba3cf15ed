// Maps whose layout differs from the usual one: names outside the names area, a model whose
// last tag's size lags behind the file, sizes that are not whole words.
#include "ImportTestSupport.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

namespace pelmar::test {
namespace {

using builder::MapSpec;

MapSpec ThreeTags() {
    MapSpec dest;
    dest.tags = {PlainTag("scnr", "levels\\d", 0xD0000000, Counting(32, 1)),
                 PlainTag("bipd", "one", 0xD0010001, Counting(16, 2)),
                 PlainTag("bipd", "two", 0xD0020002, Counting(32, 3))};
    return dest;
}

MapSpec SmallSource(size_t size) {
    MapSpec source;
    source.tags = {PlainTag("scnr", "s", 0xA0000000, Counting(16, 1)),
                   PlainTag("weap", "abc", 0xA0010001, Counting(size, 9))};
    return source;
}

void Import(const std::filesystem::path& dest, const std::filesystem::path& source, int32_t n = 1) {
    HaloPcMap sourceMap = Load(source);
    HaloPcMap map = Load(dest);
    map.AddMetaToMapFromMap(sourceMap, n);
}

// A name kept in the file header does not move; one kept among the data moves with it.
TEST(UnusualLayout, NamesOutsideTheNamesAreaKeepPointingAtTheirBytes) {
    TempDir dir;
    const builder::BuiltMap built = builder::BuildMap(ThreeTags());
    std::vector<uint8_t> bytes = built.bytes;
    std::memcpy(bytes.data() + 100, "hdr", 4);
    SetWord(bytes, built.tagOffset + 32 * 1 + 16, 100 + built.magic);
    const int32_t dataName = built.tags[2].offset + 8;
    std::memcpy(bytes.data() + dataName, "tai", 4);
    SetWord(bytes, built.tagOffset + 32 * 2 + 16, dataName + built.magic);
    WriteFileBytes(dir / "dest.map", bytes);
    WriteMap(dir / "source.map", SmallSource(12));

    HaloPcMap source = Load(dir / "source.map");
    HaloPcMap map = Load(dir / "dest.map");
    ASSERT_EQ(map.TagCache[1].Name, "hdr");
    ASSERT_EQ(map.TagCache[2].Name, "tai");
    map.AddMetaToMapFromMap(source, 1);

    const HaloPcMap reloaded = Load(dir / "dest.map");
    const std::vector<std::string> names = {"levels\\d", "hdr", "tai", "abc_4"};
    for (size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(reloaded.TagCache[i].Name, names[i]) << "tag " << i;
        EXPECT_EQ(reloaded.TagCache[i].NameOffset, map.TagCache[i].NameOffset) << "tag " << i;
    }
    EXPECT_EQ(map.TagCache[1].NameOffset, 100);
}

// After an edit that grew the last tag, the model's size of it can be smaller than what the
// file holds; addresses into the whole of the file's data region still move.
TEST(UnusualLayout, AddressesUpToTheEndOfTheFileMoveWhateverTheLastTagsSize) {
    TempDir dir;
    MapSpec blueprint = ThreeTags();
    const builder::BuiltMap first = builder::BuildMap(blueprint);
    const int32_t nearEnd = first.tags[2].offset + 28 + first.magic;
    blueprint.tags[0].data.SetWord(0, static_cast<uint32_t>(nearEnd));
    const builder::BuiltMap built = WriteMap(dir / "dest.map", blueprint);
    WriteMap(dir / "source.map", SmallSource(12));

    HaloPcMap source = Load(dir / "source.map");
    HaloPcMap map = Load(dir / "dest.map");
    map.TagCache.back().Size -= 8;
    map.AddMetaToMapFromMap(source, 1);
    const int32_t shift = 32 + 5 + 1; // "abc_4"
    EXPECT_EQ(WordAt(ReadFileBytes(dir / "dest.map"), built.tags[0].offset + shift),
              nearEnd + shift);
}

TEST(UnusualLayout, TrailingBytesThatMakeNoWholeWordAreCopiedUnscanned) {
    TempDir dir;
    MapSpec dest = ThreeTags();
    AlignNamesEnd(dest);
    dest.tags[2].data = Counting(30, 3); // the file ends 2 bytes past a whole word
    const builder::BuiltMap first = builder::BuildMap(dest);
    const int32_t f0 = first.tags[0].offset + first.magic;
    dest.tags[2].data.SetWord(24, static_cast<uint32_t>(f0));
    dest.tags[2].data.bytes[28] = 0x11;
    dest.tags[2].data.bytes[29] = 0x22;
    const builder::BuiltMap built = WriteMap(dir / "dest.map", dest);
    ASSERT_EQ((built.bytes.size() - static_cast<size_t>(built.tags[0].offset)) % 4, 2u);

    MapSpec source = SmallSource(10); // two words and two bytes
    const builder::BuiltMap sourceFirst = builder::BuildMap(source);
    const int32_t base = sourceFirst.tags[1].offset + sourceFirst.magic;
    source.tags[1].data.SetWord(4, static_cast<uint32_t>(base));
    source.tags[1].data.bytes[8] = 0xAB;
    source.tags[1].data.bytes[9] = 0xCD;
    WriteMap(dir / "source.map", source);
    Import(dir / "dest.map", dir / "source.map");

    const std::vector<uint8_t> after = ReadFileBytes(dir / "dest.map");
    const int32_t shift = 38;
    const int64_t l0 = static_cast<int64_t>(built.bytes.size());
    ASSERT_EQ(after.size(), static_cast<size_t>(l0 + shift + 10));
    const int64_t last = built.tags[2].offset + shift;
    EXPECT_EQ(WordAt(after, last + 24), f0 + shift);
    EXPECT_EQ(after[last + 28], 0x11);
    EXPECT_EQ(after[last + 29], 0x22);
    const int64_t copy = l0 + shift;
    EXPECT_EQ(WordAt(after, copy), 9000);
    EXPECT_EQ(WordAt(after, copy + 4), built.magic + static_cast<int32_t>(copy));
    EXPECT_EQ(after[copy + 8], 0xAB);
    EXPECT_EQ(after[copy + 9], 0xCD);
}

} // namespace
} // namespace pelmar::test
