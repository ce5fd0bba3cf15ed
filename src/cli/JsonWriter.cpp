#include "cli/JsonWriter.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace pelmar::cli {

namespace {

bool IsPlain(unsigned char b) {
    return b >= 0x20 && b < 0x7F && b != '"' && b != '\\';
}

// Writes `bytes` as a JSON string literal at `p`, which has room for 6 characters a byte and
// the quotes; returns the end of what it wrote.
char* WriteJsonString(char* p, std::string_view bytes) {
    static const char* const kHex = "0123456789abcdef";
    *p++ = '"';
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (IsPlain(b)) {
            *p++ = c;
        } else if (b == '"' || b == '\\') {
            *p++ = '\\';
            *p++ = c;
        } else if (b < 0x20 || b == 0x7F) {
            std::memcpy(p, "\\u00", 4);
            p[4] = kHex[b >> 4];
            p[5] = kHex[b & 0xF];
            p += 6;
        } else { // code point U+0080..U+00FF in UTF-8
            *p++ = static_cast<char>(0xC0 | (b >> 6));
            *p++ = static_cast<char>(0x80 | (b & 0x3F));
        }
    }
    *p++ = '"';
    return p;
}

} // namespace

void AppendJsonString(std::string& out, std::string_view bytes) {
    // Short strings (class codes, keys, most names) are written on the stack and appended once;
    // tag names hold backslashes, so most need some escaping.
    constexpr size_t kShort = 256;
    if (bytes.size() <= kShort) {
        char local[6 * kShort + 2];
        out.append(local, static_cast<size_t>(WriteJsonString(local, bytes) - local));
        return;
    }
    const size_t at = out.size();
    out.resize(at + 6 * bytes.size() + 2);
    out.resize(static_cast<size_t>(WriteJsonString(out.data() + at, bytes) - out.data()));
}

std::string JsonString(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + 2);
    AppendJsonString(out, bytes);
    return out;
}

void JsonWriter::Flush(bool always) {
    if (!buffer_.empty() && (always || buffer_.size() >= kFlushSize)) {
        out_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
        buffer_.clear();
    }
}

JsonWriter& JsonWriter::BeginObject() {
    Separate();
    buffer_.push_back('{');
    hasItem_.push_back(false);
    return *this;
}

JsonWriter& JsonWriter::EndObject() {
    hasItem_.pop_back();
    buffer_.push_back('}');
    if (hasItem_.empty()) {
        buffer_.push_back('\n');
    }
    Flush(hasItem_.empty());
    return *this;
}

JsonWriter& JsonWriter::BeginArray() {
    Separate();
    buffer_.push_back('[');
    hasItem_.push_back(false);
    return *this;
}

JsonWriter& JsonWriter::EndArray() {
    hasItem_.pop_back();
    buffer_.push_back(']');
    Flush(hasItem_.empty());
    return *this;
}

JsonWriter& JsonWriter::Key(std::string_view key) {
    Separate();
    AppendJsonString(buffer_, key);
    buffer_.push_back(':');
    afterKey_ = true;
    return *this;
}

JsonWriter& JsonWriter::String(std::string_view bytes) {
    Separate();
    AppendJsonString(buffer_, bytes);
    return *this;
}

JsonWriter& JsonWriter::Int(int64_t value) {
    Separate();
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    buffer_.append(digits, result.ptr);
    return *this;
}

namespace {

// The shortest decimal form of `value` that reads back as the same value.
template <typename Number> void AppendShortest(std::string& out, Number value) {
    char digits[32];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, result.ptr);
}

} // namespace

JsonWriter& JsonWriter::Double(double value) {
    if (!std::isfinite(value)) {
        return Null();
    }
    Separate();
    AppendShortest(buffer_, value);
    return *this;
}

JsonWriter& JsonWriter::Float(float value) {
    if (!std::isfinite(value)) {
        return Null();
    }
    Separate();
    AppendShortest(buffer_, value);
    return *this;
}

JsonWriter& JsonWriter::Bool(bool value) {
    Separate();
    buffer_ += value ? "true" : "false";
    return *this;
}

JsonWriter& JsonWriter::Null() {
    Separate();
    buffer_ += "null";
    return *this;
}

} // namespace pelmar::cli
