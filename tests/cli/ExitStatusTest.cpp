// Exit statuses and messages of pelmar-cli, in process and as the real executable.
#include "StrictJson.h"
#include "cli/CommandRegistry.h"
#include "mapbuilder/DemoMap.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <sys/wait.h>

namespace pelmar::test {
namespace {

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.rfind(prefix, 0) == 0;
}

TEST(CliUsage, UsageErrorsExitWith2AndHelpSucceeds) {
    TempDir dir;
    const std::string map = (dir / "a.map").string();
    const std::vector<std::vector<std::string>> cases = {{},
                                                         {"frobnicate"},
                                                         {"tags"},
                                                         {"info"},
                                                         {"tags", "a.map", "--jsn"},
                                                         {"tags", "a.map", "b.map"},
                                                         {"make-demo"},
                                                         {"make-demo", map, "--size-mb", "0"},
                                                         {"make-demo", map, "--tags", "1"},
                                                         {"make-demo", map, "--tags", "x"}};
    for (const auto& args : cases) {
        const CliResult result = RunCli(args);
        EXPECT_EQ(result.status, 2) << testing::PrintToString(args);
        EXPECT_EQ(result.out, "") << testing::PrintToString(args);
        EXPECT_TRUE(StartsWith(result.err, "pelmar-cli: ")) << result.err;
    }
    EXPECT_FALSE(std::filesystem::exists(map));
    const CliResult help = RunCli({"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* command : {"info", "tags", "make-demo"}) {
        EXPECT_NE(help.out.find(command), std::string::npos) << command;
    }
}

TEST(CliErrors, UnreadableInputAndUnwritableOutputExitWith1NamingTheProblem) {
    TempDir dir;
    const auto absent = dir / "absent.map";
    const auto nowhere = dir / "no such folder" / "demo.map";
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"tags", absent.string()}, absent.string() + ": cannot open: No such file or directory\n"},
        {{"info", absent.string()}, absent.string() + ": cannot open: No such file or directory\n"},
        {{"info", dir.path().string()}, dir.path().string() + ": not a regular file\n"},
        {{"make-demo", nowhere.string()}, nowhere.string() + ": "}};
    for (const auto& [args, message] : cases) {
        const CliResult result = RunCli(args);
        EXPECT_EQ(result.status, 1) << args[0];
        EXPECT_EQ(result.out, "");
        EXPECT_TRUE(StartsWith(result.err, "pelmar-cli: " + message)) << result.err;
    }
    EXPECT_FALSE(std::filesystem::exists(nowhere));

    WriteMap(dir / "demo.map", builder::DemoMapSpec());
    std::ostream broken(nullptr); // every write fails
    std::ostringstream err;
    const std::string path = (dir / "demo.map").string();
    const char* argv[] = {"pelmar-cli", "tags", path.c_str(), "--json"};
    EXPECT_EQ(cli::RunCli(4, argv, broken, err), 1);
    EXPECT_EQ(err.str(), "pelmar-cli: cannot write the output\n");
}

// Runs the built executable through the shell with standard output sent to `out`; returns
// its exit status.
int RunExecutable(const std::string& args, const std::filesystem::path& out = "/dev/null") {
    const std::string command = "'" + (BinDir() / "pelmar-cli").string() + "' " + args + " >'" +
                                out.string() + "' 2>/dev/null </dev/null";
    const int raw = std::system(command.c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

TEST(CliExecutable, ExitStatusesOfTheRealProgram) {
    TempDir dir;
    const std::string map = "'" + (dir / "demo.map").string() + "'";
    ASSERT_EQ(RunExecutable("make-demo " + map), 0);
    EXPECT_EQ(RunExecutable("tags " + map + " --json", dir / "out.json"), 0);
    const std::vector<uint8_t> json = ReadFileBytes(dir / "out.json");
    EXPECT_EQ(ParseJson(std::string(json.begin(), json.end()))["tagCount"].Int(), 21);
    EXPECT_EQ(RunExecutable("tags '" + (dir / "absent.map").string() + "'"), 1);
    EXPECT_EQ(RunExecutable(""), 2);
    if (std::filesystem::exists("/dev/full")) {
        EXPECT_EQ(RunExecutable("tags " + map + " --json", "/dev/full"), 1);
    }
}

} // namespace
} // namespace pelmar::test
