#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace pelmar::cli {

// A small streaming JSON writer for the CLI's machine-readable output. Strings are raw
// bytes: each byte is written as the Unicode code point of the same value, so any byte
// string (class codes, tag names) yields valid JSON.
class JsonWriter {
public:
    explicit JsonWriter(std::ostream& out) : out_(out) {}

    JsonWriter& BeginObject();
    JsonWriter& EndObject();
    JsonWriter& BeginArray();
    JsonWriter& EndArray();
    JsonWriter& Key(std::string_view key);
    JsonWriter& String(std::string_view bytes);
    JsonWriter& Int(int64_t value);
    JsonWriter& Bool(bool value);
    JsonWriter& Null();

private:
    void Separate();
    std::ostream& out_;
    std::vector<bool> hasItem_;
    bool afterKey_ = false;
};

// `bytes` as a JSON string literal, quotes included.
std::string JsonString(std::string_view bytes);

} // namespace pelmar::cli
