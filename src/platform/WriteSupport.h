#pragma once

// Pieces shared by the crash-safe writers: a temporary file beside the target, whole writes
// that honour the test faults, and flushing a folder.

#include "platform/SafeWriter.h"

#include <string>
#include <vector>

namespace pelmar::writer {

[[noreturn]] void Fail(const std::filesystem::path& target, const std::string& what, int err);

// A temporary file beside the target, removed again unless it was committed.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::filesystem::path& target);
    ~TemporaryFile();
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    int fd() const { return fd_; }
    const char* name() const { return name_.data(); }
    // Closes the file; an error of the last writes may only show here.
    int Close();
    void MarkCommitted() { committed_ = true; }

private:
    std::vector<char> name_;
    int fd_ = -1;
    bool committed_ = false;
};

// Counts the bytes written by one replacement and applies the test faults to them.
class WriteCounter {
public:
    explicit WriteCounter(const WriteFaults* faults) : faults_(faults) {}
    // Writes `length` bytes at `position` of `fd`. Returns 0 or an errno value.
    int WriteAt(int fd, const uint8_t* data, size_t length, uint64_t position);
    // Writes the pieces one after the other from position 0; returns 0 or an errno value.
    int WritePieces(int fd, Pieces pieces);

private:
    const WriteFaults* faults_;
    uint64_t written_ = 0;
};

void FlushFolder(const std::filesystem::path& folder);

// Writes `patches` into the target's own inode through a journal (InPlaceWriter.cpp).
void PatchInPlace(const std::filesystem::path& target, std::span<const FilePatch> patches,
                  uint64_t length, WriteCounter& counter);

} // namespace pelmar::writer
