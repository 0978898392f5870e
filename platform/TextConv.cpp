#include "platform/TextConv.h"

#include <algorithm>
#include <cstdarg>
#include <cwchar>
#include <iterator>
#include <vector>

#include "platform/Utf8.h"

namespace platform {

namespace {

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

// Formats a format of literal text and %d conversions with at most a zero flag and a width of one
// digit ("%03d"; the file names and month texts) into out, which has room for room characters, as
// vswprintf would (a minus sign counts in the width, and zeros go after it); returns the length,
// or -1, having read no argument past the last %d, when the format holds anything else or does not
// fit. In one pass: the C library's formatting took a thousand instructions a call.
long formatIntegers(const wchar_t* format, va_list args, wchar_t* out, std::size_t room)
{
    std::size_t n = 0;
    for (const wchar_t* p = format; *p != L'\0'; ++p) {
        if (*p != L'%') {
            if (n == room)
                return -1;
            out[n++] = *p;
            continue;
        }
        const bool zeros = p[1] == L'0';
        const wchar_t* q = p + (zeros ? 1 : 0);
        std::size_t width = 0;
        if (q[1] >= L'1' && q[1] <= L'9')
            width = static_cast<std::size_t>(*++q - L'0');
        if (q[1] != L'd')
            return -1;
        p = q + 1;
        const int value = va_arg(args, int);
        unsigned magnitude = value < 0 ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
        wchar_t digits[16];
        std::size_t count = 0;
        do {
            digits[count++] = static_cast<wchar_t>(L'0' + magnitude % 10);
            magnitude /= 10;
        } while (magnitude != 0);
        const std::size_t length = count + (value < 0 ? 1 : 0);
        const std::size_t pad = width > length ? width - length : 0;
        if (room - n < pad + length)
            return -1;
        if (!zeros)
            n = static_cast<std::size_t>(std::fill_n(out + n, pad, L' ') - out);
        if (value < 0)
            out[n++] = L'-';
        if (zeros)
            n = static_cast<std::size_t>(std::fill_n(out + n, pad, L'0') - out);
        while (count > 0)
            out[n++] = digits[--count];
    }
    return static_cast<long>(n);
}

} // namespace

std::string toUtf8(const std::wstring& text)
{
    return utf8::encode(text.data(), text.size());
}

std::wstring fromUtf8(const char* bytes, std::size_t size)
{
    std::wstring out;
    if (!bytes)
        return out;
    // Never more wide units than bytes (a four-byte sequence gives at most two units), so the
    // text is written into place and cut to length at the end.
    out.resize(size);
    out.resize(utf8::decodeInto(bytes, size, out.data()));
    return out;
}

std::wstring fromUtf8(const std::string& bytes)
{
    return fromUtf8(bytes.data(), bytes.size());
}

std::wstring formatW(const wchar_t* format, ...)
{
    if (!format)
        return {};
    {
        wchar_t buffer[256];
        va_list args;
        va_start(args, format);
        const long n = formatIntegers(format, args, buffer, std::size(buffer));
        va_end(args);
        if (n >= 0)
            return std::wstring(buffer, static_cast<std::size_t>(n));
    }
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
