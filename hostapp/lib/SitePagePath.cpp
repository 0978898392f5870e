#include "SitePagePath.h"

#include <filesystem>
#include <system_error>

#include "AsciiCase.h"
#include "platform/TextConv.h"

namespace fs = std::filesystem;

namespace {

// The path with every symlink of its existing part resolved and the rest normalized; the
// lexically normal absolute path when that fails.
fs::path resolved(const fs::path& path)
{
    std::error_code ec;
    fs::path out = fs::weakly_canonical(path, ec);
    if (ec)
        out = fs::absolute(path, ec).lexically_normal();
    return out;
}

// The part of path below folder, both resolved; empty when path is not below folder (or is it).
fs::path below(const fs::path& folder, const fs::path& path)
{
    auto f = folder.begin();
    auto p = path.begin();
    for (; f != folder.end() && !f->empty(); ++f, ++p) {
        if (p == path.end() || *p != *f)
            return {};
    }
    fs::path rest;
    for (; p != path.end(); ++p) {
        if (!p->empty())
            rest /= *p;
    }
    return rest;
}

} // namespace

fs::path SitePagePath::resolveInSite(const fs::path& siteFolder, const fs::path& path)
{
    const fs::path site = resolved(siteFolder);
    const fs::path target = resolved(path);
    return target == site || !below(site, target).empty() ? target : fs::path();
}

bool SitePagePath::isHtmlName(const std::wstring& name)
{
    const std::wstring lower = asciicase::lower(name);
    auto endsWith = [&](const std::wstring& tail) {
        return lower.size() > tail.size() && lower.compare(lower.size() - tail.size(), tail.size(), tail) == 0;
    };
    return endsWith(L".html") || endsWith(L".htm");
}

bool SitePagePath::isHtmlName(std::string_view name)
{
    // The endings are ASCII, so a UTF-8 name ends with one where its characters do.
    auto endsWith = [&](std::string_view tail) {
        if (name.size() <= tail.size())
            return false;
        for (std::size_t i = 0; i < tail.size(); ++i) {
            const char c = name[name.size() - tail.size() + i];
            if ((c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c) != tail[i])
                return false;
        }
        return true;
    };
    return endsWith(".html") || endsWith(".htm");
}

bool SitePagePath::isReservedFolder(const std::wstring& name)
{
    return asciicase::equal(name, L"qcms") || asciicase::equal(name, L"ZebSitemenu");
}

SitePagePath::Verdict SitePagePath::resolve(const std::wstring& siteFolder, const std::wstring& name,
                                            std::wstring& path, std::string& why)
{
    const fs::path site = resolved(fs::path(platform::toUtf8(siteFolder)));
    const fs::path given(platform::toUtf8(name));
    if (name.empty()) {
        why = "no page named";
        return Verdict::Refused;
    }
    const fs::path page = resolved(given.is_absolute() ? given : site / given);
    const fs::path rest = below(site, page);
    if (rest.empty()) {
        why = "not a page of the site (outside " + site.string() + ")";
        return Verdict::Refused;
    }
    const std::wstring first = platform::fromUtf8(rest.begin()->string());
    if (std::next(rest.begin()) != rest.end() && isReservedFolder(first)) {
        why = asciicase::equal(first, L"qcms") ? "in qcms/, the CMS's data, which is never edited as a page"
                                               : "in ZebSitemenu/, the generated pages, which zebhost rewrites itself";
        return Verdict::Refused;
    }
    if (!isHtmlName(platform::fromUtf8(page.filename().string()))) {
        why = "not an HTML page (.html or .htm)";
        return Verdict::Refused;
    }
    std::error_code ec;
    const fs::file_status status = fs::status(page, ec);
    if (!fs::exists(status)) {
        why = "no such page";
        return Verdict::Missing;
    }
    if (!fs::is_regular_file(status)) {
        why = "not a page file";
        return Verdict::Missing;
    }
    path = platform::fromUtf8(page.string());
    return Verdict::Page;
}

std::wstring SitePagePath::folderInSite(const std::wstring& siteFolder, const std::wstring& pagePath)
{
    const fs::path rest =
        below(resolved(fs::path(platform::toUtf8(siteFolder))), resolved(fs::path(platform::toUtf8(pagePath))));
    return platform::fromUtf8(rest.parent_path().generic_string());
}
