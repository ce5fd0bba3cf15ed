// Crash-safe replacement of a file's contents.
#include "platform/AtomicFileWriter.h"
#include "platform/PelmarError.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace pelmar {
namespace {

using test::ReadFileBytes;
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

// Replaces the contents of `target` with `parts`; returns the error message, empty if none.
std::string Replace(const std::filesystem::path& target,
                    const std::vector<std::vector<uint8_t>>& parts) {
    try {
        ReplaceFileContents(target,
                            std::vector<std::span<const uint8_t>>(parts.begin(), parts.end()));
    } catch (const PelmarError& e) {
        return e.what();
    }
    return "";
}

// How many files beside `target` carry the writer's temporary prefix for it.
long Leftovers(const std::filesystem::path& target) {
    const std::string prefix = std::filesystem::path(TemporaryFilePrefix(target)).filename();
    return std::ranges::count_if(
        std::filesystem::directory_iterator(target.parent_path()),
        [&](const auto& entry) { return entry.path().filename().string().rfind(prefix, 0) == 0; });
}

mode_t ModeOf(const std::filesystem::path& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0);
    return st.st_mode & 07777;
}

class AtomicFileWriterTest : public ::testing::Test {
protected:
    AtomicFileWriterTest() { WriteFileBytes(target_, original_); }
    ~AtomicFileWriterTest() override { SetWriteFaultForTesting(std::nullopt); }

    test::TempDir dir_;
    const std::filesystem::path target_ = dir_ / "map.map";
    const std::vector<uint8_t> original_ = Pattern(5000, 7);
};

TEST_F(AtomicFileWriterTest, ReplacesContentsWithThePiecesInOrderKeepingThePermissions) {
    std::vector<uint8_t> expected = Bytes("head-middle-");
    const std::vector<uint8_t> tail = Pattern(70000, 3);
    expected.insert(expected.end(), tail.begin(), tail.end());
    EXPECT_EQ(Replace(target_, {Bytes("head"), {}, Bytes("-middle-"), tail}), "");
    EXPECT_EQ(ReadFileBytes(target_), expected);
    for (mode_t mode : {0640, 0604, 0777}) {
        ASSERT_EQ(::chmod(target_.c_str(), mode), 0);
        EXPECT_EQ(Replace(target_, {Bytes("ab")}), ""); // shorter: no old bytes are left
        EXPECT_EQ(ReadFileBytes(target_), Bytes("ab"));
        EXPECT_EQ(ModeOf(target_), mode);
    }
    EXPECT_EQ(Leftovers(target_), 0);
}

TEST_F(AtomicFileWriterTest, RefusesAReadOnlyFileAMissingFileOrAFolderAndLeavesThem) {
    ASSERT_EQ(::chmod(target_.c_str(), 0444), 0);
    const std::string message = Replace(target_, {Bytes("new")});
    EXPECT_EQ(message.rfind(target_.string(), 0), 0u) << message;
    EXPECT_NE(message.find("read-only"), std::string::npos) << message;
    EXPECT_EQ(ReadFileBytes(target_), original_);
    EXPECT_EQ(ModeOf(target_), 0444u);
    EXPECT_THROW(RequireWritableFile(target_), PelmarError);
    EXPECT_EQ(Leftovers(target_), 0);

    EXPECT_NE(Replace(dir_ / "absent.map", {Bytes("x")}), "");
    EXPECT_FALSE(std::filesystem::exists(dir_ / "absent.map"));
    std::filesystem::create_directory(dir_ / "folder.map");
    EXPECT_NE(Replace(dir_ / "folder.map", {Bytes("x")}), "");
    EXPECT_TRUE(std::filesystem::is_directory(dir_ / "folder.map"));
}

TEST_F(AtomicFileWriterTest, AFailedWriteLeavesTheOriginalAndNoTemporaryFile) {
    for (uint64_t after : {uint64_t{0}, uint64_t{1}, uint64_t{4096}, uint64_t{9999}}) {
        SCOPED_TRACE(testing::Message() << "fault after " << after << " bytes");
        SetWriteFaultForTesting(WriteFault{after, WriteFault::Action::Fail});
        const std::string message = Replace(target_, {Pattern(6000, 1), Pattern(6000, 2)});
        EXPECT_EQ(message.rfind(target_.string() + ": ", 0), 0u) << message;
        EXPECT_NE(message.find("left as it was"), std::string::npos) << message;
        EXPECT_EQ(ReadFileBytes(target_), original_);
        EXPECT_EQ(Leftovers(target_), 0);
    }
    SetWriteFaultForTesting(std::nullopt);
    EXPECT_EQ(Replace(target_, {Bytes("fine")}), "");
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
    ASSERT_EQ(Leftovers(target_), 1);
    // ...until the next successful replacement removes it, and only it.
    const std::filesystem::path otherTemp = TemporaryFilePrefix(dir_ / "other.map") + "abcdef";
    WriteFileBytes(otherTemp, Bytes("stale"));
    EXPECT_EQ(Replace(target_, {Bytes("after the crash")}), "");
    EXPECT_EQ(ReadFileBytes(target_), Bytes("after the crash"));
    EXPECT_EQ(Leftovers(target_), 0);
    EXPECT_TRUE(std::filesystem::exists(otherTemp));
}

TEST_F(AtomicFileWriterTest, ReplacesTheTargetOfASymbolicLinkNotTheLink) {
    std::filesystem::create_directory(dir_ / "real");
    const std::filesystem::path real = dir_ / "real" / "target.map";
    WriteFileBytes(real, original_);
    ASSERT_EQ(::chmod(real.c_str(), 0640), 0);
    const std::filesystem::path link = dir_ / "link.map";
    std::filesystem::create_symlink(real, link);
    EXPECT_EQ(Replace(link, {Bytes("through the link")}), "");
    EXPECT_EQ(std::filesystem::read_symlink(link), real);
    EXPECT_EQ(ReadFileBytes(real), Bytes("through the link"));
    EXPECT_EQ(ModeOf(real), 0640u);
    EXPECT_EQ(Leftovers(real) + Leftovers(link), 0);
}

} // namespace
} // namespace pelmar
