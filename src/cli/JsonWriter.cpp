#include "cli/JsonWriter.h"

#include <charconv>
#include <cmath>

namespace pelmar::cli {

void AppendJsonString(std::string& out, std::string_view bytes) {
    static const char* const kHex = "0123456789abcdef";
    out.push_back('"');
    size_t plainStart = 0; // start of the run of bytes that need no escaping
    auto flushPlain = [&](size_t end) {
        out.append(bytes.substr(plainStart, end - plainStart));
        plainStart = end + 1;
    };
    for (size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b >= 0x20 && b < 0x7F && b != '"' && b != '\\') {
            continue;
        }
        flushPlain(i);
        if (b == '"' || b == '\\') {
            out.push_back('\\');
            out.push_back(static_cast<char>(b));
        } else if (b < 0x20 || b == 0x7F) {
            out += "\\u00";
            out.push_back(kHex[b >> 4]);
            out.push_back(kHex[b & 0xF]);
        } else {
            // Code point U+0080..U+00FF in UTF-8.
            out.push_back(static_cast<char>(0xC0 | (b >> 6)));
            out.push_back(static_cast<char>(0x80 | (b & 0x3F)));
        }
    }
    flushPlain(bytes.size());
    out.push_back('"');
}

std::string JsonString(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + 2);
    AppendJsonString(out, bytes);
    return out;
}

void JsonWriter::Flush(bool always) {
    constexpr size_t kFlushSize = size_t{1} << 16;
    if (!buffer_.empty() && (always || buffer_.size() >= kFlushSize)) {
        out_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
        buffer_.clear();
    }
}

void JsonWriter::Separate() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (!hasItem_.empty()) {
        if (hasItem_.back()) {
            buffer_.push_back(',');
        }
        hasItem_.back() = true;
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
