// pelmar-cli on the synthetic demo map: every command's output against its golden file, and
// the exit statuses. PELMAR_UPDATE_GOLDEN=1 rewrites the golden files from the outputs.

#include "cli/Cli.h"
#include "mapbuilder/DemoMap.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace pelmar::test {
namespace {

namespace fs = std::filesystem;

struct CliRun {
    int status = 0;
    std::string out, err;
};

CliRun Cli(std::vector<std::string> args) {
    args.insert(args.begin(), "pelmar-cli");
    std::vector<const char*> argv;
    for (const std::string& a : args) {
        argv.push_back(a.c_str());
    }
    std::ostringstream out, err;
    const int status = cli::RunCli(static_cast<int>(argv.size()), argv.data(), out, err);
    return {status, out.str(), err.str()};
}

// Compares `text` with the golden file `name`, or rewrites it when asked to.
void ExpectGolden(const std::string& name, const std::string& text) {
    const fs::path path = fs::path(PELMAR_SOURCE_DIR) / "tests" / "cli" / "golden" / name;
    if (const char* update = std::getenv("PELMAR_UPDATE_GOLDEN"); update && *update == '1') {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
        return;
    }
    const std::vector<uint8_t> golden = ReadFileBytes(path);
    EXPECT_EQ(text, std::string(golden.begin(), golden.end()))
        << "golden file " << path << " (PELMAR_UPDATE_GOLDEN=1 rewrites it)";
}

class CliOnDemoMap : public ::testing::Test {
protected:
    void SetUp() override { WriteFileBytes(map, builder::BuildMap(builder::DemoMapSpec()).bytes); }
    TempDir dir;
    const std::string map = (dir / "demo.map").string();
    const std::string plugins = FixturePluginsDir().string();
    const std::string pistol = "weap:weapons\\pistol\\pistol";
};

// Each case runs its commands on a fresh demo map; the golden file holds what each printed,
// its standard error after a marker, and its exit status when not 0.
TEST_F(CliOnDemoMap, OutputsMatchTheirGoldenFiles) {
    const std::string source = (dir / "source.map").string();
    const struct Case {
        const char* golden;
        std::vector<std::vector<std::string>> commands;
    } cases[] = {
        {"info.txt", {{"info", map}}},
        {"tags.txt", {{"tags", map}}},
        {"tags.json", {{"tags", map, "--json"}}},
        {"tree.txt", {{"tree", map, pistol, "--plugins", plugins}}},
        {"tree.json", {{"tree", map, pistol, "--plugins", plugins, "--json"}}},
        {"dup.txt",
         {{"dup", map, pistol, "weap>magazines;2>ammo packs;1", "--plugins", plugins},
          {"tree", map, pistol, "--plugins", plugins}}},
        {"import.txt",
         {{"import", map, source, "vehi:vehicles\\ghost\\ghost", "--plugins", plugins},
          {"tags", map}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.golden);
        SetUp();
        WriteFileBytes(source, ReadFileBytes(map));
        std::string text;
        for (const std::vector<std::string>& command : c.commands) {
            const CliRun r = Cli(command);
            text += "$ pelmar-cli " + command[0] + "\n" + r.out;
            text += r.err.empty() ? "" : "--- standard error ---\n" + r.err;
            text += r.status == 0 ? "" : "--- exit status " + std::to_string(r.status) + "\n";
        }
        const std::string folder = dir.path().string();
        for (size_t at; (at = text.find(folder)) != std::string::npos;) {
            text.replace(at, folder.size(), "<dir>");
        }
        ExpectGolden(c.golden, text);
    }
}

TEST_F(CliOnDemoMap, ExitStatuses) {
    const std::string absent = (dir / "absent.map").string();
    const std::string in = "pelmar-cli: " + map + ": ";
    const struct Case {
        int status;
        std::string err; // what standard error begins with
        std::vector<std::string> args;
    } cases[] = {
        {2, "pelmar-cli: A subcommand is required", {"frobnicate"}},
        {2, "pelmar-cli: MAP is required", {"tags"}},
        {2, "pelmar-cli: --max-rows", {"tree", map, pistol, "--max-rows", "0"}},
        {1, "pelmar-cli: " + absent + ": ", {"info", absent}},
        {1, "pelmar-cli: " + absent + ": ", {"import", map, absent, pistol}},
        {1, in + "no tag weap:nothing", {"tree", map, "weap:nothing", "--plugins", plugins}},
        {1,
         in + "chunk 3 is not in the struct, whose count is 2",
         {"dup", map, pistol, "weap>magazines;3", "--plugins", plugins}},
        {1,
         in + "the plugin of class \"weap\" has no struct \"barrels\"",
         {"dup", map, pistol, "weap>barrels;1", "--plugins", plugins}},
        {1,
         "pelmar-cli: the chunk path \"bipd>magazines;1\" must start with",
         {"dup", map, pistol, "bipd>magazines;1", "--plugins", plugins}},
    };
    const std::vector<uint8_t> before = ReadFileBytes(map);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.args));
        const CliRun r = Cli(c.args);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.substr(0, c.err.size()), c.err) << r.err;
        EXPECT_EQ(ReadFileBytes(map), before);
    }
}

} // namespace
} // namespace pelmar::test
