#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace platform {

// The file-system steps of a durable page write: a private temporary file in the page's folder
// (held open), the bytes written whole, the files flushed side by side, and the flush of a folder
// after a rename into it. The page writer decides when each step runs.
class DurableFile {
public:
    // An open handle on the folder a page is written in. The temporary file is made, and renamed over
    // the page, relative to it: a folder on the way swapped for a symbolic link after the target was
    // checked cannot carry the write elsewhere.
    struct FolderHandle {
        int fd = -1;
        explicit FolderHandle(int descriptor) : fd(descriptor) {}
        FolderHandle(const FolderHandle&) = delete;
        FolderHandle& operator=(const FolderHandle&) = delete;
        ~FolderHandle();
    };

    // What marks a temporary file of a page write: "." + page name + this + six random characters.
    static constexpr const char* kTemporaryMark = ".zebhost-tmp.";

    // Creates a new, private-named temporary file for the page named base in the open folder;
    // tempName is its name in the folder. The descriptor, or -1 (errno set) on failure. Opened
    // with mode 0666 so that the process's umask decides the new page's permissions.
    static int createTemporary(int folder, const std::string& base, std::string& tempName);

    // Whether the file name is that of a page write's temporary file.
    static bool isTemporaryName(const std::string& name);
    // Removes the temporary files of page writes in folder (regular files only); nothing when the
    // folder cannot be read.
    static void removeTemporaries(const std::string& folder);

    // Writes size bytes to fd, whole; false (errno set) when a write fails.
    static bool writeAll(int fd, const char* bytes, std::size_t size);
    // Gives the open file the moment (seconds since the epoch) as its access and last-write time;
    // false (errno set) when that fails.
    static bool setTime(int fd, std::int64_t moment);
    // A file to flush: its descriptor while it is still open, else -1 and its name in an open folder.
    struct ToFlush {
        int fd;
        int folder;
        std::string name;
    };
    // Flushes each file to disk, side by side, and closes the descriptors it was given; the
    // system's reason for each file that could not be flushed, "" for each that was.
    static std::vector<std::string> flushAll(const std::vector<ToFlush>& files);

    // Whether one flush of the whole file system that holds the open folder (flushFileSystem)
    // writes every file written in it to disk and reports a failure to write any of them, as a
    // flush of each file would: true for the local disk file systems known to do so; false for
    // others (network and user-space file systems), on a kernel that does not report such failures
    // (before Linux 5.8), and when the folder cannot be looked at.
    static bool flushesWhole(int folder);
    // Flushes every file of the file system that holds the open folder to disk; "" when done, else
    // the system's reason, which covers a failure to write any file of that file system since
    // the folder was opened.
    static std::string flushFileSystem(int folder);

    // Flushes a folder to disk; "" when done, else the system's reason. A folder removed since has
    // nothing to flush, nor has one on a file system that cannot flush folders (EINVAL).
    static std::string syncFolder(const std::string& folder);
};

} // namespace platform
