#include "module/ModuleTestSite.h"

#include <stdexcept>

#include "HostSite.h"

namespace testsupport {

CurrentSite::CurrentSite(const std::string& folder)
{
    if (!setCurrentSiteFolder(W(folder)))
        throw std::runtime_error("cannot make " + folder + " the current site");
}

CurrentSite::~CurrentSite()
{
    setCurrentSiteFolder(std::wstring());
}

} // namespace testsupport
