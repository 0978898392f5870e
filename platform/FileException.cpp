#include "platform/FileException.h"

#include "platform/TextConv.h"

namespace platform {

FileException::FileException(std::wstring path, std::string reason)
    : std::runtime_error(toUtf8(path) + ": " + reason), path_(std::move(path)), reason_(std::move(reason))
{
}

} // namespace platform
