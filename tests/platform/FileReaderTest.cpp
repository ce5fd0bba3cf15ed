// Reading whole files and bounds-checked reads at positions.
#include "platform/FileReader.h"
#include "platform/ByteBuffer.h"
#include "platform/PelmarError.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace pelmar {
namespace {

using test::TempDir;
using test::WriteFileBytes;

std::vector<uint8_t> Pattern(size_t size) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<uint8_t>((i * 131) ^ (i >> 13));
    }
    return bytes;
}

// Runs `action`, which must throw PelmarError; returns its message.
template <typename F> std::string ErrorOf(F&& action) {
    try {
        action();
    } catch (const PelmarError& e) {
        return e.what();
    }
    ADD_FAILURE() << "no PelmarError was thrown";
    return {};
}

TEST(ReadWholeFile, ReadsEveryByteOfSmallAndLargeFiles) {
    TempDir dir;
    // The large one spans several read blocks and ends in a partial block.
    for (size_t size : {size_t{0}, size_t{1}, size_t{4097}, (size_t{8} << 20) * 2 + 12345}) {
        const auto path = dir / ("f" + std::to_string(size));
        WriteFileBytes(path, Pattern(size));
        const ByteBuffer buffer = ReadWholeFile(path, UINT64_MAX);
        EXPECT_EQ(std::vector<uint8_t>(buffer.data(), buffer.data() + buffer.size()), Pattern(size))
            << size << " bytes";
    }
    ByteBuffer shrunk(1000);
    shrunk.Shrink(100);
    shrunk.Shrink(200);
    EXPECT_EQ(shrunk.size(), 100u) << "Shrink must never grow the buffer";
}

TEST(ReadWholeFile, RefusesWhatIsNotAReadableRegularFileOfAllowedSize) {
    TempDir dir;
    const auto absent = dir / "absent.map";
    EXPECT_EQ(ErrorOf([&] {
                  ReadWholeFile(absent, UINT64_MAX);
              }).rfind(absent.string() + ": cannot open", 0),
              0u);
    EXPECT_EQ(ErrorOf([&] { ReadWholeFile(dir.path(), UINT64_MAX); }),
              dir.path().string() + ": not a regular file");
    const auto huge = dir / "huge.map";
    WriteFileBytes(huge, {});
    // A sparse file: its length is what counts, nothing is read.
    std::filesystem::resize_file(huge, (uint64_t{1} << 31) + 1);
    EXPECT_EQ(ErrorOf([&] {
                  ReadWholeFile(huge, 0x7FFFFFFF);
              }).rfind(huge.string() + ": the file is too large", 0),
              0u);
    WriteFileBytes(huge, Pattern(11));
    EXPECT_THROW(ReadWholeFile(huge, 10), PelmarError);
    EXPECT_EQ(ReadWholeFile(huge, 11).size(), 11u);
}

TEST(ReadWholeFile, RefusesANamedPipeWithoutWaitingForAWriter) {
    TempDir dir;
    const auto path = dir / "pipe.map";
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    // Opening a pipe for reading would wait for a writer for ever; it must be refused at
    // once. The check runs in a child process under an alarm so that a hang fails the test.
    EXPECT_EXIT(
        {
            ::alarm(10);
            bool refused = ErrorOf([&] { ReadWholeFile(path, UINT64_MAX); }) ==
                           path.string() + ": not a regular file";
            try {
                FileReader reader(path);
                refused = false;
            } catch (const PelmarError&) {
            }
            std::_Exit(refused ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(FileReader, ReadsInsideAndRefusesOutsideNamingTheFile) {
    TempDir dir;
    const auto path = dir / "f.bin";
    WriteFileBytes(path, {1, 2, 3, 4, 5, 6, 7, 8, 9});
    FileReader reader(path);
    EXPECT_EQ(reader.Length(), 9u);
    EXPECT_EQ(reader.ReadI32(5), 0x09080706);
    uint8_t out[3] = {};
    reader.ReadExact(6, out, 3);
    EXPECT_EQ(std::vector<uint8_t>(out, out + 3), (std::vector<uint8_t>{7, 8, 9}));
    EXPECT_TRUE(reader.Contains(9, 0));
    EXPECT_FALSE(reader.Contains(9, 1));
    EXPECT_FALSE(reader.Contains(-1, 1));
    for (int64_t offset : {int64_t{6}, int64_t{9}, int64_t{-4}, INT64_MAX - 2}) {
        const std::string message = ErrorOf([&] { reader.ReadI32(offset); });
        EXPECT_EQ(message.rfind(path.string() + ": ", 0), 0u) << message;
        EXPECT_NE(message.find("outside the file"), std::string::npos) << message;
    }
}

TEST(FileReader, AFileShortenedAfterOpeningGivesAnErrorNotGarbage) {
    TempDir dir;
    const auto path = dir / "f.bin";
    WriteFileBytes(path, Pattern(4096));
    FileReader reader(path);
    std::filesystem::resize_file(path, 100);
    EXPECT_EQ(reader.ReadI32(96), test::WordAt(Pattern(4096), 96));
    EXPECT_THROW(reader.ReadI32(2000), PelmarError);
}

} // namespace
} // namespace pelmar
