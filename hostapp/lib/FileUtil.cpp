#include "host/FileUtil.h"

#include <sys/stat.h>

#include "platform/PageWriter.h"
#include "platform/Path.h"

std::wstring addLastYenMark(std::wstring text)
{
    if (!text.empty() && text.back() != platform::kPathSeparator)
        text += platform::kPathSeparator;
    return text;
}

std::wstring getBaseFname(const std::wstring& path)
{
    const std::size_t slash = path.rfind(platform::kPathSeparator);
    std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.rfind(L'.');
    if (dot != std::wstring::npos)
        name.erase(dot);
    return name;
}

int is_file(const std::wstring& path)
{
    if (path.empty())
        return 0;
    platform::PageWriter::settle(path); // a page written in a batch is there as written
    struct stat st {};
    return stat(platform::nativePath(path).c_str(), &st) == 0 && S_ISREG(st.st_mode) ? 1 : 0;
}
