#include "support/MapOracle.h"

#include "map/MapChecksum.h"
#include "map/MapLayout.h"
#include "platform/Words.h"

#include <algorithm>
#include <tuple>

namespace pelmar::test {

HaloPcMap Decode(std::span<const uint8_t> bytes) {
    auto buffer = std::make_shared<ByteBuffer>(bytes.size());
    std::copy(bytes.begin(), bytes.end(), buffer->data());
    return HaloPcMap::Decode(std::move(buffer));
}

namespace {

Bytes CopyOf(std::span<const uint8_t> bytes) {
    return Bytes(bytes.begin(), bytes.end());
}

auto Fields(const Tag& t) {
    return std::make_tuple(t.Class1, t.Class2, t.Class3, t.ident, t.Name.str(), t.NameOffset,
                           t.Offset, t.Size, t.place, CopyOf(t.TagBlock.bytes()));
}

} // namespace

void ExpectSameModel(const HaloPcMap& a, const HaloPcMap& e) {
    EXPECT_EQ(std::tie(a.indexOffset, a.MapMagic, a.tagOffset, a.Magic, a.TagCount),
              std::tie(e.indexOffset, e.MapMagic, e.tagOffset, e.Magic, e.TagCount));
    EXPECT_TRUE(std::ranges::equal(a.bytes(), e.bytes()));
    ASSERT_EQ(a.TagCache.size(), e.TagCache.size());
    for (size_t i = 0; i < a.TagCache.size(); ++i) {
        EXPECT_EQ(Fields(a.TagCache[i]), Fields(e.TagCache[i])) << "tag " << i;
        EXPECT_EQ(a.FindTagByName(a.TagCache[i].NameKey()),
                  e.FindTagByName(e.TagCache[i].NameKey()));
    }
    EXPECT_EQ(a.TagsByIdent, e.TagsByIdent);
    EXPECT_EQ(a.TagsByClass, e.TagsByClass);
    EXPECT_EQ(a.TagClass, e.TagClass);
}

Edited ExpectSoundEdit(const HaloPcMap& before, const FileEdit& edit) {
    Edited out;
    const ByteBuffer result = Materialize(before.bytes(), edit);
    out.bytes = CopyOf(result.span());
    try {
        out.map = Decode(out.bytes);
    } catch (const PelmarError& e) {
        ADD_FAILURE() << "the edited map fails the layout checks: " << e.what();
        throw;
    }
    ExpectSameModel(out.map, Decode(out.bytes));
    EXPECT_EQ(out.bytes.size(), before.FileLength() + edit.InsertedBytes());
    EXPECT_GE(out.map.TagCount, before.TagCount);
    for (size_t i = 0; i < before.TagCache.size() && i < out.map.TagCache.size(); ++i) {
        const Tag& was = before.TagCache[i];
        const Tag& now = out.map.TagCache[i];
        EXPECT_EQ(std::tie(now.Class1, now.Class2, now.Class3, now.ident, now.place),
                  std::tie(was.Class1, was.Class2, was.Class3, was.ident, was.place))
            << "tag " << i;
        EXPECT_EQ(now.Name.view(), was.Name.view()) << "tag " << i;
        EXPECT_EQ(now.NameOffset, edit.NewPosition(was.NameOffset)) << "name of tag " << i;
        EXPECT_EQ(now.Offset, was.HasData() ? edit.NewPosition(was.Offset) : was.Offset)
            << "data of tag " << i;
    }
    return out;
}

builder::TagSpec PlainTag(const std::string& class1, const std::string& name, uint32_t ident,
                          builder::Block data) {
    builder::TagSpec tag;
    tag.class1 = class1;
    tag.ident = ident;
    tag.name = name;
    tag.data = std::move(data);
    return tag;
}

builder::Block Counting(size_t size, uint32_t seed) {
    builder::Block block(size);
    for (size_t at = 0; at + 4 <= size; at += 4) {
        block.SetWord(at, seed * 1000 + static_cast<uint32_t>(at / 4));
    }
    return block;
}

Bytes SmallSource(size_t size) {
    builder::MapSpec source;
    source.tags = {PlainTag("scnr", "s", 0xA0000000, Counting(16, 1)),
                   PlainTag("weap", "abc", 0xA0010001, Counting(size, 9))};
    source.tags[1].class2 = "obje";
    source.tags[1].class3 = "item";
    return builder::BuildMap(source).bytes;
}

Bytes Words(std::initializer_list<int32_t> values) {
    Bytes bytes(values.size() * 4);
    uint8_t* p = bytes.data();
    for (int32_t v : values) {
        StoreI32(p, v);
        p += 4;
    }
    return bytes;
}

PelmarError ExpectError(const std::function<void()>& work, ErrorKind kind,
                        const std::string& words) {
    try {
        work();
    } catch (const PelmarError& e) {
        EXPECT_EQ(e.kind(), kind) << e.what();
        EXPECT_NE(e.detail().find(words), std::string::npos) << e.what();
        return e;
    }
    ADD_FAILURE() << "expected an error saying: " << words;
    return PelmarError(kind, "");
}

void MakeRealHeader(Bytes& bytes) {
    using namespace layout;
    const int32_t size = static_cast<int32_t>(bytes.size());
    StoreU32(bytes.data() + kHeaderVersionField, 7);
    StoreI32(bytes.data() + kHeaderFileSizeField, size);
    StoreI32(bytes.data() + kHeaderTagDataSizeField,
             size - LoadI32(bytes.data() + kIndexOffsetField));
    StoreU32(bytes.data() + kHeaderCrcField, ComputeChecksum(bytes).value_or(0));
}

} // namespace pelmar::test
