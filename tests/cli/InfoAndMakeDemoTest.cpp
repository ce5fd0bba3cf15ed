// pelmar-cli info and make-demo.
#include "map/HaloPcMap.h"
#include "mapbuilder/DemoMap.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

namespace pelmar::test {
namespace {

// The value after "Label:" on its line of `text`, spaces trimmed; empty when absent.
std::string Field(const std::string& text, const std::string& label) {
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(label + ":", 0) == 0) {
            const size_t start = line.find_first_not_of(' ', label.size() + 1);
            return start == std::string::npos ? "" : line.substr(start);
        }
    }
    return "";
}

TEST(InfoCommand, SummarisesHeaderAndIndex) {
    TempDir dir;
    const auto path = dir / "demo.map";
    const builder::BuiltMap built = WriteMap(path, builder::DemoMapSpec());
    const CliResult result = RunCli({"info", path.string()});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    HaloPcMap map;
    map.LoadMap(path);

    EXPECT_EQ(Field(result.out, "File"), path.string());
    EXPECT_EQ(Field(result.out, "Length"), std::to_string(built.bytes.size()) + " bytes");
    EXPECT_EQ(Field(result.out, "Index offset"), "2048");
    EXPECT_EQ(Field(result.out, "Map magic"), "0x40440028");
    EXPECT_EQ(Field(result.out, "Magic"), "0x4043F800 (file offset = map address - magic)");
    EXPECT_EQ(Field(result.out, "Tag entries at"), "2088");
    EXPECT_EQ(Field(result.out, "Tags"), "21 in 7 classes");
    EXPECT_EQ(Field(result.out, "Scenario"), "scnr:levels\\test\\demo\\demo (data at " +
                                                 std::to_string(map.Scenario().Offset) + ", " +
                                                 std::to_string(map.Scenario().Size) + " bytes)");
    for (const std::string& c : map.TagClass) {
        const std::string line =
            "  " + c + "  " + std::to_string(map.NamesOfClass(c).size()) + " tags\n";
        EXPECT_NE(result.out.find(line), std::string::npos) << line;
    }
}

TEST(InfoCommand, ShowsNegativeMagicAsItsBitsAndControlBytesInTheNameAsEscapes) {
    TempDir dir;
    builder::MapSpec blueprint = builder::DemoMapSpec();
    blueprint.mapMagic = 0;
    WriteMap(dir / "red\x1B[31m.map", blueprint);
    const CliResult result = RunCli({"info", (dir / "red\x1B[31m.map").string()});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(Field(result.out, "Magic").substr(0, 10), "0xFFFFF7D8"); // -2088
    EXPECT_EQ(Field(result.out, "File"), (dir / "red\\x1B[31m.map").string());
}

TEST(MakeDemoCommand, WritesTheDemoMapWhoseClassesHaveSamplePlugins) {
    TempDir dir;
    const auto path = dir / "demo.map";
    const CliResult result = RunCli({"make-demo", path.string()});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out.rfind("Wrote " + path.string() + " (21 tags, ", 0), 0u) << result.out;
    EXPECT_EQ(ReadFileBytes(path), builder::BuildMap(builder::DemoMapSpec()).bytes);
    for (const builder::TagSpec& tag : builder::DemoMapSpec().tags) {
        const bool hasPlugin = std::filesystem::exists(SourcePluginsDir() / (tag.class1 + ".ent"));
        EXPECT_EQ(hasPlugin, tag.class1 != "snd!") << tag.class1;
    }
}

TEST(MakeDemoCommand, WritesALargeMapOfTheAskedSizeAndTagCount) {
    TempDir dir;
    const auto path = dir / "large.map";
    const CliResult result = RunCli({"make-demo", path.string(), "--size-mb", "3", "--tags", "50"});
    ASSERT_EQ(result.status, 0) << result.err;
    HaloPcMap map;
    map.LoadMap(path);
    EXPECT_EQ(map.TagCount, 50);
    EXPECT_EQ(map.Scenario().Class1, "scnr");
    EXPECT_EQ(map.TagClass.size(), 7u);
    // About the size asked for: every tag but the scenario is padded to its share.
    const auto size = std::filesystem::file_size(path);
    EXPECT_GE(size, (uint64_t{3} << 20) * 95 / 100);
    EXPECT_LE(size, (uint64_t{3} << 20) * 105 / 100);
}

} // namespace
} // namespace pelmar::test
