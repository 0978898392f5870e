#pragma once
#include <string>

namespace platform {

// The path separator of this platform.
inline constexpr wchar_t kPathSeparator = L'/';

// The native (UTF-8) form of a wide path.
std::string nativePath(const std::wstring& path);
// The same written into buffer, whose room is reused; returns the buffer's text.
const char* nativePath(const std::wstring& path, std::string& buffer);

} // namespace platform
