// The session's guarantees under concurrent, stale, crafted and interrupted edits: a map is
// either fully edited or left byte for byte as it was, and "Done" is never said for an edit
// that did not land.

#include "cli/Cli.h"
#include "map/Duplication.h"
#include "map/MapLayout.h"
#include "mapbuilder/DemoMap.h"
#include "platform/Words.h"
#include "session/MapSession.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <iostream>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace pelmar::test {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

const std::string kWeapon = "weap:weapons\\pistol\\pistol";
const ChunkPath kPacks = ChunkPath().Child("magazines", 1).Child("ammo packs", 2);

// Runs `work` in a child process; its exit status, or -signal when a signal ended it.
int InChild(const std::function<int()>& work) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        int status = 1;
        try {
            status = work();
        } catch (...) {
        }
        ::_exit(status);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFSIGNALED(status) ? -WTERMSIG(status) : WEXITSTATUS(status);
}

// Kills the process once `limit` bytes have been written.
struct KillAfter : WriteFaults {
    uint64_t limit = 0;
    int BeforeWrite(uint64_t written, size_t& length) const override {
        if (written >= limit) {
            ::raise(SIGKILL);
        }
        length = static_cast<size_t>(std::min<uint64_t>(length, limit - written));
        return 0;
    }
};

class Reliability : public ::testing::Test {
protected:
    void SetUp() override {
        original_ = builder::BuildMap(builder::DemoMapSpec()).bytes;
        WriteFileBytes(map_, original_);
        plugins_ = std::make_shared<PluginCatalog>(FixturePluginsDir());
        plugins_->ScanForPlugins();
    }
    std::unique_ptr<MapSession> Session(bool forEdit = false) {
        auto s = std::make_unique<MapSession>(plugins_);
        s->SetLockPatience(std::chrono::milliseconds(5000));
        forEdit ? s->OpenForEdit(map_) : s->Open(map_);
        return s;
    }
    void Duplicate(MapSession& s) { s.Duplicate(*s.map().FindTagByName(kWeapon), kPacks); }
    int32_t PackCount(std::span<const uint8_t> bytes) {
        MapSession s(plugins_);
        WriteFileBytes(dir_ / "probe.map", bytes);
        s.Open(dir_ / "probe.map");
        const int32_t tag = *s.map().FindTagByName(kWeapon);
        const TreeView view = s.ViewOf(tag, *s.SelectTag(tag).plugin);
        return LoadI32(bytes.data() + LocateChunk(view, kPacks).chunk.referenceOffset);
    }
    Bytes Completed(const std::function<void(MapSession&)>& edit) {
        auto s = Session();
        edit(*s);
        const Bytes done = ReadFileBytes(map_);
        WriteFileBytes(map_, original_);
        return done;
    }
    TempDir dir_;
    fs::path map_ = dir_ / "target.map";
    Bytes original_;
    std::shared_ptr<PluginCatalog> plugins_;
};

TEST_F(Reliability, RacingEditsBothLandOrAreRefused) {
    constexpr int kEach = 8;
    const auto editor = [&] {
        int done = 0;
        for (int i = 0; i < kEach; ++i) {
            try {
                auto s = Session(true);
                Duplicate(*s);
                ++done;
            } catch (const PelmarError&) {
            }
        }
        return done;
    };
    const pid_t first = ::fork();
    if (first == 0) {
        ::_exit(editor());
    }
    const int second = InChild(editor);
    int status = 0;
    ::waitpid(first, &status, 0);
    const int landed = WEXITSTATUS(status) + second;
    EXPECT_GT(landed, 0);
    EXPECT_EQ(PackCount(ReadFileBytes(map_)), PackCount(original_) + landed);
    // An editor that cannot get the lock in time is refused, and the map is unchanged.
    auto holder = Session(true);
    const Bytes before = ReadFileBytes(map_);
    EXPECT_EQ(InChild([&] {
                  MapSession s(plugins_);
                  s.SetLockPatience(std::chrono::milliseconds(50));
                  s.Open(map_);
                  try {
                      Duplicate(s);
                  } catch (const PelmarError& e) {
                      return e.kind() == ErrorKind::Busy ? 7 : 1;
                  }
                  return 0;
              }),
              7);
    EXPECT_EQ(ReadFileBytes(map_), before);
}

TEST_F(Reliability, AModelWhoseFileChangedIsRefused) {
    auto stale = Session();
    Duplicate(*Session());
    const Bytes changed = ReadFileBytes(map_);
    try {
        Duplicate(*stale);
        ADD_FAILURE() << "expected a refusal";
    } catch (const PelmarError& e) {
        EXPECT_EQ(e.kind(), ErrorKind::Stale);
        EXPECT_NE(Describe(e).find("load it again; nothing was changed"), std::string::npos);
    }
    EXPECT_EQ(ReadFileBytes(map_), changed);
    // A change in place that keeps the size and the index: the file's time tells.
    auto other = Session();
    Bytes inPlace = changed;
    inPlace[inPlace.size() - 2] ^= 1;
    WriteFileBytes(map_, inPlace);
    EXPECT_THROW(Duplicate(*other), PelmarError);
    EXPECT_EQ(ReadFileBytes(map_), inPlace);
}

TEST_F(Reliability, AMapCutShortWhileOpenReadsAsZerosAndIsNotEdited) {
    auto s = Session();
    const int32_t tag = *s->map().FindTagByName(kWeapon);
    const Tag& weapon = s->map().TagCache[static_cast<size_t>(tag)];
    fs::resize_file(map_, static_cast<uintmax_t>(weapon.Offset) / 4096 * 4096);
    // Reading past the new end gives zeros instead of ending the program.
    EXPECT_EQ(s->map().bytes()[static_cast<size_t>(weapon.Offset) + 8], 0);
    EXPECT_NO_FATAL_FAILURE(
        (void)s->Expand(tag, *s->SelectTag(tag).plugin, *s->SelectTag(tag).root));
    try {
        Duplicate(*s);
        ADD_FAILURE() << "expected a refusal";
    } catch (const PelmarError& e) {
        EXPECT_EQ(e.kind(), ErrorKind::Stale);
    }
}

TEST_F(Reliability, CraftedMapsAreRefusedUnchanged) {
    const HaloPcMap clean = HaloPcMap::Decode(std::make_shared<ByteBuffer>([&] {
        ByteBuffer b(original_.size());
        std::copy(original_.begin(), original_.end(), b.data());
        return b;
    }()));
    const Tag& scenario = clean.Scenario();
    const Tag& weapon = clean.TagCache[static_cast<size_t>(*clean.FindTagByName(kWeapon))];
    const int64_t scanEnd = scenario.Offset + layout::kScenarioScanEndField;
    struct Case {
        const char* name;
        std::string tag;
        ChunkPath path;
        std::function<void(Bytes&)> craft;
    };
    const ChunkPath spawn = ChunkPath().Child("player spawns", 1);
    const Case cases[] = {
        {"scan end past the scenario", "scnr:levels\\test\\demo\\demo", spawn,
         [&](Bytes& b) { SetWord(b, scanEnd, clean.Magic + weapon.Offset + 8); }},
        {"scan end before the scenario", "scnr:levels\\test\\demo\\demo", spawn,
         [&](Bytes& b) { SetWord(b, scanEnd, clean.Magic + scenario.Offset - 4); }},
        {"array outside the tag", kWeapon, ChunkPath().Child("magazines", 1),
         [&](Bytes& b) { SetWord(b, weapon.Offset + 44, clean.Magic + scenario.Offset); }},
        {"an entry just past the end, which the insertion would reach", kWeapon, kPacks,
         [&](Bytes& b) {
             const int64_t last = clean.tagOffset + layout::kEntrySize * (clean.TagCount - 1);
             SetWord(b, last + layout::kEntryDataAddressField,
                     clean.Magic + static_cast<int32_t>(b.size()) + 4);
         }},
        {"a tag of size 0 sharing its data", kWeapon, ChunkPath().Child("magazines", 1),
         [&](Bytes& b) {
             const int64_t next =
                 clean.tagOffset + layout::kEntrySize * (*clean.FindTagByName(kWeapon) + 1);
             SetWord(b, next + layout::kEntryDataAddressField, clean.Magic + weapon.Offset);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes crafted = original_;
        c.craft(crafted);
        WriteFileBytes(map_, crafted);
        auto s = Session();
        EXPECT_THROW(s->Duplicate(*s->map().FindTagByName(c.tag), c.path), PelmarError);
        EXPECT_EQ(ReadFileBytes(map_), crafted);
    }
}

TEST_F(Reliability, AReplacementKeepsLinksOwnerModeAndAttributes) {
    fs::create_hard_link(map_, dir_ / "other-name.map");
    const bool xattrs = ::setxattr(map_.c_str(), "user.pelmar", "kept", 4, 0) == 0;
    ASSERT_EQ(::chown(map_.c_str(), 1234, 1234), 0);
    ASSERT_EQ(::chmod(map_.c_str(), 0660), 0);
    auto s = Session();
    Duplicate(*s);
    EXPECT_EQ(ReadFileBytes(dir_ / "other-name.map"), ReadFileBytes(map_));
    EXPECT_NE(ReadFileBytes(map_), original_);
    struct stat st {};
    ASSERT_EQ(::stat(map_.c_str(), &st), 0);
    EXPECT_EQ(st.st_nlink, 2u);
    EXPECT_EQ(st.st_uid, 1234u);
    EXPECT_EQ(st.st_gid, 1234u);
    EXPECT_EQ(st.st_mode & 07777, 0660u);
    char value[8] = {};
    EXPECT_TRUE(!xattrs || ::getxattr(map_.c_str(), "user.pelmar", value, sizeof value) == 4);
    EXPECT_FALSE(fs::exists(JournalPath(map_)));
}

TEST_F(Reliability, AKilledWriteLeavesTheOldOrTheNewMap) {
    ::setenv("XDG_DATA_HOME", (dir_ / "data").c_str(), 1);
    struct Case {
        const char* name;
        bool hardLink; // a linked map is rewritten in place, through the journal
        std::function<void(MapSession&)> edit;
    };
    const Case cases[] = {
        {"duplication by rename", false, [&](MapSession& s) { Duplicate(s); }},
        {"duplication in place", true, [&](MapSession& s) { Duplicate(s); }},
        {"value edit", false,
         [&](MapSession& s) { s.SetValue(*s.map().FindTagByName(kWeapon), {}, "zoom", "2.5"); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFileBytes(map_, original_);
        if (c.hardLink) {
            fs::create_hard_link(map_, dir_ / "link.map");
        }
        const Bytes complete = Completed(c.edit);
        std::set<uint64_t> points{0, 1, 2, 3, 4, 5, 8, 16, 40, 2047, 2048, 2049};
        for (uint64_t i = 1; i < 30; ++i) {
            points.insert(2 * complete.size() * i / 30);
        }
        int original = 0, edited = 0;
        for (const uint64_t point : points) {
            WriteFileBytes(map_, original_); // keeps a hard link
            const int exit = InChild([&] {
                KillAfter kill;
                kill.limit = point;
                auto s = Session();
                s->SetWriteFaults(&kill);
                c.edit(*s);
                return 0;
            });
            Session(); // the next open finishes an interrupted in-place write
            const Bytes after = ReadFileBytes(map_);
            original += after == original_;
            edited += after == complete;
            EXPECT_TRUE(after == original_ || after == complete) << "killed at byte " << point;
            EXPECT_TRUE(exit == -SIGKILL || after == complete) << point;
        }
        std::cout << "[ crash injection ] " << c.name << ": " << points.size() << " kill points, "
                  << original << " left the old map, " << edited << " the new one\n";
        EXPECT_GT(original, 3);
        EXPECT_GT(edited, 3);
        fs::remove(dir_ / "link.map");
    }
}

TEST_F(Reliability, OnlyLeftoversOfThisMapAreRemoved) {
    const std::string prefix = fs::path(TemporaryFilePrefix(map_)).filename().string();
    const std::vector<std::string> leftovers = {prefix + "Ab3xZ9"};
    const std::vector<std::string> kept = {prefix + "abc", prefix + "abcdefg", prefix + "ab-def",
                                           "target.map.pelmar-abcdef", prefix + "fresh1"};
    for (const std::string& name : leftovers) {
        WriteFileBytes(dir_ / name, original_);
        fs::last_write_time(dir_ / name, fs::file_time_type::clock::now() - std::chrono::hours(1));
    }
    for (const std::string& name : kept) {
        WriteFileBytes(dir_ / name, original_);
    }
    fs::last_write_time(dir_ / (prefix + "fresh1"),
                        fs::file_time_type::clock::now() + std::chrono::hours(1));
    Duplicate(*Session());
    for (const std::string& name : leftovers) {
        EXPECT_FALSE(fs::exists(dir_ / name)) << name;
    }
    for (const std::string& name : kept) {
        EXPECT_TRUE(fs::exists(dir_ / name)) << name;
    }
}

TEST_F(Reliability, MakeDemoRefusesAnExistingFileUnlessForced) {
    const std::string plugins = "--plugins=" + BundledPluginsDir().string();
    const auto run = [&](std::vector<const char*> args) {
        std::ostringstream out, err;
        args.insert(args.begin(), "pelmar-cli");
        return cli::RunCli(static_cast<int>(args.size()), args.data(), out, err);
    };
    EXPECT_EQ(run({"make-demo", map_.c_str(), plugins.c_str()}), 1);
    EXPECT_EQ(ReadFileBytes(map_), original_);
    EXPECT_EQ(run({"make-demo", map_.c_str(), plugins.c_str(), "--force"}), 0);
    EXPECT_NE(ReadFileBytes(map_), original_);
}

} // namespace
} // namespace pelmar::test
