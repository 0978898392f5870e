#pragma once
#include <string>
#include <vector>

#include "platform/FileReader.h"
#include "platform/PageWriter.h"

class SiteContext;

// Every page outcome the platform's page writer reports while the log exists (the module's
// generated pages and the host's own saves), and every file the platform refused to read (a data
// file that is a FIFO or too large: its page lacks that file's entries, and the run fails).
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

    // Flushes the folders pages went into, then prints how many pages were written (with
    // verbose, which) on stdout, and on stderr every file not read, every page that could not be
    // written and every folder that could not be flushed, with the reason. Every page is said
    // to be up to date only when nothing failed and every file was read. skip leaves one path out
    // (reported by its caller); with quietWhenNone nothing is printed when no page was handled.
    // Returns the number of failures printed (files not read included).
    int report(const SiteContext& site, bool verbose, const std::wstring& skip = {}, bool quietWhenNone = false) const;

private:
    std::vector<Entry> entries_;
    std::vector<Entry> unread_; // files refused by the reader, each once
    platform::PageWriter::Observer previous_;
    platform::FileReader::Observer previousReader_;
};
