// Precise relocation on maps laid out like the game's own: after each edit, every value that
// the layouts declare is bit for bit what it was (floats in the band that looks like addresses
// included), and every declared address leads to the same content.

#include "mapbuilder/MapBuilder.h"
#include "mapbuilder/RealisticMap.h"
#include "platform/Int32.h"
#include "platform/Words.h"
#include "session/MapSession.h"
#include "structview/PluginParser.h"
#include "structview/TextValues.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

namespace pelmar::test {
namespace {

// One side of a comparison: a map's bytes and magic.
struct Side {
    std::span<const uint8_t> file;
    int32_t magic = 0;
    std::span<const uint8_t> At(int64_t address, int64_t length) const {
        const int64_t at = SubWrap(static_cast<int32_t>(address), magic);
        return RangeFits(at, length, file.size())
                   ? file.subspan(static_cast<size_t>(at), static_cast<size_t>(length))
                   : std::span<const uint8_t>();
    }
    std::string Name(int32_t address, int32_t length) const {
        const auto bytes = At(address, std::max(length, 0));
        return {bytes.begin(), bytes.end()};
    }
};

// The blocks whose count an edit changed on purpose: its file offset before the edit.
struct Expected {
    int64_t grownBlock = -1; // the duplicated struct's reference, in the map before
};

bool SameBytes(std::span<const uint8_t> a, std::span<const uint8_t> b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size()) == 0;
}

// Compares the element at `a` with the one at `b` along `layout`, recursively.
void Compare(const StructDef& layout, const Side& A, int64_t a, const Side& B, int64_t b,
             const Expected& expected, const std::string& where) {
    for (const FieldDef& f : layout.fields) {
        const auto fa =
            A.file.subspan(static_cast<size_t>(a + f.offset), static_cast<size_t>(f.size));
        const auto fb =
            B.file.subspan(static_cast<size_t>(b + f.offset), static_cast<size_t>(f.size));
        if (f.type == FieldType::TagRef) {
            EXPECT_TRUE(SameBytes(fa.subspan(0, 4), fb.subspan(0, 4))) << where << f.name;
            EXPECT_TRUE(SameBytes(fa.subspan(8, 8), fb.subspan(8, 8))) << where << f.name;
            EXPECT_EQ(A.Name(LoadI32(&fa[4]), LoadI32(&fa[8])),
                      B.Name(LoadI32(&fb[4]), LoadI32(&fb[8])))
                << where << f.name;
        } else if (f.type == FieldType::Data) {
            EXPECT_TRUE(SameBytes(fa.subspan(0, 12), fb.subspan(0, 12))) << where << f.name;
            EXPECT_TRUE(SameBytes(A.At(LoadI32(&fa[12]), LoadI32(&fa[0])),
                                  B.At(LoadI32(&fb[12]), LoadI32(&fb[0]))))
                << where << f.name;
        } else {
            EXPECT_TRUE(SameBytes(fa, fb)) << where << f.name << " at " << b + f.offset;
        }
    }
    for (const StructDef& s : layout.structs) {
        const int32_t ca = LoadI32(A.file.data() + a + s.offset);
        const int32_t cb = LoadI32(B.file.data() + b + s.offset);
        EXPECT_EQ(cb, ca + (a + s.offset == expected.grownBlock ? 1 : 0)) << where << s.name;
        const int32_t pa = LoadI32(A.file.data() + a + s.offset + 4);
        const int32_t pb = LoadI32(B.file.data() + b + s.offset + 4);
        for (int32_t k = 0; ca > 0 && pa != 0 && k < std::min(ca, cb); ++k) {
            Compare(s, A, SubWrap(pa, A.magic) + s.size * k, B, SubWrap(pb, B.magic) + s.size * k,
                    expected, where + s.name + "[" + std::to_string(k) + "].");
        }
    }
}

class PreciseRelocation : public ::testing::TestWithParam<uint32_t> {
protected:
    void SetUp() override {
        plugins_ = std::make_shared<PluginCatalog>(BundledPluginsDir());
        plugins_->ScanForPlugins();
        builder::RealisticOptions options;
        options.version = GetParam();
        const auto built = builder::BuildRealisticMap(options, Layouts());
        WriteFileBytes(dir_ / "a.map", built.bytes);
        before_ = built.bytes;
        session_ = std::make_unique<MapSession>(plugins_);
        session_->Open(dir_ / "a.map");
        session_->SetRelocationMode(RelocationMode::Precise);
    }
    LayoutLookup Layouts() {
        return [this](std::string_view c) -> const PluginDef* {
            return plugins_->HasPluginFor(c) ? plugins_->PluginFor(c).get() : nullptr;
        };
    }
    // Every tag of the map before the edit compared with the same tag after it.
    void ExpectValuesKept(const Expected& expected = {}) {
        const HaloPcMap old = HaloPcMap::Decode(std::make_shared<ByteBuffer>(Buffer(before_)));
        const HaloPcMap& now = session_->map();
        const Side A{before_, old.Magic}, B{now.bytes(), now.Magic};
        for (const Tag& t : old.TagCache) {
            const Tag& u = now.TagCache[static_cast<size_t>(*old.FindTagByIdent(t.ident))];
            ASSERT_EQ(t.HasData(), u.HasData()) << t.NameKey();
            if (t.HasData()) {
                Compare(plugins_->PluginFor(t.Class1)->root, A, t.Offset, B, u.Offset, expected,
                        t.NameKey() + ": ");
            }
        }
        // Every tag's tree, the new ones' included, can still be listed whole.
        for (int32_t i = 0; i < now.TagCount; ++i) {
            if (now.TagCache[static_cast<size_t>(i)].HasData()) {
                const auto plugin = session_->SelectTag(i).plugin;
                EXPECT_NO_THROW(ExpandWholeTree(session_->ViewOf(i, *plugin), 1'000'000)) << i;
            }
        }
    }
    static ByteBuffer Buffer(std::span<const uint8_t> bytes) {
        ByteBuffer b(bytes.size());
        std::memcpy(b.data(), bytes.data(), bytes.size());
        return b;
    }
    // A chunk of class `tagClass` at the end of `names`, in a block that may still grow.
    std::pair<int32_t, ChunkPath> FindChunk(const std::string& tagClass,
                                            std::vector<std::string> names) {
        for (int32_t i : session_->map().TagsOfClass(tagClass)) {
            const TagTree tree = session_->SelectTag(i);
            ChunkPath path;
            for (const std::string& name : names) {
                path = path.Child(name, 1);
            }
            try {
                const LocatedChunk c = LocateChunk(session_->ViewOf(i, *tree.plugin), path);
                const int32_t count =
                    LoadI32(session_->map().bytes().data() + c.chunk.referenceOffset);
                if (count > 0 && (c.layout->max == 0 || count < c.layout->max)) {
                    return {i, path};
                }
            } catch (const PelmarError&) {
            }
        }
        ADD_FAILURE() << "no chunk " << tagClass << ">" << names.back();
        return {0, {}};
    }
    TempDir dir_;
    std::shared_ptr<PluginCatalog> plugins_;
    std::unique_ptr<MapSession> session_;
    std::vector<uint8_t> before_;
};

TEST_P(PreciseRelocation, DuplicationsMoveAddressesOnly) {
    struct Case {
        std::string tagClass;
        std::vector<std::string> path;
        bool deep;
    };
    const Case cases[] = {{"weap", {"triggers"}, false},
                          {"weap", {"triggers"}, true},
                          {"weap", {"triggers", "firing effects"}, false},
                          {"scnr", {"skies"}, false},
                          {"effe", {"events"}, true},
                          {"vehi", {"seats"}, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tagClass + ">" + c.path.back() + (c.deep ? " deep" : ""));
        before_ = ReadFileBytes(dir_ / "a.map");
        session_->Open(dir_ / "a.map");
        const auto [tag, path] = FindChunk(c.tagClass, c.path);
        const LocatedChunk chunk =
            LocateChunk(session_->ViewOf(tag, *session_->SelectTag(tag).plugin), path);
        const EditOutcome outcome = session_->Duplicate(tag, path, c.deep);
        EXPECT_TRUE(outcome.relocation.precise);
        ExpectValuesKept({chunk.chunk.referenceOffset});
        const HaloPcMap& now = session_->map();
        const Side A{before_, now.Magic}, B{now.bytes(), now.Magic};
        const int64_t copy =
            SubWrap(LoadI32(now.bytes().data() + chunk.chunk.referenceOffset + 4), now.Magic) +
            int64_t{chunk.chunk.chunkSize} * LoadI32(before_.data() + chunk.chunk.referenceOffset);
        if (c.deep) { // the copy equals its original, sub-blocks included
            const int64_t original =
                SubWrap(LoadI32(before_.data() + chunk.chunk.referenceOffset + 4), now.Magic) +
                int64_t{chunk.chunk.chunkSize} * chunk.chunk.chunkIndex;
            Compare(*chunk.layout, A, original, B, copy, {}, "copy: ");
        }
    }
}

TEST_P(PreciseRelocation, ImportsMoveAddressesOnlyAndReferencesNameTheirTags) {
    const int32_t weapon = session_->map().TagsOfClass("weap").front();
    for (const bool sameMap : {true, false}) {
        before_ = ReadFileBytes(dir_ / "a.map");
        WriteFileBytes(dir_ / "b.map", before_);
        MapSession source(plugins_);
        source.Open(dir_ / "b.map");
        session_->Import(sameMap ? session_->map() : source.map(), weapon);
        ExpectValuesKept();
        const HaloPcMap& now = session_->map();
        const Tag& copy = now.TagCache.back();
        EXPECT_EQ(copy.Offset % 4, 0);
        Compare(plugins_->PluginFor("weap")->root, Side{before_, source.map().Magic},
                source.map().TagCache[static_cast<size_t>(weapon)].Offset,
                Side{now.bytes(), now.Magic}, copy.Offset, {}, "imported: ");
    }
}

TEST_P(PreciseRelocation, ModesAndRefusals) {
    // A plugin folder without the weapon class: auto falls back, precise refuses.
    const auto partial = std::make_shared<PluginCatalog>(dir_ / "partial");
    std::filesystem::create_directory(dir_ / "partial");
    for (const auto& f : std::filesystem::directory_iterator(BundledPluginsDir())) {
        if (f.path().filename() != "weap.ent") {
            std::filesystem::copy(f.path(), dir_ / "partial");
        }
    }
    partial->ScanForPlugins();
    MapSession other(partial);
    other.Open(dir_ / "a.map");
    EXPECT_NE(other.ChooseRelocation().reason.find("\"weap\""), std::string::npos);
    EXPECT_FALSE(other.ChooseRelocation().precise);
    other.SetRelocationMode(RelocationMode::Precise);
    EXPECT_THROW(other.ChooseRelocation(), PelmarError);
    // The folder scanned again sees a plugin added, then one changed since it was read.
    const std::filesystem::path weapon = dir_ / "partial" / "weap.ent";
    std::filesystem::copy(BundledPluginsDir() / "weap.ent", weapon);
    partial->ScanForPlugins();
    EXPECT_TRUE(other.ChooseRelocation().precise);
    const std::vector<uint8_t> bytes = ReadFileBytes(weapon);
    std::string text(bytes.begin(), bytes.end());
    text.replace(text.find("complete=\"true\""), 15, "complete=\"no\"");
    std::ofstream(weapon) << text;
    partial->ScanForPlugins();
    EXPECT_THROW(other.ChooseRelocation(), PelmarError);
    // A struct at its layout's maximum does not grow.
    const auto [tag, path] = FindChunk("weap", {"triggers"});
    const LocatedChunk chunk =
        LocateChunk(session_->ViewOf(tag, *session_->SelectTag(tag).plugin), path);
    for (int32_t count = LoadI32(before_.data() + chunk.chunk.referenceOffset);
         count < chunk.layout->max; ++count) {
        session_->Duplicate(tag, path);
    }
    const std::vector<uint8_t> full = ReadFileBytes(dir_ / "a.map");
    EXPECT_THROW(session_->Duplicate(tag, path), PelmarError);
    EXPECT_EQ(ReadFileBytes(dir_ / "a.map"), full);
    // A block whose count is past its maximum or runs past the file: refused, nothing written.
    const std::pair<int64_t, int32_t> damages[] = {{0, static_cast<int32_t>(chunk.layout->max) + 1},
                                                   {4, 0x7FFFFF00}};
    for (const auto& [word, value] : damages) {
        std::vector<uint8_t> damaged = before_;
        StoreI32(damaged.data() + chunk.chunk.referenceOffset + word, value);
        WriteFileBytes(dir_ / "a.map", damaged);
        session_->Open(dir_ / "a.map");
        EXPECT_THROW(session_->Duplicate(session_->map().TagsOfClass("scnr").front(),
                                         ChunkPath().Child("skies", 1)),
                     PelmarError);
        EXPECT_EQ(ReadFileBytes(dir_ / "a.map"), damaged);
    }
}

INSTANTIATE_TEST_SUITE_P(BothVersions, PreciseRelocation, ::testing::Values(609u, 7u));

// A block of three elements is refused by a layout that allows two, and walked by one that
// allows three.
TEST(AddressWalk, ABlockBeyondItsLayoutsMaximumIsRefused) {
    builder::TagSpec tag;
    tag.class1 = "test";
    tag.data = builder::Block(16);
    tag.data.Add(builder::Reflexive{0, 4, std::vector<builder::Block>(3, builder::Block(4))});
    builder::MapSpec blueprint;
    blueprint.tags = {tag};
    const std::vector<uint8_t> bytes = builder::BuildMap(blueprint).bytes;
    auto buffer = std::make_shared<ByteBuffer>(bytes.size());
    std::memcpy(buffer->data(), bytes.data(), bytes.size());
    const HaloPcMap map = HaloPcMap::Decode(buffer);
    for (const int max : {2, 3}) {
        const PluginDef plugin = ParsePlugin(
            "<plugin class=\"test\" complete=\"true\"><struct name=\"b\" offset=\"0\" size=\"4\" "
            "max=\"" +
            std::to_string(max) + "\"/></plugin>");
        const LayoutLookup lookup = [&](std::string_view) { return &plugin; };
        if (max == 2) {
            EXPECT_THROW(DeclaredAddresses(map, lookup), PelmarError);
        } else {
            EXPECT_EQ(DeclaredAddresses(map, lookup).size(), 1u);
        }
    }
}

// Tag "b" borrows the first of tag "a"'s two elements, which lie before it in the file: the
// element's address word is one word to move, once, the words come in file order, and tag ids
// are not among them.
TEST(AddressWalk, AWordReachedFromTwoTagsIsOneWord) {
    builder::MapSpec blueprint;
    for (const char* name : {"a", "b"}) {
        builder::TagSpec tag;
        tag.class1 = "test";
        tag.name = name;
        tag.data = builder::Block(16);
        tag.data.Add(builder::Reflexive{0, 16, std::vector<builder::Block>(2, builder::Block(16))});
        blueprint.tags.push_back(tag);
    }
    std::vector<uint8_t> bytes = builder::BuildMap(blueprint).bytes;
    auto buffer = std::make_shared<ByteBuffer>(bytes.size());
    std::memcpy(buffer->data(), bytes.data(), bytes.size());
    const HaloPcMap built = HaloPcMap::Decode(buffer);
    const int64_t a = built.TagCache[0].Offset, b = built.TagCache[1].Offset;
    StoreI32(buffer->data() + b, 1);
    StoreI32(buffer->data() + b + 4, LoadI32(buffer->data() + a + 4));
    const HaloPcMap map = HaloPcMap::Decode(buffer);
    const PluginDef plugin =
        ParsePlugin("<plugin class=\"test\" complete=\"true\"><struct name=\"e\" "
                    "size=\"16\"><tag_id offset=\"8\"/><struct name=\"n\" "
                    "size=\"4\"/></struct></plugin>");
    const int64_t first = SubWrap(LoadI32(buffer->data() + a + 4), map.Magic);
    std::vector<int64_t> words;
    for (const AddressSlot& slot :
         DeclaredAddresses(map, [&](std::string_view) { return &plugin; })) {
        words.push_back(slot.at);
    }
    EXPECT_EQ(words, (std::vector<int64_t>{a + 4, first + 4, first + 20, b + 4}));
}

} // namespace
} // namespace pelmar::test
