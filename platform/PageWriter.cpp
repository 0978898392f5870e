#include "platform/PageWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <tuple>

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
    int fd = -1;                                       // the temporary file while it is held open for its flush

    // Renames the temporary file over the page, in the held folder; false (errno set) on failure.
    bool moveIntoPlace() const
    {
        const std::string base = target.substr(target.rfind('/') + 1);
        return renameat(handle->fd, temp.c_str(), handle->fd, base.c_str()) == 0;
    }
};

// How many pending pages of a batch may wait for their flush with their file open.
constexpr std::size_t kMaxHeldOpen = 256;

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
    // While a batch is open, each folder as pages' paths name it, resolved, checked and opened
    // once: its later pages need only a look at their own name.
    std::map<std::string, std::pair<std::string, std::shared_ptr<DurableFile::FolderHandle>>> folders;
    std::size_t heldOpen = 0; // pending pages whose temporary file is held open

    // At exit, what no one flushed is flushed all the same (errors can no longer be told).
    ~State()
    {
        for (const Pending& page : pending) {
            const int fd = page.fd >= 0
                               ? page.fd
                               : ::openat(page.handle->fd, page.temp.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
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

// Where a page write lands.
struct Destination {
    std::string target; // the page's final path
    std::string folder; // its folder, resolved, ending with "/"
    std::string base;   // its name in the folder
    std::shared_ptr<DurableFile::FolderHandle> handle;
    bool replaces = false; // a regular file has the name; old is its status
    struct stat old {};
};

// A handle on the resolved folder, shared with the pages that wait in it; "" or why it cannot be
// opened.
std::string handleOn(const std::string& folder, std::shared_ptr<DurableFile::FolderHandle>& handle)
{
    {
        std::lock_guard lock(state().mutex);
        handle = state().handles[folder].lock();
    }
    if (handle)
        return std::string();
    // Named with the separator, as the pages' folders are: a folder below the confining folder is
    // then opened from it down, one name at a time.
    const int opened = PageTarget::openFolder(folder == "/" ? folder : folder + "/", confiningRoot());
    if (opened < 0)
        return errno == ELOOP ? "a folder on the way was replaced by a link" : std::strerror(errno);
    handle = std::make_shared<DurableFile::FolderHandle>(opened);
    std::lock_guard lock(state().mutex);
    state().handles[folder] = handle;
    return std::string();
}

// The folder a page's path names (given), resolved, confined and opened; remembered while a batch
// is open, so that a batch resolves each of its folders once. "" or why no page may be written
// in it.
std::string openFolderOf(const std::string& given, std::string& resolved,
                         std::shared_ptr<DurableFile::FolderHandle>& handle)
{
    {
        std::lock_guard lock(state().mutex);
        const auto it = state().folders.find(given);
        if (it != state().folders.end()) {
            std::tie(resolved, handle) = it->second;
            return std::string();
        }
    }
    std::string refusal = PageTarget::resolveFolder(given, confiningRoot(), resolved);
    if (refusal.empty())
        refusal = handleOn(resolved, handle);
    if (!refusal.empty())
        return refusal;
    std::lock_guard lock(state().mutex);
    if (state().batches > 0)
        state().folders[given] = {resolved, handle};
    return std::string();
}

// Where a write to native must land: its folder resolved and opened, then its name looked at in
// the open folder. A name that is a symbolic link is followed through (PageTarget::resolve).
// Returns "" or why the page may not be written.
std::string destinationOf(const std::string& native, Destination& to)
{
    const std::size_t slash = native.rfind('/');
    to.base = slash == std::string::npos ? native : native.substr(slash + 1);
    if (to.base.empty())
        return std::strerror(native.empty() ? ENOENT : EISDIR);
    const std::string given = slash == std::string::npos ? "." : slash == 0 ? "/" : native.substr(0, slash);
    std::string folder;
    std::string refusal = openFolderOf(given, folder, to.handle);
    PageTarget::Kind kind = PageTarget::Kind::Missing;
    if (refusal.empty())
        refusal = PageTarget::checkName(to.handle->fd, to.base, kind, to.old);
    if (!refusal.empty())
        return refusal;
    if (kind == PageTarget::Kind::Link) {
        refusal = resolveTarget(native, to.target);
        if (!refusal.empty())
            return refusal;
        const std::size_t end = to.target.rfind('/');
        folder = to.target.substr(0, end);
        to.base = to.target.substr(end + 1);
        refusal = handleOn(folder.empty() ? "/" : folder, to.handle);
        if (!refusal.empty())
            return refusal;
        to.replaces = fstatat(to.handle->fd, to.base.c_str(), &to.old, 0) == 0 && S_ISREG(to.old.st_mode);
    } else {
        to.target = (folder == "/" ? folder : folder + "/") + to.base;
        to.replaces = kind == PageTarget::Kind::Regular;
    }
    to.folder = to.target.substr(0, to.target.rfind('/') + 1);
    // A page that could not be opened for writing in place (a read-only page, or one held by a
    // user who denies us writing) is skipped as before: replacing it through a temporary file
    // would overwrite what its owner protected.
    if (to.replaces && faccessat(to.handle->fd, to.base.c_str(), W_OK, 0) != 0)
        return std::strerror(errno);
    return std::string();
}

// A dry run's write: what the temporary file's creation would have found out is checked (a folder
// that exists must let us write, and so must the page), and the bytes are kept.
PageWriter::Result keep(const std::wstring& path, const std::string& native, const char* bytes, std::size_t size)
{
    std::string target;
    const std::string refusal = resolveTarget(native, target, true);
    if (!refusal.empty()) {
        notify(path, false, refusal);
        return PageWriter::Result::NotOpened;
    }
    const std::string folder = target.substr(0, target.rfind('/') + 1);
    if ((access(folder.c_str(), F_OK) == 0 && access(folder.c_str(), W_OK) != 0) ||
        (access(target.c_str(), F_OK) == 0 && access(target.c_str(), W_OK) != 0)) {
        notify(path, false, std::strerror(errno));
        return PageWriter::Result::NotOpened;
    }
    {
        std::lock_guard lock(state().mutex);
        state().kept[target].assign(bytes, size);
    }
    notify(path, true, std::string());
    return PageWriter::Result::Written;
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

// From how many pages on it a batch flushes a file system whole rather than file by file.
constexpr std::size_t kWholeFlushFrom = 16;

// Flushes the pages' temporary files to disk and closes those held open; the reason each could not
// be flushed, "" for each that was. A batch of many pages on a local disk file system is flushed
// with one flush of that file system: a flush of each new file also writes its inode and its
// folder and waits for the disk each time (about 10 ms of a full rebuild), while one flush writes
// each inode block and folder once. It covers the file system's other files too, which for a few
// pages costs more than it saves.
std::vector<std::string> flushPages(const std::vector<Pending>& pages)
{
    std::vector<std::string> errors(pages.size());
    std::vector<std::size_t> oneByOne;
    if (pages.size() < kWholeFlushFrom) {
        for (std::size_t i = 0; i < pages.size(); ++i)
            oneByOne.push_back(i);
    } else {
        // Each folder's file system, and whether it is flushed whole; the pages come in write order,
        // so the first folder met on a file system was opened before any page on it was written,
        // and its flush reports the failure to write any of them.
        std::map<const DurableFile::FolderHandle*, std::optional<dev_t>> wholeOn;
        std::map<dev_t, std::string> flushed; // a file system flushed whole, and its failure
        for (std::size_t i = 0; i < pages.size(); ++i) {
            const Pending& page = pages[i];
            auto [known, added] = wholeOn.try_emplace(page.handle.get());
            struct stat folder;
            if (added && DurableFile::flushesWhole(page.handle->fd) && fstat(page.handle->fd, &folder) == 0)
                known->second = folder.st_dev;
            if (!known->second) {
                oneByOne.push_back(i);
                continue;
            }
            auto fs = flushed.find(*known->second);
            if (fs == flushed.end())
                fs = flushed.emplace(*known->second, DurableFile::flushFileSystem(page.handle->fd)).first;
            errors[i] = fs->second;
            if (page.fd >= 0 && ::close(page.fd) != 0 && errors[i].empty())
                errors[i] = std::strerror(errno);
        }
    }
    std::vector<DurableFile::ToFlush> files;
    for (std::size_t i : oneByOne)
        files.push_back({pages[i].fd, pages[i].handle->fd, pages[i].temp});
    const std::vector<std::string> reasons = DurableFile::flushAll(files);
    for (std::size_t k = 0; k < oneByOne.size(); ++k)
        errors[oneByOne[k]] = reasons[k];
    return errors;
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
        state().folders.clear();
        state().heldOpen = 0;
    }
    if (pages.empty())
        return;
    std::vector<std::string> errors = flushPages(pages);
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
    const std::string native = nativePath(path);
    if (isDryRun())
        return keep(path, native, bytes, size);

    Destination to;
    const std::string refusal = destinationOf(native, to);
    if (!refusal.empty()) {
        notify(path, false, refusal);
        return Result::NotOpened;
    }
    removeLeftoversIn(to.folder);
    const int dirFd = to.handle->fd;
    std::string tempName;
    int fd = DurableFile::createTemporary(dirFd, to.base, tempName);
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
    if (to.replaces) {
        if (fchmod(fd, to.old.st_mode & 07777) != 0)
            failErrno();
        if (fchown(fd, to.old.st_uid, to.old.st_gid) != 0) {
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
    // Inside a batch the file is held open for its flush at the batch's end (no second open then),
    // up to a bound that leaves the process descriptors for everything else.
    bool deferred = false, held = false;
    {
        std::lock_guard lock(state().mutex);
        deferred = state().batches > 0;
        held = deferred && state().heldOpen < kMaxHeldOpen;
        if (held)
            ++state().heldOpen;
    }
    if (!deferred && fsync(fd) != 0)
        failErrno();
    const int open = fd;
    fd = -1;
    if (!held && ::close(open) != 0)
        failErrno();
    if (deferred) {
        std::lock_guard lock(state().mutex);
        state().pending.push_back({path, tempName, to.target, to.folder, to.handle, held ? open : -1});
        state().pendingNames.insert({native, to.target, to.folder, native.substr(0, native.rfind('/') + 1)});
        return Result::Written;
    }
    if (renameat(dirFd, tempName.c_str(), dirFd, to.base.c_str()) != 0)
        failErrno();
    {
        std::lock_guard lock(state().mutex);
        state().unsynced.insert(to.folder);
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
