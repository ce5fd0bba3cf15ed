#include "LoaderTestMaps.h"

#include <gtest/gtest.h>

namespace pelmar::test {

builder::TagSpec SimpleTag(const std::string& class1, const std::string& name, uint32_t ident,
                           size_t dataSize) {
    builder::TagSpec tag;
    tag.class1 = class1;
    tag.class2 = "obje";
    tag.class3 = "unit";
    tag.ident = ident;
    tag.name = name;
    tag.data = builder::Block(dataSize);
    for (size_t at = 0; at < dataSize; ++at) {
        tag.data.bytes[at] = static_cast<uint8_t>(ident + at * 7);
    }
    return tag;
}

builder::MapSpec SpecOf(std::vector<builder::TagSpec> tags) {
    builder::MapSpec blueprint;
    blueprint.tags = std::move(tags);
    return blueprint;
}

builder::MapSpec ThreeTagSpec() {
    return SpecOf({SimpleTag("scnr", "levels\\test", 0xE0000001u, 1600),
                   SimpleTag("weap", "gun", 0xE0010002u, 96),
                   SimpleTag("bipd", "guy", 0xE0020003u, 40)});
}

namespace {

std::vector<uint8_t> BlockBytes(const Tag& t) {
    auto bytes = t.TagBlock.bytes();
    return {bytes.begin(), bytes.end()};
}

} // namespace

void ExpectSameModel(const HaloPcMap& actual, const HaloPcMap& expected) {
    EXPECT_EQ(actual.f, expected.f);
    EXPECT_EQ(actual.indexOffset, expected.indexOffset);
    EXPECT_EQ(actual.MapMagic, expected.MapMagic);
    EXPECT_EQ(actual.tagOffset, expected.tagOffset);
    EXPECT_EQ(actual.Magic, expected.Magic);
    EXPECT_EQ(actual.TagCount, expected.TagCount);
    ASSERT_EQ(actual.TagCache.size(), expected.TagCache.size());
    for (size_t i = 0; i < actual.TagCache.size(); ++i) {
        const Tag& a = actual.TagCache[i];
        const Tag& e = expected.TagCache[i];
        EXPECT_EQ(a.Class1, e.Class1) << "tag " << i;
        EXPECT_EQ(a.Class2, e.Class2) << "tag " << i;
        EXPECT_EQ(a.Class3, e.Class3) << "tag " << i;
        EXPECT_EQ(a.ident, e.ident) << "tag " << i;
        EXPECT_EQ(a.Name, e.Name) << "tag " << i;
        EXPECT_EQ(a.NameOffset, e.NameOffset) << "tag " << i;
        EXPECT_EQ(a.Offset, e.Offset) << "tag " << i;
        EXPECT_EQ(a.Size, e.Size) << "tag " << i;
        EXPECT_EQ(BlockBytes(a), BlockBytes(e)) << "tag " << i;
    }
    EXPECT_EQ(actual.TagByName, expected.TagByName);
    EXPECT_EQ(actual.TagsByIdent, expected.TagsByIdent);
    EXPECT_EQ(actual.TagsByClass, expected.TagsByClass);
    EXPECT_EQ(actual.TagClass, expected.TagClass);
}

void ExpectModelMatchesBuild(const HaloPcMap& map, const builder::MapSpec& blueprint,
                             const builder::BuiltMap& built) {
    EXPECT_EQ(map.indexOffset, built.indexOffset);
    EXPECT_EQ(map.tagOffset, built.tagOffset);
    EXPECT_EQ(map.Magic, built.magic);
    EXPECT_EQ(map.MapMagic, blueprint.mapMagic);
    EXPECT_EQ(map.TagCount, static_cast<int32_t>(blueprint.tags.size()));
    ASSERT_EQ(map.TagCache.size(), blueprint.tags.size());
    for (size_t i = 0; i < blueprint.tags.size(); ++i) {
        const Tag& t = map.TagCache[i];
        EXPECT_EQ(t.Class1, blueprint.tags[i].class1) << "tag " << i;
        EXPECT_EQ(t.Class2, blueprint.tags[i].class2) << "tag " << i;
        EXPECT_EQ(t.Class3, blueprint.tags[i].class3) << "tag " << i;
        EXPECT_EQ(t.ident, blueprint.tags[i].ident) << "tag " << i;
        EXPECT_EQ(t.Name, blueprint.tags[i].name) << "tag " << i;
        EXPECT_EQ(t.NameOffset, built.tags[i].nameOffset) << "tag " << i;
        EXPECT_EQ(t.Offset, built.tags[i].offset) << "tag " << i;
        const std::vector<uint8_t> expected(built.bytes.begin() + t.Offset,
                                            i + 1 < blueprint.tags.size()
                                                ? built.bytes.begin() + built.tags[i + 1].offset
                                                : built.bytes.end());
        EXPECT_EQ(t.Size, static_cast<int32_t>(expected.size())) << "tag " << i;
        EXPECT_EQ(BlockBytes(t), expected) << "tag " << i;
    }
}

} // namespace pelmar::test
