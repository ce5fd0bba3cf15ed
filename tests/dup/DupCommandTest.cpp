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

    // Runs dup and expects it to fail with `words` on stderr and the file left as it was.
    void ExpectFailure(const std::vector<std::string>& args, const std::string& words) {
        const std::filesystem::path& map = args.at(1) == demo.string() ? demo : example;
        const std::vector<uint8_t> before = ReadFileBytes(map);
        const CliResult result = RunCli(args);
        EXPECT_EQ(result.status, 1) << result.err;
        EXPECT_EQ(result.out, "");
        EXPECT_NE(result.err.find(words), std::string::npos) << result.err;
        EXPECT_EQ(ReadFileBytes(map), before);
    }

    // Runs the built pelmar-cli with `environment` set; returns its wait status.
    int RunBinary(const std::string& environment, const std::string& arguments) {
        const std::string command = environment + " '" + (BinDir() / "pelmar-cli").string() + "' " +
                                    arguments + " >/dev/null 2>&1";
        return std::system(command.c_str());
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
}

TEST_F(DupCommand, PluginFolderGivenOnTheCommandLine) {
    const CliResult result =
        RunCli({"dup", example.string(), "weap:a", "weap>N;2", "--plugins", plugins.string()});
    EXPECT_EQ(result.status, 0) << result.err;
    const std::vector<uint8_t> after = ReadFileBytes(example);
    EXPECT_EQ(static_cast<int64_t>(after.size()), w::kLength + 48);
    EXPECT_EQ(WordAt(after, w::kReferenceN), 4);
}

TEST_F(DupCommand, PathComponentsIgnoreLetterCase) {
    const CliResult result =
        RunCli({"dup", demo.string(), kPistol, "WEAP>Magazines;1>AMMO PACKS;2"});
    EXPECT_EQ(result.status, 0) << result.err;
}

TEST_F(DupCommand, UnknownTag) {
    ExpectFailure({"dup", demo.string(), "weap:no such gun", "weap>magazines;1"}, "no tag");
}

TEST_F(DupCommand, UnknownStructNamesTheOnesThereAre) {
    ExpectFailure({"dup", demo.string(), kPistol, "weap>barrels;1"}, "magazines, triggers");
}

TEST_F(DupCommand, ChunkBeyondTheStructsCount) {
    ExpectFailure({"dup", demo.string(), kPistol, "weap>magazines;3"}, "no chunk magazines;3");
}

TEST_F(DupCommand, RootRowSaysToSelectAChunk) {
    ExpectFailure({"dup", demo.string(), kPistol, "weap"}, "Select a chunk");
}

TEST_F(DupCommand, PathOfAnotherClass) {
    ExpectFailure({"dup", demo.string(), kPistol, "bipd>magazines;1"}, "must start with");
}

TEST_F(DupCommand, ClassWithoutAPlugin) {
    ExpectFailure({"dup", demo.string(), "snd!:sound\\ambient\\wind", "snd!>x;1"}, "snd!.ent");
}

TEST_F(DupCommand, ReadOnlyMapIsNamed) {
    ASSERT_EQ(::chmod(demo.c_str(), 0444), 0);
    ExpectFailure({"dup", demo.string(), kPistol, "weap>magazines;1"}, demo.string());
}

TEST_F(DupCommand, MissingArgumentIsAUsageError) {
    EXPECT_EQ(RunCli({"dup", demo.string(), kPistol}).status, 2);
}

TEST_F(DupCommand, WriteFailureLeavesTheMapAsItWas) {
    const std::vector<uint8_t> before = ReadFileBytes(example);
    const std::string args =
        "dup '" + example.string() + "' weap:a 'weap>N;2' --plugins '" + plugins.string() + "'";
    const int status = RunBinary("PELMAR_TEST_WRITE_FAULT=fail:500", args);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(ReadFileBytes(example), before);
    EXPECT_TRUE(LeftoverTemporaries(example).empty());
}

TEST_F(DupCommand, CrashDuringTheWriteLeavesTheMapAsItWas) {
    const std::vector<uint8_t> before = ReadFileBytes(example);
    const std::string args =
        "dup '" + example.string() + "' weap:a 'weap>N;2' --plugins '" + plugins.string() + "'";
    const int status = RunBinary("PELMAR_TEST_WRITE_FAULT=kill:500", args);
    EXPECT_FALSE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(ReadFileBytes(example), before);
    EXPECT_EQ(RunBinary("", args), 0);
    EXPECT_EQ(static_cast<int64_t>(ReadFileBytes(example).size()), w::kLength + 48);
    EXPECT_TRUE(LeftoverTemporaries(example).empty());
}

} // namespace
} // namespace pelmar::test
