// How the copied tag's data is rewritten for the map that receives it: tag references are
// carried over by class and name, the tag's own addresses are rebased, all else is copied.
#include "ImportTestSupport.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace pelmar::test {
namespace {

using builder::Block;
using builder::MapSpec;

constexpr uint32_t kSourceScenarioId = 0xA0000000;
constexpr uint32_t kSourceSparkId = 0xA0010001;
constexpr uint32_t kSourceBoltId = 0xA0020002;
constexpr uint32_t kSourceGunId = 0xA0030003;
constexpr uint32_t kDestSparkId = 0xD0050005;
constexpr uint32_t kDestBothId = 0xD0060006;
constexpr uint32_t kDestGunId = 0xD0070007;
constexpr int32_t kGunSize = 64;
constexpr int32_t kMissing = -1;

// Word positions in the copied tag "weap:gun".
enum GunWord : int64_t {
    kSparkRef = 0,      // id of a source tag the destination also has
    kBoltRef = 4,       // id of a source tag the destination lacks
    kBase = 8,          // address of the tag's first byte
    kBasePlus8 = 12,    // address of its third word
    kBaseEnd = 16,      // address just past its data
    kBeforeBase = 20,   // address of the previous tag's last word
    kOwnId = 24,        // the tag's own id in the source
    kIdAndAddress = 28, // an id of a source tag that is also an address inside the tag
    kLastWord = 32,     // address of the tag's last word
    kPlain = 36,        // a value that is neither
};

struct Maps {
    TempDir dir;
    std::filesystem::path source = dir / "source.map";
    std::filesystem::path dest = dir / "dest.map";
    int32_t sourceBase = 0;
    int32_t destLength = 0;
    int32_t destMagic = 0;
};

// Source: scnr, effe "spark", proj "bolt", weap "gun" (the tag to copy), misc "both", whose
// id is an address inside gun's data. Destination: scnr, effe "spark", misc "both" and, when
// asked, its own weap "gun".
void WriteMaps(Maps& m, bool destHasGun) {
    MapSpec source;
    source.tags = {PlainTag("scnr", "levels\\src", kSourceScenarioId, Counting(64, 1)),
                   PlainTag("effe", "spark", kSourceSparkId, Counting(32, 2)),
                   PlainTag("proj", "bolt", kSourceBoltId, Counting(32, 3)),
                   PlainTag("weap", "gun", kSourceGunId, Counting(kGunSize, 4)),
                   PlainTag("misc", "both", 0, Counting(16, 5))};
    // The layout does not depend on the words, so the gun's address is known beforehand.
    const builder::BuiltMap first = builder::BuildMap(source);
    const int32_t base = first.tags[3].offset + first.magic;
    m.sourceBase = base;
    source.tags[4].ident = static_cast<uint32_t>(base + 12);
    Block& gun = source.tags[3].data;
    gun.SetWord(kSparkRef, kSourceSparkId).SetWord(kBoltRef, kSourceBoltId);
    gun.SetWord(kBase, base).SetWord(kBasePlus8, base + 8).SetWord(kBaseEnd, base + kGunSize);
    gun.SetWord(kBeforeBase, base - 4).SetWord(kOwnId, kSourceGunId);
    gun.SetWord(kIdAndAddress, base + 12).SetWord(kLastWord, base + kGunSize - 4);
    gun.SetWord(kPlain, 12345);
    const builder::BuiltMap built = WriteMap(m.source, source);
    ASSERT_EQ(built.tags[3].offset + built.magic, base);

    MapSpec dest;
    dest.mapMagic = 0x50000000;
    dest.tags = {PlainTag("scnr", "levels\\dst", 0xD0000000, Counting(64, 6)),
                 PlainTag("effe", "spark", kDestSparkId, Counting(32, 7)),
                 PlainTag("misc", "both", kDestBothId, Counting(16, 8))};
    if (destHasGun) {
        dest.tags.push_back(PlainTag("weap", "gun", kDestGunId, Counting(24, 9)));
    }
    const builder::BuiltMap destBuilt = WriteMap(m.dest, dest);
    m.destLength = static_cast<int32_t>(destBuilt.bytes.size());
    m.destMagic = destBuilt.magic;
}

// Imports gun and returns its copy as found in the destination file.
std::vector<uint8_t> ImportGun(const Maps& m) {
    HaloPcMap source = Load(m.source);
    HaloPcMap dest = Load(m.dest);
    dest.AddMetaToMapFromMap(source, 3);
    const std::vector<uint8_t> file = ReadFileBytes(m.dest);
    // The stored name "gun_4" or "gun_5" (5 bytes) and its zero byte follow the new entry.
    const int32_t shift = 32 + 5 + 1;
    EXPECT_EQ(file.size(), static_cast<size_t>(m.destLength + shift + kGunSize));
    return std::vector<uint8_t>(file.begin() + m.destLength + shift, file.end());
}

class Translation : public ::testing::Test {
protected:
    void SetUp() override {
        WriteMaps(maps_, false);
        copy_ = ImportGun(maps_);
        newAddress_ = maps_.destMagic + maps_.destLength + 38;
    }
    int32_t At(int64_t word) const { return WordAt(copy_, word); }

    Maps maps_;
    std::vector<uint8_t> copy_;
    int32_t newAddress_ = 0;
};

TEST_F(Translation, AReferenceToATagTheDestinationHasBecomesThatTagsId) {
    EXPECT_EQ(static_cast<uint32_t>(At(kSparkRef)), kDestSparkId);
}

TEST_F(Translation, AReferenceToATagTheDestinationLacksBecomesMinusOne) {
    EXPECT_EQ(At(kBoltRef), kMissing);
}

TEST_F(Translation, TheTagsOwnIdWithNoSuchTagInTheDestinationBecomesMinusOne) {
    EXPECT_EQ(At(kOwnId), kMissing);
}

TEST_F(Translation, AWordThatIsBothATagIdAndAnInternalAddressIsTranslatedAsAnId) {
    EXPECT_EQ(static_cast<uint32_t>(At(kIdAndAddress)), kDestBothId);
}

TEST_F(Translation, TheBaseAndAddressesInsideTheDataAreRebased) {
    EXPECT_EQ(At(kBase), newAddress_);
    EXPECT_EQ(At(kBasePlus8), newAddress_ + 8);
    EXPECT_EQ(At(kLastWord), newAddress_ + kGunSize - 4);
}

TEST_F(Translation, AddressesOutsideTheDataAndPlainValuesAreCopiedUnchanged) {
    EXPECT_EQ(At(kBaseEnd), maps_.sourceBase + kGunSize);
    EXPECT_EQ(At(kBeforeBase), maps_.sourceBase - 4);
    EXPECT_EQ(At(kPlain), 12345);
    for (int64_t at = 40; at < kGunSize; at += 4) {
        EXPECT_EQ(At(at), static_cast<int32_t>(4000 + at / 4)) << "word at " << at;
    }
}

TEST(TranslationOwnId, BecomesTheDestinationsTagOfTheSameNameNotTheNewId) {
    Maps m;
    WriteMaps(m, true);
    const std::vector<uint8_t> copy = ImportGun(m);
    EXPECT_EQ(static_cast<uint32_t>(WordAt(copy, kOwnId)), kDestGunId);
}

TEST(TranslationOwnId, TheSourceMapIsNotChanged) {
    Maps m;
    WriteMaps(m, true);
    HaloPcMap source = Load(m.source);
    const ModelSnapshot before = Snapshot(source);
    HaloPcMap dest = Load(m.dest);
    dest.AddMetaToMapFromMap(source, 3);
    EXPECT_EQ(Snapshot(source), before);
}

// A source whose magic puts the copied tag's data at map address `base`; the tag's words
// are `words`. Returns the words of the copy in the destination.
std::vector<int32_t> CopyWithBase(int32_t base, const std::vector<int32_t>& words) {
    TempDir dir;
    MapSpec source;
    source.tags = {PlainTag("scnr", "s", 0xA0000000, Counting(16, 1)),
                   PlainTag("weap", "gun", 0xA0010001, Counting(kGunSize, 2))};
    const builder::BuiltMap first = builder::BuildMap(source);
    source.mapMagic = base - first.tags[1].offset + first.tagOffset;
    for (size_t i = 0; i < words.size(); ++i) {
        source.tags[1].data.SetWord(4 * i, static_cast<uint32_t>(words[i]));
    }
    WriteMap(dir / "source.map", source);
    MapSpec dest;
    dest.tags = {PlainTag("scnr", "d", 0xD0000000, Counting(16, 3))};
    const builder::BuiltMap destBuilt = WriteMap(dir / "dest.map", dest);

    HaloPcMap sourceMap = Load(dir / "source.map");
    EXPECT_EQ(sourceMap.TagCache[1].Offset + sourceMap.Magic, base);
    HaloPcMap destMap = Load(dir / "dest.map");
    destMap.AddMetaToMapFromMap(sourceMap, 1);
    const std::vector<uint8_t> file = ReadFileBytes(dir / "dest.map");
    const size_t copyAt = destBuilt.bytes.size() + 32 + 5 + 1; // "gun_2"
    std::vector<int32_t> out;
    for (size_t i = 0; i < words.size(); ++i) {
        out.push_back(WordAt(file, static_cast<int64_t>(copyAt + 4 * i)));
    }
    return out;
}

TEST(TranslationRange, IsTestedWithSignedValuesAcrossZero) {
    // The data lies at addresses -8 .. 55: the small positive words are inside it.
    const int32_t base = -8;
    MapSpec dest;
    dest.tags = {PlainTag("scnr", "d", 0xD0000000, Counting(16, 3))};
    const builder::BuiltMap destBuilt = builder::BuildMap(dest);
    const int32_t newAddress = destBuilt.magic + static_cast<int32_t>(destBuilt.bytes.size()) + 38;
    const std::vector<int32_t> copy = CopyWithBase(base, {-8, 4, 55, 56, -9, 0x7FFFFFFF});
    EXPECT_EQ(copy, (std::vector<int32_t>{newAddress, newAddress + 12, newAddress + 63, 56, -9,
                                          0x7FFFFFFF}));
}

TEST(TranslationRange, DataWhoseEndWrapsPastTheLargestAddressHasNoWordRebased) {
    // base + Size wraps to a negative value, so the signed range is empty.
    const int32_t base = 0x7FFFFFE0;
    const std::vector<int32_t> words = {base, base + 8, base + 31, -1};
    EXPECT_EQ(CopyWithBase(base, words), words);
}

} // namespace
} // namespace pelmar::test
