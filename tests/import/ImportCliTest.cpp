// pelmar-cli import: what it prints, how it fails, and that a failed or killed run leaves
// the map as it was.
#include "ImportTestSupport.h"
#include "mapbuilder/DemoMap.h"
#include "platform/LittleEndian.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <sys/wait.h>

namespace pelmar::test {
namespace {

const std::string kPistol = "weap:weapons\\pistol\\pistol";

class ImportCli : public ::testing::Test {
protected:
    void SetUp() override {
        WriteMap(map_, builder::DemoMapSpec());
        WriteMap(source_, builder::DemoMapSpec());
        before_ = ReadFileBytes(map_);
    }
    // Runs the built executable with `environment` set; returns its wait status.
    int RunBinary(const std::string& environment) {
        const std::string command =
            "exec env " + environment + " '" + (BinDir() / "pelmar-cli").string() + "' import '" +
            map_.string() + "' '" + source_.string() + "' '" + kPistol + "' >/dev/null 2>&1";
        return std::system(command.c_str());
    }
    TempDir dir_;
    std::filesystem::path map_ = dir_ / "demo.map";
    std::filesystem::path source_ = dir_ / "source.map";
    std::vector<uint8_t> before_;
};

TEST_F(ImportCli, PrintsDoneAndTheNewTagsNameAndId) {
    const CliResult r = RunCli({"import", map_.string(), source_.string(), kPistol});
    EXPECT_EQ(r.status, 0) << r.err;
    // The demo map has 21 tags; the last one's id is DemoIdent(20).
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08X", builder::DemoIdent(20) + 0x10001u);
    EXPECT_EQ(r.out,
              "Done\nNew tag: weap:weapons\\pistol\\pistol_22 (id " + std::string(hex) + ")\n");
    EXPECT_EQ(r.err, "");
    const HaloPcMap reloaded = Load(map_);
    EXPECT_EQ(reloaded.TagCount, 22);
    EXPECT_EQ(reloaded.FindTagByName("weap:weapons\\pistol\\pistol_22"), 21);
}

TEST_F(ImportCli, AMapCanReceiveACopyOfItsOwnTag) {
    const CliResult r = RunCli({"import", map_.string(), map_.string(), kPistol});
    EXPECT_EQ(r.status, 0) << r.err;
    const HaloPcMap reloaded = Load(map_);
    ASSERT_EQ(reloaded.TagCount, 22);
    const Tag& original = reloaded.TagCache[1];
    const Tag& copy = reloaded.TagCache[21];
    ASSERT_EQ(copy.Size, original.Size);
    // Word for word the same, but for addresses into the tag's own data, which are rebased.
    const int32_t start = original.Offset + reloaded.Magic;
    const auto a = original.TagBlock.bytes();
    const auto b = copy.TagBlock.bytes();
    int rebased = 0;
    for (size_t at = 0; at + 4 <= a.size(); at += 4) {
        const int32_t v = LoadI32(a.data() + at);
        const bool inside = v >= start && v < start + original.Size;
        EXPECT_EQ(LoadI32(b.data() + at), inside ? v + copy.Offset - original.Offset : v) << at;
        rebased += inside ? 1 : 0;
    }
    EXPECT_GT(rebased, 0);
}

TEST_F(ImportCli, ErrorsGoToStderrAndLeaveTheMapAsItWas) {
    WriteFileBytes(dir_ / "short.map", {1, 2, 3});
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{source_.string(), "weap:nothing"}, "source.map: no tag weap:nothing"},
        {{(dir_ / "absent.map").string(), kPistol}, "absent.map: cannot open"},
        {{(dir_ / "short.map").string(), kPistol}, "short.map: the file is too short to be a map"},
    };
    for (const auto& [args, message] : cases) {
        const CliResult r = RunCli({"import", map_.string(), args[0], args[1]});
        EXPECT_EQ(r.status, 1) << message;
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
    }
    EXPECT_EQ(RunCli({"import", map_.string(), source_.string()}).status, 2);
    std::filesystem::permissions(map_, std::filesystem::perms::owner_read);
    const CliResult r = RunCli({"import", map_.string(), source_.string(), kPistol});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("demo.map: the file is read-only; nothing was changed"), std::string::npos)
        << r.err;
    EXPECT_EQ(ReadFileBytes(map_), before_);
}

TEST_F(ImportCli, AFailedOrKilledWriteLeavesTheMapAsItWas) {
    int status = RunBinary("PELMAR_TEST_WRITE_FAULT=fail:4096");
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(ReadFileBytes(map_), before_);
    status = RunBinary("PELMAR_TEST_WRITE_FAULT=kill:5000");
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    EXPECT_EQ(ReadFileBytes(map_), before_);
    // The next import goes through and clears the abandoned temporary file.
    EXPECT_EQ(RunBinary(""), 0);
    EXPECT_EQ(Load(map_).TagCount, 22);
    for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) {
        EXPECT_FALSE(entry.path().filename().string().starts_with(".demo.map.pelmar-"))
            << entry.path();
    }
}

} // namespace
} // namespace pelmar::test
