#include "StartTagScanner.h"

#include <algorithm>
#include <cwchar>
#include <string>
#include <string_view>

#include "AsciiCase.h"

namespace {

bool isLetter(wchar_t c)
{
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
}

// The position of needle in text from pos, ignoring ASCII case; length when it is not there.
std::size_t findFrom(const wchar_t* text, std::size_t length, std::size_t pos, const std::wstring& needle)
{
    for (; pos + needle.size() <= length; ++pos) {
        std::size_t i = 0;
        while (i < needle.size() && asciicase::lower(text[pos + i]) == needle[i])
            ++i;
        if (i == needle.size())
            return pos;
    }
    return length;
}

} // namespace

std::size_t StartTagScanner::mostAttributes(const wchar_t* text, std::size_t length)
{
    if (text == nullptr)
        return 0;
    std::size_t most = 0;
    std::size_t i = 0;
    while (i < length) {
        const wchar_t* open = std::wmemchr(text + i, L'<', length - i);
        if (open == nullptr)
            break;
        i = static_cast<std::size_t>(open - text) + 1;
        if (length - i >= 3 && text[i] == L'!' && text[i + 1] == L'-' && text[i + 2] == L'-') {
            i = std::min(length, findFrom(text, length, i + 3, L"-->") + 3);
            continue;
        }
        if (i >= length || !isLetter(text[i]))
            continue;
        const std::size_t nameStart = i;
        while (i < length && !asciicase::isSpace(text[i]) && text[i] != L'/' && text[i] != L'>')
            ++i;
        const std::wstring_view name(text + nameStart, i - nameStart);
        // Attributes: a name, then optionally "=" and a quoted or bare value, up to the ">".
        std::size_t count = 0;
        while (i < length && text[i] != L'>') {
            if (asciicase::isSpace(text[i]) || text[i] == L'/') {
                ++i;
                continue;
            }
            ++count;
            while (i < length && !asciicase::isSpace(text[i]) && text[i] != L'/' && text[i] != L'>' && text[i] != L'=')
                ++i;
            while (i < length && asciicase::isSpace(text[i]))
                ++i;
            if (i >= length || text[i] != L'=')
                continue;
            ++i;
            while (i < length && asciicase::isSpace(text[i]))
                ++i;
            if (i < length && (text[i] == L'"' || text[i] == L'\'')) {
                const wchar_t* close = std::wmemchr(text + i + 1, text[i], length - i - 1);
                i = close ? static_cast<std::size_t>(close - text) + 1 : length;
            } else {
                while (i < length && !asciicase::isSpace(text[i]) && text[i] != L'>')
                    ++i;
            }
        }
        most = std::max(most, count);
        // Compared as they stand, case ignored: a page has a start tag every few dozen characters.
        static constexpr std::wstring_view kRawText[] = {L"script", L"style",  L"textarea", L"title",
                                                         L"xmp",    L"iframe", L"noembed",  L"noframes"};
        for (const std::wstring_view raw : kRawText) {
            if (name.size() == raw.size() &&
                std::equal(name.begin(), name.end(), raw.begin(),
                           [](wchar_t a, wchar_t b) { return asciicase::lower(a) == b; })) {
                i = findFrom(text, length, i, L"</" + std::wstring(raw));
                break;
            }
        }
    }
    return most;
}
