#include "cli/JsonWriter.h"

namespace pelmar::cli {

std::string JsonString(std::string_view bytes) {
    static const char* const kHex = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() + 2);
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
    return out;
}

void JsonWriter::Separate() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (!hasItem_.empty()) {
        if (hasItem_.back()) {
            out_ << ',';
        }
        hasItem_.back() = true;
    }
}

JsonWriter& JsonWriter::BeginObject() {
    Separate();
    out_ << '{';
    hasItem_.push_back(false);
    return *this;
}

JsonWriter& JsonWriter::EndObject() {
    hasItem_.pop_back();
    out_ << '}';
    if (hasItem_.empty()) {
        out_ << '\n';
    }
    return *this;
}

JsonWriter& JsonWriter::BeginArray() {
    Separate();
    out_ << '[';
    hasItem_.push_back(false);
    return *this;
}

JsonWriter& JsonWriter::EndArray() {
    hasItem_.pop_back();
    out_ << ']';
    return *this;
}

JsonWriter& JsonWriter::Key(std::string_view key) {
    Separate();
    out_ << JsonString(key) << ':';
    afterKey_ = true;
    return *this;
}

JsonWriter& JsonWriter::String(std::string_view bytes) {
    Separate();
    out_ << JsonString(bytes);
    return *this;
}

JsonWriter& JsonWriter::Int(int64_t value) {
    Separate();
    out_ << value;
    return *this;
}

JsonWriter& JsonWriter::Bool(bool value) {
    Separate();
    out_ << (value ? "true" : "false");
    return *this;
}

JsonWriter& JsonWriter::Null() {
    Separate();
    out_ << "null";
    return *this;
}

} // namespace pelmar::cli
