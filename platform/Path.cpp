#include "platform/Path.h"

#include "platform/TextConv.h"
#include "platform/Utf8.h"

namespace platform {

std::string nativePath(const std::wstring& path)
{
    return toUtf8(path);
}

const char* nativePath(const std::wstring& path, std::string& buffer)
{
    utf8::encode(path.data(), path.size(), buffer);
    return buffer.c_str();
}

} // namespace platform
