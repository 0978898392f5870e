#include "platform/Path.h"

#include "platform/TextConv.h"

namespace platform {

std::string nativePath(const std::wstring& path)
{
    return toUtf8(path);
}

} // namespace platform
