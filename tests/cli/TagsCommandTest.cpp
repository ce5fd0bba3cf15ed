// pelmar-cli tags: the JSON object scripts rely on, and the human listing by class.
#include "StrictJson.h"
#include "map/HaloPcMap.h"
#include "mapbuilder/DemoMap.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <sstream>

namespace pelmar::test {
namespace {

builder::TagSpec NamedTag(const std::string& class1, const std::string& name, uint32_t ident) {
    builder::TagSpec tag;
    tag.class1 = class1;
    tag.ident = ident;
    tag.name = name;
    tag.data = builder::Block(24);
    return tag;
}

// Names and class codes with every kind of byte a JSON string has to encode.
const std::string kOddName = std::string("a\x01\x1F\x7F\x80\xFF\"\\/\t\n\xC3\xA9 z\0tail", 20);
const std::string kOddClass = "\xE9t\x80!";

builder::MapSpec OddSpec() {
    builder::MapSpec blueprint;
    blueprint.mapMagic = 0; // so that Magic = 0 - tagOffset is negative
    blueprint.tags = {NamedTag("scnr", "levels\\odd", 0xFFFFFFFFu), NamedTag("weap", kOddName, 0),
                      NamedTag(kOddClass, "plain", 0x80000000u), NamedTag("weap", "", 0x7FFFFFFF)};
    blueprint.tags[1].class2 = std::string("\0\0\0\0", 4);
    return blueprint;
}

// Checks every member of the tags command's JSON object against the model of the same file.
void ExpectJsonDescribes(const JsonValue& json, const HaloPcMap& map) {
    EXPECT_EQ(json.Keys(), (std::vector<std::string>{"indexOffset", "mapMagic", "magic",
                                                     "tagOffset", "tagCount", "classes", "tags"}));
    EXPECT_EQ(json["indexOffset"].Int(), map.indexOffset);
    EXPECT_EQ(json["mapMagic"].Int(), map.MapMagic);
    EXPECT_EQ(json["magic"].Int(), map.Magic);
    EXPECT_EQ(json["tagOffset"].Int(), map.tagOffset);
    EXPECT_EQ(json["tagCount"].Int(), map.TagCount);
    ASSERT_EQ(json["classes"].array.size(), map.TagClass.size());
    for (size_t i = 0; i < map.TagClass.size(); ++i) {
        EXPECT_EQ(json["classes"].at(i).Bytes(), map.TagClass[i]);
    }
    ASSERT_EQ(json["tags"].array.size(), map.TagCache.size());
    for (size_t i = 0; i < map.TagCache.size(); ++i) {
        const JsonValue& j = json["tags"].at(i);
        const Tag& t = map.TagCache[i];
        EXPECT_EQ(j.Keys(),
                  (std::vector<std::string>{"index", "class1", "class2", "class3", "ident", "name",
                                            "nameOffset", "offset", "size"}));
        EXPECT_EQ(j["index"].Int(), static_cast<int64_t>(i));
        EXPECT_EQ(j["class1"].Bytes(), t.Class1);
        EXPECT_EQ(j["class2"].Bytes(), t.Class2);
        EXPECT_EQ(j["class3"].Bytes(), t.Class3);
        EXPECT_EQ(j["ident"].Int(), static_cast<int64_t>(t.ident));
        EXPECT_EQ(j["name"].Bytes(), t.Name);
        EXPECT_EQ(j["nameOffset"].Int(), t.NameOffset);
        EXPECT_EQ(j["offset"].Int(), t.Offset);
        EXPECT_EQ(j["size"].Int(), t.Size);
    }
}

class TagsCommandTest : public ::testing::Test {
protected:
    TempDir dir_;
};

TEST_F(TagsCommandTest, JsonIsOneStrictObjectDescribingTheMap) {
    const auto path = dir_ / "odd.map";
    const builder::BuiltMap built = WriteMap(path, OddSpec());
    const CliResult result = RunCli({"tags", path.string(), "--json"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    ASSERT_FALSE(result.out.empty());
    EXPECT_EQ(result.out.back(), '\n');
    EXPECT_EQ(result.out.find('\n'), result.out.size() - 1) << "one line, one object";

    const JsonValue json = ParseJson(result.out);
    HaloPcMap map;
    map.LoadMap(path);
    ExpectJsonDescribes(json, map);
}

TEST_F(TagsCommandTest, JsonWritesIdentUnsignedAndOtherIntegersSigned) {
    const auto path = dir_ / "odd.map";
    const builder::BuiltMap built = WriteMap(path, OddSpec());
    const JsonValue json = ParseJson(RunCli({"tags", path.string(), "--json"}).out);
    EXPECT_EQ(json["magic"].Int(), -built.tagOffset);
    EXPECT_LT(json["magic"].Int(), 0);
    EXPECT_EQ(json["tags"].at(0)["ident"].Int(), 4294967295);
    EXPECT_EQ(json["tags"].at(1)["ident"].Int(), 0);
    EXPECT_EQ(json["tags"].at(2)["ident"].Int(), 2147483648);
    EXPECT_EQ(json["tags"].at(3)["ident"].Int(), 2147483647);
}

TEST_F(TagsCommandTest, JsonWritesMostNegativeMapMagic) {
    builder::MapSpec blueprint = OddSpec();
    blueprint.mapMagic = INT32_MIN;
    const auto path = dir_ / "neg.map";
    const builder::BuiltMap built = WriteMap(path, blueprint);
    const CliResult result = RunCli({"tags", path.string(), "--json"});
    EXPECT_NE(result.out.find("\"mapMagic\":-2147483648"), std::string::npos) << result.out;
    const JsonValue json = ParseJson(result.out);
    EXPECT_EQ(json["mapMagic"].Int(), INT32_MIN);
    EXPECT_EQ(json["magic"].Int(), built.magic);
    EXPECT_GT(json["magic"].Int(), 0) << "INT32_MIN - tagOffset wraps to a positive value";
}

TEST_F(TagsCommandTest, JsonEncodesEachByteAsTheCodePointOfItsValue) {
    const auto path = dir_ / "odd.map";
    WriteMap(path, OddSpec());
    const std::string out = RunCli({"tags", path.string(), "--json"}).out;
    const JsonValue json = ParseJson(out);
    // The name stops at its zero byte; every other byte comes back as itself.
    const std::string expected = kOddName.substr(0, kOddName.find('\0'));
    const JsonValue& name = json["tags"].at(1)["name"];
    EXPECT_EQ(name.Bytes(), expected);
    ASSERT_EQ(name.string.size(), expected.size());
    EXPECT_EQ(name.string[4], U'\u0080');
    EXPECT_EQ(name.string[5], U'\u00FF');
    EXPECT_EQ(name.string[11], U'\u00C3') << "bytes are not decoded as UTF-8";
    EXPECT_EQ(json["tags"].at(1)["class2"].string, std::u32string(4, U'\0'));
    EXPECT_EQ(json["classes"].at(0).Bytes(), "scnr");
    EXPECT_EQ(json["classes"].at(2).Bytes(), kOddClass);
    // Raw control bytes never reach the output.
    for (char c : out.substr(0, out.size() - 1)) {
        EXPECT_GE(static_cast<unsigned char>(c), 0x20);
    }
}

TEST_F(TagsCommandTest, JsonOfTheDemoMap) {
    const auto path = dir_ / "demo.map";
    WriteMap(path, builder::DemoMapSpec());
    const CliResult result = RunCli({"tags", path.string(), "--json"});
    ASSERT_EQ(result.status, 0) << result.err;
    HaloPcMap map;
    map.LoadMap(path);
    const JsonValue json = ParseJson(result.out);
    ExpectJsonDescribes(json, map);
    EXPECT_EQ(json["tagCount"].Int(), 21);
    EXPECT_EQ(json["tags"].at(16)["name"].Bytes(), "effects/explosions/small");
}

TEST_F(TagsCommandTest, TextListsEachClassOnceWithItsTagsInIndexOrder) {
    const auto path = dir_ / "demo.map";
    WriteMap(path, builder::DemoMapSpec());
    const CliResult result = RunCli({"tags", path.string()});
    ASSERT_EQ(result.status, 0) << result.err;
    HaloPcMap map;
    map.LoadMap(path);

    std::vector<std::string> classes;
    std::map<std::string, std::vector<std::string>> names;
    std::istringstream lines(result.out);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("  ", 0) == 0) {
            ASSERT_FALSE(classes.empty()) << "a tag line before any class: " << line;
            names[classes.back()].push_back(line.substr(2, line.find("  [") - 2));
        } else {
            classes.push_back(line);
        }
    }
    EXPECT_EQ(classes, map.TagClass);
    for (const std::string& c : map.TagClass) {
        EXPECT_EQ(names[c], map.NamesOfClass(c)) << c;
    }
}

TEST_F(TagsCommandTest, TextShowsUnprintableBytesAsEscapes) {
    const auto path = dir_ / "odd.map";
    WriteMap(path, OddSpec());
    const CliResult result = RunCli({"tags", path.string()});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find("\\xE9t\\x80!\n"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("  a\\x01\\x1F\\x7F\\x80\\xFF\"\\/\\x09\\x0A\\xC3\\xA9 z  [id "),
              std::string::npos)
        << result.out;
    EXPECT_NE(result.out.find("[id 0xFFFFFFFF, data at "), std::string::npos);
    for (char c : result.out) {
        const auto b = static_cast<unsigned char>(c);
        EXPECT_TRUE(c == '\n' || (b >= 0x20 && b < 0x7F)) << "raw byte " << int{b};
    }
}

TEST_F(TagsCommandTest, ABadMapPrintsNothingOnStandardOutput) {
    const auto path = dir_ / "bad.map";
    builder::BuiltMap built = builder::BuildMap(OddSpec());
    SetWord(built.bytes, built.indexOffset + 12, 0);
    WriteFileBytes(path, built.bytes);
    const CliResult result = RunCli({"tags", path.string(), "--json"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "pelmar-cli: " + path.string() + ": the tag index is empty\n");
}

} // namespace
} // namespace pelmar::test
