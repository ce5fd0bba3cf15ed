#include "platform/EditLock.h"

#include "platform/Error.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace pelmar {

namespace {

int OpenForLock(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        throw PelmarError(ErrorKind::Io, std::string("cannot open: ") + std::strerror(errno))
            .InFile(path);
    }
    return fd;
}

// True when `fd` is still the file that `path` names.
bool StillNamed(int fd, const std::filesystem::path& path) {
    struct stat held {};
    struct stat named {};
    return ::fstat(fd, &held) == 0 && ::stat(path.c_str(), &named) == 0 &&
           held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

} // namespace

EditLock EditLock::Acquire(const std::filesystem::path& path, std::chrono::milliseconds patience) {
    const auto deadline = std::chrono::steady_clock::now() + patience;
    for (;;) {
        const int fd = OpenForLock(path);
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            if (StillNamed(fd, path)) {
                return EditLock(fd);
            }
            ::close(fd); // replaced while we waited: lock the new file
            continue;
        }
        const int err = errno;
        ::close(fd);
        if (err != EWOULDBLOCK && err != EINTR) {
            throw PelmarError(ErrorKind::Io, std::string("cannot lock: ") + std::strerror(err))
                .InFile(path);
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            throw PelmarError(ErrorKind::Busy,
                              "another program is editing this map; try again when it is done")
                .InFile(path);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

EditLock::~EditLock() {
    Release();
}

EditLock::EditLock(EditLock&& other) noexcept : fd_(other.fd_) {
    other.fd_ = -1;
}

EditLock& EditLock::operator=(EditLock&& other) noexcept {
    if (this != &other) {
        Release();
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

void EditLock::Release() {
    if (fd_ >= 0) {
        ::close(fd_); // closing the descriptor releases the flock
        fd_ = -1;
    }
}

bool IsEditLocked(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return false;
    }
    const bool busy = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return busy;
}

} // namespace pelmar
