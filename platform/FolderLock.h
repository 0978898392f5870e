#pragma once
#include <string>

namespace platform {

// An exclusive lock on a folder, held while the object lives: flock on the folder itself, so that
// taking it writes nothing and a process that dies lets go of it. One zebhost run at a time per
// site takes it on the site folder.
class FolderLock {
public:
    FolderLock() = default;
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    // Takes the lock, waiting up to waitMs milliseconds while another process holds it. False,
    // with the reason in error(), when it is still held then or the folder cannot be opened.
    bool lock(const std::wstring& folder, int waitMs);
    // Lets go of the lock; does nothing when it is not held.
    void unlock();
    // Why lock failed; "" when it did not.
    const std::string& error() const { return error_; }

private:
    int fd_ = -1;
    std::string error_;
};

} // namespace platform
