#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pelmar::test {

// A strict JSON reader for checking the CLI's output in tests. It accepts exactly one value
// (whitespace around it allowed) as RFC 8259 defines it and rejects anything else: trailing
// commas, leading zeros, unescaped control characters, invalid escapes, invalid UTF-8, lone
// surrogates and repeated keys.
struct JsonValue {
    enum class Kind { Null, Bool, Number, String, Array, Object };
    Kind kind = Kind::Null;
    bool boolean = false;
    std::string number;    // as written
    std::u32string string; // code points
    std::vector<JsonValue> array;
    std::vector<std::pair<std::u32string, JsonValue>> object; // in written order

    // Each throws JsonError when the value is not of the kind asked for or lacks the part.
    const JsonValue& operator[](std::string_view key) const;
    const JsonValue& at(size_t i) const;
    int64_t Int() const;                   // an integer without fraction or exponent
    std::string Bytes() const;             // a string of code points below 256, as bytes
    std::vector<std::string> Keys() const; // ASCII keys in written order
};

struct JsonError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

JsonValue ParseJson(std::string_view text);

} // namespace pelmar::test
