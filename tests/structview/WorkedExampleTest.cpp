// The chunk tree on the worked example: magic 900, tag data at 500, struct N (offset 16,
// size 48) holding 3 chunks from pointer 1500.

#include "TreeTestSupport.h"

#include "platform/FileReader.h"
#include "platform/PelmarError.h"
#include "structview/ChunkPath.h"

#include <gtest/gtest.h>

namespace pelmar::test {
namespace {

using Strings = std::vector<std::string>;

class WorkedExample : public ::testing::Test {
protected:
    void SetUp() override {
        fx.WritePlugin("exmp.ent", kExamplePlugin);
        built = fx.WriteAndLoad(ExampleMap{}.Blueprint());
    }

    const Tag& tag() const { return fx.TagNamed(ExampleTag()); }

    TreeFixture fx;
    builder::BuiltMap built;
};

TEST_F(WorkedExample, MapHasTheExampleLayout) {
    EXPECT_EQ(fx.map.Magic, 900);
    EXPECT_EQ(tag().Offset, 500);
    EXPECT_EQ(WordAt(built.bytes, 516), 3);
    EXPECT_EQ(WordAt(built.bytes, 520), 1500);
}

TEST_F(WorkedExample, SelectingTheTagGivesTheRootRow) {
    ChunkTree tree(fx.plugins());
    const std::optional<TagSelection> selection = tree.SelectTag(fx.map, ExampleTag());
    ASSERT_TRUE(selection && selection->root);
    EXPECT_EQ(selection->root->text, "Main");
    EXPECT_EQ(selection->root->tag, "exmp");
    EXPECT_EQ(selection->root->kind, RowKind::Root);
    EXPECT_TRUE(selection->root->folder);
    EXPECT_EQ(selection->root->offset, 500);
    EXPECT_EQ(tree.TagClass(), "exmp");
    ASSERT_EQ(tree.registry().XmlNodeArray().size(), 1u);
    EXPECT_EQ(tree.registry().Lookup("exmp"), tree.registry().XmlNodeArray()[0]);
}

TEST_F(WorkedExample, ExpandingTheRootAddsTheStructRow) {
    ChunkTree tree = SelectedTree(fx, ExampleTag());
    const std::vector<ChunkRow> rows = tree.ExpandRow(fx.map, tag(), "exmp");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].text, "N");
    EXPECT_EQ(rows[0].tag, "exmp|N");
    EXPECT_EQ(rows[0].kind, RowKind::Struct);
    EXPECT_TRUE(rows[0].folder);
    EXPECT_FALSE(rows[0].offset.has_value());
}

TEST_F(WorkedExample, ExpandingTheStructRowAddsNumberedChunks) {
    ChunkTree tree = SelectedTree(fx, ExampleTag());
    tree.ExpandRow(fx.map, tag(), "exmp");
    const std::vector<ChunkRow> rows = tree.ExpandRow(fx.map, tag(), "exmp|N");
    EXPECT_EQ(Texts(rows), (Strings{"N : 1", "N : 2", "N : 3"}));
    EXPECT_EQ(Tags(rows), (Strings{"exmp>N;1", "exmp>N;2", "exmp>N;3"}));
    for (const ChunkRow& row : rows) {
        EXPECT_EQ(row.kind, RowKind::Chunk);
        EXPECT_FALSE(row.folder) << "N has no struct children";
    }
    EXPECT_EQ(rows[0].offset, 600);
    EXPECT_EQ(rows[1].offset, 648);
    EXPECT_EQ(rows[2].offset, 696);
}

TEST_F(WorkedExample, FindBaseOffsetResolvesTheChunkPaths) {
    ChunkTree tree = SelectedTree(fx, ExampleTag());
    tree.ExpandRow(fx.map, tag(), "exmp");
    tree.ExpandRow(fx.map, tag(), "exmp|N");
    const FileReader file(fx.mapPath());
    EXPECT_EQ(tree.FindBaseOffset(file, 900, "exmp>N;1", 500), 600);
    EXPECT_EQ(tree.FindBaseOffset(file, 900, "exmp>N;2", 500), 648);
    EXPECT_EQ(tree.FindBaseOffset(file, 900, "exmp>N;3", 500), 696);
}

TEST_F(WorkedExample, FindBaseOffsetOfTheClassAloneIsTheGivenOffset) {
    ChunkTree tree = SelectedTree(fx, ExampleTag());
    const FileReader file(fx.mapPath());
    EXPECT_EQ(tree.FindBaseOffset(file, 900, "exmp", 500), 500);
    EXPECT_EQ(tree.FindBaseOffset(file, 900, "exmp", -7), -7);
    EXPECT_EQ(tree.FindBaseOffset(file, 900, "anything", 123456789), 123456789);
}

TEST_F(WorkedExample, FindBaseOffsetDoesNotCheckTheChunkNumber) {
    ChunkTree tree = SelectedTree(fx, ExampleTag());
    tree.ExpandRow(fx.map, tag(), "exmp");
    tree.ExpandRow(fx.map, tag(), "exmp|N");
    const FileReader file(fx.mapPath());
    EXPECT_EQ(tree.FindBaseOffset(file, 900, "exmp>N;10", 500), 600 + 9 * 48);
    EXPECT_EQ(tree.FindBaseOffset(file, 900, "exmp>N;0", 500), 600 - 48);
}

TEST_F(WorkedExample, LocateChunkGivesWhatDuplicateNeeds) {
    ChunkTree tree = SelectedTree(fx, ExampleTag());
    tree.ExpandRow(fx.map, tag(), "exmp");
    tree.ExpandRow(fx.map, tag(), "exmp|N");
    const FileReader file(fx.mapPath());
    const std::optional<ChunkToDuplicate> chunk = tree.LocateChunk(file, 900, "exmp>N;2", 500);
    ASSERT_TRUE(chunk.has_value());
    EXPECT_EQ(chunk->referenceOffset, 516);
    EXPECT_EQ(chunk->chunkSize, 48);
    EXPECT_EQ(chunk->chunkIndex, 1);
}

TEST_F(WorkedExample, LocateChunkRefusesRowsThatAreNotChunks) {
    ChunkTree tree = SelectedTree(fx, ExampleTag());
    tree.ExpandRow(fx.map, tag(), "exmp");
    const FileReader file(fx.mapPath());
    EXPECT_FALSE(tree.LocateChunk(file, 900, "exmp", 500).has_value());
    EXPECT_FALSE(tree.LocateChunk(file, 900, "exmp|N", 500).has_value());
    EXPECT_FALSE(tree.LocateChunk(file, 900, std::string(kLeftOutRowTag), 500).has_value());
}

TEST_F(WorkedExample, ExpandingAgainGivesTheSameRows) {
    ChunkTree tree = SelectedTree(fx, ExampleTag());
    tree.ExpandRow(fx.map, tag(), "exmp");
    const std::vector<ChunkRow> first = tree.ExpandRow(fx.map, tag(), "exmp|N");
    const std::vector<ChunkRow> again = tree.ExpandRow(fx.map, tag(), "exmp|N");
    EXPECT_EQ(Tags(again), Tags(first));
    EXPECT_EQ(Texts(again), Texts(first));
}

TEST_F(WorkedExample, ExpansionRereadsTheCountFromTheFile) {
    ChunkTree tree = SelectedTree(fx, ExampleTag());
    tree.ExpandRow(fx.map, tag(), "exmp");
    std::vector<uint8_t> bytes = built.bytes;
    SetWord(bytes, 516, 2);
    WriteFileBytes(fx.mapPath(), bytes);
    EXPECT_EQ(Texts(tree.ExpandRow(fx.map, tag(), "exmp|N")), (Strings{"N : 1", "N : 2"}));
    SetWord(bytes, 516, 0);
    WriteFileBytes(fx.mapPath(), bytes);
    EXPECT_TRUE(tree.ExpandRow(fx.map, tag(), "exmp|N").empty());
    EXPECT_TRUE(tree.ExpandRow(fx.map, tag(), "exmp").empty()) << "count 0: no struct row";
}

TEST_F(WorkedExample, StructNamesInRowTagsIgnoreCase) {
    ChunkTree tree = SelectedTree(fx, ExampleTag());
    tree.ExpandRow(fx.map, tag(), "exmp");
    const std::vector<ChunkRow> rows = tree.ExpandRow(fx.map, tag(), "exmp|n");
    EXPECT_EQ(Tags(rows), (Strings{"exmp>N;1", "exmp>N;2", "exmp>N;3"}))
        << "the element's own name is used in the new rows";
}

TEST_F(WorkedExample, AMissingMapFileIsReportedByName) {
    ChunkTree tree = SelectedTree(fx, ExampleTag());
    std::filesystem::remove(fx.mapPath());
    try {
        tree.ExpandRow(fx.map, tag(), "exmp");
        FAIL() << "expected PelmarError";
    } catch (const PelmarError& e) {
        EXPECT_NE(std::string(e.what()).find(fx.mapPath().string()), std::string::npos) << e.what();
    }
}

} // namespace
} // namespace pelmar::test
