#pragma once
#include <cstddef>
#include <functional>
#include <string>

namespace platform {

// Reads whole files the host works from (pages, data files, templates), safely: the file is opened
// without blocking and its type checked before a byte is read (a FIFO or device named like a page
// is never waited on), it is read rather than mapped (a file truncated by another program while
// it is read gives fewer bytes, never a crash), and a file above the size limit is refused before
// anything is allocated.
class FileReader {
public:
    // The largest file read: 32 MiB. Far above any page or data file a site holds; it bounds the
    // memory one file can make the host use.
    static constexpr std::size_t kSizeLimit = 32 * 1024 * 1024;

    enum class Result { Read, Missing, Refused };

    // Reads the regular file at the path into bytes. Missing (bytes empty) when nothing is there;
    // Refused (bytes empty, reason set, observer told) when the path is no regular file, the file
    // is larger than kSizeLimit, or it cannot be read.
    static Result read(const std::wstring& path, std::string& bytes, std::string* reason = nullptr);

    // Observer told of every refused file (for the host's report): path and reason.
    using Observer = std::function<void(const std::wstring& path, const std::string& reason)>;
    // Installs (or with an empty function removes) the observer. Returns the previous one.
    static Observer setObserver(Observer observer);
};

} // namespace platform
