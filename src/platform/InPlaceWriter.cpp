// Rewriting parts of a file in its own inode, crash-safely: the patches are first made durable
// in a journal beside the file, then written into the file. A crash before the journal is
// complete leaves the file as it was (a torn journal fails its checksum and is dropped); a crash
// after it is finished by the next open, which writes the patches again (writing them twice
// gives the same file).
//
// Journal: for each patch its offset and length (64-bit little-endian) and its bytes, then a
// trailer of 48 bytes: "PELMARJ2", the device and inode of the file it belongs to, the file's
// final length, the number of patches (64-bit words) and the checksum of everything before the
// trailer (a CRC-32 in a 64-bit word).

#include "platform/Error.h"
#include "platform/SafeWriter.h"
#include "platform/WriteSupport.h"

#include "platform/Crc32.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace pelmar::writer {

namespace {

constexpr char kMagic[8] = {'P', 'E', 'L', 'M', 'A', 'R', 'J', '2'};
constexpr size_t kTrailerSize = 48;

struct Trailer {
    uint64_t device = 0;
    uint64_t inode = 0;
    uint64_t length = 0;
    uint64_t patches = 0;
    uint64_t crc = 0;
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

// The journal's bytes, one piece after the other.
class JournalWriter {
public:
    JournalWriter(int fd, WriteCounter& counter) : fd_(fd), counter_(counter) {}
    int Add(const uint8_t* data, size_t length) {
        crc_ = Crc32(crc_, std::span(data, length));
        const int err = counter_.WriteAt(fd_, data, length, at_);
        at_ += length;
        return err;
    }
    int Finish(const struct stat& target, uint64_t length, uint64_t patches) {
        std::array<uint8_t, kTrailerSize> t{};
        std::memcpy(t.data(), kMagic, sizeof kMagic);
        Put64(t.data() + 8, static_cast<uint64_t>(target.st_dev));
        Put64(t.data() + 16, static_cast<uint64_t>(target.st_ino));
        Put64(t.data() + 24, length);
        Put64(t.data() + 32, patches);
        Put64(t.data() + 40, crc_);
        return counter_.WriteAt(fd_, t.data(), t.size(), at_);
    }

private:
    int fd_;
    WriteCounter& counter_;
    uint64_t at_ = 0;
    uint32_t crc_ = 0;
};

// The journal's contents when it is complete and sound.
std::optional<std::vector<uint8_t>> ReadJournal(int fd, Trailer& t) {
    struct stat st {};
    if (::fstat(fd, &st) != 0 || st.st_size < static_cast<off_t>(kTrailerSize)) {
        return std::nullopt;
    }
    std::vector<uint8_t> bytes(static_cast<size_t>(st.st_size));
    if (::pread(fd, bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(bytes.size())) {
        return std::nullopt;
    }
    const uint8_t* trailer = bytes.data() + bytes.size() - kTrailerSize;
    t = {Get64(trailer + 8), Get64(trailer + 16), Get64(trailer + 24), Get64(trailer + 32),
         Get64(trailer + 40)};
    bytes.resize(bytes.size() - kTrailerSize);
    if (std::memcmp(trailer, kMagic, sizeof kMagic) != 0 || Crc32(0, bytes) != t.crc) {
        return std::nullopt;
    }
    return bytes;
}

// Writes the patches into the file open at `fd`, cuts it to `length` and flushes it.
int ApplyPatches(int fd, std::span<const FilePatch> patches, uint64_t length,
                 WriteCounter& counter) {
    for (const FilePatch& p : patches) {
        if (const int err = counter.WriteAt(fd, p.bytes.data(), p.bytes.size(), p.at)) {
            return err;
        }
    }
    if (::ftruncate(fd, static_cast<off_t>(length)) != 0 || ::fsync(fd) != 0) {
        return errno;
    }
    return 0;
}

// The patches recorded in a journal's contents.
std::vector<FilePatch> Patches(std::span<const uint8_t> bytes, uint64_t count) {
    std::vector<FilePatch> patches;
    size_t at = 0;
    for (uint64_t i = 0; i < count && at + 16 <= bytes.size(); ++i) {
        const uint64_t offset = Get64(bytes.data() + at);
        const uint64_t length = Get64(bytes.data() + at + 8);
        at += 16;
        if (length > bytes.size() - at) {
            break;
        }
        patches.push_back({offset, bytes.subspan(at, static_cast<size_t>(length))});
        at += static_cast<size_t>(length);
    }
    return patches;
}

[[noreturn]] void FailAfterJournal(const std::filesystem::path& target, int err) {
    // The journal stays: the next open finishes the edit.
    throw PelmarError(ErrorKind::Io, std::string("cannot write the new contents into the file: ") +
                                         std::strerror(err) +
                                         "; they are kept in a journal beside it, and the next "
                                         "open finishes the edit")
        .InFile(target);
}

} // namespace

void PatchInPlace(const std::filesystem::path& target, std::span<const FilePatch> patches,
                  uint64_t length, WriteCounter& counter) {
    struct stat st {};
    if (::stat(target.c_str(), &st) != 0) {
        Fail(target, "cannot examine", errno);
    }
    const std::filesystem::path journal = JournalPath(target);
    const int jfd = ::open(journal.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (jfd < 0) {
        Fail(target, "cannot create the journal of the edit beside it", errno);
    }
    JournalWriter writer(jfd, counter);
    int err = 0;
    for (const FilePatch& p : patches) {
        uint8_t head[16];
        Put64(head, p.at);
        Put64(head + 8, p.bytes.size());
        if ((err = writer.Add(head, sizeof head)) != 0 ||
            (err = writer.Add(p.bytes.data(), p.bytes.size())) != 0) {
            break;
        }
    }
    if (err == 0 && ((err = writer.Finish(st, length, patches.size())) != 0 || ::fsync(jfd) != 0)) {
        err = err != 0 ? err : errno;
    }
    ::close(jfd);
    if (err != 0) {
        ::unlink(journal.c_str());
        Fail(target, "cannot write the journal of the edit", err);
    }
    FlushFolder(target.parent_path());
    const int fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        FailAfterJournal(target, errno);
    }
    err = ApplyPatches(fd, patches, length, counter);
    ::close(fd);
    if (err != 0) {
        FailAfterJournal(target, err);
    }
    ::unlink(journal.c_str()); // writing the patches again would give the same file
}

} // namespace pelmar::writer

namespace pelmar {

void PatchFile(const std::filesystem::path& target, std::span<const FilePatch> patches,
               uint64_t length, const ReplaceOptions& options) {
    if (options.expected && !IdentityOf(target).SameVersion(*options.expected)) {
        throw PelmarError(ErrorKind::Stale,
                          "the map changed on disk since it was loaded; load it again")
            .InFile(target);
    }
    writer::WriteCounter counter(options.faults);
    writer::PatchInPlace(target, patches, length, counter);
}

bool RecoverInterruptedWrite(const std::filesystem::path& target) {
    const std::filesystem::path journal = JournalPath(target);
    const int fd = ::open(journal.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    writer::Trailer trailer;
    const std::optional<std::vector<uint8_t>> bytes = writer::ReadJournal(fd, trailer);
    ::close(fd);
    struct stat st {};
    const bool ours = bytes && ::stat(target.c_str(), &st) == 0 &&
                      trailer.device == static_cast<uint64_t>(st.st_dev) &&
                      trailer.inode == static_cast<uint64_t>(st.st_ino);
    if (ours) {
        const int out = ::open(target.c_str(), O_WRONLY | O_CLOEXEC);
        if (out < 0) {
            writer::Fail(target, "cannot finish an interrupted edit", errno);
        }
        writer::WriteCounter counter(nullptr);
        const std::vector<FilePatch> patches = writer::Patches(*bytes, trailer.patches);
        const int err = writer::ApplyPatches(out, patches, trailer.length, counter);
        ::close(out);
        if (err != 0) {
            writer::Fail(target, "cannot finish an interrupted edit", err);
        }
    }
    ::unlink(journal.c_str());
    writer::FlushFolder(target.parent_path());
    return ours;
}

} // namespace pelmar
