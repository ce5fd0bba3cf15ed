#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pelmar::test {

// A strict JSON reader for checking the CLI's output in tests. It accepts exactly one
// value (whitespace around it allowed) as RFC 8259 defines it, and rejects anything else:
// trailing commas, leading zeros, unescaped control characters, invalid escapes, invalid
// UTF-8, lone surrogates and repeated keys in an object.
struct JsonValue {
    enum class Kind { Null, Bool, Number, String, Array, Object };
    Kind kind = Kind::Null;
    bool boolean = false;
    std::string number;    // the number's text as written
    std::u32string string; // code points
    std::vector<JsonValue> array;
    std::vector<std::pair<std::u32string, JsonValue>> object; // in written order

    // The member `key` of an object; throws JsonError when absent or not an object.
    const JsonValue& operator[](std::string_view key) const;
    // The element `i` of an array; throws JsonError when absent or not an array.
    const JsonValue& at(size_t i) const;
    // A number written as an integer (no fraction, no exponent) that fits in 64 bits.
    int64_t Int() const;
    // A string whose code points are all below 256, as the bytes of the same values.
    std::string Bytes() const;
    // The keys of an object in written order (ASCII keys only).
    std::vector<std::string> Keys() const;
};

struct JsonError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

JsonValue ParseJson(std::string_view text);

} // namespace pelmar::test
