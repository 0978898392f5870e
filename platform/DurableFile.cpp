#include "platform/DurableFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>

namespace platform {

int DurableFile::createTemporary(const std::string& folder, const std::string& base, std::string& tempPath)
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
        tempPath = folder + stem + suffix;
        int fd = open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
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
