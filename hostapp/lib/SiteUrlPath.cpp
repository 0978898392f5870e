#include "SiteUrlPath.h"

#include <system_error>

#include "SitePagePath.h"

namespace fs = std::filesystem;

namespace {

// A regular file at that path, inside the site with symlinks resolved; empty when none.
fs::path regularFileInSite(const fs::path& site, const fs::path& path)
{
    const fs::path file = SitePagePath::resolveInSite(site, path);
    std::error_code ec;
    return !file.empty() && fs::is_regular_file(file, ec) ? file : fs::path();
}

} // namespace

SiteUrlPath::Target SiteUrlPath::resolve(const fs::path& siteFolder, const std::string& urlPath)
{
    if (urlPath.empty() || urlPath[0] != '/' || urlPath.find('\0') != std::string::npos)
        return {};
    // Segment by segment, so that nothing in the URL can make the path absolute or climb.
    fs::path path = siteFolder;
    std::size_t start = 1;
    while (start <= urlPath.size()) {
        std::size_t end = urlPath.find('/', start);
        if (end == std::string::npos)
            end = urlPath.size();
        const std::string segment = urlPath.substr(start, end - start);
        if (segment == "..")
            return {};
        if (!segment.empty() && segment != ".")
            path /= segment;
        start = end + 1;
    }
    const fs::path target = SitePagePath::resolveInSite(siteFolder, path);
    std::error_code ec;
    if (target.empty())
        return {};
    if (fs::is_directory(target, ec)) {
        if (urlPath.back() != '/')
            return {Kind::Folder, {}};
        const fs::path index = regularFileInSite(siteFolder, target / "index.html");
        return index.empty() ? Target{} : Target{Kind::File, index};
    }
    if (urlPath.back() == '/' || !fs::is_regular_file(target, ec))
        return {};
    return {Kind::File, target};
}
