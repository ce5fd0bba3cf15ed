// Crash-safe replacement of a file's contents.
#include "platform/AtomicFileWriter.h"
#include "platform/PelmarError.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace pelmar {
namespace {

using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

std::vector<uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

std::vector<uint8_t> Pattern(size_t size, uint8_t seed) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<uint8_t>(seed + i * 31);
    }
    return bytes;
}

void Replace(const std::filesystem::path& target, const std::vector<std::vector<uint8_t>>& parts) {
    std::vector<std::span<const uint8_t>> pieces(parts.begin(), parts.end());
    ReplaceFileContents(target, pieces);
}

// Names in `folder` that start with the writer's temporary prefix for `target`.
std::vector<std::string> Leftovers(const std::filesystem::path& target) {
    const std::string prefix =
        std::filesystem::path(TemporaryFilePrefix(target)).filename().string();
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(target.parent_path())) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(prefix, 0) == 0) {
            found.push_back(name);
        }
    }
    return found;
}

mode_t ModeOf(const std::filesystem::path& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0);
    return st.st_mode & 07777;
}

class AtomicFileWriterTest : public ::testing::Test {
protected:
    void SetUp() override {
        target_ = dir_ / "map.map";
        original_ = Pattern(5000, 7);
        WriteFileBytes(target_, original_);
    }
    void TearDown() override { SetWriteFaultForTesting(std::nullopt); }

    TempDir dir_;
    std::filesystem::path target_;
    std::vector<uint8_t> original_;
};

TEST_F(AtomicFileWriterTest, ReplacesContentsWithThePiecesInOrder) {
    Replace(target_, {Bytes("head"), {}, Bytes("-middle-"), Pattern(70000, 3)});
    std::vector<uint8_t> expected = Bytes("head-middle-");
    const std::vector<uint8_t> tail = Pattern(70000, 3);
    expected.insert(expected.end(), tail.begin(), tail.end());
    EXPECT_EQ(ReadFileBytes(target_), expected);
    EXPECT_TRUE(Leftovers(target_).empty());
}

TEST_F(AtomicFileWriterTest, ShorterContentsLeaveNoOldBytesBehind) {
    Replace(target_, {Bytes("ab")});
    EXPECT_EQ(ReadFileBytes(target_), Bytes("ab"));
}

TEST_F(AtomicFileWriterTest, KeepsThePermissionBits) {
    for (mode_t mode : {0640, 0604, 0600, 0777}) {
        ASSERT_EQ(::chmod(target_.c_str(), mode), 0);
        Replace(target_, {Bytes("x")});
        EXPECT_EQ(ModeOf(target_), mode);
    }
}

TEST_F(AtomicFileWriterTest, RefusesAReadOnlyFileAndLeavesIt) {
    ASSERT_EQ(::chmod(target_.c_str(), 0444), 0);
    try {
        Replace(target_, {Bytes("new")});
        FAIL() << "a read-only file was replaced";
    } catch (const PelmarError& e) {
        EXPECT_NE(std::string(e.what()).find(target_.string()), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("read-only"), std::string::npos) << e.what();
    }
    EXPECT_EQ(ReadFileBytes(target_), original_);
    EXPECT_EQ(ModeOf(target_), 0444u);
    EXPECT_THROW(RequireWritableFile(target_), PelmarError);
    EXPECT_TRUE(Leftovers(target_).empty());
}

TEST_F(AtomicFileWriterTest, RefusesAMissingFileOrAFolder) {
    EXPECT_THROW(Replace(dir_ / "absent.map", {Bytes("x")}), PelmarError);
    EXPECT_FALSE(std::filesystem::exists(dir_ / "absent.map"));
    std::filesystem::create_directory(dir_ / "folder.map");
    EXPECT_THROW(Replace(dir_ / "folder.map", {Bytes("x")}), PelmarError);
    EXPECT_TRUE(std::filesystem::is_directory(dir_ / "folder.map"));
}

TEST_F(AtomicFileWriterTest, AFailedWriteLeavesTheOriginalAndNoTemporaryFile) {
    for (uint64_t after : {uint64_t{0}, uint64_t{1}, uint64_t{4096}, uint64_t{9999}}) {
        SetWriteFaultForTesting(WriteFault{after, WriteFault::Action::Fail});
        try {
            Replace(target_, {Pattern(6000, 1), Pattern(6000, 2)});
            FAIL() << "the write fault after " << after << " bytes was not reported";
        } catch (const PelmarError& e) {
            const std::string message = e.what();
            EXPECT_EQ(message.rfind(target_.string() + ": ", 0), 0u) << message;
            EXPECT_NE(message.find("left as it was"), std::string::npos) << message;
        }
        EXPECT_EQ(ReadFileBytes(target_), original_) << "after " << after << " bytes";
        EXPECT_TRUE(Leftovers(target_).empty()) << "after " << after << " bytes";
    }
    SetWriteFaultForTesting(std::nullopt);
    Replace(target_, {Bytes("fine")});
    EXPECT_EQ(ReadFileBytes(target_), Bytes("fine"));
}

TEST_F(AtomicFileWriterTest, AProcessKilledMidWriteLeavesTheOriginal) {
    EXPECT_EXIT(
        {
            SetWriteFaultForTesting(WriteFault{3000, WriteFault::Action::Kill});
            Replace(target_, {Pattern(8000, 9)});
            std::_Exit(0);
        },
        ::testing::KilledBySignal(SIGKILL), "");
    EXPECT_EQ(ReadFileBytes(target_), original_);
    // The killed writer could not clean up: its temporary file is still there...
    ASSERT_EQ(Leftovers(target_).size(), 1u);
    // ...until the next successful replacement removes it.
    Replace(target_, {Bytes("after the crash")});
    EXPECT_EQ(ReadFileBytes(target_), Bytes("after the crash"));
    EXPECT_TRUE(Leftovers(target_).empty());
}

TEST_F(AtomicFileWriterTest, StaleTemporariesOfOtherFilesAreLeftAlone) {
    const std::filesystem::path other = dir_ / "other.map";
    WriteFileBytes(other, Bytes("other"));
    const std::filesystem::path otherTemp = TemporaryFilePrefix(other) + "abcdef";
    WriteFileBytes(otherTemp, Bytes("stale"));
    const std::filesystem::path ownTemp = TemporaryFilePrefix(target_) + "Q1w2E3";
    WriteFileBytes(ownTemp, Bytes("stale"));
    Replace(target_, {Bytes("new")});
    EXPECT_FALSE(std::filesystem::exists(ownTemp));
    EXPECT_TRUE(std::filesystem::exists(otherTemp));
}

TEST_F(AtomicFileWriterTest, ReplacesTheTargetOfASymbolicLinkNotTheLink) {
    std::filesystem::create_directory(dir_ / "real");
    const std::filesystem::path real = dir_ / "real" / "target.map";
    WriteFileBytes(real, original_);
    ASSERT_EQ(::chmod(real.c_str(), 0640), 0);
    const std::filesystem::path link = dir_ / "link.map";
    std::filesystem::create_symlink(real, link);

    Replace(link, {Bytes("through the link")});

    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(std::filesystem::read_symlink(link), real);
    EXPECT_EQ(ReadFileBytes(real), Bytes("through the link"));
    EXPECT_EQ(ModeOf(real), 0640u);
    EXPECT_TRUE(Leftovers(real).empty());
    EXPECT_TRUE(Leftovers(link).empty());
}

} // namespace
} // namespace pelmar
