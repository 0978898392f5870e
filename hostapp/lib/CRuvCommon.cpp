#include "host/CRuvCommon.h"

#include "HostInstallation.h"
#include "platform/Path.h"

// The host's data folder (see HostInstallation: --data, ZEBHOST_DATA_DIR, the installed one, or
// the source tree's).
std::wstring CRuvCommon::getProductFolder(int folderType, int /*findPriority*/)
{
    if (folderType != kProductData)
        return L"";
    return HostInstallation::dataFolder();
}

std::wstring CRuvCommon::getProductSubFolder(int subFolderType)
{
    if (subFolderType != kTemplates)
        return L"";
    return std::wstring(L"template") + platform::kPathSeparator;
}
