#pragma once

#include "platform/ByteBuffer.h"

#include <cstdint>
#include <filesystem>
#include <string>

namespace pelmar {

// Reads a whole file into memory with a few large reads. Throws PelmarError naming the
// file when it cannot be opened or read, or when it is larger than `maxSize` bytes.
ByteBuffer ReadWholeFile(const std::filesystem::path& path, uint64_t maxSize);

// An open, read-only file for small reads at given positions (counts and pointers while a
// tree is expanded). Every read is bounds-checked against the file's current length, so a
// file shortened behind our back gives an error, never a crash.
class FileReader {
public:
    explicit FileReader(const std::filesystem::path& path);
    ~FileReader();
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    uint64_t Length() const { return length_; }
    // True when the `length` bytes at `offset` lie inside the file.
    bool Contains(int64_t offset, int64_t length) const;
    int32_t ReadI32(int64_t offset) const;
    void ReadExact(int64_t offset, void* out, size_t length) const;

private:
    std::filesystem::path path_;
    int fd_ = -1;
    uint64_t length_ = 0;
};

// "<path>: <problem>", the shape of every message about a file.
std::string FileMessage(const std::filesystem::path& path, const std::string& problem);

} // namespace pelmar
