#include "platform/FileReader.h"

#include "platform/LittleEndian.h"
#include "platform/PelmarError.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pelmar {

std::string FileMessage(const std::filesystem::path& path, const std::string& problem) {
    return path.string() + ": " + problem;
}

namespace {

// O_NONBLOCK: opening a named pipe for reading would otherwise wait for a writer for ever;
// it is refused as "not a regular file" just after. Reads of regular files ignore the flag.
int OpenForReading(const std::filesystem::path& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        throw PelmarError(FileMessage(path, std::string("cannot open: ") + std::strerror(errno)));
    }
    return fd;
}

uint64_t RegularFileLength(int fd, const std::filesystem::path& path) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        int err = errno;
        ::close(fd);
        throw PelmarError(FileMessage(path, std::string("cannot read: ") + std::strerror(err)));
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        throw PelmarError(FileMessage(path, "not a regular file"));
    }
    return static_cast<uint64_t>(st.st_size);
}

// Whole files are read in blocks of this size: large enough that the system calls cost
// nothing, small enough that each block's pages are faulted in while its source is still hot.
constexpr size_t kReadBlock = size_t{8} << 20;

// Reads up to `length` bytes at `offset`; returns how many were read (less at end of file).
size_t PreadFully(int fd, const std::filesystem::path& path, uint8_t* out, size_t length,
                  uint64_t offset) {
    size_t done = 0;
    while (done < length) {
        const size_t block = std::min(length - done, kReadBlock);
        ssize_t n = ::pread(fd, out + done, block, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            throw PelmarError(
                FileMessage(path, std::string("read failed: ") + std::strerror(errno)));
        }
        if (n == 0) {
            break;
        }
        done += static_cast<size_t>(n);
    }
    return done;
}

} // namespace

ByteBuffer ReadWholeFile(const std::filesystem::path& path, uint64_t maxSize) {
    int fd = OpenForReading(path);
    uint64_t length = RegularFileLength(fd, path);
    if (length > maxSize) {
        ::close(fd);
        throw PelmarError(FileMessage(path, "the file is too large (" + std::to_string(length) +
                                                " bytes; at most " + std::to_string(maxSize) +
                                                " bytes can be handled)"));
    }
    ByteBuffer buffer(static_cast<size_t>(length));
    size_t got = 0;
    try {
        got = PreadFully(fd, path, buffer.data(), buffer.size(), 0);
    } catch (...) {
        ::close(fd);
        throw;
    }
    ::close(fd);
    // A file shortened while we read it: keep what is there, the caller validates it.
    buffer.Shrink(got);
    return buffer;
}

FileReader::FileReader(const std::filesystem::path& path)
    : path_(path), fd_(OpenForReading(path)), length_(RegularFileLength(fd_, path)) {}

FileReader::~FileReader() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

bool FileReader::Contains(int64_t offset, int64_t length) const {
    return RangeFits(offset, length, static_cast<size_t>(length_));
}

void FileReader::ReadExact(int64_t offset, void* out, size_t length) const {
    if (!Contains(offset, static_cast<int64_t>(length)) ||
        PreadFully(fd_, path_, static_cast<uint8_t*>(out), length, static_cast<uint64_t>(offset)) !=
            length) {
        throw PelmarError(FileMessage(path_, "offset " + std::to_string(offset) +
                                                 " lies outside the file (" +
                                                 std::to_string(length_) + " bytes)"));
    }
}

int32_t FileReader::ReadI32(int64_t offset) const {
    uint8_t word[4];
    ReadExact(offset, word, sizeof word);
    return LoadI32(word);
}

} // namespace pelmar
