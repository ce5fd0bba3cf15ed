// pelmar-cli tree: the whole chunk tree, depth first, as text and as JSON.

#include "TreeTestSupport.h"

#include "mapbuilder/DemoMap.h"

#include <gtest/gtest.h>

namespace pelmar::test {
namespace {

using builder::Block;
using builder::Reflexive;

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class TreeCommand : public ::testing::Test {
protected:
    CliResult Tree(const std::string& tagKey, std::vector<std::string> extra = {}) {
        std::vector<std::string> args{"tree", fx.mapPath().string(), tagKey, "--plugins",
                                      fx.plugins().string()};
        args.insert(args.end(), extra.begin(), extra.end());
        return RunCli(args);
    }

    // The example with N's chunks holding struct M (offset 8, 4-byte chunks): chunk 1 has one
    // M chunk, chunk 2 none, chunk 3 two.
    void WriteNestedExample() {
        fx.WritePlugin("exmp.ent", R"(<plugin class="exmp">
  <struct name="N" offset="16" size="48"><struct name="M" offset="8" size="4"/></struct>
</plugin>)");
        ExampleMap example;
        for (int m : {1, 0, 2}) {
            Block chunk(48);
            chunk.Add(Reflexive{8, 4, std::vector<Block>(static_cast<size_t>(m), Block(4))});
            example.chunks.push_back(std::move(chunk));
        }
        fx.WriteAndLoad(example.Blueprint());
    }

    TreeFixture fx;
};

TEST_F(TreeCommand, PrintsTheWorkedExampleAsJson) {
    fx.WritePlugin("exmp.ent", kExamplePlugin);
    fx.WriteAndLoad(ExampleMap{}.Blueprint());
    const CliResult r = Tree(ExampleTag(), {"--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(
        r.out,
        R"({"rows":[)"
        R"({"depth":0,"text":"Main","tag":"exmp","kind":"root","folder":true,"offset":500},)"
        R"({"depth":1,"text":"N","tag":"exmp|N","kind":"struct","folder":true,"offset":null},)"
        R"({"depth":2,"text":"N : 1","tag":"exmp>N;1","kind":"chunk","folder":false,"offset":600},)"
        R"({"depth":2,"text":"N : 2","tag":"exmp>N;2","kind":"chunk","folder":false,"offset":648},)"
        R"({"depth":2,"text":"N : 3","tag":"exmp>N;3","kind":"chunk","folder":false,"offset":696})"
        "]}\n");
    EXPECT_EQ(r.err, "");
}

TEST_F(TreeCommand, ExpandsEachFolderBeforeItsNextSibling) {
    WriteNestedExample();
    const CliResult r = Tree(ExampleTag());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Main  (offset 500)\n"
                     "  N\n"
                     "    N : 1  (offset 600)\n"
                     "      M\n"
                     "        M : 1  (offset 744)\n"
                     "    N : 2  (offset 648)\n"
                     "    N : 3  (offset 696)\n"
                     "      M\n"
                     "        M : 1  (offset 748)\n"
                     "        M : 2  (offset 752)\n");
}

TEST_F(TreeCommand, JsonStringsWriteEachByteAsOneCodePoint) {
    fx.WritePlugin("exmp.ent", "<plugin class=\"exmp\">"
                               "<struct name=\"caf\xC3\xA9\" offset=\"16\" size=\"48\"/></plugin>");
    ExampleMap one;
    one.count = 1;
    fx.WriteAndLoad(one.Blueprint());
    const CliResult json = Tree(ExampleTag(), {"--json"});
    ASSERT_EQ(json.status, 0) << json.err;
    EXPECT_TRUE(Contains(json.out, "\"text\":\"caf\xC3\x83\xC2\xA9 : 1\"")) << json.out;
    EXPECT_TRUE(Contains(json.out, "\"tag\":\"exmp>caf\xC3\x83\xC2\xA9;1\"")) << json.out;
    const CliResult text = Tree(ExampleTag());
    EXPECT_TRUE(Contains(text.out, "    caf\\xC3\\xA9 : 1  (offset 600)\n")) << text.out;
}

TEST_F(TreeCommand, ShowsTheLeftOutRow) {
    fx.WritePlugin("exmp.ent", kExamplePlugin);
    builder::BuiltMap built = fx.WriteAndLoad(ExampleMap{}.Blueprint());
    SetWord(built.bytes, 516, 5);
    WriteFileBytes(fx.mapPath(), built.bytes);
    const CliResult r = Tree(ExampleTag(), {"--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Contains(r.out, R"({"depth":2,"text":"... 2 more chunks left out: chunk 4 does )"
                                R"(not lie inside the file","tag":"|left out|","kind":"leftout",)"
                                R"("folder":false,"offset":null}]})"))
        << r.out;
}

TEST_F(TreeCommand, APluginWithoutStructsPrintsAnEmptyTree) {
    fx.WritePlugin("exmp.ent", R"(<plugin class="exmp"><float name="x"/></plugin>)");
    fx.WriteAndLoad(ExampleMap{}.Blueprint());
    const CliResult json = Tree(ExampleTag(), {"--json"});
    EXPECT_EQ(json.status, 0);
    EXPECT_EQ(json.out, "{\"rows\":[]}\n");
    const CliResult text = Tree(ExampleTag());
    EXPECT_EQ(text.status, 0);
    EXPECT_EQ(text.out, "No internal nodes found.\n");
}

TEST_F(TreeCommand, AMissingOrBrokenPluginIsAnError) {
    fx.WriteAndLoad(ExampleMap{}.Blueprint());
    const CliResult missing = Tree(ExampleTag(), {"--json"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.out, "");
    EXPECT_TRUE(Contains(missing.err, "exmp.ent: cannot open")) << missing.err;
    fx.WritePlugin("exmp.ent", "<plugin class=\"exmp\">\n<struct>\n</plugin>");
    const CliResult broken = Tree(ExampleTag());
    EXPECT_EQ(broken.status, 1);
    EXPECT_TRUE(Contains(broken.err, "at line 3")) << broken.err;
}

TEST_F(TreeCommand, AnUnknownTagIsAnError) {
    fx.WritePlugin("exmp.ent", kExamplePlugin);
    fx.WriteAndLoad(ExampleMap{}.Blueprint());
    const CliResult r = Tree("exmp:nothing");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Contains(r.err, "no tag exmp:nothing")) << r.err;
    EXPECT_EQ(Tree("exmp").status, 1) << "a class alone is not a tag";
}

TEST_F(TreeCommand, RefusesTreesLargerThanMaxRows) {
    WriteNestedExample();
    const CliResult r = Tree(ExampleTag(), {"--max-rows", "9"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(Contains(r.err, "more than 9 rows")) << r.err;
    EXPECT_EQ(Tree(ExampleTag(), {"--max-rows", "10"}).status, 0);
}

TEST_F(TreeCommand, ADamagedMapIsAnErrorNamingIt) {
    fx.WritePlugin("exmp.ent", R"(<plugin class="exmp"><struct name="N" offset="96"/></plugin>)");
    builder::BuiltMap built = fx.WriteAndLoad(ExampleMap{}.Blueprint());
    // Struct N of the plugin now reads its count at 596 and its pointer at 600.
    SetWord(built.bytes, 596, 1);
    SetWord(built.bytes, 600, 900 + 5000);
    WriteFileBytes(fx.mapPath(), built.bytes);
    const CliResult r = Tree(ExampleTag());
    EXPECT_EQ(r.status, 0) << "chunk 1 lies outside: a left-out row, no error";
    EXPECT_TRUE(Contains(r.out, "chunk 1 does not lie inside the file")) << r.out;
    built.bytes.resize(598);
    WriteFileBytes(fx.mapPath(), built.bytes);
    const CliResult cut = Tree(ExampleTag());
    EXPECT_EQ(cut.status, 1);
    EXPECT_TRUE(Contains(cut.err, fx.mapPath().string())) << cut.err;
}

TEST(TreeCommandDefaults, UsesThePluginsBesideTheExecutable) {
    TempDir dir;
    WriteMap(dir / "demo.map", builder::DemoMapSpec());
    const CliResult r =
        RunCli({"tree", (dir / "demo.map").string(), "weap:weapons\\pistol\\pistol"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.out.starts_with("Main  (offset ")) << r.out;
    EXPECT_TRUE(Contains(r.out, "\n  magazines\n")) << r.out;
}

} // namespace
} // namespace pelmar::test
