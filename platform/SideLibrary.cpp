#include "platform/SideLibrary.h"

#include <dlfcn.h>

#include <filesystem>

namespace platform {

std::string SideLibrary::folder()
{
    // Worked out once: the library stays where it was loaded from.
    static const std::string found = [] {
        Dl_info info{};
        if (dladdr(reinterpret_cast<void*>(&SideLibrary::folder), &info) == 0 || info.dli_fname == nullptr)
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

void* SideLibrary::symbol(const char* fileName, const char* symbol, std::string& error)
{
    const std::string at = folder();
    const std::string path = (at.empty() ? std::string(".") : at) + "/" + fileName;
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

} // namespace platform
