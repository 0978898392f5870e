#include "platform/DurableFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <random>
#include <thread>

namespace platform {

DurableFile::FolderHandle::~FolderHandle()
{
    if (fd >= 0)
        ::close(fd);
}

int DurableFile::createTemporary(int folder, const std::string& base, std::string& tempName)
{
    static const char kChars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    thread_local std::mt19937 random{std::random_device{}()};
    std::uniform_int_distribution<int> pick(0, static_cast<int>(sizeof(kChars)) - 2);
    // Keep the temporary name within the file system's name limit however long the page name is.
    std::string stem = ".";
    stem.append(base, 0, 200);
    stem += kTemporaryMark;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string suffix;
        for (int i = 0; i < 6; ++i)
            suffix += kChars[pick(random)];
        tempName = stem + suffix;
        int fd = openat(folder, tempName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

bool DurableFile::writeAll(int fd, const char* bytes, std::size_t size)
{
    std::size_t done = 0;
    while (done < size) {
        const std::size_t chunk = std::min<std::size_t>(size - done, SSIZE_MAX);
        ssize_t n = ::write(fd, bytes + done, chunk);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool DurableFile::setTime(int fd, std::int64_t moment)
{
    timespec times[2];
    times[0].tv_sec = static_cast<std::time_t>(moment);
    times[0].tv_nsec = 0;
    times[1] = times[0];
    return futimens(fd, times) == 0;
}

std::vector<std::string> DurableFile::flushAll(const std::vector<ToFlush>& files)
{
    std::vector<std::string> errors(files.size());
    std::atomic<std::size_t> next{0};
    auto flush = [&] {
        for (std::size_t i; (i = next++) < files.size();) {
            const ToFlush& file = files[i];
            const int fd =
                file.fd >= 0 ? file.fd : ::openat(file.folder, file.name.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
            if (fd < 0 || fsync(fd) != 0)
                errors[i] = std::strerror(errno);
            if (fd >= 0 && ::close(fd) != 0 && errors[i].empty())
                errors[i] = std::strerror(errno);
        }
    };
    std::vector<std::thread> helpers;
    for (std::size_t t = 1; t < std::min<std::size_t>(files.size(), 16); ++t)
        helpers.emplace_back(flush);
    flush();
    for (std::thread& helper : helpers)
        helper.join();
    return errors;
}

namespace {

// Whether the kernel reports write-back failures through syncfs: Linux 5.8 and later (before, it
// reported none).
bool syncfsReportsFailures()
{
    static const bool reports = [] {
        utsname system{};
        int major = 0, minor = 0;
        return uname(&system) == 0 && std::sscanf(system.release, "%d.%d", &major, &minor) == 2 &&
               (major > 5 || (major == 5 && minor >= 8));
    }();
    return reports;
}

} // namespace

bool DurableFile::flushesWhole(int folder)
{
    if (!syncfsReportsFailures())
        return false;
    struct statfs fs;
    if (fstatfs(folder, &fs) != 0)
        return false;
    switch (static_cast<unsigned long>(fs.f_type)) {
    case EXT4_SUPER_MAGIC: // also ext2 and ext3
    case XFS_SUPER_MAGIC:
    case BTRFS_SUPER_MAGIC:
    case F2FS_SUPER_MAGIC:
    case TMPFS_MAGIC:
        return true;
    default:
        return false;
    }
}

std::string DurableFile::flushFileSystem(int folder)
{
    // The kernel reports through syncfs every write-back failure on the file system since the
    // descriptor was opened.
    return syncfs(folder) == 0 ? std::string() : std::strerror(errno);
}

std::string DurableFile::syncFolder(const std::string& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? std::string() : std::strerror(errno);
    const int synced = fsync(fd);
    const int error = errno;
    ::close(fd);
    return synced != 0 && error != EINVAL ? std::strerror(error) : std::string();
}

bool DurableFile::isTemporaryName(const std::string& name)
{
    return !name.empty() && name[0] == '.' && name.find(kTemporaryMark) != std::string::npos;
}

void DurableFile::removeTemporaries(const std::string& folder)
{
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return;
    while (dirent* entry = readdir(dir)) {
        struct stat st;
        if (isTemporaryName(entry->d_name) && fstatat(dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(st.st_mode))
            unlinkat(dirfd(dir), entry->d_name, 0);
    }
    closedir(dir);
}

} // namespace platform
