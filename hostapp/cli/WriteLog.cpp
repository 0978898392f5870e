#include "WriteLog.h"

#include <cstdio>

#include "Commands.h"
#include "SiteContext.h"

WriteLog::WriteLog()
{
    previous_ =
        platform::PageWriter::setObserver([this](const std::wstring& path, bool written, const std::string& reason) {
            entries_.push_back({path, written, reason});
        });
    previousReader_ = platform::FileReader::setObserver([this](const std::wstring& path, const std::string& reason) {
        for (const Entry& entry : unread_) {
            if (entry.path == path)
                return;
        }
        unread_.push_back({path, false, reason});
    });
}

WriteLog::~WriteLog()
{
    platform::PageWriter::setObserver(previous_);
    platform::FileReader::setObserver(previousReader_);
}

int WriteLog::writtenCount() const
{
    int count = 0;
    for (const Entry& entry : entries_)
        count += entry.written ? 1 : 0;
    return count;
}

int WriteLog::failedCount() const
{
    return static_cast<int>(entries_.size()) - writtenCount();
}

const WriteLog::Entry* WriteLog::find(const std::wstring& path) const
{
    for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) {
        if (it->path == path)
            return &*it;
    }
    return nullptr;
}

int WriteLog::report(const SiteContext& site, bool verbose, const std::wstring& skip, bool quietWhenNone) const
{
    // A page reported written is on disk: the folders the pages went into are flushed first.
    const auto unflushed = platform::PageWriter::syncFolders();
    std::vector<const Entry*> written;
    std::vector<const Entry*> failed;
    for (const Entry& entry : entries_) {
        if (entry.path != skip)
            (entry.written ? written : failed).push_back(&entry);
    }
    // The skipped path is a failure its caller reports: nothing is up to date after it either.
    const bool upToDate = failedCount() == 0 && unread_.empty() && unflushed.empty();
    // A dry run says which pages it would write, each of them.
    const bool dryRun = platform::PageWriter::isDryRun();
    const char* verb = dryRun ? "would be written" : "written";
    if (!written.empty())
        say("%zu page%s %s\n", written.size(), written.size() == 1 ? "" : "s", verb);
    else if (!failed.empty() || !quietWhenNone)
        say("no page %s%s\n", verb, upToDate ? ": every page is up to date" : "");
    if (verbose || dryRun) {
        for (const Entry* entry : written)
            say("  %s %s\n", dryRun ? "would write" : "wrote", site.display(entry->path).c_str());
    }
    std::fflush(stdout);
    for (const Entry& entry : unread_)
        std::fprintf(stderr, "zebhost: %s: not read: %s\n", site.display(entry.path).c_str(), entry.reason.c_str());
    for (const Entry* entry : failed)
        std::fprintf(stderr, "zebhost: %s: not written: %s\n", site.display(entry->path).c_str(),
                     entry->reason.c_str());
    for (const auto& [folder, reason] : unflushed)
        std::fprintf(stderr, "zebhost: %s: not flushed to disk: %s\n", site.display(folder).c_str(), reason.c_str());
    return static_cast<int>(unread_.size() + failed.size() + unflushed.size());
}
