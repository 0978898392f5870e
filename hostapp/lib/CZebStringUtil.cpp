#include "host/CZebStringUtil.h"

#include <cwchar>

#include "TextCodec.h"

CZebStringUtil::CZebStringUtil(const wchar_t* text, int length)
{
    if (text == nullptr)
        return;
    text_ = length < 0 ? std::wstring(text) : std::wstring(text, static_cast<std::size_t>(length));
}

const char* CZebStringUtil::get_ansi()
{
    // CP932 is always known to iconv here; a failure would leave the text empty, never garbled.
    if (!TextCodec::encode(text_, "CP932", ansi_))
        ansi_.clear();
    return ansi_.c_str();
}
