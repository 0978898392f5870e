#include "platform/PageWriter.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <set>
#include <thread>

#include "platform/Clock.h"
#include "platform/FileException.h"
#include "platform/Path.h"
#include "platform/TextConv.h"

namespace platform {

namespace {

// What marks a temporary file of a page write: "." + page name + this + six random characters.
const char kTemporaryMark[] = ".zebhost-tmp.";

// Flushes a folder to disk; "" when done, else the system's reason. A folder removed since has
// nothing to flush, nor has one on a file system that cannot flush folders (EINVAL).
std::string syncFolder(const std::string& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? std::string() : std::strerror(errno);
    const int synced = fsync(fd);
    const int error = errno;
    ::close(fd);
    return synced != 0 && error != EINVAL ? std::strerror(error) : std::string();
}

// An open handle on the folder a page is written in. The temporary file is made, and renamed over
// the page, relative to it: a folder on the way swapped for a symbolic link after the target was
// checked cannot carry the write elsewhere.
struct FolderHandle {
    int fd = -1;
    explicit FolderHandle(int descriptor) : fd(descriptor) {}
    FolderHandle(const FolderHandle&) = delete;
    FolderHandle& operator=(const FolderHandle&) = delete;
    ~FolderHandle()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

// A page written inside a batch, waiting for its flush and rename.
struct Pending {
    std::wstring path; // as the writer was given it
    std::string temp;  // its temporary file's name in the folder
    std::string target;
    std::string folder;
    std::shared_ptr<FolderHandle> handle; // the folder, held open until the rename
};

struct State {
    std::mutex mutex;
    int batches = 0;                    // open batches; writes are deferred while above 0
    std::vector<Pending> pending;       // in write order
    std::set<std::string> pendingNames; // their paths as given and as resolved, and their folders
    PageWriter::Observer observer;
    PageWriter::FaultInjector injector;
    std::string root;               // the confining folder, resolved; "" for none
    std::set<std::string> unsynced; // folders renamed into since the last syncFolders
    bool removeLeftovers = false;
    std::set<std::string> swept; // folders already cleared of leftovers
    bool dryRun = false;
    std::map<std::string, std::string> kept; // a dry run's pages by target
    // The folders held open by pending pages: one handle per folder however many pages wait.
    std::map<std::string, std::weak_ptr<FolderHandle>> handles;

    // At exit, what no one flushed is flushed all the same (errors can no longer be told).
    ~State()
    {
        for (const Pending& page : pending) {
            const int dir = page.handle->fd;
            const std::string base = page.target.substr(page.target.rfind('/') + 1);
            const int fd = ::openat(dir, page.temp.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
            if (fd >= 0 && fsync(fd) == 0 && renameat(dir, page.temp.c_str(), dir, base.c_str()) == 0)
                unsynced.insert(page.folder);
            if (fd >= 0)
                ::close(fd);
        }
        for (const std::string& folder : unsynced)
            syncFolder(folder);
    }
};

State& state()
{
    static State instance;
    return instance;
}

void notify(const std::wstring& path, bool written, const std::string& reason)
{
    PageWriter::Observer observer;
    {
        std::lock_guard lock(state().mutex);
        observer = state().observer;
    }
    if (observer)
        observer(path, written, reason);
}

std::string injectedFault(const std::wstring& path)
{
    PageWriter::FaultInjector injector;
    {
        std::lock_guard lock(state().mutex);
        injector = state().injector;
    }
    return injector ? injector(path) : std::string();
}

// The canonical path (no links, no "." or ".."); false (errno set) when it cannot be resolved.
bool realPath(const std::string& path, std::string& resolved)
{
    char* real = realpath(path.c_str(), nullptr);
    if (!real)
        return false;
    resolved = real;
    std::free(real);
    return true;
}

// Where a write of the page must land: the final target through every symbolic link, in the
// page's own name and in its folders. "" with the target set when it may be written; else why
// not. With missingFolder, a folder that does not exist yet is taken as named (a dry run's
// site-menu folder, which a real run would have made).
std::string resolveTarget(const std::string& native, std::string& target, bool missingFolder = false)
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

    std::string root;
    {
        std::lock_guard lock(state().mutex);
        root = state().root;
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

// Opens the folder (a resolved path) for writing pages in it; -1 with errno set when it cannot.
// Below the confining root, each folder on the way is opened without following links, so the
// handle is the folder that was checked even if a name on the way was swapped for a link since.
int openFolder(const std::string& folder)
{
    std::string root;
    {
        std::lock_guard lock(state().mutex);
        root = state().root;
    }
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

// Removes the temporary files a killed run left in the folder, once per folder and only when
// enabled.
void removeLeftoversIn(const std::string& folder)
{
    {
        std::lock_guard lock(state().mutex);
        if (!state().removeLeftovers || !state().swept.insert(folder).second)
            return;
    }
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return;
    while (dirent* entry = readdir(dir)) {
        struct stat st;
        if (PageWriter::isTemporaryName(entry->d_name) &&
            fstatat(dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode))
            unlinkat(dirfd(dir), entry->d_name, 0);
    }
    closedir(dir);
}

// Creates a new, private-named temporary file in the folder beside the target; -1 (errno set) on
// failure; tempName is its name in the folder. Opened with mode 0666 so that the process's umask
// decides the new page's permissions.
int createTemporary(int folder, const std::string& base, std::string& tempName)
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

// Flushes the pending pages side by side (a disk that waits for each flush in turn took 4 ms a
// page; flushes that run together share their waits), then renames each over its page in write
// order and tells the observer. A page whose flush or rename fails keeps its old content.
void commitPending()
{
    std::vector<Pending> pages;
    {
        std::lock_guard lock(state().mutex);
        pages.swap(state().pending);
        state().pendingNames.clear();
        state().handles.clear();
    }
    if (pages.empty())
        return;
    std::vector<std::string> errors(pages.size());
    std::atomic<std::size_t> next{0};
    auto flush = [&] {
        for (std::size_t i; (i = next++) < pages.size();) {
            const int fd = ::openat(pages[i].handle->fd, pages[i].temp.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
            if (fd < 0 || fsync(fd) != 0)
                errors[i] = std::strerror(errno);
            if (fd >= 0)
                ::close(fd);
        }
    };
    std::vector<std::thread> helpers;
    for (std::size_t t = 1; t < std::min<std::size_t>(pages.size(), 16); ++t)
        helpers.emplace_back(flush);
    flush();
    for (std::thread& helper : helpers)
        helper.join();
    for (std::size_t i = 0; i < pages.size(); ++i) {
        const int dir = pages[i].handle->fd;
        const std::string base = pages[i].target.substr(pages[i].target.rfind('/') + 1);
        if (errors[i].empty() && renameat(dir, pages[i].temp.c_str(), dir, base.c_str()) != 0)
            errors[i] = std::strerror(errno);
        if (errors[i].empty()) {
            std::lock_guard lock(state().mutex);
            state().unsynced.insert(pages[i].folder);
        } else {
            unlinkat(dir, pages[i].temp.c_str(), 0);
        }
        notify(pages[i].path, errors[i].empty(), errors[i]);
    }
}

} // namespace

PageWriter::Batch::Batch()
{
    std::lock_guard lock(state().mutex);
    ++state().batches;
}

PageWriter::Batch::~Batch()
{
    bool last = false;
    {
        std::lock_guard lock(state().mutex);
        last = --state().batches == 0;
    }
    if (last)
        commitPending();
}

void PageWriter::settle(const std::wstring& path)
{
    bool found = false;
    {
        std::lock_guard lock(state().mutex);
        found = !state().pending.empty() && state().pendingNames.count(nativePath(path)) > 0;
    }
    if (found)
        commitPending();
}

PageWriter::Result PageWriter::write(const std::wstring& path, const char* bytes, std::size_t size)
{
    const bool dryRun = isDryRun();
    std::string target;
    const std::string refusal = resolveTarget(nativePath(path), target, dryRun);
    if (!refusal.empty()) {
        notify(path, false, refusal);
        return Result::NotOpened;
    }
    const std::size_t slash = target.rfind('/');
    const std::string folder = target.substr(0, slash + 1);
    const std::string base = target.substr(slash + 1);

    if (dryRun) {
        // What the temporary file's creation would have found out: a folder that exists must let
        // us write, and so must the page.
        if ((access(folder.c_str(), F_OK) == 0 && access(folder.c_str(), W_OK) != 0) ||
            (access(target.c_str(), F_OK) == 0 && access(target.c_str(), W_OK) != 0)) {
            notify(path, false, std::strerror(errno));
            return Result::NotOpened;
        }
        {
            std::lock_guard lock(state().mutex);
            state().kept[target].assign(bytes, size);
        }
        notify(path, true, std::string());
        return Result::Written;
    }

    // A page that could not be opened for writing in place (a read-only page, or one held by a
    // user who denies us writing) is skipped as before: replacing it through a temporary file
    // would overwrite what its owner protected.
    if (access(target.c_str(), F_OK) == 0 && access(target.c_str(), W_OK) != 0) {
        notify(path, false, std::strerror(errno));
        return Result::NotOpened;
    }

    removeLeftoversIn(folder);
    std::shared_ptr<FolderHandle> handle;
    {
        std::lock_guard lock(state().mutex);
        handle = state().handles[folder].lock();
    }
    if (!handle) {
        const int opened = openFolder(folder);
        if (opened < 0) {
            notify(path, false,
                   errno == ELOOP || errno == ENOTDIR ? "a folder on the way was replaced by a link or file"
                                                      : std::strerror(errno));
            return Result::NotOpened;
        }
        handle = std::make_shared<FolderHandle>(opened);
        std::lock_guard lock(state().mutex);
        state().handles[folder] = handle;
    }
    const int dirFd = handle->fd;
    std::string tempName;
    int fd = createTemporary(dirFd, base, tempName);
    if (fd < 0) {
        notify(path, false, std::strerror(errno));
        return Result::NotOpened;
    }

    auto fail = [&](const std::string& reason) {
        if (fd >= 0)
            ::close(fd);
        unlinkat(dirFd, tempName.c_str(), 0);
        notify(path, false, reason);
        throw FileException(path, reason);
    };
    auto failErrno = [&]() { fail(std::strerror(errno)); };

    // A page that is replaced keeps its permissions and, where allowed, its owner.
    struct stat old;
    if (fstatat(dirFd, base.c_str(), &old, 0) == 0 && S_ISREG(old.st_mode)) {
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
    // On disk before the rename: otherwise a power loss can leave the new name on an empty or
    // partial file with a fresh time, which every later run would take as up to date. Inside a
    // batch the flush and the rename wait for the batch's end.
    bool deferred = false;
    {
        std::lock_guard lock(state().mutex);
        deferred = state().batches > 0;
    }
    if (!deferred && fsync(fd) != 0)
        failErrno();
    const int closing = fd;
    fd = -1;
    if (::close(closing) != 0)
        failErrno();
    if (deferred) {
        std::lock_guard lock(state().mutex);
        const std::string native = nativePath(path);
        state().pending.push_back({path, tempName, target, folder, handle});
        state().pendingNames.insert({native, target, folder, native.substr(0, native.rfind('/') + 1)});
        return Result::Written;
    }
    if (renameat(dirFd, tempName.c_str(), dirFd, base.c_str()) != 0)
        failErrno();
    {
        std::lock_guard lock(state().mutex);
        state().unsynced.insert(folder);
    }

    notify(path, true, std::string());
    return Result::Written;
}

void PageWriter::setDryRun(bool on)
{
    std::lock_guard lock(state().mutex);
    state().dryRun = on;
    state().kept.clear();
}

bool PageWriter::isDryRun()
{
    std::lock_guard lock(state().mutex);
    return state().dryRun;
}

bool PageWriter::keptBytes(const std::wstring& path, std::string& bytes)
{
    {
        std::lock_guard lock(state().mutex);
        if (state().kept.empty())
            return false;
    }
    std::string target;
    if (!resolveTarget(nativePath(path), target, true).empty())
        return false;
    std::lock_guard lock(state().mutex);
    const auto it = state().kept.find(target);
    if (it == state().kept.end())
        return false;
    bytes = it->second;
    return true;
}

void PageWriter::skip(const std::wstring& path, const std::string& reason)
{
    notify(path, false, reason);
}

void PageWriter::confineTo(const std::wstring& folder)
{
    std::string root = nativePath(folder);
    // A folder that does not resolve (it is missing) stays as given: no write can land in it.
    std::string resolved;
    if (!root.empty() && realPath(root, resolved))
        root = resolved;
    while (root.size() > 1 && root.back() == '/')
        root.pop_back();
    std::lock_guard lock(state().mutex);
    state().root = root;
}

std::vector<std::pair<std::wstring, std::string>> PageWriter::syncFolders()
{
    commitPending();
    std::set<std::string> folders;
    {
        std::lock_guard lock(state().mutex);
        folders.swap(state().unsynced);
    }
    std::vector<std::pair<std::wstring, std::string>> failed;
    for (const std::string& folder : folders) {
        const std::string reason = syncFolder(folder);
        if (!reason.empty())
            failed.emplace_back(fromUtf8(folder), reason);
    }
    return failed;
}

void PageWriter::removeLeftovers(bool enable)
{
    std::lock_guard lock(state().mutex);
    state().removeLeftovers = enable;
    state().swept.clear();
}

bool PageWriter::isTemporaryName(const std::string& name)
{
    return !name.empty() && name[0] == '.' && name.find(kTemporaryMark) != std::string::npos;
}

PageWriter::Observer PageWriter::setObserver(Observer observer)
{
    std::lock_guard lock(state().mutex);
    Observer previous = std::move(state().observer);
    state().observer = std::move(observer);
    return previous;
}

void PageWriter::setFaultInjector(FaultInjector injector)
{
    std::lock_guard lock(state().mutex);
    state().injector = std::move(injector);
}

} // namespace platform
