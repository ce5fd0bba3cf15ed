// The Duplicate button's resolution of the selected row, and duplications seen through the
// chunk tree afterwards.

#include "structview/DuplicationTarget.h"
#include "dup/DupMaps.h"
#include "mapbuilder/DemoMap.h"
#include "platform/PelmarError.h"
#include "structview/WholeTree.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>

namespace pelmar::test {
namespace {

namespace w = worked;

class WorkedTree : public ::testing::Test {
protected:
    void SetUp() override { Install(WorkedExamplePlugin()); }

    void Install(const std::string& plugin) {
        WriteMap(path, WorkedExampleSpec());
        WritePlugin(plugins, "weap", plugin);
        before = ReadFileBytes(path);
        map = Load(path);
        tree = std::make_unique<ChunkTree>(plugins);
        const std::optional<TagSelection> selection = tree->SelectTag(map, "weap:a");
        ASSERT_TRUE(selection && selection->root) << (selection ? selection->message : "");
    }

    std::vector<ChunkRow> Expand(const std::string& rowTag) {
        return tree->ExpandRow(map, map.TagCache[0], rowTag);
    }

    // Expects resolving `rowTag` to be refused with a message holding `words`, and nothing to
    // have changed.
    void ExpectRefused(const std::string& rowTag, const std::string& words) {
        try {
            DuplicateSelectedChunk(map, *tree, 0, rowTag);
            ADD_FAILURE() << "expected a refusal for " << rowTag;
        } catch (const PelmarError& e) {
            EXPECT_NE(std::string(e.what()).find(words), std::string::npos) << e.what();
        }
        EXPECT_EQ(ReadFileBytes(path), before);
        EXPECT_EQ(Places(map), Places(Load(path)));
    }

    TempDir dir;
    std::filesystem::path path = dir / "example.map";
    std::filesystem::path plugins = dir / "plugins";
    std::vector<uint8_t> before;
    HaloPcMap map;
    std::unique_ptr<ChunkTree> tree;
};

TEST_F(WorkedTree, ChunkRowResolvesToTheExamplesNumbersOtherRowsAreRefused) {
    ExpectRefused("weap", "Select a chunk");
    ASSERT_EQ(Expand("weap").size(), 2u);
    ExpectRefused("weap|N", "Select a chunk");
    ASSERT_EQ(Expand("weap|N").size(), 3u);
    const ChunkToDuplicate chunk = ResolveDuplicationTarget(*tree, map, 0, "weap>N;2");
    EXPECT_EQ(chunk.referenceOffset, w::kReferenceN);
    EXPECT_EQ(chunk.chunkSize, w::kChunkSizeN);
    EXPECT_EQ(chunk.chunkIndex, 1);
    EXPECT_THROW(ResolveDuplicationTarget(*tree, map, -1, "weap>N;2"), PelmarError);
}

TEST_F(WorkedTree, StructWithoutASizeHasNothingToDuplicate) {
    for (const auto& [size, words] : {std::pair<std::string, std::string>{"", "has no size"},
                                      {R"( size="0")", "nothing to duplicate"}}) {
        Install(R"(<plugin class="weap"><struct name="N" offset="16")" + size + "/></plugin>");
        Expand("weap");
        Expand("weap|N");
        ExpectRefused("weap>N;2", words);
    }
}

TEST_F(WorkedTree, ReferenceOutsideTheFileOfAStaleTree) {
    Install(R"(<plugin class="weap">
                 <struct name="N" offset="16" size="48"><struct name="inner" offset="8" size="4"/>
                 </struct></plugin>)");
    Expand("weap");
    Expand("weap|N");
    ASSERT_FALSE(Expand("weap>N;2").empty());
    Expand("weap>N;2|inner");
    // Behind the tree's back, N's array moves to the last bytes of the file.
    SetWord(before, w::kReferenceN + 4, static_cast<int32_t>(before.size()) - 6 - 48 + w::kMagic);
    WriteFileBytes(path, before);
    ExpectRefused("weap>N;2>inner;1", "outside the file");
}

TEST_F(WorkedTree, SeveralDuplicationsInARowEachSeenByExpandingAgain) {
    Expand("weap");
    Expand("weap|N");
    for (int32_t times = 1; times <= 3; ++times) {
        const DuplicationResult result = DuplicateSelectedChunk(map, *tree, 0, "weap>N;2");
        EXPECT_EQ(result.countBefore, 2 + times);
        EXPECT_EQ(result.insertAt, 600 + 48 * (2 + times));

        Expand("weap"); // collapse and expand again: the rows are read from the file anew
        const std::vector<ChunkRow> chunks = Expand("weap|N");
        ASSERT_EQ(chunks.size(), static_cast<size_t>(3 + times));
        for (size_t k = 0; k < chunks.size(); ++k) {
            EXPECT_EQ(chunks[k].tag, "weap>N;" + std::to_string(k + 1));
            EXPECT_EQ(chunks[k].offset, 600 + 48 * static_cast<int32_t>(k));
        }
        const std::vector<ChunkRow> m = Expand("weap|M");
        ASSERT_EQ(m.size(), 1u);
        EXPECT_EQ(m[0].offset, 744 + 48 * times);
        const std::vector<uint8_t> now = ReadFileBytes(path);
        EXPECT_EQ(static_cast<int64_t>(now.size()), w::kLength + 48 * times);
        EXPECT_EQ(WordAt(now, *m[0].offset), 1644 + 48 * times) << "M's first word";
        EXPECT_EQ(Places(map), Places(Load(path)));
    }
}

// Every tag's tree on the demo map, by tag: the rows' depths, texts and tags.
std::map<std::string, std::vector<std::string>> AllTrees(const HaloPcMap& map) {
    std::map<std::string, std::vector<std::string>> trees;
    ChunkTree tree(SourcePluginsDir());
    for (const Tag& tag : map.TagCache) {
        const std::optional<TagSelection> selection = tree.SelectTag(map, tag.NameKey());
        if (!selection || !selection->root) {
            continue;
        }
        for (const TreeLine& line : ExpandWholeTree(tree, map, tag, *selection->root, 100000)) {
            trees[tag.NameKey()].push_back(std::to_string(line.depth) + " " + line.row.text + " " +
                                           line.row.tag);
        }
    }
    return trees;
}

// Duplicates a chunk as the window does: the tag's tree gains exactly the new row, and every
// other tag's tree reads as before.
TEST(DemoDuplication, OnlyTheNewRowAppearsInAnyTree) {
    const std::string pistol = "weap:weapons\\pistol\\pistol";
    const std::string scenario = "scnr:levels\\test\\demo\\demo";
    const struct {
        std::string tag, row, newLine;
    } cases[] = {
        {pistol, "weap>magazines;2>ammo packs;1", "4 ammo packs : 3 weap>magazines;2>ammo packs;3"},
        {scenario, "scnr>player spawns;2", "2 player spawns : 4 scnr>player spawns;4"},
        {pistol, "weap>triggers;3", "2 triggers : 4 weap>triggers;4"}, // a tag's last struct
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.row);
        TempDir dir;
        WriteMap(dir / "demo.map", builder::DemoMapSpec());
        HaloPcMap map = Load(dir / "demo.map");
        std::map<std::string, std::vector<std::string>> expected = AllTrees(map);
        ChunkTree tree(SourcePluginsDir());
        const std::optional<TagSelection> selection = tree.SelectTag(map, c.tag);
        const int32_t current = *map.FindTagByName(c.tag);
        ExpandWholeTree(tree, map, map.TagCache[static_cast<size_t>(current)], *selection->root,
                        100000);
        DuplicateSelectedChunk(map, tree, current, c.row);

        const std::map<std::string, std::vector<std::string>> after =
            AllTrees(Load(dir / "demo.map"));
        EXPECT_EQ(AllTrees(map), after) << "the model reads the file as a reload does";
        std::vector<std::string> changed = after.at(c.tag);
        const auto it = std::find(changed.begin(), changed.end(), c.newLine);
        ASSERT_NE(it, changed.end());
        changed.erase(it);
        EXPECT_EQ(changed, expected[c.tag]);
        expected[c.tag] = after.at(c.tag);
        EXPECT_EQ(after, expected);
    }
}

} // namespace
} // namespace pelmar::test
