#include "TerminalDialog.h"

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
        std::string why;
        found.available = reinterpret_cast<Available>(
            HostInstallation::librarySymbol("libzebhostterm.so", "zebhostTerminalAvailable", why));
        if (found.available != nullptr)
            found.maker = reinterpret_cast<Maker>(
                HostInstallation::librarySymbol("libzebhostterm.so", "zebhostCreateTerminalBackEnd", why));
        if (found.maker == nullptr)
            found.error = "cannot load the terminal dialog: " + why;
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
