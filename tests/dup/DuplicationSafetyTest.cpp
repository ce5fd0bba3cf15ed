// Duplication that cannot be done changes nothing: not the file, not the model.

#include "dup/DupMaps.h"
#include "map/ChunkDuplication.h"
#include "platform/AtomicFileWriter.h"
#include "platform/PelmarError.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace pelmar::test {
namespace {

namespace w = worked;

class RefusedDuplication : public ::testing::Test {
protected:
    void SetUp() override {
        WriteMap(path, WorkedExampleSpec());
        original = ReadFileBytes(path);
    }
    void TearDown() override { SetWriteFaultForTesting(std::nullopt); }

    // Writes `bytes`, runs the duplication, expects a refusal whose message holds `words` and
    // the file's name, and checks that neither the file nor the model changed.
    void ExpectRefused(const std::vector<uint8_t>& bytes, const ChunkToDuplicate& chunk,
                       const std::string& words, int32_t tagIndex = 0) {
        WriteFileBytes(path, bytes);
        HaloPcMap map = Load(path);
        const std::vector<TagPlace> places = Places(map);
        try {
            DuplicateChunk(map, tagIndex, "weap", chunk);
            ADD_FAILURE() << "expected a refusal";
        } catch (const PelmarError& e) {
            const std::string message = e.what();
            EXPECT_NE(message.find(words), std::string::npos) << message;
            EXPECT_NE(message.find(path.string()), std::string::npos) << message;
        }
        EXPECT_EQ(ReadFileBytes(path), bytes);
        EXPECT_EQ(Places(map), places);
        EXPECT_TRUE(LeftoverTemporaries(path).empty());
    }
    std::vector<uint8_t> WithWord(int64_t at, int32_t value) const {
        std::vector<uint8_t> bytes = original;
        SetWord(bytes, at, value);
        return bytes;
    }

    TempDir dir;
    std::filesystem::path path = dir / "example.map";
    std::vector<uint8_t> original;
};

TEST_F(RefusedDuplication, OutOfRangeChunksAndReferences) {
    struct Case {
        std::vector<uint8_t> bytes;
        ChunkToDuplicate chunk;
        std::string words;
        int32_t tagIndex = 0;
    };
    const Case cases[] = {
        {original, {w::kReferenceN, 0, 1}, "chunk size is 0"},
        {original, {w::kReferenceN, -48, 1}, "negative"},
        {original, {static_cast<int32_t>(w::kLength) - 4, 48, 0}, "outside the file"},
        {original, {-8, 48, 0}, "outside the file"},
        {original, {w::kReferenceN, 48, 3}, "chunk 4 is not in the struct"},
        {original, {w::kReferenceN, 48, -1}, "is not in the struct"},
        {original, {w::kReferenceN, 48, 1}, "no tag 7", 7},
        {WithWord(w::kReferenceN, 0), {w::kReferenceN, 48, 0}, "count is 0"},
        // 30 chunks of 48 from 600 end far past the end of the file.
        {WithWord(w::kReferenceN, 30), {w::kReferenceN, 48, 1}, "lie outside the file"},
        // A pointer that translates to -800.
        {WithWord(w::kReferenceN + 4, 100), {w::kReferenceN, 48, 1}, "lie outside the file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.words);
        ExpectRefused(c.bytes, c.chunk, c.words, c.tagIndex);
    }
    HaloPcMap never;
    EXPECT_THROW(DuplicateChunk(never, 0, "weap", {516, 48, 0}), PelmarError);
}

TEST_F(RefusedDuplication, ReadOnlyFileIsNamedAndLeftAlone) {
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    ExpectRefused(original, {w::kReferenceN, 48, 1}, "read-only");
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0444u);
}

TEST_F(RefusedDuplication, WriteFailurePartWayLeavesTheFileByteIdentical) {
    for (uint64_t after : {uint64_t{0}, uint64_t{100}, uint64_t{w::kLength}}) {
        SCOPED_TRACE(after);
        SetWriteFaultForTesting(WriteFault{after, WriteFault::Action::Fail});
        ExpectRefused(original, {w::kReferenceN, 48, 1}, "cannot write");
    }
    SetWriteFaultForTesting(std::nullopt);
    // A successful edit keeps the map's permissions.
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    HaloPcMap map = Load(path);
    DuplicateChunk(map, 0, "weap", {w::kReferenceN, 48, 1});
    EXPECT_EQ(ReadFileBytes(path).size(), original.size() + 48);
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

} // namespace
} // namespace pelmar::test
