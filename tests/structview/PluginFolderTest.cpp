// The plugin folder scan: every entry registered, the union over scans.

#include "structview/PluginFolder.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <fstream>

namespace pelmar::test {
namespace {

void Touch(const std::filesystem::path& path) {
    std::ofstream(path) << "x";
}

TEST(PluginFolder, RegistersEveryEntryAndListsOnlyPluginClasses) {
    TempDir dir;
    Touch(dir / "weap.ent");
    Touch(dir / "notes.txt");
    std::filesystem::create_directory(dir / "bipd.ent.d");
    PluginFolder folder;
    folder.ScanForPlugins(dir.path());
    EXPECT_EQ(folder.size(), 3u);
    EXPECT_TRUE(folder.Lookup("notes.txt").has_value());
    EXPECT_TRUE(folder.Lookup("bipd.ent.d").has_value());
    EXPECT_TRUE(folder.HasPluginFor("weap"));
    EXPECT_FALSE(folder.HasPluginFor("notes"));
    EXPECT_FALSE(folder.HasPluginFor("bipd"));
    EXPECT_FALSE(folder.HasPluginFor("WEAP")) << "file names are exact";
}

TEST(PluginFolder, PositionsFollowTheSortedListing) {
    TempDir dir;
    Touch(dir / "c.ent");
    Touch(dir / "a.ent");
    Touch(dir / "b.ent");
    PluginFolder folder;
    folder.ScanForPlugins(dir.path());
    EXPECT_EQ(folder.Lookup("a.ent"), 1);
    EXPECT_EQ(folder.Lookup("b.ent"), 2);
    EXPECT_EQ(folder.Lookup("c.ent"), 3);
}

TEST(PluginFolder, ScansAddToWhatEarlierScansFound) {
    TempDir first;
    TempDir second;
    Touch(first / "weap.ent");
    Touch(second / "vehi.ent");
    PluginFolder folder;
    folder.ScanForPlugins(first.path());
    std::filesystem::remove(first / "weap.ent");
    folder.ScanForPlugins(second.path());
    folder.ScanForPlugins(first.path());
    EXPECT_TRUE(folder.HasPluginFor("weap")) << "nothing is ever removed";
    EXPECT_TRUE(folder.HasPluginFor("vehi"));
    EXPECT_EQ(folder.size(), 2u);
}

TEST(PluginFolder, AMissingFolderRegistersNothing) {
    TempDir dir;
    PluginFolder folder;
    folder.ScanForPlugins(dir / "absent");
    Touch(dir / "file");
    folder.ScanForPlugins(dir / "file");
    EXPECT_EQ(folder.size(), 0u);
    EXPECT_FALSE(folder.HasPluginFor(""));
}

TEST(PluginFolder, AnEmptyFolderRegistersNothing) {
    TempDir dir;
    PluginFolder folder;
    folder.ScanForPlugins(dir.path());
    EXPECT_EQ(folder.size(), 0u);
}

} // namespace
} // namespace pelmar::test
