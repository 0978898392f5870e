#include "Newlines.h"

Newline Newlines::detect(const std::wstring& text)
{
    bool crlf = false, lf = false, cr = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\r') {
            if (i + 1 < text.size() && text[i + 1] == L'\n') {
                crlf = true;
                ++i;
            } else {
                cr = true;
            }
        } else if (text[i] == L'\n') {
            lf = true;
        }
    }
    const int kinds = int(crlf) + int(lf) + int(cr);
    if (kinds != 1)
        return Newline::Keep;
    return crlf ? Newline::CrLf : lf ? Newline::Lf : Newline::Cr;
}

std::wstring Newlines::apply(const std::wstring& text, Newline newline)
{
    const wchar_t* eol = newline == Newline::CrLf ? L"\r\n"
                         : newline == Newline::Cr ? L"\r"
                         : newline == Newline::Lf ? L"\n"
                                                  : nullptr;
    if (eol == nullptr)
        return text;
    std::wstring out;
    out.reserve(text.size() + text.size() / 32);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\r') {
            if (i + 1 < text.size() && text[i + 1] == L'\n')
                ++i;
            out += eol;
        } else if (text[i] == L'\n') {
            out += eol;
        } else {
            out += text[i];
        }
    }
    return out;
}

bool Newlines::changes(std::wstring_view text, Newline newline)
{
    switch (newline) {
    case Newline::Lf:
        return text.find(L'\r') != std::wstring_view::npos;
    case Newline::Cr:
        return text.find(L'\n') != std::wstring_view::npos;
    case Newline::CrLf:
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == L'\r') {
                if (i + 1 >= text.size() || text[i + 1] != L'\n')
                    return true;
                ++i;
            } else if (text[i] == L'\n') {
                return true;
            }
        }
        return false;
    default:
        return false;
    }
}
