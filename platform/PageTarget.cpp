#include "platform/PageTarget.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace platform {

bool PageTarget::realPath(const std::string& path, std::string& resolved)
{
    char* real = realpath(path.c_str(), nullptr);
    if (!real)
        return false;
    resolved = real;
    std::free(real);
    return true;
}

std::string PageTarget::resolve(const std::string& native, const std::string& root, std::string& target,
                                bool missingFolder)
{
    const std::size_t slash = native.rfind('/');
    const std::string base = slash == std::string::npos ? native : native.substr(slash + 1);
    if (base.empty())
        return std::strerror(native.empty() ? ENOENT : EISDIR);
    struct stat st;
    const bool isLink = lstat(native.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
    if (isLink) {
        if (!realPath(native, target))
            return errno == ENOENT ? "a symbolic link to nothing" : std::strerror(errno);
    } else {
        std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : native.substr(0, slash);
        if (!realPath(folder, folder) && !(missingFolder && errno == ENOENT))
            return std::strerror(errno);
        target = (folder == "/" ? folder : folder + "/") + base;
    }

    if (!root.empty() && root != "/" && target.compare(0, root.size() + 1, root + "/") != 0)
        return isLink ? "a symbolic link to a place outside the site folder" : "outside the site folder";

    if (stat(target.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            return "a folder has the page's name";
        if (!S_ISREG(st.st_mode))
            return "not a regular file (a FIFO, device or socket has the page's name)";
    } else if (errno != ENOENT) {
        return std::strerror(errno);
    }
    return std::string();
}

int PageTarget::openFolder(const std::string& folder, const std::string& root)
{
    const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
    if (root.empty() || root == "/" || folder.compare(0, root.size() + 1, root + "/") != 0)
        return ::open(folder.c_str(), flags);
    int fd = ::open(root.c_str(), flags);
    std::size_t at = root.size() + 1;
    while (fd >= 0 && at < folder.size()) {
        std::size_t end = folder.find('/', at);
        if (end == std::string::npos)
            end = folder.size();
        const std::string name = folder.substr(at, end - at);
        const int next = name.empty() ? ::dup(fd) : ::openat(fd, name.c_str(), flags | O_NOFOLLOW);
        const int error = errno;
        ::close(fd);
        fd = next;
        errno = error;
        at = end + 1;
    }
    return fd;
}

} // namespace platform
