#include "HostInstallation.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

#include "host/FileUtil.h"
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
    // Worked out once: the library stays where it was loaded from, and the data folder is asked
    // for once per generated page.
    static const std::string found = [] {
        Dl_info info{};
        if (dladdr(reinterpret_cast<void*>(&HostInstallation::libraryFolder), &info) == 0 || info.dli_fname == nullptr)
            return std::string();
        const std::string path = info.dli_fname;
        const std::size_t slash = path.rfind('/');
        // A library found without a folder in its name was loaded from the current folder. The
        // dynamic loader names it as the run path found it ("bin/../lib/zebhost"): resolved, the
        // paths built on it read plainly in messages.
        const std::string folder = slash == std::string::npos ? std::string(".") : path.substr(0, slash);
        std::error_code ec;
        const std::filesystem::path resolved = std::filesystem::canonical(folder, ec);
        return ec ? folder : resolved.string();
    }();
    return found;
}

void* HostInstallation::librarySymbol(const char* fileName, const char* symbol, std::string& error)
{
    const std::string folder = libraryFolder();
    const std::string path = (folder.empty() ? std::string(".") : folder) + "/" + fileName;
    // A library already loaded is found again (and counted once more): nothing is unloaded.
    void* library = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        const char* reason = ::dlerror();
        error = reason != nullptr ? std::string(reason) : path;
        return nullptr;
    }
    void* found = ::dlsym(library, symbol);
    if (found == nullptr)
        error = path + " has no " + symbol;
    return found;
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
