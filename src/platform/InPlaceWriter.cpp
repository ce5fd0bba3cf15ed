// Rewriting a file in its own inode, crash-safely: the complete new contents are first made
// durable in a journal beside the file (a temporary file renamed to the journal's name once it
// is flushed), then copied into the file. A crash before the journal exists leaves the old
// file; a crash after it is finished by the next open, which copies the journal again.
//
// Journal: the new contents, then a trailer of 32 bytes: "PELMARJ1", the device and inode of
// the file it belongs to, and the length of the contents (64-bit little-endian words).

#include "platform/Error.h"
#include "platform/SafeWriter.h"
#include "platform/WriteSupport.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <optional>
#include <vector>

namespace pelmar::writer {

namespace {

constexpr char kMagic[8] = {'P', 'E', 'L', 'M', 'A', 'R', 'J', '1'};
constexpr size_t kTrailerSize = 32;
constexpr size_t kCopyBlock = size_t{4} << 20;

struct Trailer {
    uint64_t device = 0;
    uint64_t inode = 0;
    uint64_t length = 0;
};

void Put64(uint8_t* p, uint64_t v) {
    for (int i = 0; i < 8; ++i) {
        p[i] = static_cast<uint8_t>(v >> (8 * i));
    }
}

uint64_t Get64(const uint8_t* p) {
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i) {
        v = (v << 8) | p[i];
    }
    return v;
}

std::array<uint8_t, kTrailerSize> EncodeTrailer(const Trailer& t) {
    std::array<uint8_t, kTrailerSize> bytes{};
    std::memcpy(bytes.data(), kMagic, sizeof kMagic);
    Put64(bytes.data() + 8, t.device);
    Put64(bytes.data() + 16, t.inode);
    Put64(bytes.data() + 24, t.length);
    return bytes;
}

// The trailer of the journal open at `fd`, if it has a valid one.
std::optional<Trailer> ReadTrailer(int fd) {
    struct stat st {};
    std::array<uint8_t, kTrailerSize> bytes{};
    if (::fstat(fd, &st) != 0 || st.st_size < static_cast<off_t>(kTrailerSize) ||
        ::pread(fd, bytes.data(), bytes.size(), st.st_size - static_cast<off_t>(kTrailerSize)) !=
            static_cast<ssize_t>(kTrailerSize) ||
        std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0) {
        return std::nullopt;
    }
    const Trailer t{Get64(bytes.data() + 8), Get64(bytes.data() + 16), Get64(bytes.data() + 24)};
    if (t.length + kTrailerSize != static_cast<uint64_t>(st.st_size)) {
        return std::nullopt;
    }
    return t;
}

// Copies the journal's contents into the target and cuts the target to their length.
void CopyJournalInto(const std::filesystem::path& target, int journal, uint64_t length,
                     WriteCounter& counter) {
    const int fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        Fail(target, "cannot open for writing", errno);
    }
    std::vector<uint8_t> block(kCopyBlock);
    int err = 0;
    for (uint64_t at = 0; at < length && err == 0;) {
        const size_t want = static_cast<size_t>(std::min<uint64_t>(kCopyBlock, length - at));
        const ssize_t got = ::pread(journal, block.data(), want, static_cast<off_t>(at));
        if (got <= 0) {
            err = got < 0 ? errno : EIO;
            break;
        }
        err = counter.WriteAt(fd, block.data(), static_cast<size_t>(got), at);
        at += static_cast<uint64_t>(got);
    }
    if (err == 0 && (::ftruncate(fd, static_cast<off_t>(length)) != 0 || ::fsync(fd) != 0)) {
        err = errno;
    }
    ::close(fd);
    if (err != 0) {
        // The journal stays: the next open finishes the copy.
        throw PelmarError(ErrorKind::Io,
                          std::string("cannot write the new contents into the file: ") +
                              std::strerror(err) +
                              "; they are kept in a journal beside it, and the next open "
                              "finishes the edit")
            .InFile(target);
    }
}

} // namespace

void ReplaceInPlace(const std::filesystem::path& target, TemporaryFile& temp,
                    WriteCounter& counter) {
    struct stat st {};
    struct stat journalStat {};
    if (::stat(target.c_str(), &st) != 0 || ::fstat(temp.fd(), &journalStat) != 0) {
        Fail(target, "cannot examine", errno);
    }
    const auto length = static_cast<uint64_t>(journalStat.st_size);
    const auto trailer = EncodeTrailer(
        {static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino), length});
    if (const int err = counter.WriteAt(temp.fd(), trailer.data(), trailer.size(), length)) {
        Fail(target, "cannot write the journal of the edit", err);
    }
    if (::fsync(temp.fd()) != 0) {
        Fail(target, "cannot flush the journal of the edit", errno);
    }
    const std::filesystem::path journal = JournalPath(target);
    if (::rename(temp.name(), journal.c_str()) != 0) {
        Fail(target, "cannot write the journal of the edit", errno);
    }
    temp.MarkCommitted();
    FlushFolder(target.parent_path());
    CopyJournalInto(target, temp.fd(), length, counter);
    temp.Close();
    ::unlink(journal.c_str());
    FlushFolder(target.parent_path());
}

} // namespace pelmar::writer

namespace pelmar {

bool RecoverInterruptedWrite(const std::filesystem::path& target) {
    const std::filesystem::path journal = JournalPath(target);
    const int fd = ::open(journal.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    struct stat st {};
    const std::optional<writer::Trailer> trailer = writer::ReadTrailer(fd);
    const bool ours = trailer && ::stat(target.c_str(), &st) == 0 &&
                      trailer->device == static_cast<uint64_t>(st.st_dev) &&
                      trailer->inode == static_cast<uint64_t>(st.st_ino);
    if (ours) {
        writer::WriteCounter counter(nullptr);
        try {
            writer::CopyJournalInto(target, fd, trailer->length, counter);
        } catch (...) {
            ::close(fd);
            throw;
        }
    }
    ::close(fd);
    ::unlink(journal.c_str());
    writer::FlushFolder(target.parent_path());
    return ours;
}

} // namespace pelmar
