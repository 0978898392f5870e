#include "platform/FileReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <mutex>

#include "platform/PageWriter.h"
#include "platform/Path.h"

namespace platform {

namespace {

struct Hooks {
    std::mutex mutex;
    FileReader::Observer observer;
};

Hooks& hooks()
{
    static Hooks instance;
    return instance;
}

FileReader::Result refuse(const std::wstring& path, const std::string& why, std::string* reason)
{
    if (reason)
        *reason = why;
    FileReader::Observer observer;
    {
        std::lock_guard lock(hooks().mutex);
        observer = hooks().observer;
    }
    if (observer)
        observer(path, why);
    return FileReader::Result::Refused;
}

// Closes a descriptor on every path out.
struct FdCloser {
    int fd;
    ~FdCloser() { ::close(fd); }
};

} // namespace

FileReader::Result FileReader::read(const std::wstring& path, std::string& bytes, std::string* reason)
{
    bytes.clear();
    if (path.empty())
        return Result::Missing;
    PageWriter::settle(path); // a page written in a batch is read as written
    // A dry run's page is read as the run would have written it.
    if (PageWriter::keptBytes(path, bytes))
        return Result::Read;
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer for ever.
    const int fd = ::open(nativePath(path).c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return Result::Missing;
        return refuse(path, std::strerror(errno), reason);
    }
    FdCloser closer{fd};
    struct stat st {};
    if (fstat(fd, &st) != 0)
        return refuse(path, std::strerror(errno), reason);
    if (S_ISDIR(st.st_mode))
        return refuse(path, "a folder, not a file", reason);
    if (!S_ISREG(st.st_mode))
        return refuse(path, "not a regular file", reason);
    const auto size = static_cast<std::uint64_t>(st.st_size);
    if (size > kSizeLimit)
        return refuse(path, "larger than the " + std::to_string(kSizeLimit / (1024 * 1024)) + " MiB a file may have",
                      reason);

    bytes.resize(static_cast<std::size_t>(size));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const std::string why = std::strerror(errno);
            bytes.clear();
            return refuse(path, why, reason);
        }
        if (n == 0)
            break; // the file shrank since fstat: what is there is what it holds
        done += static_cast<std::size_t>(n);
    }
    bytes.resize(done);
    return Result::Read;
}

FileReader::Observer FileReader::setObserver(Observer observer)
{
    std::lock_guard lock(hooks().mutex);
    Observer previous = std::move(hooks().observer);
    hooks().observer = std::move(observer);
    return previous;
}

} // namespace platform
