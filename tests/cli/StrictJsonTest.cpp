// The test-only JSON reader must be strict, or the CLI's JSON checks would prove nothing.
#include "StrictJson.h"

#include <gtest/gtest.h>

namespace pelmar::test {
namespace {

TEST(StrictJson, ReadsEveryKindOfValue) {
    const JsonValue v = ParseJson(
        " {\"a\": [1, -2, 0, 4294967295, -2147483648], \"s\": \"x\\u00e9\\n\\\"\\\\\\/\xC3\xBF\","
        " \"t\": true, \"f\": false, \"n\": null, \"o\": {}, \"e\": [], \"d\": 1.5e3}\n");
    EXPECT_EQ(v.Keys(), (std::vector<std::string>{"a", "s", "t", "f", "n", "o", "e", "d"}));
    EXPECT_EQ(v["a"].at(1).Int(), -2);
    EXPECT_EQ(v["a"].at(3).Int(), 4294967295);
    EXPECT_EQ(v["a"].at(4).Int(), -2147483648);
    EXPECT_EQ(v["s"].Bytes(), "x\xE9\n\"\\/\xFF");
    EXPECT_TRUE(v["t"].boolean);
    EXPECT_EQ(v["n"].kind, JsonValue::Kind::Null);
    EXPECT_TRUE(v["o"].object.empty());
    EXPECT_THROW(v["d"].Int(), JsonError);
    EXPECT_THROW(v["missing"], JsonError);
}

TEST(StrictJson, DecodesSurrogatePairs) {
    EXPECT_EQ(ParseJson("\"\\ud83d\\ude00\"").string, std::u32string(1, U'\U0001F600'));
    EXPECT_THROW(ParseJson("\"\\ud83d\\ude00\"").Bytes(), JsonError);
}

TEST(StrictJson, RejectsWhatJsonDoesNotAllow) {
    const char* bad[] = {
        "",
        "{}{}",
        "{} x",
        "[1,]",
        "{\"a\":1,}",
        "{\"a\":1 \"b\":2}",
        "{a:1}",
        "{\"a\":1,\"a\":2}",
        "[01]",
        "[+1]",
        "[1.]",
        "[.5]",
        "[-]",
        "[1e]",
        "\"\x01\"",
        "\"\t\"",
        "\"\\x41\"",
        "\"\\u12\"",
        "\"\\udc00\"",
        "\"\\ud800x\"",
        "\"\x80\"",
        "\"\xC0\xAF\"",
        "\"\xED\xA0\x80\"",
        "\"\xF5\x80\x80\x80\"",
        "\"abc",
        "tru",
        "nul",
        "[1 2]",
        "'a'",
    };
    for (const char* text : bad) {
        EXPECT_THROW(ParseJson(text), JsonError) << "accepted: " << text;
    }
}

TEST(StrictJson, RefusesDeepNesting) {
    EXPECT_THROW(ParseJson(std::string(1000, '[') + std::string(1000, ']')), JsonError);
}

} // namespace
} // namespace pelmar::test
