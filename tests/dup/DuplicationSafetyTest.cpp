// Duplication that cannot be done changes nothing: not the file, not the model.

#include "dup/DupMaps.h"
#include "map/ChunkDuplication.h"
#include "platform/AtomicFileWriter.h"
#include "platform/PelmarError.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/stat.h>

namespace pelmar::test {
namespace {

namespace w = worked;

class RefusedDuplication : public ::testing::Test {
protected:
    void SetUp() override {
        WriteMap(path, WorkedExampleSpec());
        before = ReadFileBytes(path);
        map = Load(path);
        places = Places(map);
    }
    void TearDown() override { SetWriteFaultForTesting(std::nullopt); }

    // Runs the duplication, expects a refusal whose message holds `words`, and checks that
    // neither the file nor the model changed.
    void ExpectRefused(const ChunkToDuplicate& chunk, const std::string& words,
                       const std::string& tagClass = "weap", int32_t tagIndex = 0) {
        try {
            DuplicateChunk(map, tagIndex, tagClass, chunk);
            ADD_FAILURE() << "expected a refusal";
        } catch (const PelmarError& e) {
            const std::string message = e.what();
            EXPECT_NE(message.find(words), std::string::npos) << message;
            EXPECT_NE(message.find(path.string()), std::string::npos) << message;
        }
        EXPECT_EQ(ReadFileBytes(path), before);
        EXPECT_EQ(Places(map), places);
        EXPECT_TRUE(LeftoverTemporaries(path).empty());
    }

    TempDir dir;
    std::filesystem::path path = dir / "example.map";
    std::vector<uint8_t> before;
    HaloPcMap map;
    std::vector<TagPlace> places;
};

TEST_F(RefusedDuplication, ChunkSizeZeroSaysThereIsNothingToDuplicate) {
    ExpectRefused({w::kReferenceN, 0, 1}, "chunk size is 0");
}

TEST_F(RefusedDuplication, NegativeChunkSize) {
    ExpectRefused({w::kReferenceN, -48, 1}, "negative");
}

TEST_F(RefusedDuplication, ReferenceOutsideTheFile) {
    ExpectRefused({static_cast<int32_t>(w::kLength) - 4, 48, 0}, "outside the file");
    ExpectRefused({-8, 48, 0}, "outside the file");
}

TEST_F(RefusedDuplication, ChunkBeyondTheCount) {
    ExpectRefused({w::kReferenceN, 48, 3}, "chunk 4 is not in the struct");
    ExpectRefused({w::kReferenceN, 48, -1}, "is not in the struct");
}

TEST_F(RefusedDuplication, StructWithNoChunks) {
    std::vector<uint8_t> bytes = before;
    SetWord(bytes, w::kReferenceN, 0);
    WriteFileBytes(path, bytes);
    before = bytes;
    ExpectRefused({w::kReferenceN, 48, 0}, "count is 0");
}

TEST_F(RefusedDuplication, ArrayRunningPastTheEndOfTheFile) {
    // A count that the plugin's offset misread: 30 chunks of 48 from 600 end far past 864.
    std::vector<uint8_t> bytes = before;
    SetWord(bytes, w::kReferenceN, 30);
    WriteFileBytes(path, bytes);
    before = bytes;
    ExpectRefused({w::kReferenceN, 48, 1}, "lie outside the file");
}

TEST_F(RefusedDuplication, PointerBeforeTheStartOfTheFile) {
    std::vector<uint8_t> bytes = before;
    SetWord(bytes, w::kReferenceN + 4, 100); // translates to -800
    WriteFileBytes(path, bytes);
    before = bytes;
    ExpectRefused({w::kReferenceN, 48, 1}, "lie outside the file");
}

TEST_F(RefusedDuplication, ReadOnlyFileIsNamedAndLeftAlone) {
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    ExpectRefused({w::kReferenceN, 48, 1}, "read-only");
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0444u);
}

TEST_F(RefusedDuplication, WriteFailurePartWayLeavesTheFileByteIdentical) {
    for (uint64_t after : {uint64_t{0}, uint64_t{100}, uint64_t{w::kLength}}) {
        SetWriteFaultForTesting(WriteFault{after, WriteFault::Action::Fail});
        ExpectRefused({w::kReferenceN, 48, 1}, "cannot write");
    }
    SetWriteFaultForTesting(std::nullopt);
    DuplicateChunk(map, 0, "weap", {w::kReferenceN, 48, 1});
    EXPECT_EQ(ReadFileBytes(path).size(), before.size() + 48);
}

TEST_F(RefusedDuplication, UnknownTagIndex) {
    ExpectRefused({w::kReferenceN, 48, 1}, "no tag 7", "weap", 7);
}

TEST(DuplicateChunkSafety, MapThatWasNeverLoaded) {
    HaloPcMap map;
    EXPECT_THROW(DuplicateChunk(map, 0, "weap", {516, 48, 0}), PelmarError);
}

TEST(DuplicateChunkSafety, PermissionsOfTheMapAreKept) {
    TempDir dir;
    const auto path = dir / "kept.map";
    WriteMap(path, WorkedExampleSpec());
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    HaloPcMap map = Load(path);
    DuplicateChunk(map, 0, "weap", {w::kReferenceN, 48, 1});
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

using DuplicateChunkDeathTest = RefusedDuplication;

TEST_F(DuplicateChunkDeathTest, CrashDuringTheWriteLeavesTheMapIntact) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            SetWriteFaultForTesting(WriteFault{200, WriteFault::Action::Kill});
            DuplicateChunk(map, 0, "weap", {w::kReferenceN, 48, 1});
        },
        ::testing::KilledBySignal(SIGKILL), "");
    EXPECT_EQ(ReadFileBytes(path), before);
    // The next successful edit clears what the crashed one left behind.
    HaloPcMap fresh = Load(path);
    DuplicateChunk(fresh, 0, "weap", {w::kReferenceN, 48, 1});
    EXPECT_TRUE(LeftoverTemporaries(path).empty());
}

} // namespace
} // namespace pelmar::test
