#include "WriteLog.h"

#include <cstdio>

#include "SiteContext.h"

WriteLog::WriteLog()
{
    previous_ = platform::PageWriter::setObserver(
        [this](const std::wstring& path, bool written, const std::string& reason) {
            entries_.push_back({path, written, reason});
        });
}

WriteLog::~WriteLog() { platform::PageWriter::setObserver(previous_); }

int WriteLog::writtenCount() const
{
    int count = 0;
    for (const Entry& entry : entries_)
        count += entry.written ? 1 : 0;
    return count;
}

int WriteLog::failedCount() const { return static_cast<int>(entries_.size()) - writtenCount(); }

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
    std::vector<const Entry*> written;
    std::vector<const Entry*> failed;
    for (const Entry& entry : entries_) {
        if (entry.path != skip)
            (entry.written ? written : failed).push_back(&entry);
    }
    if (written.empty() && failed.empty() && quietWhenNone)
        return 0;
    if (written.empty())
        std::printf("no page written%s\n", failed.empty() ? ": every page is up to date" : "");
    else
        std::printf("%zu page%s written\n", written.size(), written.size() == 1 ? "" : "s");
    if (verbose) {
        for (const Entry* entry : written)
            std::printf("  wrote %s\n", site.display(entry->path).c_str());
    }
    std::fflush(stdout);
    for (const Entry* entry : failed)
        std::fprintf(stderr, "zebhost: %s: not written: %s\n", site.display(entry->path).c_str(), entry->reason.c_str());
    return static_cast<int>(failed.size());
}
