// Exit statuses and messages of pelmar-cli, in process and as the real executable.
#include "mapbuilder/DemoMap.h"
#include "support/TestSupport.h"

#include "StrictJson.h"
#include "cli/CommandRegistry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/wait.h>

namespace pelmar::test {
namespace {

TEST(CliUsage, UsageErrorsExitWith2AndAMessage) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"frobnicate"},
        {"tags"},
        {"info"},
        {"tags", "a.map", "--jsn"},
        {"tags", "a.map", "b.map"},
        {"make-demo"},
    };
    for (const auto& args : cases) {
        const CliResult result = RunCli(args);
        EXPECT_EQ(result.status, 2) << testing::PrintToString(args);
        EXPECT_EQ(result.out, "") << testing::PrintToString(args);
        EXPECT_EQ(result.err.rfind("pelmar-cli: ", 0), 0u) << result.err;
    }
}

TEST(CliUsage, HelpListsTheSubcommandsAndSucceeds) {
    const CliResult result = RunCli({"--help"});
    EXPECT_EQ(result.status, 0);
    for (const char* command : {"info", "tags", "make-demo"}) {
        EXPECT_NE(result.out.find(command), std::string::npos) << command;
    }
}

TEST(CliErrors, AMissingMapExitsWith1NamingIt) {
    TempDir dir;
    const auto path = dir / "absent.map";
    for (const char* command : {"tags", "info"}) {
        const CliResult result = RunCli({command, path.string()});
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err,
                  "pelmar-cli: " + path.string() + ": cannot open: No such file or directory\n");
    }
}

TEST(CliErrors, OutputThatCannotBeWrittenIsAFailure) {
    TempDir dir;
    WriteMap(dir / "demo.map", builder::DemoMapSpec());
    std::ostream broken(nullptr); // every write fails
    std::ostringstream err;
    const std::string path = (dir / "demo.map").string();
    const char* argv[] = {"pelmar-cli", "tags", path.c_str(), "--json"};
    EXPECT_EQ(cli::RunCli(4, argv, broken, err), 1);
    EXPECT_EQ(err.str(), "pelmar-cli: cannot write the output\n");
}

// Runs the built executable through the shell; returns its exit status.
struct Process {
    int status = -1;
    std::string out;
    std::string err;
};

std::string Slurp(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

Process RunExecutable(const TempDir& dir, const std::string& args,
                      const std::string& stdoutTarget = "") {
    const auto out = dir / "stdout.txt";
    const auto err = dir / "stderr.txt";
    const std::string command = "'" + (BinDir() / "pelmar-cli").string() + "' " + args + " >" +
                                (stdoutTarget.empty() ? "'" + out.string() + "'" : stdoutTarget) +
                                " 2>'" + err.string() + "' </dev/null";
    const int raw = std::system(command.c_str());
    Process p;
    p.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    p.out = Slurp(out);
    p.err = Slurp(err);
    return p;
}

TEST(CliExecutable, ExitStatusesOfTheRealProgram) {
    TempDir dir;
    const auto map = dir / "demo.map";
    Process made = RunExecutable(dir, "make-demo '" + map.string() + "'");
    ASSERT_EQ(made.status, 0) << made.err;

    Process tags = RunExecutable(dir, "tags '" + map.string() + "' --json");
    EXPECT_EQ(tags.status, 0) << tags.err;
    EXPECT_EQ(ParseJson(tags.out)["tagCount"].Int(), 21);
    EXPECT_EQ(tags.err, "");

    Process missing = RunExecutable(dir, "tags '" + (dir / "absent.map").string() + "'");
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err.rfind("pelmar-cli: ", 0), 0u) << missing.err;

    Process usage = RunExecutable(dir, "");
    EXPECT_EQ(usage.status, 2);
    EXPECT_EQ(usage.err.rfind("pelmar-cli: ", 0), 0u) << usage.err;
}

TEST(CliExecutable, AFullOutputDeviceIsReportedAsAFailure) {
    if (!std::filesystem::exists("/dev/full")) {
        GTEST_SKIP() << "no /dev/full on this system";
    }
    TempDir dir;
    const auto map = dir / "demo.map";
    WriteMap(map, builder::DemoMapSpec());
    Process full = RunExecutable(dir, "tags '" + map.string() + "' --json", "/dev/full");
    EXPECT_EQ(full.status, 1);
    EXPECT_EQ(full.err.rfind("pelmar-cli: ", 0), 0u) << full.err;
}

} // namespace
} // namespace pelmar::test
