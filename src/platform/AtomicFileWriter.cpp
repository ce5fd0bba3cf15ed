#include "platform/AtomicFileWriter.h"

#include "platform/FileReader.h"
#include "platform/PelmarError.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace pelmar {

namespace {

std::optional<WriteFault> g_fault;

std::string ErrnoText(int err) {
    return std::strerror(err);
}

struct TargetInfo {
    std::filesystem::path path; // symbolic links resolved
    mode_t mode = 0;
    uid_t uid = 0;
    gid_t gid = 0;
};

TargetInfo InspectTarget(const std::filesystem::path& target) {
    std::error_code ec;
    std::filesystem::path resolved = std::filesystem::canonical(target, ec);
    if (ec) {
        throw PelmarError(FileMessage(target, "cannot open for writing: " + ec.message()));
    }
    struct stat st {};
    if (::stat(resolved.c_str(), &st) != 0) {
        throw PelmarError(FileMessage(target, "cannot open for writing: " + ErrnoText(errno)));
    }
    if (!S_ISREG(st.st_mode)) {
        throw PelmarError(FileMessage(target, "not a regular file"));
    }
    // The mode bits are tested as well as access(): a user with every right (root) would
    // otherwise replace a file that its owner marked read-only.
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 ||
        ::access(resolved.c_str(), W_OK) != 0) {
        throw PelmarError(FileMessage(target, "the file is read-only; nothing was changed"));
    }
    return {resolved, st.st_mode, st.st_uid, st.st_gid};
}

class TemporaryFile {
public:
    explicit TemporaryFile(const std::filesystem::path& target) {
        std::string pattern = TemporaryFilePrefix(target) + "XXXXXX";
        name_.assign(pattern.begin(), pattern.end());
        name_.push_back('\0');
        fd_ = ::mkstemp(name_.data());
        if (fd_ < 0) {
            throw PelmarError(FileMessage(target, "cannot create a temporary file beside it: " +
                                                      ErrnoText(errno)));
        }
    }
    ~TemporaryFile() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        if (!committed_) {
            ::unlink(name_.data());
        }
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    int fd() const { return fd_; }
    const char* name() const { return name_.data(); }
    int Close() {
        int rc = ::close(fd_);
        fd_ = -1;
        return rc;
    }
    void MarkCommitted() { committed_ = true; }

private:
    std::vector<char> name_;
    int fd_ = -1;
    bool committed_ = false;
};

// Writes `length` bytes, honouring the test fault. Returns 0 or an errno value.
int WriteAll(int fd, const uint8_t* data, size_t length, uint64_t& written) {
    while (length > 0) {
        size_t chunk = length;
        if (g_fault) {
            if (written >= g_fault->afterBytes) {
                if (g_fault->action == WriteFault::Action::Kill) {
                    ::raise(SIGKILL);
                }
                return ENOSPC;
            }
            chunk = static_cast<size_t>(std::min<uint64_t>(chunk, g_fault->afterBytes - written));
        }
        ssize_t n = ::write(fd, data, chunk);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return errno;
        }
        data += n;
        length -= static_cast<size_t>(n);
        written += static_cast<uint64_t>(n);
    }
    return 0;
}

void FlushFolder(const std::filesystem::path& folder) {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

void RemoveStaleTemporaries(const std::filesystem::path& target) {
    const std::string prefix =
        std::filesystem::path(TemporaryFilePrefix(target)).filename().string();
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(target.parent_path(), ec)) {
        const std::string name = entry.path().filename().string();
        if (name.size() == prefix.size() + 6 && name.compare(0, prefix.size(), prefix) == 0) {
            std::filesystem::remove(entry.path(), ec);
        }
    }
}

} // namespace

std::string TemporaryFilePrefix(const std::filesystem::path& target) {
    std::filesystem::path folder = target.parent_path();
    if (folder.empty()) {
        folder = ".";
    }
    return (folder / ("." + target.filename().string() + ".pelmar-")).string();
}

void SetWriteFaultForTesting(std::optional<WriteFault> fault) {
    g_fault = fault;
}

void RequireWritableFile(const std::filesystem::path& target) {
    InspectTarget(target);
}

void ReplaceFileContents(const std::filesystem::path& target,
                         std::span<const std::span<const uint8_t>> pieces) {
    const TargetInfo info = InspectTarget(target);
    TemporaryFile temp(info.path);
    auto fail = [&](const std::string& what, int err) {
        throw PelmarError(
            FileMessage(target, what + ": " + ErrnoText(err) + "; the file was left as it was"));
    };

    uint64_t written = 0;
    for (std::span<const uint8_t> piece : pieces) {
        if (int err = WriteAll(temp.fd(), piece.data(), piece.size(), written)) {
            fail("cannot write the new contents", err);
        }
    }
    if (::fchmod(temp.fd(), info.mode & 07777) != 0) {
        fail("cannot set the permissions of the new contents", errno);
    }
    // Keep the owner where we may; an ordinary user cannot, and then owns the new file.
    [[maybe_unused]] int ignored = ::fchown(temp.fd(), info.uid, info.gid);
    if (::fsync(temp.fd()) != 0) {
        fail("cannot flush the new contents to disk", errno);
    }
    if (temp.Close() != 0) {
        fail("cannot write the new contents", errno);
    }
    if (::rename(temp.name(), info.path.c_str()) != 0) {
        fail("cannot replace the file", errno);
    }
    temp.MarkCommitted();
    FlushFolder(info.path.parent_path());
    RemoveStaleTemporaries(info.path);
}

} // namespace pelmar
