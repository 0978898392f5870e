#include "platform/PageWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <set>

#include "platform/Clock.h"
#include "platform/DurableFile.h"
#include "platform/FileException.h"
#include "platform/PageTarget.h"
#include "platform/Path.h"
#include "platform/TextConv.h"

namespace platform {

namespace {

// A page written inside a batch, waiting for its flush and rename.
struct Pending {
    std::wstring path; // as the writer was given it
    std::string temp;  // its temporary file's name in the folder
    std::string target;
    std::string folder;
    std::shared_ptr<DurableFile::FolderHandle> handle; // the folder, held open until the rename

    // Renames the temporary file over the page, in the held folder; false (errno set) on failure.
    bool moveIntoPlace() const
    {
        const std::string base = target.substr(target.rfind('/') + 1);
        return renameat(handle->fd, temp.c_str(), handle->fd, base.c_str()) == 0;
    }
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
    std::map<std::string, std::weak_ptr<DurableFile::FolderHandle>> handles;

    // At exit, what no one flushed is flushed all the same (errors can no longer be told).
    ~State()
    {
        for (const Pending& page : pending) {
            const int fd = ::openat(page.handle->fd, page.temp.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
            if (fd >= 0 && fsync(fd) == 0 && page.moveIntoPlace())
                unsynced.insert(page.folder);
            if (fd >= 0)
                ::close(fd);
        }
        for (const std::string& folder : unsynced)
            DurableFile::syncFolder(folder);
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

// The folder writes are confined to, resolved; "" for none.
std::string confiningRoot()
{
    std::lock_guard lock(state().mutex);
    return state().root;
}

// Where a write of the page must land (PageTarget::resolve), confined to the folder confineTo set.
std::string resolveTarget(const std::string& native, std::string& target, bool missingFolder = false)
{
    return PageTarget::resolve(native, confiningRoot(), target, missingFolder);
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
    DurableFile::removeTemporaries(folder);
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
    std::vector<std::pair<int, std::string>> files;
    for (const Pending& page : pages)
        files.emplace_back(page.handle->fd, page.temp);
    std::vector<std::string> errors = DurableFile::flushAll(files);
    for (std::size_t i = 0; i < pages.size(); ++i) {
        if (errors[i].empty() && !pages[i].moveIntoPlace())
            errors[i] = std::strerror(errno);
        if (errors[i].empty()) {
            std::lock_guard lock(state().mutex);
            state().unsynced.insert(pages[i].folder);
        } else {
            unlinkat(pages[i].handle->fd, pages[i].temp.c_str(), 0);
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
    std::shared_ptr<DurableFile::FolderHandle> handle;
    {
        std::lock_guard lock(state().mutex);
        handle = state().handles[folder].lock();
    }
    if (!handle) {
        const int opened = PageTarget::openFolder(folder, confiningRoot());
        if (opened < 0) {
            notify(path, false,
                   errno == ELOOP || errno == ENOTDIR ? "a folder on the way was replaced by a link or file"
                                                      : std::strerror(errno));
            return Result::NotOpened;
        }
        handle = std::make_shared<DurableFile::FolderHandle>(opened);
        std::lock_guard lock(state().mutex);
        state().handles[folder] = handle;
    }
    const int dirFd = handle->fd;
    std::string tempName;
    int fd = DurableFile::createTemporary(dirFd, base, tempName);
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

    if (!DurableFile::writeAll(fd, bytes, size))
        failErrno();
    if (Clock::isFixed() && !DurableFile::setTime(fd, Clock::now()))
        failErrno();
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
    if (!root.empty() && PageTarget::realPath(root, resolved))
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
        const std::string reason = DurableFile::syncFolder(folder);
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
    return DurableFile::isTemporaryName(name);
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
