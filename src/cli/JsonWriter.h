#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace pelmar::cli {

// A small streaming JSON writer for the CLI's machine-readable output. Strings are raw
// bytes: each byte is written as the Unicode code point of the same value, so any byte
// string (class codes, tag names) yields valid JSON. Text is gathered in a buffer and
// handed to the stream in large pieces; everything is written once the outermost value is
// complete or the writer goes away.
class JsonWriter {
public:
    explicit JsonWriter(std::ostream& out) : out_(out) { buffer_.reserve(kFlushSize + 4096); }
    ~JsonWriter() { Flush(); }
    JsonWriter(const JsonWriter&) = delete;
    JsonWriter& operator=(const JsonWriter&) = delete;

    JsonWriter& BeginObject();
    JsonWriter& EndObject();
    JsonWriter& BeginArray();
    JsonWriter& EndArray();
    JsonWriter& Key(std::string_view key);
    JsonWriter& String(std::string_view bytes);
    JsonWriter& Int(int64_t value);
    // The shortest decimal form that reads back as the same double; null for NaN and infinities,
    // which JSON cannot hold.
    JsonWriter& Double(double value);
    // The same for a float: the fewest digits that read back as the same float.
    JsonWriter& Float(float value);
    JsonWriter& Bool(bool value);
    JsonWriter& Null();

private:
    // The comma before an item that follows another in its object or array.
    void Separate() {
        if (afterKey_) {
            afterKey_ = false;
        } else if (!hasItem_.empty()) {
            if (hasItem_.back()) {
                buffer_.push_back(',');
            }
            hasItem_.back() = true;
        }
    }
    // Hands the buffer to the stream when it holds kFlushSize bytes or `always` is set.
    static constexpr size_t kFlushSize = size_t{1} << 16;
    void Flush(bool always = true);
    std::ostream& out_;
    std::string buffer_;
    std::vector<bool> hasItem_;
    bool afterKey_ = false;
};

// `bytes` as a JSON string literal, quotes included.
std::string JsonString(std::string_view bytes);
// Appends JsonString(bytes) to `out`.
void AppendJsonString(std::string& out, std::string_view bytes);

} // namespace pelmar::cli
