#include "HostInstallation.h"

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

#include "host/FileUtil.h"
#include "platform/SideLibrary.h"
#include "platform/TextConv.h"

namespace {

std::string& dataFolderSet()
{
    static std::string folder;
    return folder;
}

bool isFolder(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::wstring withSeparator(const std::string& folder)
{
    return addLastYenMark(platform::fromUtf8(folder));
}

} // namespace

std::string HostInstallation::libraryFolder()
{
    return platform::SideLibrary::folder();
}

void* HostInstallation::librarySymbol(const char* fileName, const char* symbol, std::string& error)
{
    return platform::SideLibrary::symbol(fileName, symbol, error);
}

std::string HostInstallation::defaultModulePath()
{
    const std::string folder = libraryFolder();
    return folder.empty() ? std::string() : folder + "/libzebcmlinkparts.so";
}

void HostInstallation::setDataFolder(const std::string& folder)
{
    dataFolderSet() = folder;
}

std::wstring HostInstallation::dataFolder()
{
    if (!dataFolderSet().empty())
        return withSeparator(dataFolderSet());
    if (const char* env = std::getenv("ZEBHOST_DATA_DIR"); env != nullptr && *env != '\0')
        return withSeparator(env);
    // Looked for once, like the library's folder: the data folder is asked for once per generated
    // page, and a build tree has none beside its library.
    static const std::wstring found = [] {
        if (const std::string folder = libraryFolder(); !folder.empty()) {
            const std::string installed =
                (std::filesystem::path(folder) / ZEB_DATA_FROM_LIBRARY).lexically_normal().string();
            if (isFolder(installed))
                return withSeparator(installed);
        }
        return withSeparator(ZEB_SOURCE_DATA_DIR);
    }();
    return found;
}
