#include "StrictJson.h"

#include <charconv>

namespace pelmar::test {

namespace {

constexpr int kMaxDepth = 64;

std::string Narrow(const std::u32string& text) {
    std::string out;
    for (char32_t c : text) {
        if (c >= 0x80) {
            throw JsonError("non-ASCII key");
        }
        out.push_back(static_cast<char>(c));
    }
    return out;
}

class Parser {
public:
    explicit Parser(std::string_view text) : text_(text) {}

    JsonValue Document() {
        SkipSpace();
        JsonValue value = Value(0);
        SkipSpace();
        if (pos_ != text_.size()) {
            Fail("text after the value");
        }
        return value;
    }

private:
    [[noreturn]] void Fail(const std::string& what) const {
        throw JsonError("JSON error at byte " + std::to_string(pos_) + ": " + what);
    }

    bool AtEnd() const { return pos_ >= text_.size(); }
    unsigned char Peek() const { return AtEnd() ? 0 : static_cast<unsigned char>(text_[pos_]); }
    unsigned char Next() {
        if (AtEnd()) {
            Fail("unexpected end");
        }
        return static_cast<unsigned char>(text_[pos_++]);
    }
    void Expect(char c) {
        if (Next() != static_cast<unsigned char>(c)) {
            --pos_;
            Fail(std::string("expected '") + c + "'");
        }
    }
    void SkipSpace() {
        while (Peek() == ' ' || Peek() == '\t' || Peek() == '\n' || Peek() == '\r') {
            ++pos_;
        }
    }
    void Literal(std::string_view word) {
        if (text_.substr(pos_, word.size()) != word) {
            Fail("unknown literal");
        }
        pos_ += word.size();
    }

    JsonValue Value(int depth) {
        if (depth > kMaxDepth) {
            Fail("nested too deeply");
        }
        JsonValue v;
        switch (Peek()) {
        case '{':
            v.kind = JsonValue::Kind::Object;
            ObjectBody(v, depth);
            break;
        case '[':
            v.kind = JsonValue::Kind::Array;
            ArrayBody(v, depth);
            break;
        case '"':
            v.kind = JsonValue::Kind::String;
            v.string = String();
            break;
        case 't':
            Literal("true");
            v.kind = JsonValue::Kind::Bool;
            v.boolean = true;
            break;
        case 'f':
            Literal("false");
            v.kind = JsonValue::Kind::Bool;
            break;
        case 'n':
            Literal("null");
            break;
        default:
            v.kind = JsonValue::Kind::Number;
            v.number = Number();
        }
        return v;
    }

    void ObjectBody(JsonValue& v, int depth) {
        Expect('{');
        SkipSpace();
        if (Peek() == '}') {
            ++pos_;
            return;
        }
        for (;;) {
            SkipSpace();
            if (Peek() != '"') {
                Fail("expected a key");
            }
            std::u32string key = String();
            for (const auto& member : v.object) {
                if (member.first == key) {
                    Fail("repeated key");
                }
            }
            SkipSpace();
            Expect(':');
            SkipSpace();
            v.object.emplace_back(std::move(key), Value(depth + 1));
            SkipSpace();
            if (Next() == '}') {
                return;
            }
            --pos_;
            Expect(',');
        }
    }

    void ArrayBody(JsonValue& v, int depth) {
        Expect('[');
        SkipSpace();
        if (Peek() == ']') {
            ++pos_;
            return;
        }
        for (;;) {
            SkipSpace();
            v.array.push_back(Value(depth + 1));
            SkipSpace();
            if (Next() == ']') {
                return;
            }
            --pos_;
            Expect(',');
        }
    }

    std::string Number() {
        const size_t start = pos_;
        if (Peek() == '-') {
            ++pos_;
        }
        if (Peek() == '0') {
            ++pos_;
        } else if (Peek() >= '1' && Peek() <= '9') {
            Digits();
        } else {
            Fail("expected a value");
        }
        if (Peek() == '.') {
            ++pos_;
            Digits();
        }
        if (Peek() == 'e' || Peek() == 'E') {
            ++pos_;
            if (Peek() == '+' || Peek() == '-') {
                ++pos_;
            }
            Digits();
        }
        return std::string(text_.substr(start, pos_ - start));
    }

    void Digits() {
        if (!(Peek() >= '0' && Peek() <= '9')) {
            Fail("expected a digit");
        }
        while (Peek() >= '0' && Peek() <= '9') {
            ++pos_;
        }
    }

    uint32_t Hex4() {
        uint32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            const unsigned char c = Next();
            value <<= 4;
            if (c >= '0' && c <= '9') {
                value |= c - '0';
            } else if (c >= 'a' && c <= 'f') {
                value |= c - 'a' + 10;
            } else if (c >= 'A' && c <= 'F') {
                value |= c - 'A' + 10;
            } else {
                Fail("bad \\u escape");
            }
        }
        return value;
    }

    char32_t Escape() {
        switch (Next()) {
        case '"':
            return U'"';
        case '\\':
            return U'\\';
        case '/':
            return U'/';
        case 'b':
            return U'\b';
        case 'f':
            return U'\f';
        case 'n':
            return U'\n';
        case 'r':
            return U'\r';
        case 't':
            return U'\t';
        case 'u':
            break;
        default:
            Fail("invalid escape");
        }
        const uint32_t unit = Hex4();
        if (unit >= 0xDC00 && unit <= 0xDFFF) {
            Fail("lone low surrogate");
        }
        if (unit < 0xD800 || unit > 0xDBFF) {
            return unit;
        }
        Expect('\\');
        Expect('u');
        const uint32_t low = Hex4();
        if (low < 0xDC00 || low > 0xDFFF) {
            Fail("high surrogate without low surrogate");
        }
        return 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
    }

    // One UTF-8 encoded code point whose first byte `lead` was already read.
    char32_t Utf8(unsigned char lead) {
        int extra = 0;
        char32_t cp = 0;
        char32_t min = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            extra = 1, cp = lead & 0x1F, min = 0x80;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            extra = 2, cp = lead & 0x0F, min = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            extra = 3, cp = lead & 0x07, min = 0x10000;
        } else {
            Fail("invalid UTF-8 lead byte");
        }
        for (int i = 0; i < extra; ++i) {
            const unsigned char c = Next();
            if ((c & 0xC0) != 0x80) {
                Fail("invalid UTF-8 continuation byte");
            }
            cp = (cp << 6) | (c & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            Fail("invalid UTF-8 sequence");
        }
        return cp;
    }

    std::u32string String() {
        Expect('"');
        std::u32string out;
        for (;;) {
            const unsigned char c = Next();
            if (c == '"') {
                return out;
            }
            if (c < 0x20) {
                --pos_;
                Fail("unescaped control character");
            }
            if (c == '\\') {
                out.push_back(Escape());
            } else if (c < 0x80) {
                out.push_back(c);
            } else {
                out.push_back(Utf8(c));
            }
        }
    }

    std::string_view text_;
    size_t pos_ = 0;
};

} // namespace

const JsonValue& JsonValue::operator[](std::string_view key) const {
    if (kind != Kind::Object) {
        throw JsonError("not an object");
    }
    for (const auto& member : object) {
        if (Narrow(member.first) == key) {
            return member.second;
        }
    }
    throw JsonError("no member " + std::string(key));
}

const JsonValue& JsonValue::at(size_t i) const {
    if (kind != Kind::Array || i >= array.size()) {
        throw JsonError("no element " + std::to_string(i));
    }
    return array[i];
}

int64_t JsonValue::Int() const {
    if (kind != Kind::Number || number.find_first_of(".eE") != std::string::npos) {
        throw JsonError("not an integer: " + number);
    }
    int64_t value = 0;
    const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (ec != std::errc() || end != number.data() + number.size()) {
        throw JsonError("integer out of range: " + number);
    }
    return value;
}

std::string JsonValue::Bytes() const {
    if (kind != Kind::String) {
        throw JsonError("not a string");
    }
    std::string out;
    for (char32_t c : string) {
        if (c > 0xFF) {
            throw JsonError("code point above U+00FF in a byte string");
        }
        out.push_back(static_cast<char>(c));
    }
    return out;
}

std::vector<std::string> JsonValue::Keys() const {
    if (kind != Kind::Object) {
        throw JsonError("not an object");
    }
    std::vector<std::string> keys;
    for (const auto& member : object) {
        keys.push_back(Narrow(member.first));
    }
    return keys;
}

JsonValue ParseJson(std::string_view text) {
    return Parser(text).Document();
}

} // namespace pelmar::test
