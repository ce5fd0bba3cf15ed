// pelmar-cli dup: what a user of the window does, from the command line.

#include "dup/DupMaps.h"
#include "mapbuilder/DemoMap.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/stat.h>
#include <sys/wait.h>

namespace pelmar::test {
namespace {

namespace w = worked;
const std::string kPistol = "weap:weapons\\pistol\\pistol";

class DupCommand : public ::testing::Test {
protected:
    void SetUp() override {
        WriteMap(demo, builder::DemoMapSpec());
        WriteMap(example, WorkedExampleSpec());
        WritePlugin(plugins, "weap", WorkedExamplePlugin());
    }
    TempDir dir;
    std::filesystem::path demo = dir / "demo.map";
    std::filesystem::path example = dir / "example.map";
    std::filesystem::path plugins = dir / "plugins";
};

TEST_F(DupCommand, DuplicatesAndPrintsDone) {
    const std::vector<uint8_t> before = ReadFileBytes(demo);
    const CliResult result =
        RunCli({"dup", demo.string(), kPistol, "weap>magazines;2>ammo packs;1"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "Done\n");
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(ReadFileBytes(demo).size(), before.size() + 16); // ammo packs are 16 bytes
    const CliResult tree = RunCli({"tree", demo.string(), kPistol, "--json"});
    EXPECT_NE(tree.out.find("weap>magazines;2>ammo packs;3"), std::string::npos);
    EXPECT_EQ(tree.out.find("weap>magazines;1>ammo packs;3"), std::string::npos);
    // Path components ignore letter case.
    EXPECT_EQ(RunCli({"dup", demo.string(), kPistol, "WEAP>Magazines;1>AMMO PACKS;2"}).status, 0);
    // A plugin folder given on the command line.
    const CliResult own =
        RunCli({"dup", example.string(), "weap:a", "weap>N;2", "--plugins", plugins.string()});
    EXPECT_EQ(own.status, 0) << own.err;
    const std::vector<uint8_t> after = ReadFileBytes(example);
    EXPECT_EQ(static_cast<int64_t>(after.size()), w::kLength + 48);
    EXPECT_EQ(WordAt(after, w::kReferenceN), 4);
}

TEST_F(DupCommand, FailuresSayWhyAndLeaveTheFileAlone) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"weap:no such gun", "weap>magazines;1"}, "no tag"},
        {{kPistol, "weap>barrels;1"}, "magazines, triggers"},
        {{kPistol, "weap>magazines;3"}, "no chunk magazines;3"},
        {{kPistol, "weap"}, "Select a chunk"},
        {{kPistol, "bipd>magazines;1"}, "must start with"},
        {{"snd!:sound\\ambient\\wind", "snd!>x;1"}, "snd!.ent"},
        {{kPistol, "weap>magazines;1"}, demo.string()}, // read-only, last
    };
    const std::vector<uint8_t> before = ReadFileBytes(demo);
    for (const auto& [args, words] : cases) {
        SCOPED_TRACE(args[1]);
        if (&words == &cases[std::size(cases) - 1].second) {
            ASSERT_EQ(::chmod(demo.c_str(), 0444), 0);
        }
        const CliResult result = RunCli({"dup", demo.string(), args[0], args[1]});
        EXPECT_EQ(result.status, 1) << result.err;
        EXPECT_EQ(result.out, "");
        EXPECT_NE(result.err.find(words), std::string::npos) << result.err;
        EXPECT_EQ(ReadFileBytes(demo), before);
    }
    EXPECT_EQ(RunCli({"dup", demo.string(), kPistol}).status, 2);
}

// The built pelmar-cli with its write hook set fails, or is killed, part way through the write.
TEST_F(DupCommand, FailedOrKilledWriteLeavesTheMapAsItWas) {
    const std::vector<uint8_t> before = ReadFileBytes(example);
    const std::string command = "'" + (BinDir() / "pelmar-cli").string() + "' dup '" +
                                example.string() + "' weap:a 'weap>N;2' --plugins '" +
                                plugins.string() + "' >/dev/null 2>&1";
    int status = std::system(("PELMAR_TEST_WRITE_FAULT=fail:500 " + command).c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(ReadFileBytes(example), before);
    EXPECT_TRUE(LeftoverTemporaries(example).empty());

    status = std::system(("PELMAR_TEST_WRITE_FAULT=kill:500 " + command).c_str());
    EXPECT_FALSE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(ReadFileBytes(example), before);
    // The next run goes through and clears what the killed one left behind.
    EXPECT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(static_cast<int64_t>(ReadFileBytes(example).size()), w::kLength + 48);
    EXPECT_TRUE(LeftoverTemporaries(example).empty());
}

} // namespace
} // namespace pelmar::test
