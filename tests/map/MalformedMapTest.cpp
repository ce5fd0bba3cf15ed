// Maps that cannot be loaded: each is refused with a message naming the file and the
// problem, and the map loaded before stays exactly as it was.
#include "LoaderTestMaps.h"
#include "map/MapLayout.h"
#include "mapbuilder/DemoMap.h"
#include "platform/Int32.h"
#include "platform/PelmarError.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>

namespace pelmar::test {
namespace {

// The three-tag map the cases start from (see ThreeTagSpec), with the words they change.
struct Base {
    builder::BuiltMap built = builder::BuildMap(ThreeTagSpec());
    std::vector<uint8_t>& bytes = built.bytes;
    int64_t Size() const { return static_cast<int64_t>(bytes.size()); }
    int64_t Count() const { return built.indexOffset + 12; }
    int64_t Name(int tag) const { return built.tagOffset + 32 * int64_t{tag} + 16; }
    int64_t Data(int tag) const { return Name(tag) + 4; }
    int32_t At(int64_t offset) const { return AddWrap(static_cast<int32_t>(offset), built.magic); }
    void Set(int64_t offset, int64_t value) { SetWord(bytes, offset, static_cast<int32_t>(value)); }
};

struct MalformedCase {
    const char* name;
    std::function<void(Base&)> damage; // turns the valid map into the bad file
    std::string problem;               // what the message must say after "<path>: "
};

const std::vector<MalformedCase>& Cases() {
    constexpr int64_t kIndex = layout::kIndexOffsetField;
    static const std::vector<MalformedCase> cases = {
        {"EmptyFile", [](Base& b) { b.bytes.clear(); },
         "the file is too short to be a map (0 bytes)"},
        {"ShorterThanTheSignature",
         [](Base& b) {
             b.bytes = {'d', 'a', 'e'};
         },
         "the file is too short to be a map (3 bytes)"},
        {"DaehHeaderWithoutIndexOffset", [](Base& b) { b.bytes.resize(14); },
         "the file is too short to hold the index offset at offset 16 (14 bytes)"},
        {"OtherHeaderWithoutIndexOffsetAt1516", [](Base& b) { b.bytes.assign(1517, 'x'); },
         "the file is too short to hold the index offset at offset 1516 (1517 bytes)"},
        {"IndexOffsetPastTheEnd", [](Base& b) { b.Set(kIndex, b.Size()); },
         "lies outside the file"},
        {"IndexHeaderCutByTheEnd", [](Base& b) { b.Set(kIndex, b.Size() - 39); },
         "lies outside the file"},
        {"IndexOffsetNegative", [](Base& b) { b.Set(kIndex, -8); },
         "the tag index offset -8 lies outside the file"},
        {"IndexOffsetHuge", [](Base& b) { b.Set(kIndex, INT32_MAX); },
         "the tag index offset 2147483647 lies outside the file"},
        {"TagCountNegative", [](Base& b) { b.Set(b.Count(), -1); }, "the tag count -1 is negative"},
        {"TagCountZero", [](Base& b) { b.Set(b.Count(), 0); }, "the tag index is empty"},
        {"TagCountTooLargeForTheFile", [](Base& b) { b.Set(b.Count(), b.Size() / 32); },
         "runs past the end of the file"},
        {"TagCountHuge", [](Base& b) { b.Set(b.Count(), INT32_MAX); },
         "the tag index (2147483647 entries at offset 2088) runs past the end of the file"},
        {"NameAddressPastTheEnd", [](Base& b) { b.Set(b.Name(1), b.At(b.Size())); },
         "the name of tag 1 lies at offset"},
        {"NameAddressNegative", [](Base& b) { b.Set(b.Name(2), b.At(-1)); },
         "the name of tag 2 lies at offset -1, outside the file"},
        {"NameWithoutZeroBeforeTheEnd",
         [](Base& b) {
             b.Set(b.Name(0), b.At(b.Size() - 3));
             std::fill(b.bytes.end() - 3, b.bytes.end(), 'a');
         },
         "has no terminating zero byte before the end of the file"},
        {"DataAddressPastTheEnd", [](Base& b) { b.Set(b.Data(2), b.At(b.Size() + 1)); },
         "the data of tag 2 starts at offset"},
        {"DataAddressNegative", [](Base& b) { b.Set(b.Data(0), b.At(-4)); },
         "the data of tag 0 starts at offset -4, outside the file"},
        {"DataAddressWrapsToNegative", [](Base& b) { b.Set(b.Data(1), b.At(INT32_MIN)); },
         "the data of tag 1 starts at offset -2147483648, outside the file"},
        {"DataBeforeThePreviousEntrysData",
         [](Base& b) { b.Set(b.Data(2), b.At(b.built.tags[1].offset - 4)); },
         "lies before the data of tag 1"}};
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
        std::string message = "no error";
        try {
            map_.LoadMap(path);
        } catch (const PelmarError& e) {
            message = e.what();
        }
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
    Base base;
    GetParam().damage(base);
    WriteFileBytes(dir_ / "bad.map", base.bytes);
    ExpectRefused(dir_ / "bad.map", GetParam().problem);
}

INSTANTIATE_TEST_SUITE_P(Cases, MalformedMapTest, ::testing::ValuesIn(Cases()),
                         [](const auto& param) { return std::string(param.param.name); });

TEST_F(MalformedMapTest, UnreadableFilesAreRefusedAndTheUnchangedBaseLoads) {
    ExpectRefused(dir_ / "absent.map", "cannot open: No such file or directory");
    std::filesystem::create_directory(dir_ / "folder.map");
    ExpectRefused(dir_ / "folder.map", "not a regular file");
    ExpectRefused(dir_ / "good.map" / "inner.map", "cannot open: Not a directory");
    // Every refusal in the table comes from the one change made to this map.
    const Base base;
    WriteFileBytes(dir_ / "base.map", base.built.bytes);
    map_.LoadMap(dir_ / "base.map");
    ExpectModelMatchesBuild(map_, ThreeTagSpec(), base.built);
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
            const int32_t nearby = WordAt(bytes, at) + static_cast<int32_t>(random() % 64) - 32;
            const int32_t values[] = {
                0, -1, INT32_MIN, INT32_MAX, static_cast<int32_t>(random()), nearby};
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
            end = int64_t{t.Offset} + t.Size;
            ASSERT_LE(end, static_cast<int64_t>(bytes.size()));
            ASSERT_EQ(std::get<8>(Fields(t)),
                      std::vector<uint8_t>(bytes.begin() + t.Offset, bytes.begin() + end));
        }
        EXPECT_EQ(end, static_cast<int64_t>(bytes.size()));
    }
    EXPECT_GT(loaded, 0);
    EXPECT_GT(refused, 0);
}

} // namespace
} // namespace pelmar::test
