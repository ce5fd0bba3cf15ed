// pelmar-cli tags: the JSON object scripts rely on, and the human listing by class.
#include "StrictJson.h"
#include "map/HaloPcMap.h"
#include "mapbuilder/DemoMap.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <tuple>

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

// Runs `tags --json` on `path`, checks it printed one line holding one strict JSON object
// whose every member matches the model of the same file, and returns the object.
JsonValue ExpectJsonDescribes(const std::filesystem::path& path) {
    const CliResult result = RunCli({"tags", path.string(), "--json"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out.find('\n'), result.out.size() - 1) << "one line, one object";
    for (char c : result.out.substr(0, result.out.size() - 1)) {
        EXPECT_GE(static_cast<unsigned char>(c), 0x20) << "a raw control byte";
    }
    HaloPcMap map;
    map.LoadMap(path);
    const JsonValue json = ParseJson(result.out);
    EXPECT_EQ(json.Keys(), (std::vector<std::string>{"indexOffset", "mapMagic", "magic",
                                                     "tagOffset", "tagCount", "classes", "tags"}));
    EXPECT_EQ((std::vector<int64_t>{json["indexOffset"].Int(), json["mapMagic"].Int(),
                                    json["magic"].Int(), json["tagOffset"].Int(),
                                    json["tagCount"].Int()}),
              (std::vector<int64_t>{map.indexOffset, map.MapMagic, map.Magic, map.tagOffset,
                                    map.TagCount}));
    std::vector<std::string> classes;
    for (const JsonValue& c : json["classes"].array) {
        classes.push_back(c.Bytes());
    }
    EXPECT_EQ(classes, map.TagClass);
    EXPECT_EQ(json["tags"].array.size(), map.TagCache.size());
    for (size_t i = 0; i < map.TagCache.size(); ++i) {
        const JsonValue& j = json["tags"].at(i);
        const Tag& t = map.TagCache[i];
        EXPECT_EQ(j.Keys(),
                  (std::vector<std::string>{"index", "class1", "class2", "class3", "ident", "name",
                                            "nameOffset", "offset", "size"}));
        EXPECT_EQ(std::make_tuple(j["index"].Int(), j["class1"].Bytes(), j["class2"].Bytes(),
                                  j["class3"].Bytes(), j["ident"].Int(), j["name"].Bytes(),
                                  j["nameOffset"].Int(), j["offset"].Int(), j["size"].Int()),
                  std::make_tuple(static_cast<int64_t>(i), t.Class1, t.Class2, t.Class3,
                                  int64_t{t.ident}, t.Name, int64_t{t.NameOffset},
                                  int64_t{t.Offset}, int64_t{t.Size}))
            << "tag " << i;
    }
    return json;
}

TEST(TagsCommand, JsonOfOddBytesExtremeIntegersAndTheDemoMap) {
    TempDir dir;
    const builder::BuiltMap built = WriteMap(dir / "odd.map", OddSpec());
    const JsonValue json = ExpectJsonDescribes(dir / "odd.map");
    EXPECT_EQ(json["magic"].Int(), -built.tagOffset);
    const int64_t idents[] = {4294967295, 0, 2147483648, 2147483647}; // unsigned
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(json["tags"].at(i)["ident"].Int(), idents[i]);
    }
    // Each byte is the code point of its value, not decoded as UTF-8; the name stops at its
    // zero byte.
    const JsonValue& name = json["tags"].at(1)["name"];
    EXPECT_EQ(name.Bytes(), kOddName.substr(0, kOddName.find('\0')));
    EXPECT_EQ(name.string.substr(4, 2), U"\u0080\u00FF");
    EXPECT_EQ(name.string[11], U'\u00C3');
    EXPECT_EQ(json["tags"].at(1)["class2"].string, std::u32string(4, U'\0'));
    EXPECT_EQ(json["classes"].at(2).Bytes(), kOddClass);

    builder::MapSpec blueprint = OddSpec();
    blueprint.mapMagic = INT32_MIN;
    const builder::BuiltMap negative = WriteMap(dir / "neg.map", blueprint);
    const JsonValue wrapped = ExpectJsonDescribes(dir / "neg.map");
    EXPECT_EQ(wrapped["mapMagic"].Int(), INT32_MIN);
    EXPECT_EQ(wrapped["magic"].Int(), negative.magic);
    EXPECT_GT(wrapped["magic"].Int(), 0) << "INT32_MIN - tagOffset wraps to a positive value";

    WriteMap(dir / "demo.map", builder::DemoMapSpec());
    const JsonValue demo = ExpectJsonDescribes(dir / "demo.map");
    EXPECT_EQ(demo["tagCount"].Int(), 21);
    EXPECT_EQ(demo["tags"].at(16)["name"].Bytes(), "effects/explosions/small");
}

TEST(TagsCommand, TextListsClassesOnceWithTagsInIndexOrderAndEscapesUnprintableBytes) {
    TempDir dir;
    WriteMap(dir / "demo.map", builder::DemoMapSpec());
    const CliResult result = RunCli({"tags", (dir / "demo.map").string()});
    ASSERT_EQ(result.status, 0) << result.err;
    HaloPcMap map;
    map.LoadMap(dir / "demo.map");
    std::vector<std::string> classes;
    std::map<std::string, std::vector<std::string>> names;
    std::istringstream lines(result.out);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("  ", 0) != 0) {
            classes.push_back(line);
        } else {
            ASSERT_FALSE(classes.empty()) << "a tag line before any class: " << line;
            names[classes.back()].push_back(line.substr(2, line.find("  [") - 2));
        }
    }
    EXPECT_EQ(classes, map.TagClass);
    for (const std::string& c : map.TagClass) {
        EXPECT_EQ(names[c], map.NamesOfClass(c)) << c;
    }

    WriteMap(dir / "odd.map", OddSpec());
    const std::string odd = RunCli({"tags", (dir / "odd.map").string()}).out;
    EXPECT_NE(odd.find("\\xE9t\\x80!\n"), std::string::npos) << odd;
    EXPECT_NE(odd.find("  a\\x01\\x1F\\x7F\\x80\\xFF\"\\/\\x09\\x0A\\xC3\\xA9 z  [id "),
              std::string::npos);
    EXPECT_NE(odd.find("[id 0xFFFFFFFF, data at "), std::string::npos);
    for (char c : odd) {
        const auto b = static_cast<unsigned char>(c);
        EXPECT_TRUE(c == '\n' || (b >= 0x20 && b < 0x7F)) << "raw byte " << int{b};
    }
}

TEST(TagsCommand, ABadMapPrintsNothingOnStandardOutput) {
    TempDir dir;
    const auto path = dir / "bad.map";
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
