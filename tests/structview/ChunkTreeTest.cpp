// Plugins parsed into their typed tree, and the chunk tree read through them from a map's
// bytes: the worked example, structs sharing a name, left-out chunks, shapes that blow up.

#include "structview/ChunkTree.h"
#include "structview/PluginParser.h"
#include "support/MapOracle.h"
#include "support/TestSupport.h"

#include <tuple>

namespace pelmar::test {
namespace {

using builder::Block;
using builder::Reflexive;

// A plugin's tree in one line: "class headersize complete | fields and structs", a field as
// type:name@offset with its size, count, options, bits and classes where given, a struct as
// name@offset:size{...} ("?" for no size).
std::string Shape(const StructDef& s) {
    std::string out;
    for (const FieldDef& f : s.fields) {
        out += std::string(FieldTypeName(f.type)) + ":" + f.name + "@" + std::to_string(f.offset);
        out += f.size ? "/" + std::to_string(f.size) : "";
        out += f.count > 1 ? "*" + std::to_string(f.count) : "";
        for (const auto* list : {&f.options, &f.bits, &f.classes}) {
            for (const std::string& item : *list) {
                out += "," + item;
            }
        }
        out += " ";
    }
    for (const StructDef& c : s.structs) {
        out += c.name + "@" + std::to_string(c.offset) + ":" +
               (c.hasSize ? std::to_string(c.size) : "?") + "{" + Shape(c) + "} ";
    }
    return out;
}

std::string Shape(const PluginDef& p) {
    return p.tagClass + " " + std::to_string(p.headerSize) + (p.complete ? " complete" : "") +
           " | " + Shape(p.root);
}

std::string Nested(int depth) {
    std::string text = R"(<plugin class="exmp">)";
    for (int i = 0; i < depth; ++i) {
        text += R"(<struct name="s" offset="0" size="8">)";
    }
    for (int i = 0; i < depth; ++i) {
        text += "</struct>";
    }
    return text + "</plugin>";
}

// Each text's shape parsed whole, and as a layout of addresses (only the structs and the
// places of tag references, data fields and tag ids).
TEST(PluginParser, ShapesOfPluginFiles) {
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {R"(<plugin class="exmp" headersize="100"><STRUCT name="N" offset="16" size="48">
            <Struct name="M" offset="8" size="4"/></STRUCT></plugin>)",
         "exmp 100 | N@16:48{M@8:4{} } ", "exmp 100 | N@16:48{M@8:4{} } "},
        {R"(<?xml version="1.0"?><!-- about --><?tool hint?><plugin class="weap" complete="true">
            <!-- c --><FLOAT name="zoom" offset="24"/><int16 name="r" offset="0" count="3"/>
            <enum16 name="mode" offset="4"><option name="a" value="0"/><option name="c" value="2"/>
            </enum16><flags32 name="f" offset="8"><bit name="x" index="1"/></flags32>
            <tagref name="p" offset="16" classes="proj,*"/><data name="d" offset="20" size="20"/>
            <structure name="not a struct" offset="32" size="4"/><unknown offset="1"/>
            <tag_id name="t" offset="28" offset="99"/><struct name="S" offset="40" size="8">
            <int16 name="n" offset="0"/><data name="e" offset="2"/></struct></plugin>)",
         "weap 0 complete | float:zoom@24/4 int16:r@0/6*3 enum16:mode@4/2,a,,c flags32:f@8/4,,x "
         "tagref:p@16/16,proj,* data:d@20/20 tag_id:t@28/4 S@40:8{int16:n@0/2 data:e@2/20 } ",
         "weap 0 complete | tagref:@16 data:@20 tag_id:@28 S@40:8{data:@2 } "},
        {R"(<plugin><struct name="N"><struct/></struct></plugin>)", " 0 | N@0:?{@0:?{} } ",
         " 0 | N@0:?{@0:?{} } "},
        {R"(<plugin class="c" headersize="16abc"><struct name="N" offset=" 12" size="x"/></plugin>)",
         "c 16 | N@12:0{} ", "c 16 | N@12:0{} "},
    };
    for (const auto& [text, shape, addresses] : cases) {
        SCOPED_TRACE(text.substr(0, 60));
        EXPECT_EQ(Shape(ParsePlugin(text)), shape);
        EXPECT_EQ(Shape(ParsePlugin(text, PluginDetail::Addresses)), addresses);
    }
}

TEST(PluginParser, BadInputIsRefusedSayingWhy) {
    const std::pair<std::string, std::string> cases[] = {
        {"<plugin class=\"exmp\">\n  <struct name=\"N\" offset=\"16\">\n</plugin>\n",
         "not a well-formed plugin file: Start-end tags mismatch at line 3"},
        {"<plugin>\n\n\n  <struct name=N/>\n</plugin>\n", "at line 4"},
        {"", "No document element found at line 1"},
        {"<!-- only a comment -->", "No document element found"},
        {R"(<plugin><struct name="a>b"/></plugin>)", R"(the struct name "a>b" holds ">")"},
        {R"(<plugin><struct name="a|b"/></plugin>)", R"(holds ">", "|" or ";")"},
        {Nested(65), "structs are nested more than 64 deep"},
    };
    for (const auto& [text, words] : cases) {
        SCOPED_TRACE(text.substr(0, 60));
        for (const PluginDetail detail : {PluginDetail::Everything, PluginDetail::Addresses}) {
            ExpectError([&] { ParsePlugin(text, detail); }, ErrorKind::BadPlugin, words);
        }
    }
}

// One tag of class "exmp": index at 20, its entry at 60, its name up to 500 and its 100-byte
// data from 500, with N at 16 (3 chunks of 48 from 600) and `more` structs.
Bytes Example(std::vector<Reflexive> more = {}) {
    builder::MapSpec blueprint;
    blueprint.headerSize = 20;
    blueprint.mapMagic = 900 + 60;
    Block data(100);
    data.Add(Reflexive{16, 48, std::vector<Block>(3, Block(48))});
    for (const Reflexive& r : more) {
        data.Add(r);
    }
    blueprint.tags = {PlainTag("exmp", "example" + std::string(400, '_'), 1, data)};
    return builder::BuildMap(blueprint).bytes;
}

constexpr char kExample[] =
    R"(<plugin class="exmp"><struct name="N" offset="16" size="48"/></plugin>)";

// The rows' texts and offsets, joined by " | ".
std::string Texts(const std::vector<ChunkRow>& rows) {
    std::string texts;
    for (const ChunkRow& row : rows) {
        texts += (texts.empty() ? "" : " | ") + row.Text() +
                 (row.offset ? " @" + std::to_string(*row.offset) : "");
    }
    return texts;
}

// The struct row named `name` under the root, expanded.
std::vector<ChunkRow> ChunksOf(const TreeView& view, const std::string& name) {
    for (const ChunkRow& row : ExpandRow(view, RootRow(view))) {
        if (row.Text() == name) {
            return ExpandRow(view, row);
        }
    }
    ADD_FAILURE() << "no struct row " << name;
    return {};
}

ChunkPath Path(const std::string& name, int64_t chunk) {
    return ChunkPath{}.Child(name, chunk);
}

TEST(ChunkTree, WorkedExample) {
    const Bytes bytes = Example();
    const PluginDef plugin = ParsePlugin(kExample);
    const TreeView view{plugin, bytes, 900, 500};
    const ChunkRow root = RootRow(view);
    EXPECT_EQ(std::tie(root.kind, root.folder), std::make_tuple(RowKind::Root, true));
    const std::vector<ChunkRow> structs = ExpandRow(view, root);
    EXPECT_EQ(Texts({root}), "Main @500");
    EXPECT_EQ(Texts(structs), "N");
    const std::vector<ChunkRow> chunks = ExpandRow(view, structs.at(0));
    EXPECT_EQ(Texts(chunks), "N : 1 @600 | N : 2 @648 | N : 3 @696");
    EXPECT_FALSE(chunks[0].folder) << "N has no structs of its own";
    EXPECT_EQ(FormatChunkPath("exmp", chunks[1].Path()), "exmp>N;2");
    // The chunk number is not checked against the count; names match in any letter case.
    const std::pair<ChunkPath, int32_t> blocks[] = {{ChunkPath{}, 500},
                                                    {Path("N", 1), 600},
                                                    {Path("n", 3), 696},
                                                    {Path("N", 10), 1032},
                                                    {Path("N", 0), 552}};
    for (const auto& [path, offset] : blocks) {
        EXPECT_EQ(ResolveBlock(view, path).offset, offset) << FormatChunkPath("exmp", path);
    }
    const ChunkToDuplicate chunk = LocateChunk(view, Path("n", 2)).chunk;
    EXPECT_EQ(std::tie(chunk.referenceOffset, chunk.chunkSize, chunk.chunkIndex),
              std::make_tuple(516, 48, 1));
    ExpectError([&] { LocateChunk(view, ChunkPath{}); }, ErrorKind::Refused, "not a chunk");
    ExpectError([&] { ResolveBlock(view, Path("M", 1)); }, ErrorKind::NotFound, "no struct \"M\"");
}

// Two structs named N and n: expanding lists the chunks of both; a path goes into the last of
// them whose count is above 0.
TEST(ChunkTree, SiblingStructsOfOneName) {
    Bytes bytes = Example({Reflexive{40, 8, {Block(8), Block(8)}}});
    const PluginDef plugin = ParsePlugin(R"(<plugin class="exmp">
        <struct name="N" offset="16" size="48"/><struct name="n" offset="40" size="8"/></plugin>)");
    const TreeView view{plugin, bytes, 900, 500};
    EXPECT_EQ(Texts(ExpandRow(view, RootRow(view))), "N | n");
    EXPECT_EQ(Texts(ChunksOf(view, "N")),
              "N : 1 @600 | N : 2 @648 | N : 3 @696 | n : 1 @744 | n : 2 @752");
    EXPECT_EQ(ResolveBlock(view, Path("N", 1)).offset, 744);
    EXPECT_EQ(LocateChunk(view, Path("N", 2)).chunk.referenceOffset, 540);
    SetWord(bytes, 540, 0);
    EXPECT_EQ(ResolveBlock(view, Path("n", 1)).offset, 600);
    EXPECT_EQ(Texts(ExpandRow(view, RootRow(view))), "N");
}

// Never more rows than chunks that lie inside the file, nor than the row limit; a last row
// says how many were left out and why.
TEST(ChunkTree, ChunksTheFileOrTheLimitCannotHoldAreLeftOut) {
    const PluginDef plugin = ParsePlugin(kExample);
    const PluginDef sizeless =
        ParsePlugin(R"(<plugin class="exmp"><struct name="N" offset="16"/></plugin>)");
    constexpr size_t kMany = 1'000'000;
    const std::string three = "N : 1 @600 | N : 2 @648 | N : 3 @696";
    const struct Case {
        int64_t at; // the word written first
        int32_t word;
        size_t limit;
        const PluginDef* layout;
        std::string rows;
    } cases[] = {
        {516, 1'000'000, kMany, &plugin,
         three + " | ... 999,997 more chunks left out: chunk 4 does not lie inside the file"},
        {520, 0, kMany, &plugin, "... 3 chunks left out: chunk 1 does not lie inside the file"},
        {516, 3, 2, &plugin,
         "N : 1 @600 | N : 2 @648 | ... 1 more chunk left out: at most 2 rows per expansion"},
        {516, 3, kMany, &sizeless, "... 3 chunks left out: the struct's size is 0"},
    };
    for (const Case& c : cases) {
        Bytes bytes = Example();
        ASSERT_EQ(bytes.size(), 744u) << "the three chunks end the file";
        SetWord(bytes, c.at, c.word);
        const TreeView view{*c.layout, bytes, 900, 500, c.limit};
        const std::vector<ChunkRow> rows = ChunksOf(view, "N");
        EXPECT_EQ(Texts(rows), c.rows);
        EXPECT_EQ(rows.back().kind, RowKind::LeftOut);
        EXPECT_TRUE(ExpandRow(view, rows.back()).empty());
    }
}

// A plugin nested 64 deep over a struct whose two chunks point back at it: 2^64 rows, of
// which the whole-tree expansion builds no more than its budget.
TEST(ChunkTree, ShapesThatWouldBlowUpStopAtTheirBudget) {
    builder::MapSpec blueprint;
    blueprint.tags = {PlainTag("exmp", "x", 1, Block(16))};
    builder::BuiltMap built = builder::BuildMap(blueprint);
    const int32_t data = built.tags[0].offset;
    for (int64_t at : {0, 8}) {
        SetWord(built.bytes, data + at, 2);
        SetWord(built.bytes, data + at + 4, data + built.magic);
    }
    const PluginDef plugin = ParsePlugin(Nested(64));
    const TreeView view{plugin, built.bytes, built.magic, data};
    ExpectError([&] { ExpandWholeTree(view, 5000); }, ErrorKind::Limit, "more than 5,000 rows");
    const PluginDef three = ParsePlugin(Nested(3));
    const TreeView small{three, built.bytes, built.magic, data};
    // The root, then per level a struct row for each chunk above and two chunk rows for each.
    EXPECT_EQ(ExpandWholeTree(small, 22).size(), 1u + 3 + 6 + 12);
    EXPECT_EQ(ExpandWholeTree(small, 22).back().depth, 6);
    ExpectError([&] { ExpandWholeTree(small, 21); }, ErrorKind::Limit, "more than 21 rows");

    // Many entries naming the bytes of one long name: each reads the whole name.
    builder::MapSpec many;
    const std::string longName(256 * 1024, 'n');
    many.tags.push_back(PlainTag("scnr", longName, 0, Block(4)));
    for (uint32_t i = 1; i < 5000; ++i) {
        many.tags.push_back(PlainTag("weap", "", i, Block(0)));
    }
    builder::BuiltMap manyBuilt = builder::BuildMap(many);
    for (int64_t i = 1; i < 5000; ++i) {
        SetWord(manyBuilt.bytes, manyBuilt.tagOffset + 32 * i + 16,
                WordAt(manyBuilt.bytes, manyBuilt.tagOffset + 16));
    }
    const HaloPcMap map = Decode(manyBuilt.bytes);
    EXPECT_EQ(map.TagsOfClass("weap").size(), 4999u);
    EXPECT_TRUE(map.TagCache.back().HasData()) << "empty data at the end of the file is here";
    for (const Tag& t : map.TagCache) {
        ASSERT_EQ(t.Name.view(), longName);
    }
}

} // namespace
} // namespace pelmar::test
