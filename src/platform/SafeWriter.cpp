#include "platform/SafeWriter.h"

#include "platform/Error.h"
#include "platform/MappedFile.h"
#include "platform/WriteSupport.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace pelmar {

namespace {

using writer::Fail;
using writer::TemporaryFile;

struct Target {
    std::filesystem::path path; // symbolic links resolved
    struct stat st {};
};

Target Inspect(const std::filesystem::path& target) {
    std::error_code ec;
    Target t{std::filesystem::canonical(target, ec), {}};
    if (ec) {
        throw PelmarError(ErrorKind::Io, "cannot open for writing: " + ec.message()).InFile(target);
    }
    if (::stat(t.path.c_str(), &t.st) != 0) {
        Fail(target, "cannot open for writing", errno);
    }
    if (!S_ISREG(t.st.st_mode)) {
        throw PelmarError(ErrorKind::Io, "not a regular file").InFile(target);
    }
    // The mode bits are tested as well as access(): a user with every right (root) would
    // otherwise replace a file that its owner marked read-only.
    if ((t.st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 ||
        ::access(t.path.c_str(), W_OK) != 0) {
        throw PelmarError(ErrorKind::Io, "the file is read-only").InFile(target);
    }
    return t;
}

// Copies every extended attribute (POSIX ACLs are stored as such) of `from` to `fd`. Returns
// false when one cannot be copied.
bool CopyAttributes(const std::filesystem::path& from, int fd) {
    const ssize_t listSize = ::listxattr(from.c_str(), nullptr, 0);
    if (listSize <= 0) {
        return listSize == 0 || errno == ENOTSUP;
    }
    std::vector<char> names(static_cast<size_t>(listSize));
    const ssize_t got = ::listxattr(from.c_str(), names.data(), names.size());
    if (got < 0) {
        return false;
    }
    for (size_t at = 0; at < static_cast<size_t>(got); at += std::strlen(names.data() + at) + 1) {
        const char* name = names.data() + at;
        const ssize_t valueSize = ::getxattr(from.c_str(), name, nullptr, 0);
        std::vector<char> value(static_cast<size_t>(valueSize > 0 ? valueSize : 0));
        if (valueSize < 0 || ::getxattr(from.c_str(), name, value.data(), value.size()) < 0 ||
            ::fsetxattr(fd, name, value.data(), value.size(), 0) != 0) {
            return false;
        }
    }
    return true;
}

// Gives the temporary file what the original has beyond its bytes. False when a rename would
// lose something of it.
bool TakeOverIdentity(const Target& t, int fd) {
    if (::fchmod(fd, t.st.st_mode & 07777) != 0) {
        return false;
    }
    if (::fchown(fd, t.st.st_uid, t.st.st_gid) != 0) {
        return false;
    }
    // fchown may clear the set-id bits; put them back.
    return ::fchmod(fd, t.st.st_mode & 07777) == 0 && CopyAttributes(t.path, fd);
}

void RequireVersion(const std::filesystem::path& target, const ReplaceOptions& options) {
    if (options.expected && !IdentityOf(target).SameVersion(*options.expected)) {
        throw PelmarError(ErrorKind::Stale,
                          "the map changed on disk since it was loaded; load it again")
            .InFile(target);
    }
}

bool IsTemporaryName(const std::string& name, const std::string& prefix) {
    if (name.size() != prefix.size() + 6 || name.compare(0, prefix.size(), prefix) != 0) {
        return false;
    }
    for (size_t i = prefix.size(); i < name.size(); ++i) {
        const char c = name[i];
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) {
            return false;
        }
    }
    return true;
}

// Removes the temporary files of earlier, interrupted writes of `target`: exactly the
// writer's name pattern, regular files of this user, older than this edit. The caller holds
// the map's EditLock, so none of them belongs to an edit that is still running.
void RemoveLeftovers(const std::filesystem::path& target, const struct timespec& editStart) {
    const std::string prefix =
        std::filesystem::path(TemporaryFilePrefix(target)).filename().string();
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(target.parent_path(), ec)) {
        const std::string name = entry.path().filename().string();
        struct stat st {};
        if (!IsTemporaryName(name, prefix) || ::lstat(entry.path().c_str(), &st) != 0 ||
            !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) {
            continue;
        }
        const bool older =
            st.st_mtim.tv_sec < editStart.tv_sec ||
            (st.st_mtim.tv_sec == editStart.tv_sec && st.st_mtim.tv_nsec < editStart.tv_nsec);
        if (older) {
            std::filesystem::remove(entry.path(), ec);
        }
    }
}

} // namespace

namespace {

// Writes the contents to a file through the write counter, and starts the writeback of each
// block at once, so that the final flush has little left to do.
class FileSink : public ByteSink {
public:
    FileSink(const std::filesystem::path& target, int fd, writer::WriteCounter& counter)
        : target_(target), fd_(fd), counter_(counter) {}
    void Append(std::span<const uint8_t> bytes) override {
        Overwrite(at_, bytes);
        ::sync_file_range(fd_, static_cast<off_t>(at_), static_cast<off_t>(bytes.size()),
                          SYNC_FILE_RANGE_WRITE);
        at_ += bytes.size();
    }
    void Overwrite(uint64_t at, std::span<const uint8_t> bytes) override {
        if (const int err = counter_.WriteAt(fd_, bytes.data(), bytes.size(), at)) {
            Fail(target_, "cannot write the new contents", err);
        }
    }

private:
    const std::filesystem::path& target_;
    int fd_;
    writer::WriteCounter& counter_;
    uint64_t at_ = 0;
};

// Collects the contents in memory, for writing them into the file itself.
class BufferSink : public ByteSink {
public:
    explicit BufferSink(ByteBuffer& out) : out_(out) {}
    void Append(std::span<const uint8_t> bytes) override {
        Overwrite(at_, bytes);
        at_ += bytes.size();
    }
    void Overwrite(uint64_t at, std::span<const uint8_t> bytes) override {
        if (at + bytes.size() > out_.size()) {
            throw PelmarError(ErrorKind::Io, "the new contents are longer than announced");
        }
        std::memcpy(out_.data() + at, bytes.data(), bytes.size());
    }

private:
    ByteBuffer& out_;
    uint64_t at_ = 0;
};

} // namespace

WriteMethod ReplaceFile(const std::filesystem::path& target, uint64_t length,
                        const ContentWriter& write, const ReplaceOptions& options) {
    struct timespec editStart {};
    ::clock_gettime(CLOCK_REALTIME, &editStart);
    const Target t = Inspect(target);
    writer::WriteCounter counter(options.faults);
    const auto inPlace = [&] {
        auto contents = std::make_shared<ByteBuffer>(static_cast<size_t>(length));
        BufferSink sink(*contents);
        write(sink);
        if (options.check) {
            options.check(contents, contents->span());
        }
        RequireVersion(target, options);
        const FilePatch whole{0, contents->span()};
        writer::PatchInPlace(t.path, std::span(&whole, 1), length, counter);
        return WriteMethod::InPlace;
    };
    if (t.st.st_nlink > 1) {
        return inPlace(); // a new file would split the links
    }
    TemporaryFile temp(t.path);
    FileSink sink(target, temp.fd(), counter);
    write(sink);
    if (!TakeOverIdentity(t, temp.fd())) {
        return inPlace(); // a new file would lose its owner, group or attributes
    }
    // The check reads the new contents while the disk is still taking in their last blocks,
    // whose writeback each Append started; the flush then waits for what is left.
    std::shared_ptr<const MappedFile> written;
    FileIdentity writtenIdentity;
    if (options.check) {
        written = MappedFile::Open(temp.name(), ~uint64_t{0}, &writtenIdentity);
        options.check(written, written->bytes());
    }
    if (::fsync(temp.fd()) != 0) {
        Fail(target, "cannot flush the new contents to disk", errno);
    }
    if (temp.Close() != 0) {
        Fail(target, "cannot write the new contents", errno);
    }
    RequireVersion(target, options);
    if (::rename(temp.name(), t.path.c_str()) != 0) {
        Fail(target, "cannot replace the file", errno);
    }
    temp.MarkCommitted();
    writer::FlushFolder(t.path.parent_path());
    RemoveLeftovers(t.path, editStart);
    if (options.replacement != nullptr && written) {
        *options.replacement = {written, writtenIdentity};
    }
    return WriteMethod::Renamed;
}

WriteMethod ReplaceFile(const std::filesystem::path& target, Pieces pieces,
                        const ReplaceOptions& options) {
    uint64_t length = 0;
    for (std::span<const uint8_t> piece : pieces) {
        length += piece.size();
    }
    return ReplaceFile(
        target, length,
        [&](ByteSink& sink) {
            for (std::span<const uint8_t> piece : pieces) {
                sink.Append(piece);
            }
        },
        options);
}

void WriteNewFile(const std::filesystem::path& target, Pieces pieces, bool overwrite,
                  const WriteFaults* faults) {
    struct stat existing {};
    if (!overwrite && ::lstat(target.c_str(), &existing) == 0) {
        throw PelmarError(ErrorKind::Refused, "the file exists; give --force to replace it")
            .InFile(target);
    }
    TemporaryFile temp(target);
    writer::WriteCounter counter(faults);
    if (const int err = counter.WritePieces(temp.fd(), pieces)) {
        Fail(target, "cannot write", err);
    }
    const mode_t mask = ::umask(0);
    ::umask(mask);
    if (::fchmod(temp.fd(), 0666 & ~mask) != 0 || ::fsync(temp.fd()) != 0) {
        Fail(target, "cannot flush the new file to disk", errno);
    }
    if (temp.Close() != 0) {
        Fail(target, "cannot write", errno);
    }
    // link() refuses an existing name atomically; rename() replaces it (a link itself, not
    // the file it points to).
    if (overwrite ? ::rename(temp.name(), target.c_str()) != 0
                  : ::link(temp.name(), target.c_str()) != 0) {
        const int err = errno;
        if (err == EEXIST) {
            throw PelmarError(ErrorKind::Refused, "the file exists; give --force to replace it")
                .InFile(target);
        }
        Fail(target, "cannot create the file", err);
    }
    if (overwrite) {
        temp.MarkCommitted();
    }
    writer::FlushFolder(target.parent_path());
}

} // namespace pelmar
