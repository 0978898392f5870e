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

namespace {

// Whether a resolved path lies inside root ("" or "/" for no confinement).
bool isInside(const std::string& path, const std::string& root)
{
    return root.empty() || root == "/" || path.compare(0, root.size() + 1, root + "/") == 0;
}

const char* kindRefusal(mode_t mode)
{
    if (S_ISDIR(mode))
        return "a folder has the page's name";
    if (!S_ISREG(mode))
        return "not a regular file (a FIFO, device or socket has the page's name)";
    return "";
}

} // namespace

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

    if (!isInside(target, root))
        return isLink ? "a symbolic link to a place outside the site folder" : "outside the site folder";

    if (stat(target.c_str(), &st) == 0)
        return kindRefusal(st.st_mode);
    return errno == ENOENT ? std::string() : std::strerror(errno);
}

std::string PageTarget::resolveFolder(const std::string& folder, const std::string& root, std::string& resolved)
{
    if (!realPath(folder, resolved))
        return std::strerror(errno);
    // A page's path in the folder is the folder's path and "/": the root itself is inside.
    return isInside(resolved == "/" ? resolved : resolved + "/", root) ? std::string() : "outside the site folder";
}

std::string PageTarget::checkName(int folder, const std::string& base, Kind& kind, struct stat& st)
{
    kind = Kind::Missing;
    if (fstatat(folder, base.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT ? std::string() : std::strerror(errno);
    if (S_ISLNK(st.st_mode)) {
        kind = Kind::Link;
        return std::string();
    }
    kind = Kind::Regular;
    return kindRefusal(st.st_mode);
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
