#include "TerminalDialog.h"

#include <dlfcn.h>

#include <mutex>

#include "HostInstallation.h"

namespace {

using Available = bool (*)();
using Maker = platform::DialogBackEnd* (*)();

struct Entries {
    Available available = nullptr;
    Maker maker = nullptr;
    std::string error;
};

// The library's entry points, loaded once per process and never unloaded; their error when it
// cannot be.
const Entries& entries()
{
    static std::once_flag once;
    static Entries found;
    std::call_once(once, [] {
        const std::string folder = HostInstallation::libraryFolder();
        const std::string path = (folder.empty() ? std::string(".") : folder) + "/libzebhostterm.so";
        void* library = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (library == nullptr) {
            const char* reason = ::dlerror();
            found.error = "cannot load the terminal dialog: " + (reason != nullptr ? std::string(reason) : path);
            return;
        }
        found.available = reinterpret_cast<Available>(::dlsym(library, "zebhostTerminalAvailable"));
        found.maker = reinterpret_cast<Maker>(::dlsym(library, "zebhostCreateTerminalBackEnd"));
        if (found.available == nullptr || found.maker == nullptr)
            found.error = "cannot load the terminal dialog: " + path + " has no dialog in it";
    });
    return found;
}

} // namespace

bool TerminalDialog::available(std::string& why)
{
    const Entries& e = entries();
    why = e.error;
    return e.error.empty() && e.available();
}

std::unique_ptr<platform::DialogBackEnd> TerminalDialog::make(std::string& why)
{
    const Entries& e = entries();
    why = e.error;
    return e.error.empty() ? std::unique_ptr<platform::DialogBackEnd>(e.maker()) : nullptr;
}
