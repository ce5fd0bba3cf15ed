#pragma once

#include <cstdint>
#include <exception>
#include <filesystem>
#include <optional>
#include <string>

namespace pelmar {

// What went wrong, for callers that react differently (the window offers to reload a map
// that changed on disk, the CLI exits with a usage status).
enum class ErrorKind {
    Io,        // a file could not be opened, read, locked or written
    BadMap,    // the map's bytes do not hold what a map must
    BadPlugin, // a plugin file is missing, malformed or describes something impossible
    NotFound,  // a tag, struct, chunk or field that was asked for does not exist
    Refused,   // an edit that cannot be made as asked
    Stale,     // the map changed on disk since it was loaded
    Busy,      // another edit holds the map
    Limit,     // a bound on rows, depth or size was reached
    BadValue,  // a value typed by the user does not fit its field
    Cancelled, // the user stopped an operation before it wrote anything
};

// The one exception type of the project. It carries the file, the offset in it and the kind
// as fields; the text for the user is put together once, by Describe, at the front ends.
class PelmarError : public std::exception {
public:
    PelmarError(ErrorKind kind, std::string detail, std::optional<int64_t> offset = {});

    ErrorKind kind() const { return kind_; }
    const std::string& detail() const { return detail_; }
    const std::filesystem::path& file() const { return file_; }
    std::optional<int64_t> offset() const { return offset_; }
    bool mapUnchanged() const { return unchanged_; }

    // Names the file the error is about, unless one is named already.
    PelmarError& InFile(const std::filesystem::path& file);
    // Records that the edit that failed left the map exactly as it was.
    PelmarError& MapUnchanged();

    const char* what() const noexcept override { return text_.c_str(); }

private:
    void Format();
    ErrorKind kind_;
    std::string detail_;
    std::filesystem::path file_;
    std::optional<int64_t> offset_;
    bool unchanged_ = false;
    std::string text_;
};

// "<file>: <detail> (offset N); nothing was changed", each part only where it is known.
std::string Describe(const PelmarError& error);

} // namespace pelmar
