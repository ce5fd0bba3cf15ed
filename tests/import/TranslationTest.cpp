// How the copied tag's data is rewritten for the map that receives it: tag references are
// carried over by class and name, the tag's own addresses are rebased, all else is copied.
#include "ImportTestSupport.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace pelmar::test {
namespace {

using builder::MapSpec;

constexpr uint32_t kSourceSparkId = 0xA0010001;
constexpr uint32_t kSourceBoltId = 0xA0020002;
constexpr uint32_t kSourceGunId = 0xA0030003;
constexpr uint32_t kDestSparkId = 0xD0050005;
constexpr uint32_t kDestBothId = 0xD0060006;
constexpr uint32_t kDestGunId = 0xD0070007;
constexpr int32_t kGunSize = 64;

// Source: scnr, effe "spark", proj "bolt", weap "gun" (the tag to copy), misc "both", whose id
// is an address inside gun's data. Destination: scnr, effe "spark", misc "both" and, when
// asked, its own weap "gun". Imports gun; returns its first ten words as copied and the
// words expected of them.
void ImportGun(bool destHasGun) {
    TempDir dir;
    MapSpec source;
    source.tags = {PlainTag("scnr", "levels\\src", 0xA0000000, Counting(64, 1)),
                   PlainTag("effe", "spark", kSourceSparkId, Counting(32, 2)),
                   PlainTag("proj", "bolt", kSourceBoltId, Counting(32, 3)),
                   PlainTag("weap", "gun", kSourceGunId, Counting(kGunSize, 4)),
                   PlainTag("misc", "both", 0, Counting(16, 5))};
    // The layout does not depend on the words, so the gun's address is known beforehand.
    const builder::BuiltMap first = builder::BuildMap(source);
    const int32_t base = first.tags[3].offset + first.magic;
    source.tags[4].ident = static_cast<uint32_t>(base + 12);
    const int32_t words[] = {static_cast<int32_t>(kSourceSparkId), // a tag the destination has
                             static_cast<int32_t>(kSourceBoltId),  // a tag it lacks
                             base,
                             base + 8,
                             base + kGunSize, // just past the data
                             base - 4,        // the previous tag's last word
                             static_cast<int32_t>(kSourceGunId),
                             base + 12, // both an id and an internal address
                             base + kGunSize - 4,
                             12345};
    for (size_t i = 0; i < std::size(words); ++i) {
        source.tags[3].data.SetWord(4 * i, static_cast<uint32_t>(words[i]));
    }
    WriteMap(dir / "source.map", source);

    MapSpec dest;
    dest.mapMagic = 0x50000000;
    dest.tags = {PlainTag("scnr", "levels\\dst", 0xD0000000, Counting(64, 6)),
                 PlainTag("effe", "spark", kDestSparkId, Counting(32, 7)),
                 PlainTag("misc", "both", kDestBothId, Counting(16, 8))};
    if (destHasGun) {
        dest.tags.push_back(PlainTag("weap", "gun", kDestGunId, Counting(24, 9)));
    }
    const builder::BuiltMap built = WriteMap(dir / "dest.map", dest);

    HaloPcMap sourceMap = Load(dir / "source.map");
    const ModelSnapshot sourceBefore = Snapshot(sourceMap);
    HaloPcMap destMap = Load(dir / "dest.map");
    destMap.AddMetaToMapFromMap(sourceMap, 3);
    EXPECT_EQ(Snapshot(sourceMap), sourceBefore) << "the source's model is not changed";

    const std::vector<uint8_t> file = ReadFileBytes(dir / "dest.map");
    // The stored name "gun_4" or "gun_5" (5 bytes) and its zero byte follow the new entry.
    const int64_t copyAt = static_cast<int64_t>(built.bytes.size()) + 32 + 5 + 1;
    ASSERT_EQ(file.size(), static_cast<size_t>(copyAt + kGunSize));
    const int32_t newBase = built.magic + static_cast<int32_t>(copyAt);
    const int32_t expected[] = {static_cast<int32_t>(kDestSparkId),
                                -1,
                                newBase,
                                newBase + 8,
                                base + kGunSize,
                                base - 4,
                                destHasGun ? static_cast<int32_t>(kDestGunId) : -1,
                                static_cast<int32_t>(kDestBothId),
                                newBase + kGunSize - 4,
                                12345};
    for (int64_t i = 0; i < kGunSize / 4; ++i) {
        const int32_t want = i < 10 ? expected[i] : static_cast<int32_t>(4000 + i);
        EXPECT_EQ(WordAt(file, copyAt + 4 * i), want) << "word " << i;
    }
}

TEST(Translation, ReferencesByClassAndNameAddressesRebasedTheRestCopied) {
    ImportGun(false);
}

// The tag's own id becomes the destination's tag of the same class and name, not the new id.
TEST(Translation, OwnIdBecomesTheDestinationsTagOfTheSameName) {
    ImportGun(true);
}

// A source whose magic puts the copied tag's data at map address `base`: the words of the
// copy in the destination, and the address where the copy lies.
std::vector<int32_t> CopyWithBase(int32_t base, const std::vector<int32_t>& words,
                                  int32_t& newBase) {
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
    const auto copyAt = static_cast<int32_t>(destBuilt.bytes.size()) + 32 + 5 + 1; // "gun_2"
    newBase = destBuilt.magic + copyAt;
    std::vector<int32_t> out;
    for (size_t i = 0; i < words.size(); ++i) {
        out.push_back(WordAt(file, copyAt + 4 * static_cast<int64_t>(i)));
    }
    return out;
}

TEST(Translation, RebaseRangeIsSigned32BitAndWraps) {
    int32_t n = 0;
    // The data lies at addresses -8 .. 55: the range is tested with signed values across zero.
    const std::vector<int32_t> copy = CopyWithBase(-8, {-8, 4, 55, 56, -9, 0x7FFFFFFF}, n);
    EXPECT_EQ(copy, (std::vector<int32_t>{n, n + 12, n + 63, 56, -9, 0x7FFFFFFF}));
    // base + Size wraps to a negative value, so the signed range is empty.
    const int32_t base = 0x7FFFFFE0;
    const std::vector<int32_t> words = {base, base + 8, base + 31, -1};
    EXPECT_EQ(CopyWithBase(base, words, n), words);
}

} // namespace
} // namespace pelmar::test
