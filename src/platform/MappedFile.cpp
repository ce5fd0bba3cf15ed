#include "platform/MappedFile.h"

#include "platform/Error.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pelmar {

namespace {

// The mappings that the SIGBUS handler may repair. Slots are claimed and released under a
// mutex; the handler only reads them, with atomic loads.
struct Slot {
    std::atomic<uintptr_t> begin{0};
    std::atomic<uintptr_t> end{0};
    std::atomic<std::atomic<bool>*> truncated{nullptr};
};
constexpr size_t kSlots = 256;
std::array<Slot, kSlots> g_slots;
std::mutex g_slotsMutex;
struct sigaction g_previous {};
std::once_flag g_installed;

// A read of a mapped page past the end of a file that shrank: the page is replaced by a page
// of zeros and the read goes on; any other SIGBUS is the previous handler's.
void OnBus(int signal, siginfo_t* info, void* context) {
    const auto at = reinterpret_cast<uintptr_t>(info->si_addr);
    for (Slot& slot : g_slots) {
        if (at >= slot.begin.load() && at < slot.end.load()) {
            const auto page = static_cast<uintptr_t>(::sysconf(_SC_PAGESIZE));
            void* start = reinterpret_cast<void*>(at & ~(page - 1));
            if (::mmap(start, page, PROT_READ, MAP_FIXED | MAP_PRIVATE | MAP_ANONYMOUS, -1, 0) !=
                MAP_FAILED) {
                if (std::atomic<bool>* flag = slot.truncated.load()) {
                    flag->store(true);
                }
                return;
            }
        }
    }
    ::sigaction(SIGBUS, &g_previous, nullptr);
    if (g_previous.sa_flags & SA_SIGINFO && g_previous.sa_sigaction != nullptr) {
        g_previous.sa_sigaction(signal, info, context);
    }
}

void InstallHandler() {
    struct sigaction action {};
    action.sa_sigaction = OnBus;
    action.sa_flags = SA_SIGINFO | SA_NODEFER;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGBUS, &action, &g_previous);
}

void Register(const uint8_t* data, size_t size, std::atomic<bool>* truncated) {
    std::call_once(g_installed, InstallHandler);
    const std::lock_guard lock(g_slotsMutex);
    for (Slot& slot : g_slots) {
        if (slot.end.load() == 0) {
            slot.truncated.store(truncated);
            slot.begin.store(reinterpret_cast<uintptr_t>(data));
            slot.end.store(reinterpret_cast<uintptr_t>(data) + size);
            return;
        }
    }
}

void Unregister(const uint8_t* data) {
    const std::lock_guard lock(g_slotsMutex);
    for (Slot& slot : g_slots) {
        if (slot.begin.load() == reinterpret_cast<uintptr_t>(data)) {
            slot.end.store(0);
            slot.begin.store(0);
            slot.truncated.store(nullptr);
        }
    }
}

} // namespace

std::shared_ptr<const MappedFile> MappedFile::Open(const std::filesystem::path& path,
                                                   uint64_t maxSize, FileIdentity* identity) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        throw PelmarError(ErrorKind::Io, std::string("cannot open: ") + std::strerror(errno))
            .InFile(path);
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int err = errno;
        ::close(fd);
        throw PelmarError(ErrorKind::Io, S_ISREG(st.st_mode)
                                             ? std::string("cannot read: ") + std::strerror(err)
                                             : std::string("not a regular file"))
            .InFile(path);
    }
    const auto size = static_cast<uint64_t>(st.st_size);
    if (size > maxSize) {
        ::close(fd);
        throw PelmarError(ErrorKind::Io, "the file is too large (" + std::to_string(size) +
                                             " bytes; at most " + std::to_string(maxSize) +
                                             " bytes can be handled)")
            .InFile(path);
    }
    std::shared_ptr<MappedFile> file(new MappedFile());
    if (size > 0) {
        void* data = ::mmap(nullptr, size, PROT_READ, MAP_SHARED, fd, 0);
        if (data == MAP_FAILED) {
            const int err = errno;
            ::close(fd);
            throw PelmarError(ErrorKind::Io, std::string("cannot map: ") + std::strerror(err))
                .InFile(path);
        }
        file->data_ = static_cast<const uint8_t*>(data);
        file->size_ = static_cast<size_t>(size);
        Register(file->data_, file->size_, &file->truncated_);
    }
    file->fd_ = fd;
    if (identity != nullptr) {
        identity->device = static_cast<uint64_t>(st.st_dev);
        identity->inode = static_cast<uint64_t>(st.st_ino);
        identity->size = size;
        identity->modifiedNs = int64_t{st.st_mtim.tv_sec} * 1'000'000'000 + st.st_mtim.tv_nsec;
        identity->links = static_cast<uint64_t>(st.st_nlink);
    }
    return file;
}

MappedFile::~MappedFile() {
    if (data_ != nullptr) {
        Unregister(data_);
        ::munmap(const_cast<uint8_t*>(data_), size_);
    }
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

void MappedFile::Read(uint64_t at, std::span<uint8_t> out) const {
    while (!out.empty()) {
        const ssize_t n = ::pread(fd_, out.data(), out.size(), static_cast<off_t>(at));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            throw PelmarError(ErrorKind::Io, std::string("cannot read: ") + std::strerror(errno),
                              static_cast<int64_t>(at));
        }
        if (n == 0) {
            truncated_.store(true);
            throw PelmarError(ErrorKind::Stale,
                              "the map changed on disk since it was loaded; load it again",
                              static_cast<int64_t>(at));
        }
        out = out.subspan(static_cast<size_t>(n));
        at += static_cast<uint64_t>(n);
    }
}

void MappedFile::Forget(uint64_t offset, uint64_t length) const {
    Release(offset, length);
    if (fd_ >= 0 && length > 0) {
        ::posix_fadvise(fd_, static_cast<off_t>(offset), static_cast<off_t>(length),
                        POSIX_FADV_DONTNEED);
    }
}

void MappedFile::Release(uint64_t offset, uint64_t length) const {
    const auto page = static_cast<uint64_t>(::sysconf(_SC_PAGESIZE));
    const uint64_t begin = (offset + page - 1) / page * page;
    const uint64_t end = std::min<uint64_t>(offset + length, size_) / page * page;
    if (data_ != nullptr && begin < end) {
        ::madvise(const_cast<uint8_t*>(data_) + begin, end - begin, MADV_DONTNEED);
    }
}

} // namespace pelmar
