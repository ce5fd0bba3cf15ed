// pelmar-cli tree: the whole chunk tree, depth first, as text and as JSON.

#include "TreeTestSupport.h"

#include "mapbuilder/DemoMap.h"

namespace pelmar::test {
namespace {

class TreeCommand : public TreeTest {
protected:
    CliResult Tree(const std::string& tagKey, std::vector<std::string> extra = {}) {
        std::vector<std::string> args{"tree", mapPath.string(), tagKey, "--plugins",
                                      plugins.string()};
        args.insert(args.end(), extra.begin(), extra.end());
        return RunCli(args);
    }

    // N's chunks hold struct M: chunk 1 has one M chunk, chunk 2 none, chunk 3 two.
    void LoadNestedExample() {
        ExampleMap example;
        example.mCounts = {1, 0, 2};
        Load(R"(<plugin class="exmp"><struct name="N" offset="16" size="48">
  <struct name="M" offset="8" size="4"/></struct></plugin>)",
             example.Blueprint());
    }
};

TEST_F(TreeCommand, PrintsTheWorkedExampleAsJson) {
    Load(kExamplePlugin);
    const CliResult r = Tree(kExampleTag, {"--json"});
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
    // A count past the end of the file ends with the row that counts what was left out.
    Poke(516, 5);
    EXPECT_TRUE(Contains(Tree(kExampleTag, {"--json"}).out,
                         R"({"depth":2,"text":"... 2 more chunks left out: chunk 4 does )"
                         R"(not lie inside the file","tag":"|left out|","kind":"leftout",)"
                         R"("folder":false,"offset":null}]})"));
}

TEST_F(TreeCommand, ExpandsEachFolderBeforeItsNextSibling) {
    LoadNestedExample();
    const CliResult r = Tree(kExampleTag);
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
    // --max-rows refuses larger trees.
    const CliResult big = Tree(kExampleTag, {"--max-rows", "9"});
    EXPECT_EQ(big.status, 1);
    EXPECT_EQ(big.out, "");
    EXPECT_TRUE(Contains(big.err, "more than 9 rows")) << big.err;
    EXPECT_EQ(Tree(kExampleTag, {"--max-rows", "10"}).status, 0);
}

TEST_F(TreeCommand, JsonStringsWriteEachByteAsOneCodePoint) {
    ExampleMap one;
    one.count = 1;
    Load("<plugin class=\"exmp\"><struct name=\"caf\xC3\xA9\" offset=\"16\" size=\"48\"/></plugin>",
         one.Blueprint());
    const CliResult json = Tree(kExampleTag, {"--json"});
    ASSERT_EQ(json.status, 0) << json.err;
    EXPECT_TRUE(Contains(json.out, "\"text\":\"caf\xC3\x83\xC2\xA9 : 1\"")) << json.out;
    EXPECT_TRUE(Contains(json.out, "\"tag\":\"exmp>caf\xC3\x83\xC2\xA9;1\"")) << json.out;
    EXPECT_TRUE(Contains(Tree(kExampleTag).out, "    caf\\xC3\\xA9 : 1  (offset 600)\n"));
}

TEST_F(TreeCommand, APluginWithoutStructsPrintsAnEmptyTree) {
    Load(R"(<plugin class="exmp"><float name="x"/></plugin>)");
    const CliResult json = Tree(kExampleTag, {"--json"});
    const CliResult text = Tree(kExampleTag);
    EXPECT_EQ(std::tie(json.status, json.out), std::make_tuple(0, "{\"rows\":[]}\n"));
    EXPECT_EQ(std::tie(text.status, text.out), std::make_tuple(0, "No internal nodes found.\n"));
}

TEST_F(TreeCommand, ErrorsGoToStandardErrorWithStatusOne) {
    const struct {
        const char* name;
        const char* plugin; // nullptr: none
        std::string tag;
        std::string said;
    } cases[] = {
        {"missing plugin", nullptr, kExampleTag, "exmp.ent: cannot open"},
        {"broken plugin", "<plugin class=\"exmp\">\n<struct>\n</plugin>", kExampleTag, "at line 3"},
        {"unknown tag", kExamplePlugin, "exmp:nothing", "no tag exmp:nothing"},
        {"a class alone", kExamplePlugin, "exmp", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(plugins / "exmp.ent");
        Load(c.plugin != nullptr ? c.plugin : "");
        const CliResult r = Tree(c.tag, {"--json"});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "");
        EXPECT_TRUE(Contains(r.err, c.said)) << r.err;
    }
}

TEST_F(TreeCommand, ADamagedMapIsAnErrorNamingIt) {
    Load(R"(<plugin class="exmp"><struct name="N" offset="96"/></plugin>)");
    // Struct N of the plugin now reads its count at 596 and its pointer at 600, which the
    // cut file no longer holds.
    bytes.resize(598);
    WriteFileBytes(mapPath, bytes);
    const CliResult cut = Tree(kExampleTag);
    EXPECT_EQ(cut.status, 1);
    EXPECT_TRUE(Contains(cut.err, mapPath.string())) << cut.err;
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
