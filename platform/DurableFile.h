#pragma once
#include <string>

namespace platform {

// The file-system steps of a durable page write: a private temporary file beside the page, and
// the flush of a folder after a rename into it.
class DurableFile {
public:
    // What marks a temporary file of a page write: "." + page name + this + six random characters.
    static constexpr const char* kTemporaryMark = ".zebhost-tmp.";

    // Creates a new, private-named temporary file for the page named base in folder (which ends
    // with the separator), its path in tempPath; the descriptor, or -1 (errno set) on failure.
    // Opened with mode 0666 so that the process's umask decides the new page's permissions.
    static int createTemporary(const std::string& folder, const std::string& base, std::string& tempPath);

    // Whether the file name is that of a page write's temporary file.
    static bool isTemporaryName(const std::string& name);
    // Removes the temporary files of page writes in folder (regular files only); nothing when the
    // folder cannot be read.
    static void removeTemporaries(const std::string& folder);

    // Flushes a folder to disk; "" when done, else the system's reason. A folder removed since has
    // nothing to flush, nor has one on a file system that cannot flush folders (EINVAL).
    static std::string syncFolder(const std::string& folder);
};

} // namespace platform
