#include "host/CodeConv.h"

#include "Newlines.h"
#include "TextCodec.h"

#include <utility>

// Utf8 is written without a BOM; Utf16 as UTF-16LE with a BOM (what a reader needs to tell its
// byte order); ShiftJis as CP932 and EucJp as EUC-JP-MS, characters they cannot hold as numeric
// character references.
const char* CodeConv::Export(const wchar_t* text, std::size_t length, Charset charset, Newline newline)
{
    bytes_.clear();
    std::string encoding;
    switch (charset) {
    case Charset::Utf8:
        encoding = "UTF-8";
        break;
    case Charset::ShiftJis:
        encoding = "CP932";
        break;
    case Charset::EucJp:
        encoding = "EUC-JP-MS";
        break;
    case Charset::Utf16:
        encoding = "UTF-16LE";
        break;
    default:
        return nullptr;
    }
    if (newline != Newline::Keep && newline != Newline::CrLf && newline != Newline::Cr && newline != Newline::Lf)
        return nullptr;
    // The text is encoded where it is unless its newlines change (a page is copied once less).
    const std::wstring_view given = text == nullptr ? std::wstring_view() : std::wstring_view(text, length);
    std::wstring changed;
    if (Newlines::changes(given, newline))
        changed = Newlines::apply(std::wstring(given), newline);
    std::string encoded;
    if (!TextCodec::encode(changed.empty() ? given : std::wstring_view(changed), encoding, encoded))
        return nullptr;
    const std::string bom = TextCodec::byteOrderMark(charset == Charset::Utf16 ? encoding : std::string());
    bytes_ = bom.empty() ? std::move(encoded) : bom + encoded;
    return bytes_.c_str();
}
