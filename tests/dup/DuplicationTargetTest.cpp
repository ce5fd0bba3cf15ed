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

// The rows' tags, or their texts.
std::vector<std::string> Tags(const std::vector<ChunkRow>& rows) {
    std::vector<std::string> tags;
    for (const ChunkRow& row : rows) {
        tags.push_back(row.tag);
    }
    return tags;
}

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

TEST_F(WorkedTree, SecondChunkResolvesToTheExamplesNumbers) {
    EXPECT_EQ(Tags(Expand("weap")), (std::vector<std::string>{"weap|N", "weap|M"}));
    EXPECT_EQ(Tags(Expand("weap|N")),
              (std::vector<std::string>{"weap>N;1", "weap>N;2", "weap>N;3"}));
    const ChunkToDuplicate chunk = ResolveDuplicationTarget(*tree, map, 0, "weap>N;2");
    EXPECT_EQ(chunk.referenceOffset, w::kReferenceN);
    EXPECT_EQ(chunk.chunkSize, w::kChunkSizeN);
    EXPECT_EQ(chunk.chunkIndex, 1);
}

TEST_F(WorkedTree, RootRowSaysToSelectAChunk) {
    ExpectRefused("weap", "Select a chunk");
}

TEST_F(WorkedTree, StructRowSaysToSelectAChunk) {
    Expand("weap");
    ExpectRefused("weap|N", "Select a chunk");
}

TEST_F(WorkedTree, NoTagSelected) {
    Expand("weap");
    Expand("weap|N");
    EXPECT_THROW(ResolveDuplicationTarget(*tree, map, -1, "weap>N;2"), PelmarError);
}

TEST_F(WorkedTree, StructWithoutSizeHasNothingToDuplicate) {
    Install(R"(<plugin class="weap"><struct name="N" offset="16"/></plugin>)");
    Expand("weap");
    Expand("weap|N");
    ExpectRefused("weap>N;2", "has no size");
}

TEST_F(WorkedTree, StructOfSizeZeroHasNothingToDuplicate) {
    Install(R"(<plugin class="weap"><struct name="N" offset="16" size="0"/></plugin>)");
    Expand("weap");
    Expand("weap|N");
    ExpectRefused("weap>N;2", "nothing to duplicate");
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
    std::vector<uint8_t> moved = before;
    SetWord(moved, w::kReferenceN + 4, static_cast<int32_t>(moved.size()) - 6 - 48 + w::kMagic);
    WriteFileBytes(path, moved);
    before = moved;
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

class DemoDuplication : public ::testing::Test {
protected:
    void SetUp() override {
        WriteMap(path, builder::DemoMapSpec());
        map = Load(path);
        treesBefore = AllTrees(map);
    }

    // Duplicates `rowTag` of `tagKey` as the window does, then checks that every other tag's
    // tree reads as before and returns the tag's new tree.
    std::vector<std::string> DuplicateAndCompare(const std::string& tagKey,
                                                 const std::string& rowTag) {
        ChunkTree tree(SourcePluginsDir());
        const std::optional<TagSelection> selection = tree.SelectTag(map, tagKey);
        const int32_t current = *map.FindTagByName(tagKey);
        ExpandWholeTree(tree, map, map.TagCache[static_cast<size_t>(current)], *selection->root,
                        100000);
        DuplicateSelectedChunk(map, tree, current, rowTag);
        std::map<std::string, std::vector<std::string>> after = AllTrees(Load(path));
        EXPECT_EQ(AllTrees(map), after) << "the model reads the file as a reload does";
        std::vector<std::string> changed = after[tagKey];
        after.erase(tagKey);
        std::map<std::string, std::vector<std::string>> others = treesBefore;
        others.erase(tagKey);
        EXPECT_EQ(after, others);
        return changed;
    }

    std::vector<std::string> Without(std::vector<std::string> lines, const std::string& line) {
        auto it = std::find(lines.begin(), lines.end(), line);
        EXPECT_NE(it, lines.end()) << line;
        if (it != lines.end()) {
            lines.erase(it);
        }
        return lines;
    }

    TempDir dir;
    std::filesystem::path path = dir / "demo.map";
    HaloPcMap map;
    std::map<std::string, std::vector<std::string>> treesBefore;
};

TEST_F(DemoDuplication, NestedChunkOfAWeaponLeavesEveryOtherTreeAsItWas) {
    const std::string pistol = "weap:weapons\\pistol\\pistol";
    const std::vector<std::string> after =
        DuplicateAndCompare(pistol, "weap>magazines;2>ammo packs;1");
    EXPECT_EQ(Without(after, "4 ammo packs : 3 weap>magazines;2>ammo packs;3"),
              treesBefore[pistol]);
}

TEST_F(DemoDuplication, ScenarioChunkLeavesEveryOtherTreeAsItWas) {
    const std::string scenario = "scnr:levels\\test\\demo\\demo";
    const std::vector<std::string> after = DuplicateAndCompare(scenario, "scnr>player spawns;2");
    EXPECT_EQ(Without(after, "2 player spawns : 4 scnr>player spawns;4"), treesBefore[scenario]);
}

TEST_F(DemoDuplication, LastChunkOfATagsLastStruct) {
    const std::string pistol = "weap:weapons\\pistol\\pistol";
    const std::vector<std::string> after = DuplicateAndCompare(pistol, "weap>triggers;3");
    EXPECT_EQ(Without(after, "2 triggers : 4 weap>triggers;4"), treesBefore[pistol]);
}

} // namespace
} // namespace pelmar::test
