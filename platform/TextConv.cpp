#include "platform/TextConv.h"

#include <cstdarg>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <iterator>
#include <vector>

namespace platform {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Rewrites the conversions %s and %c without a length modifier as %ls and %lc: in the wide
// formatting functions of the runtime we stand in for, %s takes a wide string, whereas the C
// library here would read a narrow one.
std::wstring wideConversions(const wchar_t* format)
{
    const std::wstring in(format);
    std::wstring out;
    std::size_t i = 0;
    while (i < in.size()) {
        wchar_t c = in[i++];
        out += c;
        if (c != L'%' || i >= in.size())
            continue;
        if (in[i] == L'%') {
            out += in[i++];
            continue;
        }
        // Flags, width and precision, then the length modifier.
        while (i < in.size() && std::wcschr(L"-+ #0123456789.*'", in[i]))
            out += in[i++];
        bool lengthGiven = false;
        while (i < in.size() && std::wcschr(L"hlLqjzt", in[i])) {
            lengthGiven = true;
            out += in[i++];
        }
        if (i < in.size() && !lengthGiven && (in[i] == L's' || in[i] == L'c'))
            out += L'l';
    }
    return out;
}

} // namespace

namespace {

// The code point of the wide text at i, joining a surrogate pair of two-byte units (i then moves
// to its second unit); what UTF-8 cannot hold becomes U+FFFD.
char32_t codePointAt(const std::wstring& text, std::size_t& i)
{
    char32_t cp = static_cast<char32_t>(text[i]);
    if constexpr (sizeof(wchar_t) == 2) {
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size()) {
            char32_t low = static_cast<char32_t>(text[i + 1]);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
    }
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        cp = kReplacement;
    return cp;
}

std::size_t utf8Length(char32_t cp)
{
    return cp < 0x80 ? 1 : cp < 0x800 ? 2 : cp < 0x10000 ? 3 : 4;
}

} // namespace

// Two passes, counting and then writing into place: the texts are whole pages, and appending
// byte by byte cost more than the conversion itself. ASCII, most of a page, takes the short way.
std::string toUtf8(const std::wstring& text)
{
    const std::size_t size = text.size();
    std::size_t length = 0;
    for (std::size_t i = 0; i < size; ++i)
        length += static_cast<std::uint32_t>(text[i]) < 0x80 ? 1 : utf8Length(codePointAt(text, i));
    std::string out(length, '\0');
    char* o = out.data();
    for (std::size_t i = 0; i < size; ++i) {
        if (static_cast<std::uint32_t>(text[i]) < 0x80) {
            *o++ = static_cast<char>(text[i]);
            continue;
        }
        const char32_t cp = codePointAt(text, i);
        if (cp < 0x800) {
            *o++ = static_cast<char>(0xC0 | (cp >> 6));
            *o++ = static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            *o++ = static_cast<char>(0xE0 | (cp >> 12));
            *o++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            *o++ = static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            *o++ = static_cast<char>(0xF0 | (cp >> 18));
            *o++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            *o++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            *o++ = static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

std::wstring fromUtf8(const char* bytes, std::size_t size)
{
    std::wstring out;
    if (!bytes)
        return out;
    // Never more wide units than bytes (a four-byte sequence gives at most two units), so the
    // text is written into place and cut to length at the end.
    out.resize(size);
    out.resize(fromUtf8Into(bytes, size, out.data()));
    return out;
}

std::size_t fromUtf8Into(const char* bytes, std::size_t size, wchar_t* out)
{
    if (!bytes)
        return 0;
    wchar_t* o = out;
    const auto* s = reinterpret_cast<const unsigned char*>(bytes);
    std::size_t i = 0;
    while (i < size) {
        // Runs of ASCII eight bytes at a time.
        while (i + 8 <= size) {
            std::uint64_t word;
            std::memcpy(&word, s + i, 8);
            if (word & 0x8080808080808080ULL)
                break;
            for (int k = 0; k < 8; ++k)
                *o++ = static_cast<wchar_t>(s[i + k]);
            i += 8;
        }
        if (i >= size)
            break;
        unsigned char b = s[i];
        char32_t cp;
        std::size_t extra;
        char32_t minimum;
        if (b < 0x80) {
            *o++ = static_cast<wchar_t>(b);
            ++i;
            continue;
        } else if ((b & 0xE0) == 0xC0) {
            cp = b & 0x1F, extra = 1, minimum = 0x80;
        } else if ((b & 0xF0) == 0xE0) {
            cp = b & 0x0F, extra = 2, minimum = 0x800;
        } else if ((b & 0xF8) == 0xF0) {
            cp = b & 0x07, extra = 3, minimum = 0x10000;
        } else {
            *o++ = static_cast<wchar_t>(kReplacement);
            ++i;
            continue;
        }
        std::size_t j = 1;
        for (; j <= extra && i + j < size && (s[i + j] & 0xC0) == 0x80; ++j)
            cp = (cp << 6) | (s[i + j] & 0x3F);
        if (j <= extra || cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            // A truncated, overlong or out-of-range sequence: one replacement for what was read.
            *o++ = static_cast<wchar_t>(kReplacement);
            i += j;
            continue;
        }
        if constexpr (sizeof(wchar_t) == 2) {
            if (cp >= 0x10000) {
                cp -= 0x10000;
                *o++ = static_cast<wchar_t>(0xD800 + (cp >> 10));
                *o++ = static_cast<wchar_t>(0xDC00 + (cp & 0x3FF));
                i += j;
                continue;
            }
        }
        *o++ = static_cast<wchar_t>(cp);
        i += j;
    }
    return static_cast<std::size_t>(o - out);
}

std::wstring fromUtf8(const std::string& bytes)
{
    return fromUtf8(bytes.data(), bytes.size());
}

std::wstring formatW(const wchar_t* format, ...)
{
    if (!format)
        return {};
    // Most formats are numbers only (file names, month texts): they need no rewriting, and their
    // result fits the buffer on the stack.
    const bool plain = std::wcspbrk(format, L"sc") == nullptr;
    const std::wstring rewritten = plain ? std::wstring() : wideConversions(format);
    const wchar_t* fmt = plain ? format : rewritten.c_str();
    {
        wchar_t buffer[256];
        va_list args;
        va_start(args, format);
        int n = std::vswprintf(buffer, std::size(buffer), fmt, args);
        va_end(args);
        if (n >= 0 && static_cast<std::size_t>(n) < std::size(buffer))
            return std::wstring(buffer, static_cast<std::size_t>(n));
    }
    // vswprintf reports a too-small buffer and a conversion error alike (-1), so the buffer grows
    // up to a limit and then gives up.
    constexpr std::size_t kLimit = std::size_t(1) << 24;
    for (std::size_t capacity = 1024; capacity <= kLimit; capacity *= 4) {
        std::vector<wchar_t> buffer(capacity);
        va_list args;
        va_start(args, format);
        int n = std::vswprintf(buffer.data(), buffer.size(), fmt, args);
        va_end(args);
        if (n >= 0 && static_cast<std::size_t>(n) < buffer.size())
            return std::wstring(buffer.data(), static_cast<std::size_t>(n));
    }
    return {};
}

std::wstring mid(const std::wstring& text, std::size_t pos, std::size_t count)
{
    return pos < text.size() ? text.substr(pos, count) : std::wstring();
}

bool isUtf8(const std::string& bytes)
{
    // Valid UTF-8 comes back from the round trip unchanged; anything else comes back with U+FFFD.
    return toUtf8(fromUtf8(bytes)) == bytes;
}

std::string printable(const std::wstring& text)
{
    std::wstring safe;
    safe.reserve(text.size());
    for (const wchar_t c : text) {
        if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) {
            static const char kHex[] = "0123456789ABCDEF";
            safe += L"\\x";
            safe += static_cast<wchar_t>(kHex[(c >> 4) & 0xF]);
            safe += static_cast<wchar_t>(kHex[c & 0xF]);
        } else {
            safe += c;
        }
    }
    return toUtf8(safe);
}

} // namespace platform
