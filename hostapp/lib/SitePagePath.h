#pragma once
#include <filesystem>
#include <string>
#include <string_view>

// Which files of a site the host may open, change and save as pages: HTML pages (.html or .htm,
// any case) inside the site folder and outside its CMS folder qcms/ and its site-menu folder
// ZebSitemenu/, judged after every symlink is resolved. Every command that opens a page and the
// refresh of published pages go through this one rule.
class SitePagePath {
public:
    enum class Verdict {
        Page,    // a page the host may open
        Refused, // outside the site, in qcms/ or ZebSitemenu/, or not named .html or .htm
        Missing, // allowed, but no such file, or not a regular file
    };
    // The page that name stands for: a path relative to the site folder (an absolute path is
    // taken as it is), symlinks resolved, in path. Refused or Missing, with the reason in why and
    // path untouched, when it is no page the host may open.
    static Verdict resolve(const std::wstring& siteFolder, const std::wstring& name, std::wstring& path,
                           std::string& why);

    // The folder of a page relative to the site folder, "/"-separated without a trailing "/"
    // ("" for a page at the root); both paths as resolve gives them. "" when the page is not
    // inside the site.
    static std::wstring folderInSite(const std::wstring& siteFolder, const std::wstring& pagePath);

    // The path with every symlink resolved, when it is the site folder or lies below it (the site
    // folder resolved alike); empty when it lies outside. The one test of "inside the site" that
    // the page rule and the preview server's URLs share.
    static std::filesystem::path resolveInSite(const std::filesystem::path& siteFolder,
                                               const std::filesystem::path& path);

    // Whether a file name ends in .html or .htm (any case).
    static bool isHtmlName(const std::wstring& name);
    // The same of a name in UTF-8.
    static bool isHtmlName(std::string_view name);
    // Whether a folder name is one the host never opens pages in (qcms, ZebSitemenu; any case).
    static bool isReservedFolder(const std::wstring& name);
};
