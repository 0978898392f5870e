#pragma once
#include <string>

#include "support/TestSupport.h"

namespace testsupport {

// Makes a folder the host's current site ("" for none) for the life of the object; afterwards no
// site is current, so one test's site never leaks into the next.
class CurrentSite {
public:
    explicit CurrentSite(const std::string& folder);
    ~CurrentSite();
    CurrentSite(const CurrentSite&) = delete;
    CurrentSite& operator=(const CurrentSite&) = delete;
};

// A temporary site folder that is also the current site: folder() is the site, menu(name) a path
// in its site-menu folder, cms(name) a path in its CMS folder.
class TempSite {
public:
    TempSite() : site_(dir_.path()) {}
    const std::string& folder() const { return dir_.path(); }
    std::string menu(const std::string& name) const { return dir_ / ("ZebSitemenu/" + name); }
    std::string cms(const std::string& name) const { return dir_ / ("qcms/" + name); }

private:
    TempDir dir_;
    CurrentSite site_;
};

} // namespace testsupport
