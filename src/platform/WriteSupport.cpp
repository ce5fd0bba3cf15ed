#include "platform/WriteSupport.h"

#include "platform/Error.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace pelmar::writer {

void Fail(const std::filesystem::path& target, const std::string& what, int err) {
    throw PelmarError(ErrorKind::Io,
                      what + ": " + std::strerror(err) + "; the file was left as it was")
        .InFile(target);
}

TemporaryFile::TemporaryFile(const std::filesystem::path& target) {
    const std::string pattern = TemporaryFilePrefix(target) + "XXXXXX";
    name_.assign(pattern.begin(), pattern.end());
    name_.push_back('\0');
    fd_ = ::mkostemp(name_.data(), O_CLOEXEC);
    if (fd_ < 0) {
        Fail(target, "cannot create a temporary file beside it", errno);
    }
}

TemporaryFile::~TemporaryFile() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
    if (!committed_) {
        ::unlink(name_.data());
    }
}

int TemporaryFile::Close() {
    const int rc = ::close(fd_);
    fd_ = -1;
    return rc;
}

// Writes go to the kernel in pieces of this size. A larger write makes the kernel take large
// page-cache blocks for it, which, on a virtual machine whose idle memory was handed back to the
// host, cost several times more to fill (measured: 256 MiB in 4 MiB writes 0.6-1.1 s, in
// 256 KiB writes 0.13 s).
constexpr size_t kWritePiece = size_t{256} << 10;

int WriteCounter::WriteAt(int fd, const uint8_t* data, size_t length, uint64_t position) {
    while (length > 0) {
        size_t chunk = std::min(length, kWritePiece);
        if (faults_ != nullptr) {
            if (const int err = faults_->BeforeWrite(written_, chunk)) {
                return err;
            }
        }
        const ssize_t n = ::pwrite(fd, data, chunk, static_cast<off_t>(position));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return errno;
        }
        data += n;
        length -= static_cast<size_t>(n);
        position += static_cast<uint64_t>(n);
        written_ += static_cast<uint64_t>(n);
    }
    return 0;
}

int WriteCounter::WritePieces(int fd, Pieces pieces) {
    uint64_t position = 0;
    for (std::span<const uint8_t> piece : pieces) {
        if (const int err = WriteAt(fd, piece.data(), piece.size(), position)) {
            return err;
        }
        position += piece.size();
    }
    return 0;
}

void FlushFolder(const std::filesystem::path& folder) {
    const int fd =
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace pelmar::writer

namespace pelmar {

std::string TemporaryFilePrefix(const std::filesystem::path& target) {
    std::filesystem::path folder = target.parent_path();
    if (folder.empty()) {
        folder = ".";
    }
    return (folder / ("." + target.filename().string() + ".pelmar-")).string();
}

std::filesystem::path JournalPath(const std::filesystem::path& target) {
    return TemporaryFilePrefix(target) + "journal";
}

} // namespace pelmar
