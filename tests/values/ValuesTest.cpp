// Field values on a map laid out like the game's own: what users read, what they may type, and
// undo and redo of every kind of edit.

#include "map/MapChecksum.h"
#include "mapbuilder/RealisticMap.h"
#include "platform/Words.h"
#include "session/EditRecord.h"
#include "session/MapSession.h"
#include "structview/AddressWalk.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace pelmar::test {
namespace {

class Values : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("XDG_DATA_HOME", (dir_ / "data").c_str(), 1);
        plugins_ = std::make_shared<PluginCatalog>(BundledPluginsDir());
        plugins_->ScanForPlugins();
        const auto lookup = [this](std::string_view c) -> const PluginDef* {
            return plugins_->HasPluginFor(c) ? plugins_->PluginFor(c).get() : nullptr;
        };
        original_ = builder::BuildRealisticMap({}, lookup).bytes;
        WriteFileBytes(map_, original_);
        session_ = std::make_unique<MapSession>(plugins_);
        session_->Open(map_);
    }
    int32_t Tag(const std::string& tagClass) {
        return session_->map().TagsOfClass(tagClass).front();
    }
    // Every block of tag `tag` (its own and those of its blocks' first elements), with its path.
    void EachBlock(int32_t tag, const std::function<void(const ChunkPath&)>& visit) {
        const auto plugin = session_->SelectTag(tag).plugin;
        std::vector<ChunkPath> pending{ChunkPath()};
        while (!pending.empty()) {
            const ChunkPath path = pending.back();
            pending.pop_back();
            visit(path);
            for (const FieldValue& v : session_->ReadValues(tag, path)) {
                if (const auto* b = std::get_if<BlockValue>(&v.value); b && b->count > 0) {
                    pending.push_back(path.Child(v.name, 1));
                }
            }
        }
    }
    TempDir dir_;
    std::filesystem::path map_ = dir_ / "values.map";
    std::shared_ptr<PluginCatalog> plugins_;
    std::unique_ptr<MapSession> session_;
    std::vector<uint8_t> original_;
};

// Whatever a field shows can be typed back and gives the same bytes: so numbers show enough
// digits, options and bits their names, and tag references the tag they lead to.
TEST_F(Values, EveryShownValueTypesBackToTheSameBytes) {
    std::set<FieldType> types;
    int inBand = 0;
    for (const char* tagClass : {"weap", "scnr", "vehi", "bipd", "proj", "effe", "matg", "jpt!"}) {
        EachBlock(Tag(tagClass), [&](const ChunkPath& path) {
            const TreeView view =
                session_->ViewOf(Tag(tagClass), *session_->SelectTag(Tag(tagClass)).plugin);
            const StructDef& layout = *ResolveBlock(view, path).layout;
            for (const FieldValue& v : session_->ReadValues(Tag(tagClass), path)) {
                const FieldDef* f = FieldNamed(layout, v.name);
                if (f == nullptr || f->type == FieldType::Data || v.text.starts_with("(value")) {
                    continue;
                }
                types.insert(f->type);
                const auto now = session_->map().bytes().subspan(static_cast<size_t>(v.offset),
                                                                 static_cast<size_t>(v.size));
                EXPECT_EQ(EncodeField(*f, v.text, session_->map(), now),
                          std::vector<uint8_t>(now.begin(), now.end()))
                    << tagClass << " " << v.name << " = " << v.text;
                const double* d = std::get_if<double>(&v.value);
                inBand += f->type == FieldType::Float && d && *d > 3.1 && *d < 7.0;
            }
        });
    }
    EXPECT_GE(types.size(), 20u);
    EXPECT_GT(inBand, 10);
}

TEST_F(Values, BadInputIsRefusedAndWritesNothing) {
    const int32_t weapon = Tag("weap");
    const ChunkPath trigger = ChunkPath().Child("triggers", 1);
    const std::pair<std::string, std::string> cases[] = {
        {"rounds per shot", "70000"},         // out of range for an int16
        {"rounds per shot", "seven"},         // not a number
        {"maximum rate of fire", "1"},        // bounds need two numbers
        {"prediction type", "sideways"},      // not an option
        {"flags", "tracer, nonsense"},        // not a bit
        {"distribution angle", "1e45"},       // beyond a float
        {"charging effect", "weap:whatever"}, // no such tag
        {"no such field", "1"},
    };
    for (const auto& [field, text] : cases) {
        SCOPED_TRACE(field + " = " + text);
        EXPECT_THROW(session_->SetValue(weapon, trigger, field, text), PelmarError);
    }
    const int32_t scenario = Tag("scnr");
    EXPECT_THROW(session_->SetValue(scenario, ChunkPath().Child("skies", 1), "sky",
                                    "weap:" + session_->map().TagCache[weapon].Name.str()),
                 PelmarError); // a tag of the wrong class
    EXPECT_THROW(session_->SetValue(weapon, {}, "label", std::string(32, 'x')),
                 PelmarError); // too long a string
    EXPECT_EQ(ReadFileBytes(map_), original_);
}

TEST_F(Values, SetThenGetRoundTripsAndKeepsTheChecksum) {
    const int32_t weapon = Tag("weap");
    const ChunkPath magazine = ChunkPath().Child("magazines", 1);
    const std::pair<std::string, std::string> cases[] = {
        {"rounds loaded maximum", "60"},
        {"reload time", "4.25"},
        {"flags", "every round must be chambered"},
    };
    for (const auto& [field, text] : cases) {
        session_->SetValue(weapon, magazine, field, text);
        MapSession reread(plugins_);
        reread.Open(map_);
        for (const FieldValue& v : reread.ReadValues(weapon, magazine)) {
            EXPECT_TRUE(v.name != field || v.text == text) << field << ": " << v.text;
        }
        EXPECT_EQ(ComputeChecksum(reread.map().bytes()), reread.map().header->crc);
    }
    // Only the fields' bytes and the checksum changed.
    const std::vector<uint8_t> after = ReadFileBytes(map_);
    size_t differing = 0;
    for (size_t i = 0; i < after.size(); ++i) {
        differing += after[i] != original_[i];
    }
    EXPECT_LE(differing, 2u + 4u + 4u + 4u);
}

TEST_F(Values, UndoAndRedoRestoreEveryEditByteForByte) {
    const int32_t weapon = Tag("weap");
    std::vector<std::vector<uint8_t>> states{original_};
    session_->SetValue(weapon, ChunkPath().Child("magazines", 1), "rounds loaded maximum", "61");
    states.push_back(ReadFileBytes(map_));
    session_->SetRelocationMode(RelocationMode::Scan); // its record holds moved-word bitmaps
    session_->Duplicate(Tag("scnr"), ChunkPath().Child("skies", 1));
    session_->SetRelocationMode(RelocationMode::Auto);
    states.push_back(ReadFileBytes(map_));
    session_->Import(session_->map(), weapon);
    states.push_back(ReadFileBytes(map_));
    for (size_t k = states.size() - 1; k > 0; --k) {
        session_->Undo();
        EXPECT_EQ(ReadFileBytes(map_), states[k - 1]) << "undo to state " << k - 1;
    }
    EXPECT_THROW(session_->Undo(), PelmarError);
    MapSession later(plugins_); // the history survives the session
    later.Open(map_);
    for (size_t k = 1; k < states.size(); ++k) {
        later.Redo();
        EXPECT_EQ(ReadFileBytes(map_), states[k]) << "redo to state " << k;
    }
    // Another program's change makes the last edit impossible to undo exactly.
    std::vector<uint8_t> changed = states.back();
    changed[100] ^= 1;
    WriteFileBytes(map_, changed);
    MapSession other(plugins_);
    other.Open(map_);
    EXPECT_THROW(other.Undo(), PelmarError);
    EXPECT_EQ(ReadFileBytes(map_), changed);
}

// A record written before bitmaps were kept as gaps ("PELMARH3": each bitmap a byte string of
// 64-bit words) is still read, so edits made then stay undoable; an unknown version is not.
TEST(EditRecords, RecordsOfTheEarlierFormatAreStillRead) {
    std::vector<uint8_t> v3 = {'P', 'E', 'L', 'M', 'A', 'R', 'H', '3', 1, 'd'};
    v3.insert(v3.end(), 10, 0);                        // two file identities
    v3.insert(v3.end(), {0x98, 0x02, 0x98, 0x02});     // 280 bytes before and after
    v3.insert(v3.end(), {0, 0, 1});                    // keep checksum, no insertions, one op
    v3.insert(v3.end(), {2, 0, 4, 0, 70, 0, 0, 0, 0}); // shift 70 words from 0 by 4
    v3.insert(v3.end(), {0, 16, 2, 0, 0, 0, 0, 0, 0, 0, 0, 8, 0, 0, 0, 0, 0, 0, 0});
    const std::vector<uint64_t> moved = {uint64_t{1} << 1, uint64_t{1} << 11};
    const EditRecord record = DecodeRecord(v3);
    EXPECT_EQ(record.description, "d");
    EXPECT_EQ(record.newLength, 280u);
    EXPECT_EQ(record.trace.moved, moved);
    EXPECT_EQ(DecodeRecord(EncodeRecord(record)).trace.moved, moved);
    EXPECT_EQ(RecordDescription(v3), "d");
    std::vector<uint8_t> v5 = v3;
    v5[7] = '5';
    EXPECT_THROW(DecodeRecord(v5), PelmarError);
    EXPECT_EQ(RecordDescription(v5), std::nullopt);
    // A value edit whose record keeps fewer old bytes than it wrote cannot be undone.
    std::vector<uint8_t> set(v3.begin(), v3.begin() + 27);
    set[7] = '4';
    set.insert(set.end(), {0, 8, 0, 0, 0, 0, 0, 0, 4, 1, 2, 3, 4}); // set 4 bytes at 8
    for (const uint8_t kept : {uint8_t{4}, uint8_t{3}}) {
        std::vector<uint8_t> bytes = set;
        bytes.push_back(kept);
        bytes.insert(bytes.end(), kept, 9);
        bytes.insert(bytes.end(), {0, 0, 0}); // no moved words, no checksum
        if (kept == 4) {
            EXPECT_EQ(DecodeRecord(bytes).trace.setBefore, std::vector<uint8_t>(4, 9));
        } else {
            EXPECT_THROW(DecodeRecord(bytes), PelmarError);
        }
    }
}

} // namespace
} // namespace pelmar::test
