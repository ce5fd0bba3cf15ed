// Maps that cannot be loaded: each is refused with a message naming the file and the
// problem, and the map loaded before stays exactly as it was.
#include "LoaderTestMaps.h"
#include "map/MapLayout.h"
#include "mapbuilder/DemoMap.h"
#include "platform/Int32.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>

namespace pelmar::test {
namespace {

// The three-tag map the cases start from; see ThreeTagSpec.
struct Base {
    builder::BuiltMap built = builder::BuildMap(ThreeTagSpec());
    int64_t Entry(int i) const { return built.tagOffset + 32 * int64_t{i}; }
    int32_t Address(int64_t offset) const {
        return AddWrap(static_cast<int32_t>(offset), built.magic);
    }
    int64_t Size() const { return static_cast<int64_t>(built.bytes.size()); }
};

struct MalformedCase {
    const char* name;
    // Makes the bad file's bytes from the valid map's.
    std::function<std::vector<uint8_t>(const Base&)> make;
    // Text the message must contain after "<path>: ".
    std::string problem;
};

std::vector<uint8_t> WithWord(const Base& base, int64_t offset, int32_t value) {
    std::vector<uint8_t> bytes = base.built.bytes;
    SetWord(bytes, offset, value);
    return bytes;
}

std::vector<uint8_t> Text(const std::string& text) {
    return {text.begin(), text.end()};
}

const std::vector<MalformedCase>& Cases() {
    using layout::kIndexOffsetField;
    static const std::vector<MalformedCase> cases = {
        {"EmptyFile", [](const Base&) { return std::vector<uint8_t>{}; },
         "the file is too short to be a map (0 bytes)"},
        {"ShorterThanTheSignature", [](const Base&) { return Text("dae"); },
         "the file is too short to be a map (3 bytes)"},
        {"DaehHeaderWithoutIndexOffset", [](const Base&) { return Text("daeh and a bit"); },
         "the file is too short to hold the index offset at offset 16 (14 bytes)"},
        {"OtherHeaderWithoutIndexOffsetAt1516",
         [](const Base&) { return std::vector<uint8_t>(1517, 'x'); },
         "the file is too short to hold the index offset at offset 1516 (1517 bytes)"},
        {"IndexOffsetPastTheEnd",
         [](const Base& b) {
             return WithWord(b, kIndexOffsetField, static_cast<int32_t>(b.Size()));
         },
         "lies outside the file"},
        {"IndexHeaderCutByTheEnd",
         [](const Base& b) {
             return WithWord(b, kIndexOffsetField, static_cast<int32_t>(b.Size() - 39));
         },
         "lies outside the file"},
        {"IndexOffsetNegative", [](const Base& b) { return WithWord(b, kIndexOffsetField, -8); },
         "the tag index offset -8 lies outside the file"},
        {"IndexOffsetHuge", [](const Base& b) { return WithWord(b, kIndexOffsetField, INT32_MAX); },
         "the tag index offset 2147483647 lies outside the file"},
        {"TagCountNegative",
         [](const Base& b) { return WithWord(b, b.built.indexOffset + 12, -1); },
         "the tag count -1 is negative"},
        {"TagCountMostNegative",
         [](const Base& b) { return WithWord(b, b.built.indexOffset + 12, INT32_MIN); },
         "is negative"},
        {"TagCountZero", [](const Base& b) { return WithWord(b, b.built.indexOffset + 12, 0); },
         "the tag index is empty"},
        {"TagCountTooLargeForTheFile",
         [](const Base& b) {
             return WithWord(b, b.built.indexOffset + 12, static_cast<int32_t>(b.Size() / 32));
         },
         "runs past the end of the file"},
        {"TagCountHuge",
         [](const Base& b) { return WithWord(b, b.built.indexOffset + 12, INT32_MAX); },
         "the tag index (2147483647 entries at offset 2088) runs past the end of the file"},
        {"NameAddressPastTheEnd",
         [](const Base& b) { return WithWord(b, b.Entry(1) + 16, b.Address(b.Size())); },
         "the name of tag 1 lies at offset"},
        {"NameAddressNegative",
         [](const Base& b) { return WithWord(b, b.Entry(2) + 16, b.Address(-1)); },
         "the name of tag 2 lies at offset -1, outside the file"},
        {"NameWithoutZeroBeforeTheEnd",
         [](const Base& b) {
             std::vector<uint8_t> bytes = WithWord(b, b.Entry(0) + 16, b.Address(b.Size() - 3));
             bytes[bytes.size() - 3] = 'a';
             bytes[bytes.size() - 2] = 'b';
             bytes[bytes.size() - 1] = 'c';
             return bytes;
         },
         "has no terminating zero byte before the end of the file"},
        {"DataAddressPastTheEnd",
         [](const Base& b) { return WithWord(b, b.Entry(2) + 20, b.Address(b.Size() + 1)); },
         "the data of tag 2 starts at offset"},
        {"DataAddressNegative",
         [](const Base& b) { return WithWord(b, b.Entry(0) + 20, b.Address(-4)); },
         "the data of tag 0 starts at offset -4, outside the file"},
        {"DataAddressWrapsToNegative",
         [](const Base& b) { return WithWord(b, b.Entry(1) + 20, b.Address(INT32_MIN)); },
         "the data of tag 1 starts at offset -2147483648, outside the file"},
        {"DataBeforeThePreviousEntrysData",
         [](const Base& b) {
             return WithWord(b, b.Entry(2) + 20, b.Address(b.built.tags[1].offset - 4));
         },
         "lies before the data of tag 1"},
    };
    return cases;
}

class MalformedMapTest : public ::testing::TestWithParam<MalformedCase> {
protected:
    void SetUp() override {
        WriteMap(dir_ / "good.map", builder::DemoMapSpec());
        map_.LoadMap(dir_ / "good.map");
        before_ = map_;
    }

    // Loads `path`, which must fail; checks the message and that the model is untouched.
    void ExpectRefused(const std::filesystem::path& path, const std::string& problem) {
        const std::string message = ErrorMessageOf([&] { map_.LoadMap(path); });
        const std::string prefix = path.string() + ": ";
        EXPECT_EQ(message.rfind(prefix, 0), 0u) << "message does not name the file: " << message;
        EXPECT_NE(message.find(problem, prefix.size()), std::string::npos)
            << "message: " << message << "\nexpected to contain: " << problem;
        ExpectSameModel(map_, before_);
    }

    TempDir dir_;
    HaloPcMap map_;
    HaloPcMap before_;
};

TEST_P(MalformedMapTest, IsRefusedAndTheLoadedMapIsKept) {
    const Base base;
    const auto path = dir_ / "bad.map";
    WriteFileBytes(path, GetParam().make(base));
    ExpectRefused(path, GetParam().problem);
}

INSTANTIATE_TEST_SUITE_P(Cases, MalformedMapTest, ::testing::ValuesIn(Cases()),
                         [](const auto& param) { return std::string(param.param.name); });

// The base map itself loads: every refusal above comes from the one change made to it.
TEST(MalformedMapBase, TheUnchangedBaseLoads) {
    TempDir dir;
    const Base base;
    WriteFileBytes(dir / "base.map", base.built.bytes);
    HaloPcMap map;
    map.LoadMap(dir / "base.map");
    ExpectModelMatchesBuild(map, ThreeTagSpec(), base.built);
}

class UnreadableMapTest : public MalformedMapTest {};

TEST_F(UnreadableMapTest, AMissingFileIsRefused) {
    ExpectRefused(dir_ / "absent.map", "cannot open: No such file or directory");
}

TEST_F(UnreadableMapTest, AFolderIsRefused) {
    std::filesystem::create_directory(dir_ / "folder.map");
    ExpectRefused(dir_ / "folder.map", "not a regular file");
}

TEST_F(UnreadableMapTest, AFileUnderANonFolderIsRefused) {
    ExpectRefused(dir_ / "good.map" / "inner.map", "cannot open: Not a directory");
}

// Random changes to the header and the index: every outcome is either a model whose tags
// all lie inside the file, or a refusal naming the file.
TEST(MalformedMapFuzz, RandomIndexDamageNeverEscapesTheFile) {
    TempDir dir;
    const builder::BuiltMap base = builder::BuildMap(builder::DemoMapSpec());
    const int64_t indexEnd = base.tagOffset + 32 * static_cast<int64_t>(base.tags.size());
    const auto path = dir / "damaged.map";
    std::mt19937 random(20240611);
    int loaded = 0;
    int refused = 0;
    for (int round = 0; round < 400; ++round) {
        std::vector<uint8_t> bytes = base.bytes;
        for (int k = 0; k < 1 + round % 3; ++k) {
            const int64_t at = base.indexOffset + random() % (indexEnd - base.indexOffset - 3);
            const int32_t values[] = {0,
                                      -1,
                                      INT32_MIN,
                                      INT32_MAX,
                                      static_cast<int32_t>(random()),
                                      WordAt(bytes, at) + static_cast<int32_t>(random() % 64) - 32};
            SetWord(bytes, at, values[random() % 6]);
        }
        if (round % 5 == 0) {
            bytes.resize(static_cast<size_t>(random() % bytes.size()));
        }
        WriteFileBytes(path, bytes);
        HaloPcMap map;
        try {
            map.LoadMap(path);
        } catch (const PelmarError& e) {
            EXPECT_EQ(std::string(e.what()).rfind(path.string() + ": ", 0), 0u) << e.what();
            ++refused;
            continue;
        }
        ++loaded;
        ASSERT_EQ(map.TagCache.size(), static_cast<size_t>(map.TagCount));
        int64_t end = 0;
        for (const Tag& t : map.TagCache) {
            ASSERT_GE(t.Offset, end) << "round " << round;
            ASSERT_GE(t.Size, 0);
            end = int64_t{t.Offset} + t.Size;
            ASSERT_LE(end, static_cast<int64_t>(bytes.size()));
            ASSERT_EQ(t.TagBlock.size(), static_cast<size_t>(t.Size));
            ASSERT_TRUE(std::equal(t.TagBlock.bytes().begin(), t.TagBlock.bytes().end(),
                                   bytes.begin() + t.Offset));
        }
        EXPECT_EQ(end, static_cast<int64_t>(bytes.size()));
    }
    EXPECT_GT(loaded, 0);
    EXPECT_GT(refused, 0);
}

} // namespace
} // namespace pelmar::test
