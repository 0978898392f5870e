#pragma once
#include <string>

namespace platform {

// The path separator of this platform.
inline constexpr wchar_t kPathSeparator = L'/';

// The native (UTF-8) form of a wide path.
std::string nativePath(const std::wstring& path);

} // namespace platform
