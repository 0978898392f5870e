#pragma once
#include <string>
#include <vector>

#include "platform/PageWriter.h"

class SiteContext;

// Every page outcome the platform's page writer reports while the log exists (the module's
// generated pages and the host's own saves).
class WriteLog {
public:
    struct Entry {
        std::wstring path;
        bool written;
        std::string reason; // why it was not written; "" when it was
    };

    // Starts listening; the previous listener comes back when the log goes.
    WriteLog();
    ~WriteLog();
    WriteLog(const WriteLog&) = delete;
    WriteLog& operator=(const WriteLog&) = delete;

    const std::vector<Entry>& entries() const { return entries_; }
    // How many pages were written; 0 when none.
    int writtenCount() const;
    // How many pages could not be written; 0 when none.
    int failedCount() const;
    // The outcome of the last write of that path; null when it was not written to.
    const Entry* find(const std::wstring& path) const;

    // Prints how many pages were written (with verbose, which) on stdout and every page that
    // could not be written, with the reason, on stderr. skip leaves one path out (reported by
    // its caller); with quietWhenNone nothing is printed when no page was handled. Returns the
    // number of failures printed.
    int report(const SiteContext& site, bool verbose, const std::wstring& skip = {}, bool quietWhenNone = false) const;

private:
    std::vector<Entry> entries_;
    platform::PageWriter::Observer previous_;
};
