#pragma once
#include <string>

// What the site manager knows of a site; the module reads only the local folder.
struct SITE_INFO {
    std::wstring name;
    std::wstring localFolder; // the site's folder on this machine
};

// The host's site manager.
class ZebSiteMgr {
public:
    // The current site's name; "" when no site is current.
    static std::wstring getCurrentSiteName();
    // Fills info for the named site; false (info untouched) when there is no such site.
    static bool getSiteInfo(const std::wstring& name, SITE_INFO& info);
};
