#pragma once
#include <filesystem>
#include <string>

// Which file of a site a URL path asks for, as the preview server serves it. The path is taken
// below the site folder whatever it says: empty and "." segments are dropped, a ".." segment
// (the server decodes "%2e%2e" before) or a NUL byte finds nothing, and the file, with every
// symlink resolved, must lie inside the site (the host's one rule for that). A folder stands for
// its index.html; there is no listing of folders.
class SiteUrlPath {
public:
    enum class Kind {
        File,     // a regular file inside the site
        Folder,   // a folder named without its trailing "/": the browser is sent to url + "/"
        NotFound, // nothing to serve: missing, outside the site, a folder without index.html,
                  // a device or pipe, or a path that climbs
    };
    struct Target {
        Kind kind = Kind::NotFound;
        std::filesystem::path file; // File: the file, symlinks resolved; empty otherwise
    };

    // The target of a decoded URL path ("/diary/", "/index.html") in the site folder; NotFound
    // for a path that does not start with "/".
    static Target resolve(const std::filesystem::path& siteFolder, const std::string& urlPath);
};
