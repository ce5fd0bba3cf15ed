// Imports that cannot be made: a clear message, the file byte for byte as it was, and both
// models unchanged.
#include "ImportTestSupport.h"
#include "platform/AtomicFileWriter.h"
#include "platform/PelmarError.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

namespace pelmar::test {
namespace {

using builder::MapSpec;

MapSpec Destination() {
    MapSpec dest;
    dest.tags = {PlainTag("scnr", "levels\\d", 0xD0000000, Counting(32, 1)),
                 PlainTag("bipd", "one", 0xD0010001, Counting(16, 2))};
    return dest;
}

MapSpec Source() {
    MapSpec source;
    source.tags = {PlainTag("scnr", "s", 0xA0000000, Counting(16, 1)),
                   PlainTag("weap", "abc", 0xA0010001, Counting(24, 9))};
    return source;
}

class FailedImport : public ::testing::Test {
protected:
    void SetUp() override {
        WriteMap(dir_ / "dest.map", Destination());
        WriteMap(dir_ / "source.map", Source());
        Reload();
    }
    void TearDown() override { SetWriteFaultForTesting(std::nullopt); }

    void Reload() {
        source_ = Load(dir_ / "source.map");
        map_ = Load(dir_ / "dest.map");
        fileBefore_ = ReadFileBytes(dir_ / "dest.map");
        mapBefore_ = Snapshot(map_);
        sourceBefore_ = Snapshot(source_);
    }

    // Runs the import, expects it to fail with a message containing `expected`, and checks
    // that nothing changed.
    void ExpectRefused(int32_t n, const std::string& expected) {
        try {
            map_.AddMetaToMapFromMap(source_, n);
            ADD_FAILURE() << "the import succeeded";
        } catch (const PelmarError& e) {
            EXPECT_NE(std::string(e.what()).find(expected), std::string::npos) << e.what();
        }
        EXPECT_EQ(ReadFileBytes(dir_ / "dest.map"), fileBefore_);
        EXPECT_EQ(Snapshot(map_), mapBefore_);
        EXPECT_EQ(Snapshot(source_), sourceBefore_);
        EXPECT_EQ(LeftoverTemporaries(), 0);
    }

    int LeftoverTemporaries() const {
        const std::string prefix =
            std::filesystem::path(TemporaryFilePrefix(dir_ / "dest.map")).filename().string();
        int count = 0;
        for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) {
            count += entry.path().filename().string().starts_with(prefix) ? 1 : 0;
        }
        return count;
    }

    TempDir dir_;
    HaloPcMap source_, map_;
    std::vector<uint8_t> fileBefore_;
    ModelSnapshot mapBefore_, sourceBefore_;
};

TEST_F(FailedImport, ATagNumberBelowZeroIsRefused) {
    ExpectRefused(-1, "there is no tag number -1 to import (the map has 2 tags)");
}

TEST_F(FailedImport, ATagNumberPastTheLastTagIsRefused) {
    ExpectRefused(2, "source.map: there is no tag number 2");
}

TEST_F(FailedImport, AnEmptyDestinationIsRefused) {
    HaloPcMap empty;
    try {
        empty.AddMetaToMapFromMap(source_, 1);
        ADD_FAILURE() << "the import succeeded";
    } catch (const PelmarError& e) {
        EXPECT_STREQ(e.what(), "no map is loaded to import a tag into");
    }
    EXPECT_TRUE(empty.TagCache.empty());
    EXPECT_EQ(Snapshot(source_), sourceBefore_);
}

TEST_F(FailedImport, AnEmptySourceIsRefused) {
    source_ = HaloPcMap();
    sourceBefore_ = Snapshot(source_);
    ExpectRefused(0, "no source map is loaded");
}

TEST_F(FailedImport, AReadOnlyDestinationIsRefused) {
    std::filesystem::permissions(dir_ / "dest.map", std::filesystem::perms::owner_read |
                                                        std::filesystem::perms::group_read);
    ExpectRefused(1, "read-only");
}

TEST_F(FailedImport, AWriteThatFailsAnywhereLeavesTheFileAsItWas) {
    const uint64_t newLength = fileBefore_.size() + 32 + 6 + 24; // "abc_3" and its zero
    for (uint64_t after : {uint64_t{0}, uint64_t{1}, uint64_t{100}, uint64_t{2088}, uint64_t{2152},
                           newLength - 24, newLength - 1}) {
        SCOPED_TRACE("write stopped after " + std::to_string(after) + " bytes");
        SetWriteFaultForTesting(WriteFault{after, WriteFault::Action::Fail});
        ExpectRefused(1, "the file was left as it was");
    }
    SetWriteFaultForTesting(std::nullopt);
    map_.AddMetaToMapFromMap(source_, 1);
    EXPECT_EQ(ReadFileBytes(dir_ / "dest.map").size(), newLength);
    EXPECT_EQ(map_.TagCount, 3);
}

TEST_F(FailedImport, AFileChangedSinceItWasLoadedIsRefused) {
    std::vector<uint8_t> changed = fileBefore_;
    SetWord(changed, map_.tagOffset + 32 + 20, WordAt(changed, map_.tagOffset + 32 + 20) + 4);
    WriteFileBytes(dir_ / "dest.map", changed);
    fileBefore_ = changed;
    ExpectRefused(1, "the file has changed since it was loaded (entry 1 of the tag index");
}

TEST_F(FailedImport, AFileWhoseTagCountChangedIsRefused) {
    std::vector<uint8_t> changed = fileBefore_;
    SetWord(changed, map_.indexOffset + 12, 1);
    WriteFileBytes(dir_ / "dest.map", changed);
    fileBefore_ = changed;
    ExpectRefused(1, "the file has changed since it was loaded");
}

TEST_F(FailedImport, AMapWhoseFirstTagsDataLiesInsideTheIndexIsRefused) {
    std::vector<uint8_t> bytes = fileBefore_;
    SetWord(bytes, map_.tagOffset + 20, map_.tagOffset + 8 + map_.Magic);
    WriteFileBytes(dir_ / "dest.map", bytes);
    Reload();
    ExpectRefused(1, "starts inside the tag index");
}

TEST_F(FailedImport, ANameThatRunsAcrossTheDataStartIsRefused) {
    // The last name loses its zero byte and runs on into the first tag's data.
    std::vector<uint8_t> bytes = fileBefore_;
    const int32_t dataStart = map_.TagCache[0].Offset;
    std::memset(bytes.data() + map_.TagCache[1].NameOffset, 'n', 8);
    ASSERT_GE(map_.TagCache[1].NameOffset + 8, dataStart - 4);
    std::memset(bytes.data() + dataStart - 4, 'n', 6);
    bytes[dataStart + 2] = 0;
    WriteFileBytes(dir_ / "dest.map", bytes);
    Reload();
    ExpectRefused(1, "runs across offset " + std::to_string(dataStart));
}

TEST_F(FailedImport, ATagThatWouldGrowTheMapPast2GbIsRefused) {
    source_.TagCache[1].Size = 0x7FFFFF00;
    sourceBefore_ = Snapshot(source_);
    ExpectRefused(1, "the map would grow past 2147483647 bytes");
}

} // namespace
} // namespace pelmar::test
