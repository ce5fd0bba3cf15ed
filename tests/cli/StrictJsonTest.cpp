// The test-only JSON reader must be strict, or the CLI's JSON checks would prove nothing.
#include "StrictJson.h"

#include <gtest/gtest.h>

namespace pelmar::test {
namespace {

TEST(StrictJson, ReadsEveryKindOfValue) {
    const JsonValue v =
        ParseJson(" {\"a\": [-2, 4294967295], \"s\": \"x\\u00e9\\n\\\"\\\\\\/\xC3\xBF\","
                  " \"t\": true, \"n\": null, \"o\": {}, \"d\": 1.5e3}\n");
    EXPECT_EQ(v.Keys(), (std::vector<std::string>{"a", "s", "t", "n", "o", "d"}));
    EXPECT_EQ(v["a"].at(0).Int(), -2);
    EXPECT_EQ(v["a"].at(1).Int(), 4294967295);
    EXPECT_EQ(v["s"].Bytes(), "x\xE9\n\"\\/\xFF");
    EXPECT_TRUE(v["t"].boolean);
    EXPECT_EQ(v["n"].kind, JsonValue::Kind::Null);
    EXPECT_TRUE(v["o"].object.empty());
    EXPECT_THROW(v["d"].Int(), JsonError);
    EXPECT_THROW(v["missing"], JsonError);
    EXPECT_EQ(ParseJson("\"\\ud83d\\ude00\"").string, std::u32string(1, U'\U0001F600'));
    EXPECT_THROW(ParseJson("\"\\ud83d\\ude00\"").Bytes(), JsonError);
}

TEST(StrictJson, RejectsWhatJsonDoesNotAllow) {
    // clang-format off
    const char* bad[] = {"", "{}{}", "[1,]", "{\"a\":1,}", "{\"a\":1 \"b\":2}", "{a:1}",
                         "{\"a\":1,\"a\":2}", "[01]", "[+1]", "[1.]", "[-]", "[1e]", "\"\x01\"",
                         "\"\\x41\"", "\"\\u12\"", "\"\\udc00\"", "\"\\ud800x\"", "\"\x80\"",
                         "\"\xC0\xAF\"", "\"\xED\xA0\x80\"", "\"abc", "tru", "nul", "[1 2]"};
    // clang-format on
    EXPECT_THROW(ParseJson(std::string(1000, '[') + std::string(1000, ']')), JsonError);
    for (const char* text : bad) {
        EXPECT_THROW(ParseJson(text), JsonError) << "accepted: " << text;
    }
}

} // namespace
} // namespace pelmar::test
