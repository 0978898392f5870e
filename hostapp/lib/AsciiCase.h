#pragma once
#include <string>
#include <string_view>

// ASCII-only case folding: HTML names and the values the host compares are ASCII-insensitive,
// while other letters (Japanese text included) must compare exactly.
namespace asciicase {

inline wchar_t lower(wchar_t c)
{
    return (c >= L'A' && c <= L'Z') ? wchar_t(c + (L'a' - L'A')) : c;
}

// Whether c is HTML white space (space, tab, LF, CR, FF).
inline bool isSpace(wchar_t c)
{
    return c == L' ' || c == L'\t' || c == L'\n' || c == L'\r' || c == L'\f';
}

inline std::wstring lower(std::wstring text)
{
    for (auto& c : text)
        c = lower(c);
    return text;
}

inline bool equal(std::wstring_view a, std::wstring_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i]))
            return false;
    return true;
}

// Whether needle occurs in hay (ignoring case when asked); an empty needle always does.
inline bool contains(const std::wstring& hay, const std::wstring& needle, bool ignoreCase)
{
    if (!ignoreCase)
        return hay.find(needle) != std::wstring::npos;
    return lower(hay).find(lower(needle)) != std::wstring::npos;
}

} // namespace asciicase
