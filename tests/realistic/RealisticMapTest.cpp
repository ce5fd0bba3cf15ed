#include "mapbuilder/RealisticMap.h"
#include "map/Crc.h"
#include "map/HaloPcMap.h"
#include "platform/Words.h"
#include "structview/PluginParser.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <map>
#include <tuple>

namespace pelmar::builder {
namespace {

const PluginDef* Plugin(std::string_view cls) {
    static const auto plugins = [] {
        std::map<std::string, PluginDef> all;
        for (const auto& file : std::filesystem::directory_iterator(test::BundledPluginsDir())) {
            const std::vector<uint8_t> text = test::ReadFileBytes(file.path());
            PluginDef def = ParsePlugin({reinterpret_cast<const char*>(text.data()), text.size()});
            all.emplace(def.tagClass, std::move(def));
        }
        return all;
    }();
    return &plugins.at(std::string(cls)); // the map asks only for classes that have one
}

const StructDef& Block(const StructDef& def, std::string_view name) {
    return *std::ranges::find(def.structs, name, &StructDef::name);
}

// A built map, the map decoded from its bytes, and what a walk of its tag data found.
struct Built {
    RealisticMap map;
    HaloPcMap decoded;
    int resolved = 0;
    uint32_t U32(int64_t offset) const { return test::WordAt(decoded.bytes(), offset); }
    int64_t Offset(uint32_t address) const { return int64_t{address} - decoded.Magic; }
    // Walks tag data after its plugin: blocks lie in the file, references are null or resolve.
    void Walk(const StructDef& def, int64_t at) {
        for (const FieldDef& f : def.fields) {
            const int64_t p = at + f.offset;
            if (f.type != FieldType::TagRef) {
                continue;
            }
            const std::optional<int32_t> tag = decoded.FindTagByIdent(U32(p + 12));
            const int64_t e = decoded.tagOffset + 32 * tag.value_or(0);
            const size_t length = tag ? decoded.TagCache.at(*tag).Name.size() : 0;
            EXPECT_EQ(std::make_tuple(U32(p), U32(p + 4), size_t{U32(p + 8)}, U32(p + 12)),
                      tag ? std::make_tuple(U32(e), U32(e + 16), length, U32(e + 12))
                          : std::make_tuple(U32(p), 0u, length, 0xFFFFFFFFu));
            resolved += tag.has_value();
        }
        for (const StructDef& s : def.structs) {
            const uint32_t count = U32(at + s.offset), addr = U32(at + s.offset + 4);
            ASSERT_TRUE(addr == 0 || RangeFits(Offset(addr), count * s.size, map.bytes.size()));
            for (uint32_t i = 0; addr != 0 && i < count; ++i) {
                Walk(s, Offset(addr) + i * s.size);
            }
        }
    }
};

Built Build(uint32_t version, uint64_t targetBytes = 0) {
    RealisticMap map = BuildRealisticMap({version, targetBytes, 0, 7}, Plugin);
    auto buffer = std::make_shared<ByteBuffer>(map.bytes.size());
    std::memcpy(buffer->data(), map.bytes.data(), map.bytes.size());
    return {std::move(map), HaloPcMap::Decode(buffer)};
}

// The header, and its CRC over the scenario's BSPs, the model data and the whole tag data.
void ExpectValidHeader(const Built& b, uint32_t version) {
    const MapHeader& h = *b.decoded.header;
    const char* build = version == 609 ? "01.00.00.0609" : "01.00.00.0564";
    EXPECT_EQ(std::tie(h.version, h.type, h.name, h.build, h.tagDataOffset),
              std::make_tuple(version, 1, "pelmardemo", build, b.map.tagDataOffset));
    EXPECT_TRUE(h.DescribesFile(b.map.bytes.size()));
    const int64_t bsps = b.Offset(b.U32(b.decoded.Scenario().Offset + 0x5A8));
    const std::span<const uint8_t> file = b.decoded.bytes();
    uint32_t crc = kCrcStart;
    for (uint32_t i = 0; i < b.U32(b.decoded.Scenario().Offset + 0x5A4); ++i) {
        crc = ExtendCrc(crc, file.subspan(b.U32(bsps + 32 * i), b.U32(bsps + 32 * i + 4)));
    }
    crc = ExtendCrc(crc, file.subspan(b.U32(h.tagDataOffset + 20), b.U32(h.tagDataOffset + 32)));
    EXPECT_EQ(h.crc, ExtendCrc(crc, file.subspan(h.tagDataOffset)));
}

class RealisticMapTest : public testing::TestWithParam<uint32_t> {};

TEST_P(RealisticMapTest, HeaderCrcBspAndIndexedEntriesAreThoseOfARealMap) {
    const Built b = Build(GetParam());
    ExpectValidHeader(b, GetParam());
    const int32_t bsp = b.decoded.TagsOfClass("sbsp").at(0);
    EXPECT_GT(bsp, b.decoded.TagCount * 9 / 10);         // near the end of the index
    EXPECT_EQ(b.U32(b.map.bspOffset + 20), 0x73627370u); // "sbsp"
    int32_t firstIndexed = -1, indexedSounds = 0;
    for (int32_t i = 0; i < b.decoded.TagCount; ++i) {
        const Tag& t = b.decoded.TagCache.at(i);
        const bool indexed = b.U32(b.decoded.tagOffset + 32 * i + 24) == 1;
        const bool sound = t.Class1 == "snd!";
        EXPECT_EQ(t.place == DataPlace::ResourceMap, indexed && !sound) << i;
        EXPECT_EQ(t.HasData(), (!indexed || sound) && i != bsp) << i;
        // An indexed sound keeps the count of its pitch ranges, with address 0.
        indexedSounds += indexed && sound && b.U32(t.Offset + 152) && !b.U32(t.Offset + 156);
        firstIndexed = firstIndexed < 0 && indexed ? i : firstIndexed;
    }
    EXPECT_EQ(firstIndexed >= 3 && firstIndexed <= 4, GetParam() == 609) << firstIndexed;
    EXPECT_EQ(indexedSounds > 0, GetParam() == 609);
}

TEST_P(RealisticMapTest, TagDataFollowsThePluginsAndReferencesResolve) {
    Built b = Build(GetParam());
    for (const Tag& t : b.decoded.TagCache) {
        if (t.HasData()) {
            b.Walk(Plugin(t.Class1)->root, t.Offset);
        }
    }
    EXPECT_GT(b.resolved, 1000);
    const std::tuple<const StructDef&, int64_t, int64_t> kBlocks[] = {
        {Block(Plugin("weap")->root, "magazines"), 1264, 112},
        {Block(Plugin("weap")->root, "triggers"), 1276, 276},
        {Block(Block(Plugin("weap")->root, "triggers"), "firing effects"), 264, 132},
        {Block(Plugin("scnr")->root, "structure bsps"), 1444, 32}};
    for (const auto& [s, offset, size] : kBlocks) {
        EXPECT_EQ(std::make_pair(s.offset, s.size), std::make_pair(offset, size)) << s.name;
    }
    // A trigger's firing effects lie in the weapon's data; the BSPs end the scenario's.
    const Tag& weap = b.decoded.TagCache.at(b.decoded.TagsOfClass("weap").front());
    const int64_t effects = b.Offset(b.U32(b.Offset(b.U32(weap.Offset + 1280)) + 268));
    EXPECT_TRUE(effects > weap.Offset + 1288 && effects + 132 <= weap.Offset + weap.Size);
    const Tag& scnr = b.decoded.Scenario();
    EXPECT_EQ(b.Offset(b.U32(scnr.Offset + 1448)), scnr.Offset + scnr.Size - 32);
    const float radius = std::bit_cast<float>(b.U32(weap.Offset + 4)); // looks like an address
    EXPECT_TRUE(radius >= 3.1f && radius <= 7.0f) << radius;
}

INSTANTIATE_TEST_SUITE_P(Versions, RealisticMapTest, testing::Values(7u, 609u));

TEST(RealisticMapGrowthTest, ATargetOf32MiBGivesAValidMapOfAboutThatSize) {
    const Built b = Build(609, 32u << 20);
    ExpectValidHeader(b, 609);
    EXPECT_NEAR(static_cast<double>(b.map.bytes.size()), 32 << 20, (32 << 20) / 50);
}

} // namespace
} // namespace pelmar::builder
