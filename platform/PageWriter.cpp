#include "platform/PageWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <random>

#include "platform/Clock.h"
#include "platform/FileException.h"
#include "platform/Path.h"

namespace platform {

namespace {

struct Hooks {
    std::mutex mutex;
    PageWriter::Observer observer;
    PageWriter::FaultInjector injector;
};

Hooks& hooks()
{
    static Hooks instance;
    return instance;
}

void notify(const std::wstring& path, bool written, const std::string& reason)
{
    PageWriter::Observer observer;
    {
        std::lock_guard lock(hooks().mutex);
        observer = hooks().observer;
    }
    if (observer)
        observer(path, written, reason);
}

std::string injectedFault(const std::wstring& path)
{
    PageWriter::FaultInjector injector;
    {
        std::lock_guard lock(hooks().mutex);
        injector = hooks().injector;
    }
    return injector ? injector(path) : std::string();
}

// Writing through a symbolic link replaces the file it points to, not the link.
std::string resolveTarget(const std::string& native)
{
    struct stat st;
    if (lstat(native.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        if (char* resolved = realpath(native.c_str(), nullptr)) {
            std::string target(resolved);
            std::free(resolved);
            return target;
        }
    }
    return native;
}

// Creates a new, private-named temporary file beside the target; -1 (errno set) on failure.
// Opened with mode 0666 so that the process's umask decides the new page's permissions.
int createTemporary(const std::string& folder, const std::string& base, std::string& tempPath)
{
    static const char kChars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    thread_local std::mt19937 random{std::random_device{}()};
    std::uniform_int_distribution<int> pick(0, static_cast<int>(sizeof(kChars)) - 2);
    // Keep the temporary name within the file system's name limit however long the page name is.
    std::string stem = ".";
    stem.append(base, 0, 200);
    stem += ".tmp";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string suffix;
        for (int i = 0; i < 6; ++i)
            suffix += kChars[pick(random)];
        tempPath = folder + stem + suffix;
        int fd = open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

} // namespace

PageWriter::Result PageWriter::write(const std::wstring& path, const char* bytes, std::size_t size)
{
    const std::string target = resolveTarget(nativePath(path));
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    if (base.empty()) {
        notify(path, false, std::strerror(target.empty() ? ENOENT : EISDIR));
        return Result::NotOpened;
    }

    // A page that could not be opened for writing in place (a read-only page, or one held by a
    // user who denies us writing) is skipped as before: replacing it through a temporary file
    // would overwrite what its owner protected.
    if (access(target.c_str(), F_OK) == 0 && access(target.c_str(), W_OK) != 0) {
        notify(path, false, std::strerror(errno));
        return Result::NotOpened;
    }

    std::string tempPath;
    int fd = createTemporary(folder, base, tempPath);
    if (fd < 0) {
        notify(path, false, std::strerror(errno));
        return Result::NotOpened;
    }

    auto fail = [&](const std::string& reason) {
        if (fd >= 0)
            ::close(fd);
        unlink(tempPath.c_str());
        notify(path, false, reason);
        throw FileException(path, reason);
    };
    auto failErrno = [&]() { fail(std::strerror(errno)); };

    // A page that is replaced keeps its permissions and, where allowed, its owner.
    struct stat old;
    if (stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
        if (fchmod(fd, old.st_mode & 07777) != 0)
            failErrno();
        if (fchown(fd, old.st_uid, old.st_gid) != 0) {
            // Not permitted for another user's file; the page then belongs to us.
        }
    }

    const std::string fault = injectedFault(path);
    if (!fault.empty())
        fail(fault);

    std::size_t done = 0;
    while (done < size) {
        const std::size_t chunk = std::min<std::size_t>(size - done, SSIZE_MAX);
        ssize_t n = ::write(fd, bytes + done, chunk);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            failErrno();
        }
        done += static_cast<std::size_t>(n);
    }

    if (Clock::isFixed()) {
        timespec times[2];
        times[0].tv_sec = static_cast<std::time_t>(Clock::now());
        times[0].tv_nsec = 0;
        times[1] = times[0];
        if (futimens(fd, times) != 0)
            failErrno();
    }
    // No fsync: the rename below is what guarantees that a failed write never leaves a truncated
    // page, and a flush per page only adds durability against a crash of the whole machine, which
    // pages rewritten in place never had. A full rebuild writes hundreds of pages; waiting for
    // each to reach the disk cost most of its wall time. close() can still report a deferred
    // write error (e.g. a full disk on a network file system), so its result is checked.
    const int closing = fd;
    fd = -1;
    if (::close(closing) != 0)
        failErrno();
    if (rename(tempPath.c_str(), target.c_str()) != 0)
        failErrno();

    notify(path, true, std::string());
    return Result::Written;
}

PageWriter::Observer PageWriter::setObserver(Observer observer)
{
    std::lock_guard lock(hooks().mutex);
    Observer previous = std::move(hooks().observer);
    hooks().observer = std::move(observer);
    return previous;
}

void PageWriter::setFaultInjector(FaultInjector injector)
{
    std::lock_guard lock(hooks().mutex);
    hooks().injector = std::move(injector);
}

} // namespace platform
