#pragma once
#include <stdexcept>
#include <string>

namespace platform {

// A file could not be written after it was opened. Carries the path and the system's reason.
class FileException : public std::runtime_error {
public:
    FileException(std::wstring path, std::string reason);
    // The path of the file being written.
    const std::wstring& path() const { return path_; }
    // The system's reason, e.g. "No space left on device".
    const std::string& reason() const { return reason_; }

private:
    std::wstring path_;
    std::string reason_;
};

} // namespace platform
