// How the shape of a plugin decides the rows of the chunk tree.

#include "TreeTestSupport.h"

#include "platform/FileReader.h"

#include <gtest/gtest.h>

namespace pelmar::test {
namespace {

using Strings = std::vector<std::string>;
using builder::Block;
using builder::Reflexive;

// Chunks of N (48 bytes) that each hold struct M (offset 8, chunks of 4 bytes), with
// `mCounts[k]` chunks in chunk k.
std::vector<Block> ChunksWithM(const std::vector<int>& mCounts) {
    std::vector<Block> chunks;
    for (int m : mCounts) {
        Block chunk(48);
        chunk.Add(Reflexive{8, 4, std::vector<Block>(static_cast<size_t>(m), Block(4))});
        chunks.push_back(std::move(chunk));
    }
    return chunks;
}

class PluginShapes : public ::testing::Test {
protected:
    const Tag& tag() const { return fx.TagNamed(ExampleTag()); }

    TreeFixture fx;
};

TEST_F(PluginShapes, AStructWithCountZeroGetsNoRow) {
    fx.WritePlugin("exmp.ent", R"(<plugin class="exmp">
  <struct name="N" offset="16" size="48"/>
  <struct name="empty" offset="40" size="8"/>
  <struct name="Z" offset="48" size="4"/>
</plugin>)");
    ExampleMap example;
    example.extraRefs = {Reflexive{40, 8, {}}, Reflexive{48, 4, {Block(4)}}};
    fx.WriteAndLoad(example.Blueprint());
    ChunkTree tree = SelectedTree(fx, ExampleTag());
    EXPECT_EQ(Texts(tree.ExpandRow(fx.map, tag(), "exmp")), (Strings{"N", "Z"}));
}

TEST_F(PluginShapes, ANegativeCountGetsNoRow) {
    fx.WritePlugin("exmp.ent", kExamplePlugin);
    builder::BuiltMap built = fx.WriteAndLoad(ExampleMap{}.Blueprint());
    SetWord(built.bytes, 516, -5);
    WriteFileBytes(fx.mapPath(), built.bytes);
    ChunkTree tree = SelectedTree(fx, ExampleTag());
    EXPECT_TRUE(tree.ExpandRow(fx.map, tag(), "exmp").empty());
    EXPECT_TRUE(tree.ExpandRow(fx.map, tag(), "exmp|N").empty());
}

TEST_F(PluginShapes, ChunksWithStructChildrenAreFoldersDownToTheirChunks) {
    fx.WritePlugin("exmp.ent", R"(<plugin class="exmp">
  <struct name="N" offset="16" size="48">
    <int name="a field" offset="0"/>
    <struct name="M" offset="8" size="4"/>
  </struct>
</plugin>)");
    ExampleMap example;
    example.chunks = ChunksWithM({0, 2, 1});
    fx.WriteAndLoad(example.Blueprint());
    ChunkTree tree = SelectedTree(fx, ExampleTag());
    tree.ExpandRow(fx.map, tag(), "exmp");
    const std::vector<ChunkRow> chunks = tree.ExpandRow(fx.map, tag(), "exmp|N");
    ASSERT_EQ(chunks.size(), 3u);
    for (const ChunkRow& row : chunks) {
        EXPECT_TRUE(row.folder) << row.text;
    }
    EXPECT_TRUE(tree.ExpandRow(fx.map, tag(), "exmp>N;1").empty()) << "M has 0 chunks there";
    const std::vector<ChunkRow> structs = tree.ExpandRow(fx.map, tag(), "exmp>N;2");
    EXPECT_EQ(Tags(structs), (Strings{"exmp>N;2|M"}));
    const std::vector<ChunkRow> leaves = tree.ExpandRow(fx.map, tag(), "exmp>N;2|M");
    EXPECT_EQ(Texts(leaves), (Strings{"M : 1", "M : 2"}));
    EXPECT_EQ(Tags(leaves), (Strings{"exmp>N;2>M;1", "exmp>N;2>M;2"}));
    for (const ChunkRow& row : leaves) {
        EXPECT_FALSE(row.folder) << "M has no struct children";
    }
    // Laid out depth first: N's chunks at 600..744, then the M chunks of N's chunk 2 (744,
    // 748) and of its chunk 3 (752).
    EXPECT_EQ(leaves[0].offset, 744);
    EXPECT_EQ(leaves[1].offset, 748);
    const FileReader file(fx.mapPath());
    EXPECT_EQ(tree.FindBaseOffset(file, fx.map.Magic, "exmp>N;2>M;2", 500), 748);
    EXPECT_EQ(tree.FindBaseOffset(file, fx.map.Magic, "exmp>N;3", 500), 696);
}

TEST_F(PluginShapes, StructInCapitalsCounts) {
    fx.WritePlugin("exmp.ent", R"(<plugin class="exmp">
  <STRUCT name="N" offset="16" size="48"><Struct name="M" offset="8" size="4"/></STRUCT>
</plugin>)");
    ExampleMap example;
    example.chunks = ChunksWithM({1});
    fx.WriteAndLoad(example.Blueprint());
    ChunkTree tree = SelectedTree(fx, ExampleTag());
    EXPECT_EQ(Tags(tree.ExpandRow(fx.map, tag(), "exmp")), (Strings{"exmp|N"}));
    const std::vector<ChunkRow> chunks = tree.ExpandRow(fx.map, tag(), "exmp|N");
    ASSERT_EQ(chunks.size(), 1u);
    EXPECT_TRUE(chunks[0].folder) << "a child named Struct makes the chunk a folder";
    EXPECT_EQ(Tags(tree.ExpandRow(fx.map, tag(), "exmp>N;1")), (Strings{"exmp>N;1|M"}));
}

TEST_F(PluginShapes, TheClassAttributeNamesTheTreeNotTheFileName) {
    fx.WritePlugin("exmp.ent", R"(<plugin class="othr">
  <struct name="N" offset="16" size="48"/>
</plugin>)");
    fx.WriteAndLoad(ExampleMap{}.Blueprint());
    ChunkTree tree(fx.plugins());
    const std::optional<TagSelection> selection = tree.SelectTag(fx.map, ExampleTag());
    ASSERT_TRUE(selection && selection->root);
    EXPECT_EQ(selection->root->tag, "othr");
    EXPECT_EQ(tree.TagClass(), "othr");
    EXPECT_EQ(Tags(tree.ExpandRow(fx.map, tag(), "othr")), (Strings{"othr|N"}));
    EXPECT_EQ(Tags(tree.ExpandRow(fx.map, tag(), "othr|N")),
              (Strings{"othr>N;1", "othr>N;2", "othr>N;3"}));
    EXPECT_EQ(tree.registry().XmlNodeArrayDictionary().count("othr>N"), 1u);
    EXPECT_EQ(tree.registry().XmlNodeArrayDictionary().count("exmp>N"), 0u);
}

TEST_F(PluginShapes, SiblingStructsOfOneNameListTheirChunksInTurn) {
    fx.WritePlugin("exmp.ent", R"(<plugin class="exmp">
  <struct name="N" offset="16" size="48"/>
  <struct name="n" offset="40" size="8"/>
</plugin>)");
    ExampleMap example;
    example.extraRefs = {Reflexive{40, 8, {Block(8), Block(8)}}};
    fx.WriteAndLoad(example.Blueprint());
    ChunkTree tree = SelectedTree(fx, ExampleTag());
    EXPECT_EQ(Tags(tree.ExpandRow(fx.map, tag(), "exmp")), (Strings{"exmp|N", "exmp|n"}));
    const std::vector<ChunkRow> rows = tree.ExpandRow(fx.map, tag(), "exmp|N");
    EXPECT_EQ(Texts(rows), (Strings{"N : 1", "N : 2", "N : 3", "n : 1", "n : 2"}));
    // Each row's offset is that of its own struct's chunk, as resolved when it was added.
    EXPECT_EQ(rows[2].offset, 696);
    EXPECT_EQ(rows[3].offset, 744);
    EXPECT_EQ(rows[4].offset, 752);
}

TEST_F(PluginShapes, AnUnregisteredStructKeyResolvesToTheRoot) {
    // The root has no offset or size attribute: a path through it reads the pointer at the
    // block's offset 0 + 4 and steps 0 bytes per chunk.
    fx.WritePlugin("exmp.ent", kExamplePlugin);
    ExampleMap example;
    builder::MapSpec blueprint = example.Blueprint();
    blueprint.tags[0].data.SetWord(4, 900 + 640);
    fx.WriteAndLoad(blueprint);
    ChunkTree tree = SelectedTree(fx, ExampleTag());
    const FileReader file(fx.mapPath());
    EXPECT_EQ(tree.FindBaseOffset(file, 900, "exmp>unknown;5", 500), 640);
    EXPECT_EQ(tree.registry().Lookup("exmp>unknown"), tree.registry().Lookup("exmp"));
}

TEST_F(PluginShapes, APluginWithoutStructsGivesTheMessageAndNoTree) {
    fx.WritePlugin("exmp.ent", R"(<plugin class="othr">
  <!-- only fields here -->
  <float name="speed" offset="8"/>
  <structure name="not a struct" offset="16" size="48"/>
</plugin>)");
    fx.WriteAndLoad(ExampleMap{}.Blueprint());
    ChunkTree tree(fx.plugins());
    const std::optional<TagSelection> selection = tree.SelectTag(fx.map, ExampleTag());
    ASSERT_TRUE(selection.has_value());
    EXPECT_FALSE(selection->root.has_value());
    EXPECT_EQ(selection->message, "No internal nodes found.");
    EXPECT_TRUE(tree.registry().XmlNodeArray().empty());
    EXPECT_EQ(tree.TagClass(), "exmp") << "the class part of the tag row stays";
}

TEST_F(PluginShapes, ALeadingCommentAndDeclarationDoNotHideTheRoot) {
    fx.WritePlugin("exmp.ent", std::string("<?xml version=\"1.0\"?>\n<!-- about -->\n") +
                                   "<?tool hint?>\n" + kExamplePlugin);
    fx.WriteAndLoad(ExampleMap{}.Blueprint());
    ChunkTree tree = SelectedTree(fx, ExampleTag());
    EXPECT_EQ(Tags(tree.ExpandRow(fx.map, tag(), "exmp")), (Strings{"exmp|N"}));
}

TEST_F(PluginShapes, SelectingAClassRowChangesNothing) {
    fx.WritePlugin("exmp.ent", kExamplePlugin);
    fx.WriteAndLoad(ExampleMap{}.Blueprint());
    ChunkTree tree = SelectedTree(fx, ExampleTag());
    tree.ExpandRow(fx.map, tag(), "exmp");
    const size_t registered = tree.registry().XmlNodeArray().size();
    EXPECT_FALSE(tree.SelectTag(fx.map, "exmp").has_value());
    EXPECT_FALSE(tree.SelectTag(fx.map, "exmp:no such tag").has_value());
    EXPECT_EQ(tree.registry().XmlNodeArray().size(), registered);
    EXPECT_EQ(tree.TagClass(), "exmp");
}

TEST_F(PluginShapes, SelectingATagAgainStartsANewRegistry) {
    fx.WritePlugin("exmp.ent", kExamplePlugin);
    fx.WriteAndLoad(ExampleMap{}.Blueprint());
    ChunkTree tree = SelectedTree(fx, ExampleTag());
    tree.ExpandRow(fx.map, tag(), "exmp");
    tree.ExpandRow(fx.map, tag(), "exmp|N");
    EXPECT_GT(tree.registry().XmlNodeArray().size(), 1u);
    ASSERT_TRUE(tree.SelectTag(fx.map, ExampleTag()).has_value());
    EXPECT_EQ(tree.registry().XmlNodeArray().size(), 1u);
    EXPECT_EQ(tree.registry().XmlNodeArrayDictionary().count("exmp>N"), 1u)
        << "the dictionary keeps its keys";
}

} // namespace
} // namespace pelmar::test
