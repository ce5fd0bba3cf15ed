// The whole chunk trees of the demo map under the bundled plugins.

#include "TreeTestSupport.h"

#include "mapbuilder/DemoMap.h"
#include "platform/FileReader.h"
#include "structview/ChunkPath.h"
#include "structview/TextValues.h"
#include "structview/WholeTree.h"

#include <gtest/gtest.h>

namespace pelmar::test {
namespace {

class DemoTrees : public ::testing::Test {
protected:
    void SetUp() override {
        WriteMap(dir / "demo.map", builder::DemoMapSpec());
        map.LoadMap(dir / "demo.map");
        plugins.ScanForPlugins(SourcePluginsDir());
    }

    std::vector<TreeLine> WholeTree(ChunkTree& tree, const Tag& tag) {
        const std::optional<TagSelection> selection = tree.SelectTag(map, tag.NameKey());
        EXPECT_TRUE(selection && selection->root) << tag.NameKey();
        if (!selection || !selection->root) {
            return {};
        }
        return ExpandWholeTree(tree, map, tag, *selection->root, 100000);
    }

    TempDir dir;
    HaloPcMap map;
    PluginFolder plugins;
};

TEST_F(DemoTrees, EveryClassButOneHasAPlugin) {
    for (const std::string& tagClass : map.TagClass) {
        EXPECT_EQ(plugins.HasPluginFor(tagClass), tagClass != "snd!") << tagClass;
    }
}

TEST_F(DemoTrees, ThePistolTreeFollowsTheDemoData) {
    // The pistol (seed 2) has 2 magazines of 2 ammo packs; pack p has 1 + (p + 2) % 2
    // effects; it has 1 + 2 % 3 triggers.
    ChunkTree tree(SourcePluginsDir());
    const std::vector<TreeLine> lines = WholeTree(tree, map.TagCache[1]);
    std::string shape;
    for (const TreeLine& line : lines) {
        shape += std::to_string(line.depth) + " " + line.row.text + "\n";
    }
    const std::string magazine = "3 ammo packs\n"
                                 "4 ammo packs : 1\n5 effects\n6 effects : 1\n"
                                 "4 ammo packs : 2\n5 effects\n6 effects : 1\n6 effects : 2\n";
    EXPECT_EQ(shape, "0 Main\n1 magazines\n2 magazines : 1\n" + magazine + "2 magazines : 2\n" +
                         magazine + "1 triggers\n2 triggers : 1\n2 triggers : 2\n2 triggers : 3\n");
}

TEST_F(DemoTrees, EveryChunkLiesInItsTagAndResolvesToItsOffset) {
    const FileReader file(map.f);
    for (const Tag& tag : map.TagCache) {
        if (!plugins.HasPluginFor(tag.Class1)) {
            continue;
        }
        ChunkTree tree(SourcePluginsDir());
        size_t chunks = 0;
        for (const TreeLine& line : WholeTree(tree, tag)) {
            ASSERT_NE(line.row.kind, RowKind::LeftOut) << line.row.text;
            if (line.row.kind != RowKind::Chunk) {
                continue;
            }
            ++chunks;
            const int64_t size = Val(GetAttribute(
                tree.registry().Lookup(StructKey(tree.TagClass(), line.row.tag)), "size"));
            ASSERT_TRUE(line.row.offset.has_value());
            EXPECT_GE(*line.row.offset, tag.Offset) << line.row.tag;
            EXPECT_LE(*line.row.offset + size, int64_t{tag.Offset} + tag.Size) << line.row.tag;
            EXPECT_EQ(tree.FindBaseOffset(file, map.Magic, line.row.tag, tag.Offset),
                      *line.row.offset)
                << line.row.tag;
        }
        EXPECT_GT(chunks, 0u) << tag.NameKey();
    }
}

TEST_F(DemoTrees, RootAndStructRowsCarryTheirKinds) {
    ChunkTree tree(SourcePluginsDir());
    for (const TreeLine& line : WholeTree(tree, map.Scenario())) {
        const bool isStructRow = HasStructPart(line.row.tag);
        EXPECT_EQ(line.row.kind == RowKind::Struct, isStructRow) << line.row.tag;
        EXPECT_EQ(line.row.offset.has_value(), !isStructRow) << line.row.tag;
        EXPECT_EQ(line.depth == 0, line.row.kind == RowKind::Root) << line.row.tag;
    }
}

} // namespace
} // namespace pelmar::test
