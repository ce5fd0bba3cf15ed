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

// Runs the built executable through the shell with standard output sent to `target`.
CliResult RunExecutable(const TempDir& dir, const std::string& args, std::string target = "") {
    const auto out = dir / "stdout.txt";
    const auto err = dir / "stderr.txt";
    if (target.empty()) {
        target = "'" + out.string() + "'";
    }
    const std::string command = "'" + (BinDir() / "pelmar-cli").string() + "' " + args + " >" +
                                target + " 2>'" + err.string() + "' </dev/null";
    const int raw = std::system(command.c_str());
    const auto slurp = [](const std::filesystem::path& p) {
        const std::vector<uint8_t> bytes =
            std::filesystem::exists(p) ? ReadFileBytes(p) : std::vector<uint8_t>{};
        return std::string(bytes.begin(), bytes.end());
    };
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, slurp(out), slurp(err)};
}

TEST(CliExecutable, ExitStatusesOfTheRealProgram) {
    TempDir dir;
    const std::string map = "'" + (dir / "demo.map").string() + "'";
    const CliResult made = RunExecutable(dir, "make-demo " + map);
    ASSERT_EQ(made.status, 0) << made.err;

    const CliResult tags = RunExecutable(dir, "tags " + map + " --json");
    EXPECT_EQ(tags.status, 0) << tags.err;
    EXPECT_EQ(ParseJson(tags.out)["tagCount"].Int(), 21);
    EXPECT_EQ(tags.err, "");

    const CliResult missing = RunExecutable(dir, "tags '" + (dir / "absent.map").string() + "'");
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(StartsWith(missing.err, "pelmar-cli: ")) << missing.err;

    const CliResult usage = RunExecutable(dir, "");
    EXPECT_EQ(usage.status, 2);
    EXPECT_TRUE(StartsWith(usage.err, "pelmar-cli: ")) << usage.err;

    if (std::filesystem::exists("/dev/full")) {
        const CliResult full = RunExecutable(dir, "tags " + map + " --json", "/dev/full");
        EXPECT_EQ(full.status, 1);
        EXPECT_TRUE(StartsWith(full.err, "pelmar-cli: ")) << full.err;
    }
}

} // namespace
} // namespace pelmar::test
