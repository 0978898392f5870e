#include "host/CRuvCommon.h"

#include <sys/stat.h>

#include <cstdlib>

#include "host/FileUtil.h"
#include "platform/Path.h"
#include "platform/TextConv.h"

namespace {

[[maybe_unused]] bool isFolder(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

// The data folder: ZEBHOST_DATA_DIR when set (tests and relocated installs), else the installed
// data folder when it exists, else the source tree's hostapp/data (running from the build tree).
std::wstring CRuvCommon::getProductFolder(int folderType, int /*findPriority*/) {
    if (folderType != kProductData) return L"";
    if (const char* env = std::getenv("ZEBHOST_DATA_DIR"); env != nullptr && *env != '\0')
        return addLastYenMark(platform::fromUtf8(std::string(env)));
#ifdef ZEB_INSTALLED_DATA_DIR
    if (isFolder(ZEB_INSTALLED_DATA_DIR)) return addLastYenMark(platform::fromUtf8(std::string(ZEB_INSTALLED_DATA_DIR)));
#endif
    return addLastYenMark(platform::fromUtf8(std::string(ZEB_DATA_DIR)));
}

std::wstring CRuvCommon::getProductSubFolder(int subFolderType) {
    if (subFolderType != kTemplates) return L"";
    return std::wstring(L"template") + platform::kPathSeparator;
}
