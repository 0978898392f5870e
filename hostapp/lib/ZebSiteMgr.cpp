#include "host/ZebSiteMgr.h"

#include <sys/stat.h>

#include "HostSite.h"
#include "host/FileUtil.h"
#include "platform/PageWriter.h"
#include "platform/Path.h"

namespace {

std::wstring& currentFolder()
{
    static std::wstring folder;
    return folder;
}

bool isFolder(const std::wstring& path)
{
    struct stat st {};
    return stat(platform::nativePath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

bool setCurrentSiteFolder(const std::wstring& folder, bool makeSiteMenuFolder)
{
    currentFolder() = folder;
    // Nothing outside the site is ever written, whatever links its folders hold.
    platform::PageWriter::confineTo(folder);
    if (folder.empty() || !makeSiteMenuFolder)
        return true;
    const std::wstring base = addLastYenMark(folder);
    const std::wstring menu = base + L"ZebSitemenu";
    if (!isFolder(base + L"qcms") || isFolder(menu))
        return true;
    return mkdir(platform::nativePath(menu).c_str(), 0777) == 0 || isFolder(menu);
}

std::wstring ZebSiteMgr::getCurrentSiteName()
{
    return currentFolder();
}

bool ZebSiteMgr::getSiteInfo(const std::wstring& name, SITE_INFO& info)
{
    if (name.empty() || name != currentFolder())
        return false;
    info.name = name;
    info.localFolder = name;
    return true;
}
