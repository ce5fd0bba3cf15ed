// The chunk tree: the worked example (magic 900, tag data at 500, struct N at offset 16 of
// size 48 holding 3 chunks from pointer 1500), how a plugin's shape decides the rows, and the
// whole trees of the demo map under the bundled plugins.

#include "TreeTestSupport.h"

#include "mapbuilder/DemoMap.h"
#include "structview/ChunkPath.h"
#include "structview/TextValues.h"
#include "structview/WholeTree.h"

namespace pelmar::test {
namespace {

using builder::Block;
using builder::Reflexive;

class WorkedExample : public TreeTest {
protected:
    void SetUp() override { Load(kExamplePlugin); }
};

TEST_F(WorkedExample, RowsOffsetsAndChunkPaths) {
    ASSERT_EQ(map.Magic, 900);
    ASSERT_EQ(tag().Offset, 500);

    ChunkTree tree(plugins);
    const std::optional<TagSelection> selection = tree.SelectTag(map, kExampleTag);
    ASSERT_TRUE(selection && selection->root);
    const ChunkRow& root = *selection->root;
    EXPECT_EQ(std::tie(root.text, root.tag, root.kind, root.folder),
              std::make_tuple("Main", "exmp", RowKind::Root, true));
    EXPECT_EQ(root.offset, 500);
    EXPECT_EQ(tree.TagClass(), "exmp");

    const std::vector<ChunkRow> structs = Expand(tree, "exmp");
    ASSERT_EQ(structs.size(), 1u);
    EXPECT_EQ(std::tie(structs[0].text, structs[0].tag, structs[0].kind, structs[0].folder),
              std::make_tuple("N", "exmp|N", RowKind::Struct, true));
    EXPECT_FALSE(structs[0].offset.has_value());

    // Expanding again, and naming the struct in another case, gives the same rows under the
    // element's own name.
    for (const char* rowTag : {"exmp|N", "exmp|N", "exmp|n"}) {
        const std::vector<ChunkRow> rows = Expand(tree, rowTag);
        EXPECT_EQ(Texts(rows), (Strings{"N : 1", "N : 2", "N : 3"}));
        EXPECT_EQ(Tags(rows), (Strings{"exmp>N;1", "exmp>N;2", "exmp>N;3"}));
        for (size_t i = 0; i < rows.size(); ++i) {
            EXPECT_EQ(rows[i].kind, RowKind::Chunk);
            EXPECT_FALSE(rows[i].folder) << "N has no struct children";
            EXPECT_EQ(rows[i].offset, 600 + 48 * static_cast<int>(i));
        }
    }

    const FileReader file(mapPath);
    // The chunk number is not checked against the count; a class alone is the given offset.
    const std::pair<const char*, int32_t> offsets[] = {
        {"exmp>N;1", 600}, {"exmp>N;2", 648}, {"exmp>N;3", 696}, {"exmp>N;10", 1032},
        {"exmp>N;0", 552}, {"exmp", 500},     {"anything", 500}};
    for (const auto& [path, offset] : offsets) {
        EXPECT_EQ(tree.FindBaseOffset(file, 900, path, 500), offset) << path;
    }
    EXPECT_EQ(tree.FindBaseOffset(file, 900, "exmp", -7), -7);

    // What Duplicate needs, for chunk rows only.
    const std::optional<ChunkToDuplicate> chunk = tree.LocateChunk(file, 900, "exmp>N;2", 500);
    ASSERT_TRUE(chunk.has_value());
    EXPECT_EQ(std::tie(chunk->referenceOffset, chunk->chunkSize, chunk->chunkIndex),
              std::make_tuple(516, 48, 1));
    for (const std::string& rowTag : Strings{"exmp", "exmp|N", std::string(kLeftOutRowTag)}) {
        EXPECT_FALSE(tree.LocateChunk(file, 900, rowTag, 500).has_value()) << rowTag;
    }
}

// A count is read afresh at each expansion; a struct whose count is 0 or less gets no row.
TEST_F(WorkedExample, ExpansionRereadsTheCountFromTheFile) {
    ChunkTree tree = Selected();
    Expand(tree, "exmp");
    Poke(516, 2);
    EXPECT_EQ(Texts(Expand(tree, "exmp|N")), (Strings{"N : 1", "N : 2"}));
    for (const int32_t count : {0, -5}) {
        Poke(516, count);
        EXPECT_TRUE(Expand(tree, "exmp|N").empty()) << count;
        EXPECT_TRUE(Expand(tree, "exmp").empty()) << "count " << count << ": no struct row";
    }
}

TEST_F(WorkedExample, AMissingMapFileIsReportedByName) {
    ChunkTree tree = Selected();
    std::filesystem::remove(mapPath);
    const std::string message = ErrorOf([&] { Expand(tree, "exmp"); });
    EXPECT_TRUE(Contains(message, mapPath.string())) << message;
}

using PluginShapes = TreeTest;

// Chunk rows with struct children are folders, down to chunks of a struct without any; the
// element name "struct" is matched in any case; fields and comments are ignored, and so are
// a declaration, a comment and an instruction before the root.
TEST_F(PluginShapes, ChunksWithStructChildrenAreFolders) {
    for (const char* plugin : {R"(<?xml version="1.0"?><!-- about --><?tool hint?>
  <plugin class="exmp"><struct name="N" offset="16" size="48">
    <int name="a field" offset="0"/><!-- c --><struct name="M" offset="8" size="4"/>
  </struct></plugin>)",
                               R"(<plugin class="exmp"><STRUCT name="N" offset="16" size="48">
    <Struct name="M" offset="8" size="4"/></STRUCT></plugin>)"}) {
        SCOPED_TRACE(plugin);
        ExampleMap example;
        example.mCounts = {0, 2, 1};
        Load(plugin, example.Blueprint());
        ChunkTree tree = Selected();
        EXPECT_EQ(Tags(Expand(tree, "exmp")), (Strings{"exmp|N"}));
        const std::vector<ChunkRow> chunks = Expand(tree, "exmp|N");
        ASSERT_EQ(chunks.size(), 3u);
        for (const ChunkRow& row : chunks) {
            EXPECT_TRUE(row.folder) << row.text;
        }
        EXPECT_TRUE(Expand(tree, "exmp>N;1").empty()) << "M has 0 chunks there";
        EXPECT_EQ(Tags(Expand(tree, "exmp>N;2")), (Strings{"exmp>N;2|M"}));
        const std::vector<ChunkRow> leaves = Expand(tree, "exmp>N;2|M");
        EXPECT_EQ(Texts(leaves), (Strings{"M : 1", "M : 2"}));
        EXPECT_EQ(Tags(leaves), (Strings{"exmp>N;2>M;1", "exmp>N;2>M;2"}));
        EXPECT_FALSE(leaves[0].folder || leaves[1].folder) << "M has no struct children";
        // Laid out depth first: N's chunks at 600..744, then the M chunks of N's chunk 2
        // (744, 748) and of its chunk 3 (752).
        EXPECT_EQ(leaves[0].offset, 744);
        EXPECT_EQ(leaves[1].offset, 748);
        const FileReader file(mapPath);
        EXPECT_EQ(tree.FindBaseOffset(file, map.Magic, "exmp>N;2>M;2", 500), 748);
        EXPECT_EQ(tree.FindBaseOffset(file, map.Magic, "exmp>N;3", 500), 696);
    }
}

TEST_F(PluginShapes, TheClassAttributeNamesTheTreeNotTheFileName) {
    Load(R"(<plugin class="othr"><struct name="N" offset="16" size="48"/></plugin>)");
    ChunkTree tree(plugins);
    const std::optional<TagSelection> selection = tree.SelectTag(map, kExampleTag);
    ASSERT_TRUE(selection && selection->root);
    EXPECT_EQ(selection->root->tag, "othr");
    EXPECT_EQ(tree.TagClass(), "othr");
    EXPECT_EQ(Tags(Expand(tree, "othr")), (Strings{"othr|N"}));
    EXPECT_EQ(Tags(Expand(tree, "othr|N")), (Strings{"othr>N;1", "othr>N;2", "othr>N;3"}));
    EXPECT_EQ(tree.registry().XmlNodeArrayDictionary().count("othr>N"), 1u);
    EXPECT_EQ(tree.registry().XmlNodeArrayDictionary().count("exmp>N"), 0u);
}

TEST_F(PluginShapes, SiblingStructsOfOneNameListTheirChunksInTurn) {
    ExampleMap example;
    example.extraRefs = {Reflexive{40, 8, {Block(8), Block(8)}}};
    Load(R"(<plugin class="exmp"><struct name="N" offset="16" size="48"/>
  <struct name="n" offset="40" size="8"/></plugin>)",
         example.Blueprint());
    ChunkTree tree = Selected();
    EXPECT_EQ(Tags(Expand(tree, "exmp")), (Strings{"exmp|N", "exmp|n"}));
    const std::vector<ChunkRow> rows = Expand(tree, "exmp|N");
    EXPECT_EQ(Texts(rows), (Strings{"N : 1", "N : 2", "N : 3", "n : 1", "n : 2"}));
    // Each row's offset is that of its own struct's chunk, as resolved when it was added.
    EXPECT_EQ(rows[2].offset, 696);
    EXPECT_EQ(rows[3].offset, 744);
    EXPECT_EQ(rows[4].offset, 752);
}

TEST_F(PluginShapes, AnUnregisteredStructKeyResolvesToTheRoot) {
    // The root has no offset or size attribute: a path through it reads the pointer at the
    // block's offset 0 + 4 and steps 0 bytes per chunk.
    builder::MapSpec blueprint = ExampleMap{}.Blueprint();
    blueprint.tags[0].data.SetWord(4, 900 + 640);
    Load(kExamplePlugin, blueprint);
    ChunkTree tree = Selected();
    EXPECT_EQ(tree.FindBaseOffset(FileReader(mapPath), 900, "exmp>unknown;5", 500), 640);
    EXPECT_EQ(tree.registry().Lookup("exmp>unknown"), tree.registry().Lookup("exmp"));
}

TEST_F(PluginShapes, APluginWithoutStructsGivesTheMessageAndNoTree) {
    Load(R"(<plugin class="othr"><!-- only fields here --><float name="speed" offset="8"/>
  <structure name="not a struct" offset="16" size="48"/></plugin>)");
    ChunkTree tree(plugins);
    const std::optional<TagSelection> selection = tree.SelectTag(map, kExampleTag);
    ASSERT_TRUE(selection.has_value());
    EXPECT_FALSE(selection->root.has_value());
    EXPECT_EQ(selection->message, "No internal nodes found.");
    EXPECT_TRUE(tree.registry().XmlNodeArray().empty());
    EXPECT_EQ(tree.TagClass(), "exmp") << "the class part of the tag row stays";
}

// Every class but snd! has a plugin; in every tree, each row has the kind its tag says, and
// each chunk lies inside its tag and resolves to the offset its row was given.
TEST(DemoTrees, EveryChunkLiesInItsTagAndResolvesToItsOffset) {
    TempDir dir;
    WriteMap(dir / "demo.map", builder::DemoMapSpec());
    HaloPcMap map;
    map.LoadMap(dir / "demo.map");
    PluginFolder plugins;
    plugins.ScanForPlugins(SourcePluginsDir());
    const FileReader file(map.f);
    for (const Tag& tag : map.TagCache) {
        ASSERT_EQ(plugins.HasPluginFor(tag.Class1), tag.Class1 != "snd!") << tag.Class1;
        if (!plugins.HasPluginFor(tag.Class1)) {
            continue;
        }
        ChunkTree tree(SourcePluginsDir());
        const std::optional<TagSelection> selection = tree.SelectTag(map, tag.NameKey());
        ASSERT_TRUE(selection && selection->root) << tag.NameKey();
        size_t chunks = 0;
        for (const TreeLine& line : ExpandWholeTree(tree, map, tag, *selection->root, 100000)) {
            const ChunkRow& row = line.row;
            ASSERT_NE(row.kind, RowKind::LeftOut) << row.text;
            EXPECT_EQ(row.kind == RowKind::Struct, HasStructPart(row.tag)) << row.tag;
            EXPECT_EQ(row.offset.has_value(), row.kind != RowKind::Struct) << row.tag;
            EXPECT_EQ(line.depth == 0, row.kind == RowKind::Root) << row.tag;
            if (row.kind != RowKind::Chunk) {
                continue;
            }
            ++chunks;
            const int64_t size = Val(
                GetAttribute(tree.registry().Lookup(StructKey(tree.TagClass(), row.tag)), "size"));
            EXPECT_GE(*row.offset, tag.Offset) << row.tag;
            EXPECT_LE(*row.offset + size, int64_t{tag.Offset} + tag.Size) << row.tag;
            EXPECT_EQ(tree.FindBaseOffset(file, map.Magic, row.tag, tag.Offset), *row.offset)
                << row.tag;
        }
        EXPECT_GT(chunks, 0u) << tag.NameKey();
    }
}

// Broken plugins and hostile maps: a message naming the file, an empty tree or a bounded
// one, never a crash or a read outside the file.

using BadInput = TreeTest;

TEST_F(BadInput, ABrokenPluginFileIsNamedWithTheParsersErrorAndLine) {
    const struct {
        const char* name;
        const char* plugin; // nullptr: no file; "/": a folder
        Strings said;
    } cases[] = {
        {"missing", nullptr, {"exmp.ent", "cannot open"}},
        {"a folder", "/", {"exmp.ent"}},
        {"empty", "", {"exmp.ent", "line 1"}},
        {"mismatched tags",
         "<plugin class=\"exmp\">\n  <struct name=\"N\" offset=\"16\" size=\"48\">\n"
         "  <struct name=\"M\" offset=\"8\"/>\n</plugin>\n",
         {"exmp.ent", "not a well-formed plugin file", "Start-end tags mismatch", "at line 4"}},
        {"unquoted attribute",
         "<plugin class=\"exmp\">\n\n\n  <struct name=N/>\n</plugin>\n",
         {"at line 4"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all(plugins / "exmp.ent");
        if (c.plugin != nullptr && std::string(c.plugin) == "/") {
            std::filesystem::create_directory(plugins / "exmp.ent");
        } else if (c.plugin != nullptr) {
            WritePlugin(c.plugin);
        }
        Load("");
        ChunkTree tree(plugins);
        const std::optional<TagSelection> selection = tree.SelectTag(map, kExampleTag);
        ASSERT_TRUE(selection.has_value());
        EXPECT_FALSE(selection->root.has_value());
        EXPECT_TRUE(tree.registry().XmlNodeArray().empty());
        EXPECT_TRUE(Contains(selection->message, plugins.string())) << selection->message;
        for (const std::string& part : c.said) {
            EXPECT_TRUE(Contains(selection->message, part)) << selection->message;
        }
    }
}

TEST_F(BadInput, AClassCodeWithASlashNeverLeavesThePluginFolder) {
    std::ofstream(dir / "x.ent") << kExamplePlugin; // what the class "../x" would reach
    builder::MapSpec blueprint = ExampleMap{}.Blueprint();
    blueprint.tags[0].class1 = "../x";
    Load("", blueprint);
    ChunkTree tree(plugins);
    const std::optional<TagSelection> selection = tree.SelectTag(map, "../x:" + kExampleName);
    ASSERT_TRUE(selection.has_value());
    EXPECT_FALSE(selection->root.has_value());
    EXPECT_TRUE(Contains(selection->message, "no plugin file can exist")) << selection->message;
}

TEST_F(BadInput, AStructPositionOutsideTheFileIsAnErrorNamingTheMap) {
    const struct {
        const char* plugin;
        Strings said;
    } cases[] = {
        {R"(<plugin class="exmp"><struct name="N" offset="16" size="48"/>
           <struct name="far" offset="100000" size="8"/></plugin>)",
         {"100500", "exmp>far"}},
        {R"(<plugin class="exmp"><struct name="N" offset="-600" size="48"/></plugin>)", {"-100"}},
    };
    for (const auto& c : cases) {
        Load(c.plugin);
        ChunkTree tree = Selected();
        const std::string message = ErrorOf([&] { Expand(tree, "exmp"); });
        EXPECT_TRUE(Contains(message, mapPath.string())) << message;
        for (const std::string& part : c.said) {
            EXPECT_TRUE(Contains(message, part)) << message;
        }
    }
    const FileReader file(mapPath);
    ChunkTree tree = Selected();
    EXPECT_TRUE(Contains(ErrorOf([&] { tree.FindBaseOffset(file, 900, "exmp>N;1", -10); }),
                         "lies outside the file"));
}

// Never more rows than chunks that lie inside the file (or than the expansion limit), and a
// last row that says how many were left out; that row cannot be expanded or duplicated.
TEST_F(BadInput, TheCountIsBoundedByTheFileAndTheLimit) {
    const struct {
        int64_t at;
        int32_t word;
        size_t limit;
        Strings rows;
    } cases[] = {
        {516,
         1'000'000,
         1'000'000,
         {"N : 1", "N : 2", "N : 3",
          "... 999,997 more chunks left out: chunk 4 does not lie inside the file"}},
        {520,
         0,
         1'000'000, // chunk 1 at file offset -900
         {"... 3 chunks left out: chunk 1 does not lie inside the file"}},
        {516, 3, 2, {"N : 1", "N : 2", "... 1 more chunk left out: at most 2 rows per expansion"}},
    };
    for (const auto& c : cases) {
        Load(kExamplePlugin);
        ASSERT_EQ(bytes.size(), 744u) << "the three chunks end the file";
        Poke(c.at, c.word);
        ChunkTree tree = Selected();
        EXPECT_EQ(tree.ExpansionLimit(), 1'000'000u);
        tree.SetExpansionLimit(c.limit);
        const std::vector<ChunkRow> rows = Expand(tree, "exmp|N");
        EXPECT_EQ(Texts(rows), c.rows);
        const ChunkRow& last = rows.back();
        EXPECT_EQ(last.kind, RowKind::LeftOut);
        EXPECT_FALSE(last.folder || last.offset.has_value());
        EXPECT_EQ(last.tag, kLeftOutRowTag);
        EXPECT_TRUE(ChunkTree::IsStructRowTag(last.tag)) << "Duplicate stays disabled on it";
        EXPECT_TRUE(Expand(tree, last.tag).empty());
        EXPECT_FALSE(tree.LocateChunk(FileReader(mapPath), 900, last.tag, 500).has_value());
    }
}

TEST_F(BadInput, ChunksOfSizeZeroStopAtTheLimit) {
    Load(R"(<plugin class="exmp"><struct name="N" offset="16"/></plugin>)");
    Poke(516, 0x7FFFFFFF);
    ChunkTree tree = Selected();
    tree.SetExpansionLimit(1000);
    const std::vector<ChunkRow> rows = Expand(tree, "exmp|N");
    ASSERT_EQ(rows.size(), 1001u);
    EXPECT_EQ(rows[999].offset, 600) << "every chunk of size 0 starts at the pointer";
    EXPECT_EQ(rows[1000].text,
              "... 2,147,482,647 more chunks left out: at most 1,000 rows per expansion");
}

} // namespace
} // namespace pelmar::test
