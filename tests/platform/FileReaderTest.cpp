// Reading whole files and bounds-checked reads at positions.
#include "platform/FileReader.h"
#include "platform/ByteBuffer.h"
#include "platform/PelmarError.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fcntl.h>
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

std::vector<uint8_t> Contents(const ByteBuffer& buffer) {
    return {buffer.data(), buffer.data() + buffer.size()};
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

TEST(ByteBuffer, HoldsExactlyItsSizeAndShrinksOnly) {
    ByteBuffer empty(0);
    EXPECT_EQ(empty.size(), 0u);
    EXPECT_TRUE(empty.span().empty());

    ByteBuffer large((size_t{9} << 20) + 3);
    std::memset(large.data(), 0x5A, large.size());
    EXPECT_EQ(large.data()[large.size() - 1], 0x5A);
    large.Shrink(100);
    EXPECT_EQ(large.size(), 100u);
    large.Shrink(200);
    EXPECT_EQ(large.size(), 100u) << "Shrink must never grow the buffer";
}

TEST(ReadWholeFile, ReadsEveryByteOfSmallAndLargeFiles) {
    TempDir dir;
    // The large one spans several read blocks and ends in a partial block.
    for (size_t size : {size_t{0}, size_t{1}, size_t{4097}, (size_t{8} << 20) * 2 + 12345}) {
        const auto path = dir / ("f" + std::to_string(size));
        const std::vector<uint8_t> bytes = Pattern(size);
        WriteFileBytes(path, bytes);
        EXPECT_EQ(Contents(ReadWholeFile(path, UINT64_MAX)), bytes) << size << " bytes";
    }
}

TEST(ReadWholeFile, RefusesAMissingFileNamingIt) {
    TempDir dir;
    const auto path = dir / "absent.map";
    const std::string message = ErrorOf([&] { ReadWholeFile(path, UINT64_MAX); });
    EXPECT_EQ(message.rfind(path.string() + ": cannot open", 0), 0u) << message;
}

TEST(ReadWholeFile, RefusesAFolder) {
    TempDir dir;
    const std::string message = ErrorOf([&] { ReadWholeFile(dir.path(), UINT64_MAX); });
    EXPECT_EQ(message, dir.path().string() + ": not a regular file");
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
            const std::string message = ErrorOf([&] { ReadWholeFile(path, UINT64_MAX); });
            bool refused = message == path.string() + ": not a regular file";
            try {
                FileReader reader(path);
                refused = false;
            } catch (const PelmarError&) {
            }
            std::_Exit(refused ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(ReadWholeFile, RefusesAFileLargerThanTheLimit) {
    TempDir dir;
    const auto path = dir / "huge.map";
    WriteFileBytes(path, {});
    // A sparse file: its length is what counts, nothing is read.
    std::filesystem::resize_file(path, (uint64_t{1} << 31) + 1);
    const std::string message = ErrorOf([&] { ReadWholeFile(path, 0x7FFFFFFF); });
    EXPECT_EQ(message.rfind(path.string() + ": the file is too large", 0), 0u) << message;

    WriteFileBytes(path, Pattern(11));
    EXPECT_THROW(ReadWholeFile(path, 10), PelmarError);
    EXPECT_EQ(ReadWholeFile(path, 11).size(), 11u);
}

TEST(FileReader, ReadsWordsAndRangesInside) {
    TempDir dir;
    const auto path = dir / "f.bin";
    WriteFileBytes(path, {1, 2, 3, 4, 5, 6, 7, 8, 9});
    FileReader reader(path);
    EXPECT_EQ(reader.Length(), 9u);
    EXPECT_EQ(reader.ReadI32(0), 0x04030201);
    EXPECT_EQ(reader.ReadI32(5), 0x09080706);
    uint8_t out[3] = {};
    reader.ReadExact(6, out, 3);
    EXPECT_EQ(out[0], 7);
    EXPECT_EQ(out[2], 9);
    EXPECT_TRUE(reader.Contains(9, 0));
    EXPECT_FALSE(reader.Contains(9, 1));
    EXPECT_FALSE(reader.Contains(-1, 1));
}

TEST(FileReader, RefusesReadsOutsideTheFileNamingIt) {
    TempDir dir;
    const auto path = dir / "f.bin";
    WriteFileBytes(path, Pattern(16));
    FileReader reader(path);
    for (int64_t offset : {int64_t{13}, int64_t{16}, int64_t{-4}, INT64_MAX - 2}) {
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
