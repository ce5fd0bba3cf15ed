// Imports that cannot be made: a clear message, the file byte for byte as it was, and both
// models unchanged.
#include "ImportTestSupport.h"
#include "platform/AtomicFileWriter.h"
#include "platform/PelmarError.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

namespace pelmar::test {
namespace {

using builder::MapSpec;

class FailedImport : public ::testing::Test {
protected:
    void SetUp() override {
        MapSpec dest;
        dest.tags = {PlainTag("scnr", "levels\\d", 0xD0000000, Counting(32, 1)),
                     PlainTag("bipd", "one", 0xD0010001, Counting(16, 2))};
        WriteMap(dest_, dest);
        MapSpec source;
        source.tags = {PlainTag("scnr", "s", 0xA0000000, Counting(16, 1)),
                       PlainTag("weap", "abc", 0xA0010001, Counting(24, 9))};
        WriteMap(dir_ / "source.map", source);
        original_ = ReadFileBytes(dest_);
    }
    void TearDown() override { SetWriteFaultForTesting(std::nullopt); }

    // Loads both maps, lets `change` alter the destination's file (before the load when
    // `beforeLoad`, else after it) or the models, runs the import of tag `n` and expects it to
    // fail with `expected` in its message, and nothing to have changed.
    void ExpectRefused(int32_t n, const std::string& expected,
                       const std::function<void(std::vector<uint8_t>&, HaloPcMap&)>& change = {},
                       bool beforeLoad = false) {
        std::vector<uint8_t> bytes = original_;
        HaloPcMap source = Load(dir_ / "source.map");
        if (change && beforeLoad) {
            change(bytes, source);
            WriteFileBytes(dest_, bytes);
        }
        HaloPcMap map = Load(dest_);
        if (change && !beforeLoad) {
            change(bytes, source);
            WriteFileBytes(dest_, bytes);
        }
        const ModelSnapshot mapBefore = Snapshot(map);
        const ModelSnapshot sourceBefore = Snapshot(source);
        try {
            map.AddMetaToMapFromMap(source, n);
            ADD_FAILURE() << "the import succeeded";
        } catch (const PelmarError& e) {
            EXPECT_NE(std::string(e.what()).find(expected), std::string::npos) << e.what();
        }
        EXPECT_EQ(ReadFileBytes(dest_), bytes);
        EXPECT_EQ(Snapshot(map), mapBefore);
        EXPECT_EQ(Snapshot(source), sourceBefore);
        const std::string prefix =
            std::filesystem::path(TemporaryFilePrefix(dest_)).filename().string();
        for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) {
            EXPECT_FALSE(entry.path().filename().string().starts_with(prefix)) << entry.path();
        }
        if (bytes != original_) {
            WriteFileBytes(dest_, original_);
        }
    }

    TempDir dir_;
    std::filesystem::path dest_ = dir_ / "dest.map";
    std::vector<uint8_t> original_;
};

TEST_F(FailedImport, BadTagNumbersAndEmptyMapsAreRefused) {
    ExpectRefused(-1, "there is no tag number -1 to import (the map has 2 tags)");
    ExpectRefused(2, "source.map: there is no tag number 2");
    ExpectRefused(0, "no source map is loaded",
                  [](std::vector<uint8_t>&, HaloPcMap& source) { source = HaloPcMap(); });
    ExpectRefused(
        1, "the map would grow past 2147483647 bytes",
        [](std::vector<uint8_t>&, HaloPcMap& source) { source.TagCache[1].Size = 0x7FFFFF00; });
    HaloPcMap empty;
    HaloPcMap source = Load(dir_ / "source.map");
    try {
        empty.AddMetaToMapFromMap(source, 1);
        ADD_FAILURE() << "the import succeeded";
    } catch (const PelmarError& e) {
        EXPECT_STREQ(e.what(), "no map is loaded to import a tag into");
    }
    EXPECT_TRUE(empty.TagCache.empty());
}

TEST_F(FailedImport, AFileThatChangedOrIsMalformedIsRefused) {
    HaloPcMap map = Load(dest_);
    const int64_t entry1 = map.tagOffset + 32 + 20;
    ExpectRefused(
        1, "the file has changed since it was loaded (entry 1 of the tag index",
        [&](std::vector<uint8_t>& b, HaloPcMap&) { SetWord(b, entry1, WordAt(b, entry1) + 4); });
    ExpectRefused(
        1, "the file has changed since it was loaded",
        [&](std::vector<uint8_t>& b, HaloPcMap&) { SetWord(b, map.indexOffset + 12, 1); });
    ExpectRefused(
        1, "starts inside the tag index",
        [&](std::vector<uint8_t>& b, HaloPcMap&) {
            SetWord(b, map.tagOffset + 20, map.tagOffset + 8 + map.Magic);
        },
        true);
    // The last name loses its zero byte and runs on into the first tag's data.
    const int32_t dataStart = map.TagCache[0].Offset;
    ASSERT_GE(map.TagCache[1].NameOffset + 8, dataStart - 4);
    ExpectRefused(
        1, "runs across offset " + std::to_string(dataStart),
        [&](std::vector<uint8_t>& b, HaloPcMap&) {
            std::memset(b.data() + map.TagCache[1].NameOffset, 'n', 8);
            std::memset(b.data() + dataStart - 4, 'n', 6);
            b[dataStart + 2] = 0;
        },
        true);
}

TEST_F(FailedImport, AReadOnlyDestinationOrAWriteThatFailsLeavesTheFileAsItWas) {
    std::filesystem::permissions(dest_, std::filesystem::perms::owner_read |
                                            std::filesystem::perms::group_read);
    ExpectRefused(1, "read-only");
    std::filesystem::permissions(dest_, std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
    const uint64_t newLength = original_.size() + 32 + 6 + 24; // "abc_3" and its zero
    for (uint64_t after : {uint64_t{0}, uint64_t{1}, uint64_t{100}, uint64_t{2088}, uint64_t{2152},
                           newLength - 24, newLength - 1}) {
        SCOPED_TRACE("write stopped after " + std::to_string(after) + " bytes");
        SetWriteFaultForTesting(WriteFault{after, WriteFault::Action::Fail});
        ExpectRefused(1, "the file was left as it was");
    }
    SetWriteFaultForTesting(std::nullopt);
    HaloPcMap source = Load(dir_ / "source.map");
    HaloPcMap map = Load(dest_);
    map.AddMetaToMapFromMap(source, 1);
    EXPECT_EQ(ReadFileBytes(dest_).size(), newLength);
    EXPECT_EQ(map.TagCount, 3);
}

} // namespace
} // namespace pelmar::test
