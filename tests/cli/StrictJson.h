#pragma once

#include <charconv>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// A strict JSON reader for checking the CLI's output in tests. It accepts exactly one value
// (whitespace around it allowed) as RFC 8259 defines it and rejects anything else: trailing
// commas, leading zeros, unescaped control characters, invalid escapes, invalid UTF-8, lone
// surrogates and repeated keys.
namespace pelmar::test {

struct JsonError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

namespace json_detail {

inline void Check(bool ok, const std::string& what) {
    if (!ok) {
        throw JsonError(what);
    }
}

// The code points of `text` as bytes; each must be below `limit`.
inline std::string Narrow(const std::u32string& text, char32_t limit) {
    std::string out;
    for (char32_t c : text) {
        Check(c < limit, "code point out of range for a byte string");
        out.push_back(static_cast<char>(c));
    }
    return out;
}

} // namespace json_detail

// The accessors throw JsonError when the value is not of the kind asked for or lacks the part.
struct JsonValue {
    enum class Kind { Null, Bool, Number, String, Array, Object };
    Kind kind = Kind::Null;
    bool boolean = false;
    std::string number;    // as written
    std::u32string string; // code points
    std::vector<JsonValue> array;
    std::vector<std::pair<std::u32string, JsonValue>> object; // in written order

    const JsonValue& operator[](std::string_view key) const {
        for (const auto& member : object) {
            if (json_detail::Narrow(member.first, 0x80) == key) {
                return member.second;
            }
        }
        throw JsonError("no member " + std::string(key));
    }
    const JsonValue& at(size_t i) const {
        json_detail::Check(kind == Kind::Array && i < array.size(), "no element");
        return array[i];
    }
    // An integer without fraction or exponent.
    int64_t Int() const {
        int64_t value = 0;
        const char* end = number.data() + number.size();
        const auto [stop, ec] = std::from_chars(number.data(), end, value);
        json_detail::Check(kind == Kind::Number && ec == std::errc() && stop == end,
                           "not an integer: " + number);
        return value;
    }
    // A string of code points below 256, as the bytes of the same values.
    std::string Bytes() const {
        json_detail::Check(kind == Kind::String, "not a string");
        return json_detail::Narrow(string, 0x100);
    }
    // The (ASCII) keys of an object in written order.
    std::vector<std::string> Keys() const {
        json_detail::Check(kind == Kind::Object, "not an object");
        std::vector<std::string> keys;
        for (const auto& member : object) {
            keys.push_back(json_detail::Narrow(member.first, 0x80));
        }
        return keys;
    }
};

namespace json_detail {

class Parser {
public:
    explicit Parser(std::string_view text) : text_(text) {}

    JsonValue Document() {
        JsonValue value = Value(0);
        Space();
        Require(pos_ == text_.size(), "text after the value");
        return value;
    }

private:
    void Require(bool ok, const char* what) const {
        Check(ok, "JSON error at byte " + std::to_string(pos_) + ": " + what);
    }
    unsigned char Peek() const {
        return pos_ < text_.size() ? static_cast<unsigned char>(text_[pos_]) : 0;
    }
    unsigned char Next() {
        Require(pos_ < text_.size(), "unexpected end");
        return static_cast<unsigned char>(text_[pos_++]);
    }
    bool Take(char c) {
        const bool match = pos_ < text_.size() && text_[pos_] == c;
        pos_ += match ? 1 : 0;
        return match;
    }
    void Space() {
        while (Take(' ') || Take('\t') || Take('\n') || Take('\r')) {
        }
    }
    bool Eat(char c) {
        Space();
        return Take(c);
    }
    bool Word(std::string_view word) {
        const bool match = text_.substr(pos_, word.size()) == word;
        pos_ += match ? word.size() : 0;
        return match;
    }
    // After an element: true when a comma announces another, false at the closing bracket.
    bool Separator(char close) {
        if (Eat(',')) {
            return true;
        }
        Require(Eat(close), "expected ',' or a closing bracket");
        return false;
    }
    void Digits() {
        Require(Peek() >= '0' && Peek() <= '9', "expected a digit");
        while (Peek() >= '0' && Peek() <= '9') {
            ++pos_;
        }
    }

    JsonValue Value(int depth) {
        Require(depth <= 64, "nested too deeply");
        Space();
        JsonValue v;
        if (Take('{')) {
            v.kind = JsonValue::Kind::Object;
            for (bool more = !Eat('}'); more; more = Separator('}')) {
                Space();
                Require(Peek() == '"', "expected a key");
                std::u32string key = String();
                for (const auto& member : v.object) {
                    Require(member.first != key, "repeated key");
                }
                Require(Eat(':'), "expected ':'");
                v.object.emplace_back(std::move(key), Value(depth + 1));
            }
        } else if (Take('[')) {
            v.kind = JsonValue::Kind::Array;
            for (bool more = !Eat(']'); more; more = Separator(']')) {
                v.array.push_back(Value(depth + 1));
            }
        } else if (Peek() == '"') {
            v.kind = JsonValue::Kind::String;
            v.string = String();
        } else if (Peek() == 't' || Peek() == 'f') {
            v.kind = JsonValue::Kind::Bool;
            v.boolean = Word("true");
            Require(v.boolean || Word("false"), "unknown literal");
        } else if (Peek() == 'n') {
            Require(Word("null"), "unknown literal");
        } else {
            v.kind = JsonValue::Kind::Number;
            const size_t start = pos_;
            Take('-');
            if (!Take('0')) {
                Digits();
            }
            if (Take('.')) {
                Digits();
            }
            if (Take('e') || Take('E')) {
                Take('+') || Take('-');
                Digits();
            }
            v.number = std::string(text_.substr(start, pos_ - start));
        }
        return v;
    }

    std::u32string String() {
        ++pos_; // the opening quote
        std::u32string out;
        for (unsigned char c; (c = Next()) != '"';) {
            Require(c >= 0x20, "unescaped control character");
            out.push_back(c == '\\' ? Escape() : c < 0x80 ? char32_t{c} : Utf8(c));
        }
        return out;
    }

    char32_t Escape() {
        const char c = static_cast<char>(Next());
        constexpr std::string_view kFrom = "\"\\/bfnrt", kTo = "\"\\/\b\f\n\r\t";
        if (const size_t i = kFrom.find(c); i != std::string_view::npos) {
            return static_cast<char32_t>(kTo[i]);
        }
        Require(c == 'u', "invalid escape");
        const char32_t unit = Hex4();
        Require(unit < 0xDC00 || unit > 0xDFFF, "lone low surrogate");
        if (unit < 0xD800 || unit > 0xDBFF) {
            return unit;
        }
        const char32_t low = Next() == '\\' && Next() == 'u' ? Hex4() : 0;
        Require(low >= 0xDC00 && low <= 0xDFFF, "high surrogate without low surrogate");
        return 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
    }
    char32_t Hex4() {
        char32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            const size_t digit = std::string_view("0123456789abcdef0123456789ABCDEF")
                                     .find(static_cast<char>(Next()));
            Require(digit != std::string_view::npos, "bad \\u escape");
            value = value * 16 + static_cast<char32_t>(digit % 16);
        }
        return value;
    }

    // One UTF-8 encoded code point whose first byte `lead` was already read.
    char32_t Utf8(unsigned char lead) {
        const int extra = lead >= 0xC2 && lead <= 0xDF   ? 1
                          : lead >= 0xE0 && lead <= 0xEF ? 2
                          : lead >= 0xF0 && lead <= 0xF4 ? 3
                                                         : 0;
        Require(extra > 0, "invalid UTF-8 lead byte");
        char32_t cp = lead & (0x3F >> extra);
        for (int i = 0; i < extra; ++i) {
            const unsigned char c = Next();
            Require((c & 0xC0) == 0x80, "invalid UTF-8 continuation byte");
            cp = (cp << 6) | (c & 0x3F);
        }
        const char32_t min[] = {0, 0x80, 0x800, 0x10000};
        Require(cp >= min[extra] && cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF),
                "invalid UTF-8 sequence");
        return cp;
    }

    std::string_view text_;
    size_t pos_ = 0;
};

} // namespace json_detail

inline JsonValue ParseJson(std::string_view text) {
    return json_detail::Parser(text).Document();
}

} // namespace pelmar::test
