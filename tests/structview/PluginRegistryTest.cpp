// The pieces under the chunk tree: the plugin folder scan, the registry, Val and the 32-bit
// wrapping of positions.

#include "structview/PluginRegistry.h"
#include "structview/PluginFolder.h"
#include "structview/TextValues.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <fstream>

namespace pelmar::test {
namespace {

// Every entry registered at its place in the sorted listing; the union over scans.
TEST(PluginFolder, RegistersEveryEntryAndKeepsWhatEarlierScansFound) {
    TempDir first;
    TempDir second;
    for (const char* file : {"weap.ent", "notes.txt", "c.ent"}) {
        std::ofstream(first / file) << "x";
    }
    std::filesystem::create_directory(first / "bipd.ent.d");
    std::ofstream(second / "vehi.ent") << "x";
    PluginFolder folder;
    folder.ScanForPlugins(first / "absent");
    folder.ScanForPlugins(second / "vehi.ent"); // a file, not a folder
    EXPECT_EQ(folder.size(), 0u);
    folder.ScanForPlugins(first.path());
    const std::pair<const char*, int32_t> places[] = {
        {"bipd.ent.d", 1}, {"c.ent", 2}, {"notes.txt", 3}, {"weap.ent", 4}};
    for (const auto& [name, place] : places) {
        EXPECT_EQ(folder.Lookup(name), place) << name;
    }
    for (const char* tagClass : {"notes", "bipd", "WEAP", ""}) {
        EXPECT_FALSE(folder.HasPluginFor(tagClass)) << tagClass;
    }
    std::filesystem::remove(first / "weap.ent");
    folder.ScanForPlugins(second.path());
    folder.ScanForPlugins(first.path());
    EXPECT_TRUE(folder.HasPluginFor("weap")) << "nothing is ever removed";
    EXPECT_TRUE(folder.HasPluginFor("vehi") && folder.HasPluginFor("c"));
    EXPECT_EQ(folder.size(), 5u);
}

// A key points at its latest element; an unknown key (keys are exact) resolves to the root,
// and in an empty registry to the empty node; Reset empties the array, keeps the dictionary
// and lets the documents go.
TEST(PluginRegistry, RegisterLookupAndReset) {
    EXPECT_TRUE(PluginRegistry().Lookup("anything").empty());
    auto doc = std::make_shared<pugi::xml_document>();
    ASSERT_TRUE(doc->load_string(R"(<p class="c"><struct name="a"/><struct name="b"/></p>)"));
    const pugi::xml_node root = doc->first_child();
    PluginRegistry registry;
    registry.Adopt(doc);
    EXPECT_EQ(registry.Register("c", root), 0);
    EXPECT_EQ(registry.Register("c>a", root.first_child()), 1);
    EXPECT_EQ(registry.Register("c>a", root.last_child()), 2);
    EXPECT_EQ(registry.Lookup("c>a"), root.last_child());
    for (const char* unknown : {"c>zzz", "", "C>A"}) {
        EXPECT_EQ(registry.Lookup(unknown), root) << unknown;
    }
    registry.Reset();
    EXPECT_TRUE(registry.XmlNodeArray().empty());
    EXPECT_EQ(registry.XmlNodeArrayDictionary().size(), 2u);
    EXPECT_TRUE(registry.Lookup("c>a").empty()) << "a stale index finds no element";
    EXPECT_EQ(doc.use_count(), 1) << "the document is let go";
}

// The leading decimal number, else 0; huge numbers saturate.
TEST(Val, ReadsTheLeadingDecimalNumber) {
    const std::pair<const char*, int64_t> cases[] = {{"16", 16},
                                                     {"16abc", 16},
                                                     {"-48", -48},
                                                     {"+7", 7},
                                                     {" \t12", 12},
                                                     {"1.9", 1},
                                                     {"007", 7},
                                                     {"", 0},
                                                     {"abc", 0},
                                                     {"-", 0},
                                                     {"0x10", 0},
                                                     {"&h10", 0},
                                                     {"- 5", 0},
                                                     {"4294967296", int64_t{4294967296}},
                                                     {"99999999999999999999999999", kValLimit},
                                                     {"-99999999999999999999999999", -kValLimit}};
    for (const auto& [text, value] : cases) {
        EXPECT_EQ(Val(text), value) << '"' << text << '"';
    }
}

TEST(WrapToInt32, KeepsTheLow32Bits) {
    const std::pair<int64_t, int32_t> cases[] = {{-5, -5},
                                                 {int64_t{0x80000000}, INT32_MIN},
                                                 {int64_t{0x100000005}, 5},
                                                 {-int64_t{0x100000001}, -1}};
    for (const auto& [wide, narrow] : cases) {
        EXPECT_EQ(WrapToInt32(wide), narrow) << wide;
    }
}

} // namespace
} // namespace pelmar::test
