#include "platform/FileAccess.h"

#include "platform/Error.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace pelmar {

namespace {

[[noreturn]] void Fail(const std::filesystem::path& path, const std::string& problem) {
    throw PelmarError(ErrorKind::Io, problem).InFile(path);
}

// Closes the descriptor when it goes away.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

// O_NONBLOCK: opening a named pipe for reading would otherwise wait for a writer for ever; it
// is refused as "not a regular file" just after. Reads of regular files ignore the flag.
int OpenForReading(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        Fail(path, std::string("cannot open: ") + std::strerror(errno));
    }
    return fd;
}

FileIdentity IdentityOfStat(const struct stat& st) {
    FileIdentity id;
    id.device = static_cast<uint64_t>(st.st_dev);
    id.inode = static_cast<uint64_t>(st.st_ino);
    id.size = static_cast<uint64_t>(st.st_size);
    id.modifiedNs = int64_t{st.st_mtim.tv_sec} * 1'000'000'000 + st.st_mtim.tv_nsec;
    id.links = static_cast<uint64_t>(st.st_nlink);
    return id;
}

FileIdentity RegularFileIdentity(int fd, const std::filesystem::path& path) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        Fail(path, std::string("cannot read: ") + std::strerror(errno));
    }
    if (!S_ISREG(st.st_mode)) {
        Fail(path, "not a regular file");
    }
    return IdentityOfStat(st);
}

// Whole files are read in blocks of this size: large enough that the system calls cost
// nothing, small enough that each block's pages are faulted in while its source is still hot.
constexpr size_t kReadBlock = size_t{8} << 20;

// Reads up to `length` bytes at `offset`; returns how many were read (fewer at end of file).
size_t PreadFully(int fd, const std::filesystem::path& path, uint8_t* out, size_t length,
                  uint64_t offset) {
    size_t done = 0;
    while (done < length) {
        const size_t block = std::min(length - done, kReadBlock);
        const ssize_t n = ::pread(fd, out + done, block, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            Fail(path, std::string("read failed: ") + std::strerror(errno));
        }
        if (n == 0) {
            break;
        }
        done += static_cast<size_t>(n);
    }
    return done;
}

} // namespace

FileIdentity IdentityOf(const std::filesystem::path& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        Fail(path, std::string("cannot examine: ") + std::strerror(errno));
    }
    if (!S_ISREG(st.st_mode)) {
        Fail(path, "not a regular file");
    }
    return IdentityOfStat(st);
}

ByteBuffer ReadWholeFile(const std::filesystem::path& path, uint64_t maxSize,
                         FileIdentity* identity) {
    const Descriptor fd(OpenForReading(path));
    const FileIdentity id = RegularFileIdentity(fd.get(), path);
    if (id.size > maxSize) {
        Fail(path, "the file is too large (" + std::to_string(id.size) + " bytes; at most " +
                       std::to_string(maxSize) + " bytes can be handled)");
    }
    ByteBuffer buffer(static_cast<size_t>(id.size));
    // A file shortened while we read it: keep what is there; the caller validates it.
    buffer.Shrink(PreadFully(fd.get(), path, buffer.data(), buffer.size(), 0));
    if (identity != nullptr) {
        *identity = id;
    }
    return buffer;
}

bool ReadFileRange(const std::filesystem::path& path, uint64_t offset, std::span<uint8_t> out) {
    const Descriptor fd(OpenForReading(path));
    return PreadFully(fd.get(), path, out.data(), out.size(), offset) == out.size();
}

} // namespace pelmar
