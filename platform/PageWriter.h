#pragma once
#include <cstddef>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace platform {

// Writes a page whole or not at all, and durably: the bytes go to a temporary file in the page's
// folder, which is flushed to disk and then renamed over the page; the folders that got pages are
// flushed together (syncFolders), and so are the pages of a batch. When the clock is fixed, the page gets the fixed
// moment as its last-write time.
//
// The page's final target is resolved first (through symbolic links, in the page's name and in its
// folders): a link inside the site to a page inside the site is written through, but a target
// outside the confining folder, or one that is neither a regular file nor absent (a folder, a
// FIFO, a device), is refused and that page skipped.
class PageWriter {
public:
    enum class Result { Written, NotOpened };

    // Writes the bytes to the path. Returns NotOpened (without throwing, the observer told why)
    // when the page is refused as above or its temporary file cannot be created, e.g. in a
    // read-only or missing folder; the target is untouched then. Throws FileException (path and
    // reason) when a write, flush, close or rename fails after the file was opened; the temporary
    // file is removed and the old page stays as it was.
    static Result write(const std::wstring& path, const char* bytes, std::size_t size);

    // While a batch lives, writes are flushed and renamed over their pages only when it ends
    // (the outermost batch, when batches nest): their flushes then run side by side instead of
    // one after another, or, for many pages on a local disk file system, as one flush of that file
    // system. A page written in the batch is reported (observer) and visible only
    // then; a page of a batch that is read through the platform (file reader, file finder) or
    // named to settle is completed first, with everything pending.
    class Batch {
    public:
        Batch();
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;
    };
    // Completes the pending writes of the batch when one of them is to the path (or, for a path
    // ending with the separator, to a page in that folder), so that it can be read or looked up.
    static void settle(const std::wstring& path);

    // Reports a page its maker decided not to write, with the reason, as a refused write is
    // reported (the observer is told); nothing on disk changes.
    static void skip(const std::wstring& path, const std::string& reason);

    // Confines every later write to the folder (as resolved now, through symbolic links): a page
    // whose final target lies elsewhere is refused. An empty folder lifts the confinement.
    static void confineTo(const std::wstring& folder);

    // Completes a batch's pending writes, then flushes to disk every folder a page was renamed into
    // since the last call, so that the new names survive a crash. Returns the folders that could not be flushed, with
    // the reason; empty when all were (or there were none). Called again at exit for what is left.
    static std::vector<std::pair<std::wstring, std::string>> syncFolders();

    // With true, the first write into each folder removes the temporary files of page writes that
    // a killed run left there. Only for a process that holds the site's lock: another run's
    // temporary files would go too.
    static void removeLeftovers(bool enable);
    // Whether the file name is that of a page write's temporary file.
    static bool isTemporaryName(const std::string& name);

    // A dry run: while on, a page that could be written (its target allowed, its folder writable
    // or still to be made) is kept in memory instead, and reported to the observer as written;
    // nothing on disk changes. FileReader reads a kept page's bytes in place of the file's, so a
    // later step of the same run sees what the run would have written. Turning it off forgets the
    // kept pages.
    static void setDryRun(bool on);
    // Whether a dry run is on.
    static bool isDryRun();
    // A dry run for the life of the object when on is true; nothing otherwise.
    struct DryRun {
        explicit DryRun(bool on) : on(on)
        {
            if (on)
                setDryRun(true);
        }
        ~DryRun()
        {
            if (on)
                setDryRun(false);
        }
        DryRun(const DryRun&) = delete;
        DryRun& operator=(const DryRun&) = delete;
        const bool on;
    };
    // The bytes a dry run kept for the path (the same file however it is named); false when
    // none were kept for it.
    static bool keptBytes(const std::wstring& path, std::string& bytes);

    // Observer told of every page outcome (for the host's report): path, written, reason.
    using Observer = std::function<void(const std::wstring& path, bool written, const std::string& reason)>;
    // Installs (or with an empty function removes) the observer. Returns the previous one.
    static Observer setObserver(Observer observer);

    // Test hook: when set, called before each write; returning a non-empty reason makes the write
    // fail after opening with that reason (as a full disk would).
    using FaultInjector = std::function<std::string(const std::wstring& path)>;
    static void setFaultInjector(FaultInjector injector);
};

} // namespace platform
