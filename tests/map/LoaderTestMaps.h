#pragma once

#include "map/HaloPcMap.h"
#include "mapbuilder/MapBuilder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

namespace pelmar::test {

// A tag of `class1` named `name` whose data is `dataSize` bytes of a recognisable pattern.
inline builder::TagSpec SimpleTag(const std::string& class1, const std::string& name,
                                  uint32_t ident, size_t dataSize = 64) {
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

// A map of the given tags with the default header.
inline builder::MapSpec SpecOf(std::vector<builder::TagSpec> tags) {
    builder::MapSpec blueprint;
    blueprint.tags = std::move(tags);
    return blueprint;
}

// Three tags: "scnr:levels\test" (id 0xE0000001, 1600 bytes), "weap:gun" and "bipd:guy".
inline builder::MapSpec ThreeTagSpec() {
    return SpecOf({SimpleTag("scnr", "levels\\test", 0xE0000001u, 1600),
                   SimpleTag("weap", "gun", 0xE0010002u, 96),
                   SimpleTag("bipd", "guy", 0xE0020003u, 40)});
}

// Every field of a tag, its data bytes included.
inline auto Fields(const Tag& t) {
    const auto data = t.TagBlock.bytes();
    return std::make_tuple(t.Class1, t.Class2, t.Class3, t.ident, t.Name, t.NameOffset, t.Offset,
                           t.Size, std::vector<uint8_t>(data.begin(), data.end()));
}

// Expects `actual` to hold exactly what `expected` holds: header values, every tag and every
// lookup table.
inline void ExpectSameModel(const HaloPcMap& a, const HaloPcMap& e) {
    EXPECT_EQ(a.f, e.f);
    EXPECT_EQ(std::tie(a.indexOffset, a.MapMagic, a.tagOffset, a.Magic, a.TagCount),
              std::tie(e.indexOffset, e.MapMagic, e.tagOffset, e.Magic, e.TagCount));
    ASSERT_EQ(a.TagCache.size(), e.TagCache.size());
    for (size_t i = 0; i < a.TagCache.size(); ++i) {
        EXPECT_EQ(Fields(a.TagCache[i]), Fields(e.TagCache[i])) << "tag " << i;
    }
    EXPECT_EQ(a.TagByName, e.TagByName);
    EXPECT_EQ(a.TagsByIdent, e.TagsByIdent);
    EXPECT_EQ(a.TagsByClass, e.TagsByClass);
    EXPECT_EQ(a.TagClass, e.TagClass);
}

// Expects the model to describe `built`, the layout the builder made from `blueprint`; each
// tag's data runs from its data address to the next tag's, the last one's to the end of file.
inline void ExpectModelMatchesBuild(const HaloPcMap& map, const builder::MapSpec& blueprint,
                                    const builder::BuiltMap& built) {
    const auto count = static_cast<int32_t>(blueprint.tags.size());
    EXPECT_EQ(std::tie(map.indexOffset, map.tagOffset, map.Magic, map.MapMagic, map.TagCount),
              std::tie(built.indexOffset, built.tagOffset, built.magic, blueprint.mapMagic, count));
    ASSERT_EQ(map.TagCache.size(), blueprint.tags.size());
    for (size_t i = 0; i < blueprint.tags.size(); ++i) {
        const builder::TagSpec& s = blueprint.tags[i];
        const builder::BuiltTag& b = built.tags[i];
        const auto end = i + 1 < blueprint.tags.size() ? built.tags[i + 1].offset
                                                       : static_cast<int32_t>(built.bytes.size());
        const std::vector<uint8_t> data(built.bytes.begin() + b.offset, built.bytes.begin() + end);
        EXPECT_EQ(Fields(map.TagCache[i]),
                  std::make_tuple(s.class1, s.class2, s.class3, s.ident, s.name, b.nameOffset,
                                  b.offset, end - b.offset, data))
            << "tag " << i;
    }
}

} // namespace pelmar::test
