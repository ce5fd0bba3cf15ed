// Broken plugins and hostile maps: a message naming the file, an empty tree or a bounded one,
// never a crash or a read outside the file.

#include "TreeTestSupport.h"

#include "platform/FileReader.h"
#include "platform/PelmarError.h"
#include "structview/ChunkPath.h"

#include <gtest/gtest.h>

#include <fstream>

namespace pelmar::test {
namespace {

using Strings = std::vector<std::string>;

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class BadInput : public ::testing::Test {
protected:
    const Tag& tag() const { return fx.TagNamed(ExampleTag()); }

    // The message that selecting the example tag gives; the test fails if a root was made.
    std::string SelectionMessage() {
        ChunkTree tree(fx.plugins());
        const std::optional<TagSelection> selection = tree.SelectTag(fx.map, ExampleTag());
        EXPECT_TRUE(selection.has_value());
        EXPECT_FALSE(selection && selection->root.has_value());
        EXPECT_TRUE(tree.registry().XmlNodeArray().empty());
        return selection ? selection->message : "";
    }

    // The message of the PelmarError that `work` throws.
    template <class Work> std::string ErrorOf(Work&& work) {
        try {
            work();
        } catch (const PelmarError& e) {
            return e.what();
        }
        ADD_FAILURE() << "expected PelmarError";
        return "";
    }

    TreeFixture fx;
};

TEST_F(BadInput, AMissingPluginFileIsNamed) {
    fx.WriteAndLoad(ExampleMap{}.Blueprint());
    const std::string message = SelectionMessage();
    EXPECT_TRUE(Contains(message, (fx.plugins() / "exmp.ent").string())) << message;
    EXPECT_TRUE(Contains(message, "cannot open")) << message;
}

TEST_F(BadInput, MalformedXmlIsNamedWithTheParsersErrorAndLine) {
    fx.WritePlugin("exmp.ent", "<plugin class=\"exmp\">\n"
                               "  <struct name=\"N\" offset=\"16\" size=\"48\">\n"
                               "  <struct name=\"M\" offset=\"8\"/>\n"
                               "</plugin>\n");
    fx.WriteAndLoad(ExampleMap{}.Blueprint());
    const std::string message = SelectionMessage();
    EXPECT_TRUE(Contains(message, (fx.plugins() / "exmp.ent").string())) << message;
    EXPECT_TRUE(Contains(message, "not a well-formed plugin file")) << message;
    EXPECT_TRUE(Contains(message, "Start-end tags mismatch")) << message;
    EXPECT_TRUE(Contains(message, "at line 4")) << message;
}

TEST_F(BadInput, AnAttributeWithoutQuotesIsReportedOnItsLine) {
    fx.WritePlugin("exmp.ent", "<plugin class=\"exmp\">\n\n\n  <struct name=N/>\n</plugin>\n");
    fx.WriteAndLoad(ExampleMap{}.Blueprint());
    const std::string message = SelectionMessage();
    EXPECT_TRUE(Contains(message, "at line 4")) << message;
}

TEST_F(BadInput, AnEmptyPluginFileHasNoRoot) {
    fx.WritePlugin("exmp.ent", "");
    fx.WriteAndLoad(ExampleMap{}.Blueprint());
    const std::string message = SelectionMessage();
    EXPECT_TRUE(Contains(message, "exmp.ent")) << message;
    EXPECT_TRUE(Contains(message, "line 1")) << message;
}

TEST_F(BadInput, APluginThatIsAFolderIsReported) {
    std::filesystem::create_directory(fx.plugins() / "exmp.ent");
    fx.WriteAndLoad(ExampleMap{}.Blueprint());
    const std::string message = SelectionMessage();
    EXPECT_TRUE(Contains(message, "exmp.ent")) << message;
}

TEST_F(BadInput, AClassCodeWithASlashNeverLeavesThePluginFolder) {
    // A plugin outside the folder that the class "../x" would reach.
    std::ofstream(fx.dir / "x.ent") << kExamplePlugin;
    builder::MapSpec blueprint = ExampleMap{}.Blueprint();
    blueprint.tags[0].class1 = "../x";
    fx.WriteAndLoad(blueprint);
    ChunkTree tree(fx.plugins());
    const std::optional<TagSelection> selection = tree.SelectTag(fx.map, "../x:" + ExampleName());
    ASSERT_TRUE(selection.has_value());
    EXPECT_FALSE(selection->root.has_value());
    EXPECT_TRUE(Contains(selection->message, "no plugin file can exist")) << selection->message;
}

TEST_F(BadInput, AStructReferenceOutsideTheFileIsAnErrorNamingTheMap) {
    fx.WritePlugin("exmp.ent", R"(<plugin class="exmp">
  <struct name="N" offset="16" size="48"/>
  <struct name="far" offset="100000" size="8"/>
</plugin>)");
    fx.WriteAndLoad(ExampleMap{}.Blueprint());
    ChunkTree tree = SelectedTree(fx, ExampleTag());
    const std::string message = ErrorOf([&] { tree.ExpandRow(fx.map, tag(), "exmp"); });
    EXPECT_TRUE(Contains(message, fx.mapPath().string())) << message;
    EXPECT_TRUE(Contains(message, "100500")) << message;
    EXPECT_TRUE(Contains(message, "exmp>far")) << message;
}

TEST_F(BadInput, ANegativePositionIsOutsideTheFile) {
    fx.WritePlugin("exmp.ent", R"(<plugin class="exmp">
  <struct name="N" offset="-600" size="48"/>
</plugin>)");
    fx.WriteAndLoad(ExampleMap{}.Blueprint());
    ChunkTree tree = SelectedTree(fx, ExampleTag());
    const std::string message = ErrorOf([&] { tree.ExpandRow(fx.map, tag(), "exmp"); });
    EXPECT_TRUE(Contains(message, "-100")) << message;
    const FileReader file(fx.mapPath());
    EXPECT_TRUE(Contains(ErrorOf([&] { tree.FindBaseOffset(file, 900, "exmp>N;1", -10); }),
                         "lies outside the file"));
}

TEST_F(BadInput, ACountPastTheEndOfTheFileListsOnlyTheChunksInside) {
    fx.WritePlugin("exmp.ent", kExamplePlugin);
    builder::BuiltMap built = fx.WriteAndLoad(ExampleMap{}.Blueprint());
    ASSERT_EQ(built.bytes.size(), 744u) << "the three chunks end the file";
    SetWord(built.bytes, 516, 1'000'000);
    WriteFileBytes(fx.mapPath(), built.bytes);
    ChunkTree tree = SelectedTree(fx, ExampleTag());
    const std::vector<ChunkRow> rows = tree.ExpandRow(fx.map, tag(), "exmp|N");
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(Texts(rows), (Strings{"N : 1", "N : 2", "N : 3",
                                    "... 999,997 more chunks left out: chunk 4 does not lie "
                                    "inside the file"}));
    EXPECT_EQ(rows[3].kind, RowKind::LeftOut);
    EXPECT_FALSE(rows[3].folder);
    EXPECT_FALSE(rows[3].offset.has_value());
    EXPECT_EQ(rows[3].tag, kLeftOutRowTag);
}

TEST_F(BadInput, APointerOutsideTheFileListsNoChunk) {
    fx.WritePlugin("exmp.ent", kExamplePlugin);
    builder::BuiltMap built = fx.WriteAndLoad(ExampleMap{}.Blueprint());
    SetWord(built.bytes, 520, 0); // chunk 1 at file offset -900
    WriteFileBytes(fx.mapPath(), built.bytes);
    ChunkTree tree = SelectedTree(fx, ExampleTag());
    EXPECT_EQ(Texts(tree.ExpandRow(fx.map, tag(), "exmp|N")),
              (Strings{"... 3 chunks left out: chunk 1 does not lie inside the file"}));
}

TEST_F(BadInput, TheExpansionLimitCountsTheRest) {
    fx.WritePlugin("exmp.ent", kExamplePlugin);
    fx.WriteAndLoad(ExampleMap{}.Blueprint());
    ChunkTree tree = SelectedTree(fx, ExampleTag());
    EXPECT_EQ(tree.ExpansionLimit(), 1'000'000u);
    tree.SetExpansionLimit(2);
    EXPECT_EQ(
        Texts(tree.ExpandRow(fx.map, tag(), "exmp|N")),
        (Strings{"N : 1", "N : 2", "... 1 more chunk left out: at most 2 rows per expansion"}));
}

TEST_F(BadInput, ChunksOfSizeZeroStopAtTheLimit) {
    fx.WritePlugin("exmp.ent", R"(<plugin class="exmp"><struct name="N" offset="16"/></plugin>)");
    builder::BuiltMap built = fx.WriteAndLoad(ExampleMap{}.Blueprint());
    SetWord(built.bytes, 516, 0x7FFFFFFF);
    WriteFileBytes(fx.mapPath(), built.bytes);
    ChunkTree tree = SelectedTree(fx, ExampleTag());
    tree.SetExpansionLimit(1000);
    const std::vector<ChunkRow> rows = tree.ExpandRow(fx.map, tag(), "exmp|N");
    ASSERT_EQ(rows.size(), 1001u);
    EXPECT_EQ(rows[999].offset, 600) << "every chunk of size 0 starts at the pointer";
    EXPECT_EQ(rows[1000].text,
              "... 2,147,482,647 more chunks left out: at most 1,000 rows per expansion");
}

TEST_F(BadInput, TheLeftOutRowCannotBeExpandedOrDuplicated) {
    fx.WritePlugin("exmp.ent", kExamplePlugin);
    fx.WriteAndLoad(ExampleMap{}.Blueprint());
    ChunkTree tree = SelectedTree(fx, ExampleTag());
    const std::string tagOfRow(kLeftOutRowTag);
    EXPECT_TRUE(ChunkTree::IsStructRowTag(tagOfRow)) << "Duplicate stays disabled on it";
    EXPECT_TRUE(tree.ExpandRow(fx.map, tag(), tagOfRow).empty());
    const FileReader file(fx.mapPath());
    EXPECT_FALSE(tree.LocateChunk(file, 900, tagOfRow, 500).has_value());
}

} // namespace
} // namespace pelmar::test
