#include "platform/FolderLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "platform/Path.h"

namespace platform {

FolderLock::~FolderLock()
{
    unlock();
}

bool FolderLock::lock(const std::wstring& folder, int waitMs)
{
    unlock();
    error_.clear();
    fd_ = ::open(nativePath(folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0) {
        error_ = std::strerror(errno);
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    while (flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK && errno != EINTR) {
            error_ = std::strerror(errno);
            unlock();
            return false;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            error_ = "another zebhost run is working on this site; try again when it has finished";
            unlock();
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

void FolderLock::unlock()
{
    if (fd_ >= 0)
        ::close(fd_); // closing the last descriptor lets go of the lock
    fd_ = -1;
}

} // namespace platform
