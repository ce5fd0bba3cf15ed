// Kills pelmar-cli part-way through writing a map, at many points, and checks that the map is
// always either exactly as it was or exactly the complete result, and that the temporary file
// a killed write leaves behind is gone after the next successful edit.
#include "ChildProcess.h"
#include "mapbuilder/DemoMap.h"
#include "platform/AtomicFileWriter.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <iostream>
#include <set>

namespace pelmar::test {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

struct Outcomes {
    int points = 0;
    int original = 0;
    int complete = 0;
};

class CrashInjection : public ::testing::Test {
protected:
    void SetUp() override {
        original_ = WriteMap(map_, builder::DemoMapSpec()).bytes;
        WriteMap(source_, builder::DemoMapSpec());
    }

    std::string Cli() const { return (BinDir() / "pelmar-cli").string(); }

    // The edit's complete result, made by running it undisturbed on a copy.
    Bytes CompleteResult(const std::vector<std::string>& argsForCopy) {
        ChildExit done = RunChild(Cli(), argsForCopy, {});
        EXPECT_FALSE(done.killed);
        EXPECT_EQ(done.status, 0);
        return ReadFileBytes(copy_);
    }

    Outcomes KillAtManyPoints(const std::vector<std::string>& args, const Bytes& complete) {
        std::set<uint64_t> points{0, 1, 2, 3, 4, 5, 31, 32, 33, 40, 2047, 2048, 2049};
        for (uint64_t i = 0; i <= 40; ++i) {
            points.insert(complete.size() * i / 40);
        }
        points.insert(complete.size() - 1);
        Outcomes outcomes;
        for (uint64_t n : points) {
            WriteFileBytes(map_, original_);
            ChildExit exit =
                RunChild(Cli(), args, {{"PELMAR_TEST_WRITE_FAULT", "kill:" + std::to_string(n)}});
            const Bytes after = ReadFileBytes(map_);
            ++outcomes.points;
            if (n < complete.size()) {
                EXPECT_TRUE(exit.killed && exit.signal == SIGKILL) << "kill point " << n;
            }
            if (after == original_) {
                ++outcomes.original;
            } else if (after == complete) {
                ++outcomes.complete;
            } else {
                ADD_FAILURE() << "after a kill at byte " << n
                              << " the map is neither the original nor the result";
            }
        }
        return outcomes;
    }

    std::vector<fs::path> Leftovers() const {
        std::vector<fs::path> found;
        const std::string prefix =
            fs::path(TemporaryFilePrefix(fs::canonical(map_))).filename().string();
        for (const auto& entry : fs::directory_iterator(dir_.path())) {
            if (entry.path().filename().string().rfind(prefix, 0) == 0) {
                found.push_back(entry.path());
            }
        }
        return found;
    }

    void CheckCrashSafety(const std::string& what,
                          const std::function<std::vector<std::string>(const fs::path&)>& args) {
        WriteFileBytes(copy_, original_);
        const Bytes complete = CompleteResult(args(copy_));
        ASSERT_NE(complete, original_);

        const Outcomes outcomes = KillAtManyPoints(args(map_), complete);
        EXPECT_GT(outcomes.original, 30) << what;
        EXPECT_EQ(outcomes.original + outcomes.complete, outcomes.points) << what;
        // A write killed half-way leaves its temporary file beside the map...
        WriteFileBytes(map_, original_);
        RunChild(Cli(), args(map_),
                 {{"PELMAR_TEST_WRITE_FAULT", "kill:" + std::to_string(complete.size() / 2)}});
        EXPECT_FALSE(Leftovers().empty()) << what;

        // ...and the next successful edit clears it.
        WriteFileBytes(map_, original_);
        ChildExit ok = RunChild(Cli(), args(map_), {});
        EXPECT_EQ(ok.status, 0);
        EXPECT_EQ(ReadFileBytes(map_), complete);
        EXPECT_TRUE(Leftovers().empty());
        std::cout << "[ crash injection ] " << what << ": " << outcomes.points << " kill points, "
                  << outcomes.original << " left the original, " << outcomes.complete
                  << " the complete result\n";
    }

    TempDir dir_;
    fs::path map_ = dir_ / "target.map";
    fs::path copy_ = dir_ / "copy.map";
    fs::path source_ = dir_ / "source.map";
    Bytes original_;
};

TEST_F(CrashInjection, DuplicationIsAllOrNothing) {
    CheckCrashSafety("dup", [&](const fs::path& map) {
        return std::vector<std::string>{"dup",
                                        map.string(),
                                        "weap:weapons\\pistol\\pistol",
                                        "weap>magazines;1>ammo packs;2",
                                        "--plugins",
                                        SourcePluginsDir().string()};
    });
}

TEST_F(CrashInjection, ScenarioDuplicationIsAllOrNothing) {
    CheckCrashSafety("dup scnr", [&](const fs::path& map) {
        return std::vector<std::string>{"dup",
                                        map.string(),
                                        "scnr:levels\\test\\demo\\demo",
                                        "scnr>player spawns;2",
                                        "--plugins",
                                        SourcePluginsDir().string()};
    });
}

TEST_F(CrashInjection, ImportIsAllOrNothing) {
    CheckCrashSafety("import", [&](const fs::path& map) {
        return std::vector<std::string>{"import", map.string(), source_.string(),
                                        "vehi:vehicles\\warthog\\warthog"};
    });
}

} // namespace
} // namespace pelmar::test
