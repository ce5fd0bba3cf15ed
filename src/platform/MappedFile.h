#pragma once

#include "platform/ByteSource.h"
#include "platform/FileAccess.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>

namespace pelmar {

// A whole regular file mapped read-only: its bytes come from disk only as they are read, so
// opening a large map costs what is looked at, not its size. Changes written to the file in
// place show through. If another program cuts the file short while it is mapped, reading past
// its new end gives zero bytes instead of ending the program, and Truncated() says so.
// As a ByteSource, it reads through the file itself instead of the mapping: a pass over the
// whole file then costs one copy, without mapping and unmapping every page.
class MappedFile : public ByteSource {
public:
    // Maps the file at `path`, and gives its identity as it was when opened. Throws PelmarError
    // (Io) naming the file when it cannot be opened, is not a regular file or is larger than
    // `maxSize` bytes.
    static std::shared_ptr<const MappedFile>
    Open(const std::filesystem::path& path, uint64_t maxSize, FileIdentity* identity = nullptr);
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    std::span<const uint8_t> bytes() const { return {data_, size_}; }
    uint64_t size() const override { return size_; }
    // Throws PelmarError (Stale) when the file no longer holds the bytes (it was cut short).
    void Read(uint64_t at, std::span<uint8_t> out) const override;
    bool Truncated() const { return truncated_.load(); }
    // Lets go of the pages of [offset, offset + length) that were read: they stay in the
    // system's cache and are read again when used. Keeps the memory of a pass over a large
    // file to what the pass holds at once.
    void Release(uint64_t offset, uint64_t length) const;
    // Drops the file's pages of [offset, offset + length) from the system's cache as well, for a
    // file about to be replaced: freeing them as a pass goes spares the replacement freeing all
    // of them at once.
    void Forget(uint64_t offset, uint64_t length) const;

private:
    MappedFile() = default;
    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
    int fd_ = -1;
    mutable std::atomic<bool> truncated_{false};
};

} // namespace pelmar
