#pragma once
#include <sys/stat.h>

#include <string>

namespace platform {

// Where a page write lands: the page's final target through every symbolic link, checked against
// the folder writes are confined to. The page writer asks it before each write and for a dry
// run's kept pages.
class PageTarget {
public:
    // The canonical path (no links, no "." or ".."); false (errno set) when it cannot be resolved.
    static bool realPath(const std::string& path, std::string& resolved);

    // The final target of a write to native (a path in the platform's encoding), in target: through
    // every symbolic link, in the page's own name and in its folders. Returns "" when it may be
    // written; else why not: a target outside root (a resolved folder; "" for no confinement), a
    // folder or any file that is not a regular one. With missingFolder, a folder that does not
    // exist yet is taken as named (a dry run's site-menu folder, which a real run would have made).
    static std::string resolve(const std::string& native, const std::string& root, std::string& target,
                               bool missingFolder);

    // Resolves folder (a path in the platform's encoding, as a page's path names it) into resolved,
    // through every symbolic link. Returns "" when pages may be written in it; else why not: it
    // cannot be resolved, or it lies outside root (as for resolve).
    static std::string resolveFolder(const std::string& folder, const std::string& root, std::string& resolved);

    // What a write to the name base in the open folder would replace, the name's own link not
    // followed: Missing, a Regular file (st has its status) or a Link (to be resolved). Returns ""
    // when it may be written (or must be resolved); else why not: a folder or any file that is not
    // a regular one has the name, or the folder cannot be read.
    enum class Kind { Missing, Regular, Link };
    static std::string checkName(int folder, const std::string& base, Kind& kind, struct stat& st);

    // Opens folder (a resolved path) for writing pages in it; -1 with errno set when it cannot.
    // Below root (as for resolve), each folder on the way is opened without following links, so
    // the handle is the folder that was checked even if a name on the way was swapped for a link
    // since.
    static int openFolder(const std::string& folder, const std::string& root);
};

} // namespace platform
