#pragma once
#include <cstddef>
#include <functional>
#include <string>

namespace platform {

// Writes a page whole or not at all: the bytes go to a temporary file in the same folder, which
// is then renamed over the target. When the clock is fixed, the page gets the fixed moment as its
// last-write time.
class PageWriter {
public:
    enum class Result { Written, NotOpened };

    // Writes the bytes to the path. Returns NotOpened (without throwing) when the temporary file
    // cannot be created, e.g. in a read-only or missing folder; the target is untouched then.
    // Throws FileException (path and reason) when a write, close or rename fails after the file
    // was opened; the temporary file is removed and the old page stays as it was.
    static Result write(const std::wstring& path, const char* bytes, std::size_t size);

    // Observer told of every page outcome (for the host's report): path, written, reason.
    using Observer = std::function<void(const std::wstring& path, bool written, const std::string& reason)>;
    // Installs (or with an empty function removes) the observer. Returns the previous one.
    static Observer setObserver(Observer observer);

    // Test hook: when set, called before each write; returning a non-empty reason makes the write
    // fail after opening with that reason (as a full disk would).
    using FaultInjector = std::function<std::string(const std::wstring& path)>;
    static void setFaultInjector(FaultInjector injector);
};

} // namespace platform
