#pragma once

#include <chrono>
#include <filesystem>

namespace pelmar {

// An exclusive advisory lock (flock) on a map file, held by one edit from its read to the
// moment its result replaces the file. A replaced file is a new inode, so after taking the
// lock it checks that the path still names the locked inode, and otherwise locks again.
// Readers take no lock.
class EditLock {
public:
    // Waits up to `patience` for other editors to finish, then throws PelmarError (Busy)
    // naming the file. Throws PelmarError (Io) when the file cannot be opened.
    static EditLock Acquire(const std::filesystem::path& path,
                            std::chrono::milliseconds patience = std::chrono::seconds(3));

    EditLock() = default;
    ~EditLock();
    EditLock(EditLock&& other) noexcept;
    EditLock& operator=(EditLock&& other) noexcept;
    EditLock(const EditLock&) = delete;
    EditLock& operator=(const EditLock&) = delete;

    bool held() const { return fd_ >= 0; }
    // The locked file, open read-only (for temporary-file checks and in-place writes).
    int fd() const { return fd_; }
    void Release();

private:
    explicit EditLock(int fd) : fd_(fd) {}
    int fd_ = -1;
};

// True when another process holds an EditLock on `path` (or a file it can lock is busy).
bool IsEditLocked(const std::filesystem::path& path);

} // namespace pelmar
