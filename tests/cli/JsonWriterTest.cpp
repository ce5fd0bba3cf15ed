// The CLI's JSON writer: any byte string becomes a valid JSON string of the same code points.
#include "cli/JsonWriter.h"
#include "StrictJson.h"

#include <gtest/gtest.h>

#include <sstream>

namespace pelmar::test {
namespace {

TEST(JsonString, EveryByteValueRoundTrips) {
    std::string all;
    for (int b = 0; b < 256; ++b) {
        all.push_back(static_cast<char>(b));
        const std::string framed = "ab" + std::string(1, static_cast<char>(b)) + "cd";
        EXPECT_EQ(ParseJson(cli::JsonString(framed)).Bytes(), framed) << "byte " << b;
    }
    EXPECT_EQ(ParseJson(cli::JsonString(all + all)).Bytes(), all + all);
    EXPECT_EQ(cli::JsonString("w\\p/x\x01\x7F\xE9"), "\"w\\\\p/x\\u0001\\u007f\xC3\xA9\"");
}

TEST(JsonWriter, SeparatesMembersAndElementsAtEveryDepth) {
    std::ostringstream out;
    cli::JsonWriter json(out);
    json.BeginObject().Key("a").Int(-1).Key("b").BeginArray();
    json.BeginObject().Key("c").Bool(true).EndObject();
    json.BeginObject().EndObject().BeginArray().EndArray().Null().String("s");
    json.EndArray().Key("d").Int(4294967295).EndObject();
    EXPECT_EQ(out.str(), "{\"a\":-1,\"b\":[{\"c\":true},{},[],null,\"s\"],\"d\":4294967295}\n");
}

} // namespace
} // namespace pelmar::test
