// Val, case-insensitive comparison, grouped numbers and chunk-path text.

#include "structview/TextValues.h"
#include "structview/ChunkPath.h"

#include <gtest/gtest.h>

namespace pelmar::test {
namespace {

using Views = std::vector<std::string_view>;

TEST(Val, ReadsTheLeadingDecimalNumber) {
    EXPECT_EQ(Val("16"), 16);
    EXPECT_EQ(Val("16abc"), 16);
    EXPECT_EQ(Val("-48"), -48);
    EXPECT_EQ(Val("+7"), 7);
    EXPECT_EQ(Val(" \t12"), 12);
    EXPECT_EQ(Val("1.9"), 1);
    EXPECT_EQ(Val("007"), 7);
}

TEST(Val, TextWithoutANumberIsZero) {
    EXPECT_EQ(Val(""), 0);
    EXPECT_EQ(Val("abc"), 0);
    EXPECT_EQ(Val("-"), 0);
    EXPECT_EQ(Val("0x10"), 0);
    EXPECT_EQ(Val("&h10"), 0);
    EXPECT_EQ(Val("- 5"), 0);
}

TEST(Val, SaturatesHugeNumbers) {
    EXPECT_EQ(Val("4294967296"), int64_t{4294967296});
    EXPECT_EQ(Val("99999999999999999999999999"), kValLimit);
    EXPECT_EQ(Val("-99999999999999999999999999"), -kValLimit);
}

TEST(WrapToInt32, KeepsTheLow32Bits) {
    EXPECT_EQ(WrapToInt32(5), 5);
    EXPECT_EQ(WrapToInt32(-5), -5);
    EXPECT_EQ(WrapToInt32(int64_t{0x80000000}), INT32_MIN);
    EXPECT_EQ(WrapToInt32(int64_t{0x100000005}), 5);
    EXPECT_EQ(WrapToInt32(-int64_t{0x100000001}), -1);
}

TEST(SameText, IgnoresTheCaseOfLetters) {
    EXPECT_TRUE(SameText("struct", "STRUCT"));
    EXPECT_TRUE(SameText("Player Spawns", "player spawns"));
    EXPECT_FALSE(SameText("struct", "structs"));
    EXPECT_FALSE(SameText("a[", "A{")) << "only letters fold";
    EXPECT_TRUE(SameText("", ""));
}

TEST(Grouped, PutsCommasBetweenThousands) {
    EXPECT_EQ(Grouped(0), "0");
    EXPECT_EQ(Grouped(999), "999");
    EXPECT_EQ(Grouped(1000), "1,000");
    EXPECT_EQ(Grouped(999000), "999,000");
    EXPECT_EQ(Grouped(2147483647), "2,147,483,647");
    EXPECT_EQ(Grouped(-1234567), "-1,234,567");
}

TEST(ChunkPath, SplitKeepsEmptyPartsAndWholeText) {
    EXPECT_EQ(Split("abc", '>'), (Views{"abc"}));
    EXPECT_EQ(Split("", '>'), (Views{""}));
    EXPECT_EQ(Split("a>b;1>c;2", '>'), (Views{"a", "b;1", "c;2"}));
    EXPECT_EQ(Split(">x>", '>'), (Views{"", "x", ""}));
}

TEST(ChunkPath, StructKeyDropsTheChunkNumbers) {
    EXPECT_EQ(StructKey("C", "C"), "C");
    EXPECT_EQ(StructKey("C", "C>items;2>links;1"), "C>items>links");
    EXPECT_EQ(StructKey("D", "C>items;2"), "D>items") << "the start replaces the first part";
    EXPECT_EQ(StructKey("C", "C>items;1|links"), "C>items");
    EXPECT_EQ(StructKey("C", "C|items"), "C");
}

TEST(ChunkPath, RowTagsAreBuiltAndTakenApart) {
    EXPECT_EQ(StructRowTag("C>items;1", "links"), "C>items;1|links");
    EXPECT_EQ(ChunkPathOf("C>items;1", "links", 12), "C>items;1>links;12");
    EXPECT_TRUE(HasStructPart("C|items"));
    EXPECT_FALSE(HasStructPart("C>items;1"));
    const auto [path, name] = SplitStructRowTag("C>items;1|links");
    EXPECT_EQ(path, "C>items;1");
    EXPECT_EQ(name, "links");
    EXPECT_TRUE(IsLeftOutRowTag(kLeftOutRowTag));
    EXPECT_FALSE(IsLeftOutRowTag("C|left out"));
}

} // namespace
} // namespace pelmar::test
