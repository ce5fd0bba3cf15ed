// pelmar-cli import: what it prints, how it fails, and that a failed or killed run leaves
// the map as it was. The tests run the built executable, as a user does.
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

std::string Quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return out + "'";
}

std::string ReadText(const std::filesystem::path& path) {
    const std::vector<uint8_t> bytes = ReadFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

struct CliRun {
    bool killed = false; // ended by SIGKILL
    CliResult result;
};

// Runs pelmar-cli with `args`; `environment` is prefixed to the command ("NAME=value").
CliRun RunPelmarCli(const TempDir& dir, const std::vector<std::string>& args,
                    const std::string& environment = "") {
    std::string command =
        "exec env " + environment + " " + Quoted((BinDir() / "pelmar-cli").string());
    for (const std::string& arg : args) {
        command += " " + Quoted(arg);
    }
    command +=
        " >" + Quoted((dir / "out.txt").string()) + " 2>" + Quoted((dir / "err.txt").string());
    // exec, so that the status is the program's own and not the shell's.
    const int status = std::system(command.c_str());
    CliRun run;
    run.killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    run.result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.result.out = ReadText(dir / "out.txt");
    run.result.err = ReadText(dir / "err.txt");
    return run;
}

class ImportCli : public ::testing::Test {
protected:
    void SetUp() override {
        WriteMap(map_, builder::DemoMapSpec());
        WriteMap(source_, builder::DemoMapSpec());
        before_ = ReadFileBytes(map_);
    }
    CliResult Import(const std::vector<std::string>& args, const std::string& env = "") {
        std::vector<std::string> all = {"import"};
        all.insert(all.end(), args.begin(), args.end());
        return RunPelmarCli(dir_, all, env).result;
    }

    void ExpectFailure(const CliResult& r, int status, const std::string& message) {
        EXPECT_EQ(r.status, status);
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
        EXPECT_EQ(ReadFileBytes(map_), before_);
    }

    TempDir dir_;
    std::filesystem::path map_ = dir_ / "demo.map";
    std::filesystem::path source_ = dir_ / "source.map";
    std::vector<uint8_t> before_;
};

TEST_F(ImportCli, PrintsDoneAndTheNewTagsNameAndId) {
    const CliResult r = Import({map_.string(), source_.string(), kPistol});
    EXPECT_EQ(r.status, 0) << r.err;
    // The demo map has 21 tags; the last one's id is DemoIdent(20).
    const uint32_t id = builder::DemoIdent(20) + 0x10001u;
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08X", id);
    EXPECT_EQ(r.out,
              "Done\nNew tag: weap:weapons\\pistol\\pistol_22 (id " + std::string(hex) + ")\n");
    EXPECT_EQ(r.err, "");
    const HaloPcMap reloaded = Load(map_);
    EXPECT_EQ(reloaded.TagCount, 22);
    EXPECT_EQ(reloaded.FindTagByName("weap:weapons\\pistol\\pistol_22"), 21);
}

TEST_F(ImportCli, AMapCanReceiveACopyOfItsOwnTag) {
    const CliResult r = Import({map_.string(), map_.string(), kPistol});
    EXPECT_EQ(r.status, 0) << r.err;
    const HaloPcMap reloaded = Load(map_);
    ASSERT_EQ(reloaded.TagCount, 22);
    const Tag& original = reloaded.TagCache[1];
    const Tag& copy = reloaded.TagCache[21];
    ASSERT_EQ(copy.Size, original.Size);
    // Word for word the same, but for addresses into the tag's own data, which are rebased.
    const int32_t delta = copy.Offset - original.Offset;
    const auto a = original.TagBlock.bytes();
    const auto b = copy.TagBlock.bytes();
    int rebased = 0;
    for (size_t at = 0; at + 4 <= a.size(); at += 4) {
        const int32_t v = LoadI32(a.data() + at);
        const int32_t w = LoadI32(b.data() + at);
        const int32_t start = original.Offset + reloaded.Magic;
        const bool inside = v >= start && v < start + original.Size;
        EXPECT_EQ(w, inside ? v + delta : v) << "word at " << at;
        rebased += inside ? 1 : 0;
    }
    EXPECT_GT(rebased, 0);
}

TEST_F(ImportCli, ATagTheSourceLacksIsAnError) {
    const CliResult r = Import({map_.string(), source_.string(), "weap:nothing"});
    ExpectFailure(r, 1, "source.map: no tag weap:nothing");
}

TEST_F(ImportCli, AMissingSourceFileIsAnError) {
    const CliResult r = Import({map_.string(), (dir_ / "absent.map").string(), kPistol});
    ExpectFailure(r, 1, "absent.map: cannot open");
}

TEST_F(ImportCli, ASourceThatIsNoMapIsAnError) {
    WriteFileBytes(source_, {1, 2, 3});
    const CliResult r = Import({map_.string(), source_.string(), kPistol});
    ExpectFailure(r, 1, "source.map: the file is too short to be a map");
}

TEST_F(ImportCli, AReadOnlyMapIsAnError) {
    std::filesystem::permissions(map_, std::filesystem::perms::owner_read);
    const CliResult r = Import({map_.string(), source_.string(), kPistol});
    ExpectFailure(r, 1, "demo.map: the file is read-only; nothing was changed");
}

TEST_F(ImportCli, AFailedWriteIsAnError) {
    const CliResult r =
        Import({map_.string(), source_.string(), kPistol}, "PELMAR_TEST_WRITE_FAULT=fail:4096");
    ExpectFailure(r, 1, "the file was left as it was");
}

TEST_F(ImportCli, AMissingArgumentIsAUsageError) {
    const CliResult r = Import({map_.string(), source_.string()});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(ReadFileBytes(map_), before_);
}

TEST_F(ImportCli, AProcessKilledWhileWritingLeavesTheMapAsItWas) {
    const CliRun run = RunPelmarCli(dir_, {"import", map_.string(), source_.string(), kPistol},
                                    "PELMAR_TEST_WRITE_FAULT=kill:5000");
    ASSERT_TRUE(run.killed);
    EXPECT_EQ(ReadFileBytes(map_), before_);
    // The next import goes through and clears the abandoned temporary file.
    EXPECT_EQ(Import({map_.string(), source_.string(), kPistol}).status, 0);
    EXPECT_EQ(Load(map_).TagCount, 22);
    for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) {
        EXPECT_FALSE(entry.path().filename().string().starts_with(".demo.map.pelmar-"))
            << entry.path();
    }
}

} // namespace
} // namespace pelmar::test
