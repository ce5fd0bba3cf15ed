// Feeds every single-field corruption of a valid map to load, tree, dup and import, and
// checks that each gives a clear error or a result, never a crash, and that a refused edit
// leaves the file byte for byte as it was.
#include "map/HaloPcMap.h"
#include "map/MapLayout.h"
#include "mapbuilder/DemoMap.h"
#include "platform/PelmarError.h"
#include "structview/ChunkTree.h"
#include "structview/WholeTree.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>

namespace pelmar::test {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

struct Corruption {
    std::string what;
    Bytes bytes;
};

std::vector<Corruption> AllCorruptions(const builder::BuiltMap& built) {
    const Bytes& good = built.bytes;
    const auto length = static_cast<int32_t>(good.size());
    std::vector<Corruption> out;
    auto setWord = [&](int64_t at, int32_t value, const std::string& what) {
        Bytes bad = good;
        SetWord(bad, at, value);
        out.push_back({what + " = " + std::to_string(value), std::move(bad)});
    };
    auto hostileValues = [&](int64_t at, const std::string& what, bool isAddress) {
        const int32_t pastEnd = isAddress ? built.magic + length : length;
        for (int32_t v : {0, -1, 0x7FFFFFFF, static_cast<int32_t>(0x80000000), pastEnd, pastEnd + 4,
                          pastEnd - 1}) {
            setWord(at, v, what);
        }
    };
    hostileValues(layout::kIndexOffsetField, "index offset", false);
    hostileValues(built.indexOffset, "map magic", false);
    hostileValues(built.indexOffset + layout::kIndexTagCountField, "tag count", false);
    for (size_t i = 0; i < built.tags.size(); ++i) {
        const int64_t e = built.tagOffset + layout::kEntrySize * static_cast<int64_t>(i);
        const std::string entry = "entry " + std::to_string(i) + " ";
        hostileValues(e + layout::kEntryIdentField, entry + "id", false);
        hostileValues(e + layout::kEntryNameAddressField, entry + "name address", true);
        hostileValues(e + layout::kEntryDataAddressField, entry + "data address", true);
    }
    // A name that runs to the end of the file without a zero byte.
    for (size_t i = 0; i < built.tags.size(); i += 5) {
        Bytes bad = good;
        std::fill(bad.end() - 8, bad.end(), 'A');
        SetWord(bad,
                built.tagOffset + layout::kEntrySize * static_cast<int64_t>(i) +
                    layout::kEntryNameAddressField,
                built.magic + length - 8);
        out.push_back({"name of entry " + std::to_string(i) + " unterminated", std::move(bad)});
    }
    // Truncations at every 4 bytes through the header's tail and the index.
    const int64_t indexEnd =
        built.tagOffset + layout::kEntrySize * static_cast<int64_t>(built.tags.size());
    for (int64_t cut = 0; cut <= indexEnd; cut += 4) {
        if (cut >= 24 && cut < built.indexOffset - 4) {
            continue; // the unused header bytes: every cut there reads the same
        }
        out.push_back(
            {"truncated at " + std::to_string(cut), Bytes(good.begin(), good.begin() + cut)});
    }
    return out;
}

class HostileInput : public ::testing::Test {
protected:
    void SetUp() override {
        built_ = builder::BuildMap(builder::DemoMapSpec());
        WriteMap(demo_, builder::DemoMapSpec());
    }

    // Runs a command that may edit `file`: it must succeed, or fail with a message naming
    // the file and leave it untouched.
    void ExpectEditOrRefusal(const std::vector<std::string>& args, const fs::path& file,
                             const std::string& what) {
        const Bytes before = ReadFileBytes(file);
        const CliResult r = RunCli(args);
        if (r.status == 0) {
            ++edits_;
            return;
        }
        ++refusals_;
        EXPECT_EQ(r.status, 1) << what << ": " << r.err;
        EXPECT_EQ(r.err.rfind("pelmar-cli: ", 0), 0u) << what;
        EXPECT_EQ(ReadFileBytes(file), before) << what << ": a refused edit changed the file";
    }

    // The first chunk row of the tag's tree, if its plugin gives one.
    std::optional<std::string> FirstChunkPath(const HaloPcMap& map, int32_t index) {
        ChunkTree tree(SourcePluginsDir());
        const Tag& tag = map.TagCache[static_cast<size_t>(index)];
        try {
            auto selection = tree.SelectTag(map, tag.NameKey());
            if (!selection || !selection->root) {
                return std::nullopt;
            }
            for (const TreeLine& line : ExpandWholeTree(tree, map, tag, *selection->root, 5000)) {
                if (line.row.kind == RowKind::Chunk) {
                    return line.row.tag;
                }
            }
        } catch (const PelmarError& e) {
            EXPECT_NE(std::string(e.what()).find(map.f.string()), std::string::npos) << e.what();
        }
        return std::nullopt;
    }

    void Exercise(const Corruption& c) {
        const fs::path bad = dir_ / "hostile.map";
        WriteFileBytes(bad, c.bytes);
        HaloPcMap map;
        try {
            map.LoadMap(bad);
            ++loaded_;
        } catch (const PelmarError& e) {
            ++rejected_;
            EXPECT_NE(std::string(e.what()).find(bad.string()), std::string::npos) << c.what;
            const CliResult r = RunCli({"tags", bad.string()});
            EXPECT_EQ(r.status, 1) << c.what;
            ExpectEditOrRefusal(
                {"import", bad.string(), demo_.string(), "vehi:vehicles\\ghost\\ghost"}, bad,
                c.what + " (import into it)");
            return;
        }
        const std::string plugins = SourcePluginsDir().string();
        for (int32_t i = 0; i < map.TagCount && i < 8; ++i) {
            const std::string key = map.TagCache[static_cast<size_t>(i)].NameKey();
            const CliResult tree =
                RunCli({"tree", bad.string(), key, "--plugins", plugins, "--json"});
            EXPECT_TRUE(tree.status == 0 || tree.status == 1) << c.what;
            if (auto path = FirstChunkPath(map, i)) {
                ExpectEditOrRefusal({"dup", bad.string(), key, *path, "--plugins", plugins}, bad,
                                    c.what + " (dup " + key + ")");
                break;
            }
        }
        WriteFileBytes(bad, c.bytes);
        const fs::path target = dir_ / "target.map";
        WriteMap(target, builder::DemoMapSpec());
        for (int32_t i : {0, map.TagCount - 1}) {
            const std::string key = map.TagCache[static_cast<size_t>(i)].NameKey();
            ExpectEditOrRefusal({"import", target.string(), bad.string(), key}, target,
                                c.what + " (import from it)");
        }
        ExpectEditOrRefusal({"import", bad.string(), demo_.string(), "vehi:vehicles\\ghost\\ghost"},
                            bad, c.what + " (import into it)");
    }

    TempDir dir_;
    fs::path demo_ = dir_ / "demo.map";
    builder::BuiltMap built_;
    int loaded_ = 0, rejected_ = 0, edits_ = 0, refusals_ = 0;
};

TEST_F(HostileInput, EverySingleFieldCorruptionIsRefusedOrHandled) {
    const std::vector<Corruption> all = AllCorruptions(built_);
    ASSERT_GT(all.size(), 300u);
    for (const Corruption& c : all) {
        Exercise(c);
        if (HasFatalFailure()) {
            return;
        }
    }
    std::cout << "[ hostile input ] " << all.size() << " corruptions: " << loaded_ << " loaded, "
              << rejected_ << " refused at load; edits: " << edits_ << " done, " << refusals_
              << " refused\n";
    EXPECT_GT(rejected_, 100);
    EXPECT_GT(loaded_, 50);
}

} // namespace
} // namespace pelmar::test
