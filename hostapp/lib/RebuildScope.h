#pragma once
#include <string>
#include <vector>

// A rebuild: while the scope exists, the host's file finder (CRuvFileFind) passes over the
// generated pages of the given categories in the site-menu folder, so the module, which decides
// from what it finds whether a page is missing or out of date, makes every one of them anew
// (for the diary, the whole chain of month pages). The pages are written as any page is, through
// a temporary file, so one that cannot be made keeps its old content.
class RebuildScope {
public:
    // siteMenuFolder: the site's ZebSitemenu folder, as the site manager names it. categories:
    // the category numbers (0 to 999) whose pages are made anew.
    RebuildScope(const std::wstring& siteMenuFolder, const std::vector<int>& categories);
    ~RebuildScope();
    RebuildScope(const RebuildScope&) = delete;
    RebuildScope& operator=(const RebuildScope&) = delete;

    // Whether a rebuild runs.
    static bool active();
    // Whether the file finder passes over the entry name of the folder; false when no rebuild runs.
    static bool hides(const std::wstring& folder, const std::wstring& name);
};
