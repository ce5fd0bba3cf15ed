#pragma once

#include "platform/ByteBuffer.h"

#include <cstdint>
#include <filesystem>
#include <span>

namespace pelmar {

// What tells one file from another, and one version of it from the next: a file replaced by
// a rename has another inode, a file written in place another size or modification time.
struct FileIdentity {
    uint64_t device = 0;
    uint64_t inode = 0;
    uint64_t size = 0;
    int64_t modifiedNs = 0;
    uint64_t links = 0;

    bool SameVersion(const FileIdentity& o) const {
        return device == o.device && inode == o.inode && size == o.size &&
               modifiedNs == o.modifiedNs;
    }
};

// The identity of the regular file at `path`. Throws PelmarError (Io) naming the file when it
// cannot be examined or is not a regular file.
FileIdentity IdentityOf(const std::filesystem::path& path);

// Reads a whole regular file into memory with a few large reads, and its identity as it was
// when opened. Throws PelmarError (Io) naming the file when it cannot be opened or read, or
// when it is larger than `maxSize` bytes.
ByteBuffer ReadWholeFile(const std::filesystem::path& path, uint64_t maxSize,
                         FileIdentity* identity = nullptr);

// Reads `out.size()` bytes at `offset`; returns false when the file is shorter than that.
bool ReadFileRange(const std::filesystem::path& path, uint64_t offset, std::span<uint8_t> out);

} // namespace pelmar
