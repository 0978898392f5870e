#include "platform/Utf8.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

namespace platform::utf8 {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool isContinuation(unsigned char b)
{
    return (b & 0xC0) == 0x80;
}

// The length of the common sequence at s[i], 2 or 3, whose every continuation gives a valid
// character: two bytes from C2, three bytes from E1 to EC and from EE and EF (no overlong form, no
// surrogate); 0 for anything else, which takes the long way.
inline std::size_t shortSequence(const unsigned char* s, std::size_t i, std::size_t size)
{
    const unsigned char b = s[i];
    if (b >= 0xC2 && b <= 0xDF && i + 1 < size && isContinuation(s[i + 1]))
        return 2;
    if (((b >= 0xE1 && b <= 0xEC) || b == 0xEE || b == 0xEF) && i + 2 < size && isContinuation(s[i + 1]) &&
        isContinuation(s[i + 2]))
        return 3;
    return 0;
}

// The number of ASCII bytes at the start of the eight bytes at p (8 when all are).
inline std::size_t asciiPrefix(const unsigned char* p)
{
    std::uint64_t word;
    std::memcpy(&word, p, 8);
    const std::uint64_t high = word & 0x8080808080808080ULL;
    if (high == 0)
        return 8;
    // The first byte in memory is the word's lowest on a little-endian machine, its highest otherwise.
    if constexpr (std::endian::native == std::endian::little)
        return static_cast<std::size_t>(std::countr_zero(high)) / 8;
    else
        return static_cast<std::size_t>(std::countl_zero(high)) / 8;
}

// The position of the first non-ASCII byte at or after i (size when there is none): eight bytes
// at a time, and a word that holds one is not looked at again byte by byte.
inline std::size_t skipAscii(const unsigned char* p, std::size_t i, std::size_t size)
{
    while (i + 8 <= size) {
        const std::size_t n = asciiPrefix(p + i);
        i += n;
        if (n < 8)
            return i;
    }
    while (i < size && p[i] < 0x80)
        ++i;
    return i;
}

// Whether the four wide units at p are all ASCII.
bool asciiUnits(const wchar_t* p)
{
    return static_cast<std::uint32_t>(p[0] | p[1] | p[2] | p[3]) < 0x80;
}

// The code point of the wide text at i, joining a surrogate pair of two-byte units (i then moves
// to its second unit); what UTF-8 cannot hold becomes U+FFFD.
[[gnu::always_inline]] inline char32_t codePointAt(const wchar_t* text, std::size_t length, std::size_t& i)
{
    auto c = static_cast<char32_t>(text[i]);
    if constexpr (sizeof(wchar_t) == 2) {
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < length) {
            const auto low = static_cast<char32_t>(text[i + 1]);
            if (low >= 0xDC00 && low < 0xE000) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
    }
    if ((c >= 0xD800 && c < 0xE000) || c > 0x10FFFF)
        c = kReplacement;
    return c;
}

std::size_t encodedLength(char32_t c)
{
    return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
}

// Writes the UTF-8 of a code point that UTF-8 can hold to out; returns the bytes written.
[[gnu::always_inline]] inline std::size_t encodeOne(char32_t c, char* out)
{
    if (c < 0x80) {
        out[0] = static_cast<char>(c);
        return 1;
    }
    if (c < 0x800) {
        out[0] = static_cast<char>(0xC0 | (c >> 6));
        out[1] = static_cast<char>(0x80 | (c & 0x3F));
        return 2;
    }
    if (c < 0x10000) {
        out[0] = static_cast<char>(0xE0 | (c >> 12));
        out[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out[2] = static_cast<char>(0x80 | (c & 0x3F));
        return 3;
    }
    out[0] = static_cast<char>(0xF0 | (c >> 18));
    out[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out[3] = static_cast<char>(0x80 | (c & 0x3F));
    return 4;
}

// Writes a code point as wide text at o (a surrogate pair where wchar_t has two bytes).
void putWide(char32_t c, wchar_t*& o)
{
    if constexpr (sizeof(wchar_t) == 2) {
        if (c >= 0x10000) {
            c -= 0x10000;
            *o++ = static_cast<wchar_t>(0xD800 + (c >> 10));
            *o++ = static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
            return;
        }
    }
    *o++ = static_cast<wchar_t>(c);
}

// The bytes encode writes for the text.
std::size_t encodedSize(const wchar_t* text, std::size_t length)
{
    std::size_t size = 0;
    for (std::size_t i = 0; i < length; ++i) {
        // Runs of ASCII four units at a time.
        while (i + 4 <= length && asciiUnits(text + i)) {
            size += 4;
            i += 4;
        }
        if (i < length)
            size += static_cast<std::uint32_t>(text[i]) < 0x80 ? 1 : encodedLength(codePointAt(text, length, i));
    }
    return size;
}

// Writes the UTF-8 of the text to out (encodedSize bytes) and, when kIndexed, the wide index of
// every byte to at; returns the end of what it wrote. Plain loops over local pointers: stores through a char pointer
// may alias anything, so pointers held elsewhere would be reloaded after every byte.
template <bool kIndexed>
char* encodeInto(const wchar_t* text, std::size_t length, char* out, std::uint32_t* at)
{
    for (std::size_t index = 0; index < length; ++index) {
        if constexpr (!kIndexed) {
            // Runs of ASCII four units at a time.
            while (index + 4 <= length && asciiUnits(text + index)) {
                out[0] = static_cast<char>(text[index]);
                out[1] = static_cast<char>(text[index + 1]);
                out[2] = static_cast<char>(text[index + 2]);
                out[3] = static_cast<char>(text[index + 3]);
                out += 4;
                index += 4;
            }
            if (index >= length)
                break;
        }
        const auto i = static_cast<std::uint32_t>(index);
        const auto c = static_cast<std::uint32_t>(text[index]);
        if (c < 0x80) {
            *out++ = static_cast<char>(c);
            if constexpr (kIndexed)
                *at++ = i;
            continue;
        }
        const std::size_t n = encodeOne(codePointAt(text, length, index), out);
        out += n;
        if constexpr (kIndexed) {
            for (std::size_t k = 0; k < n; ++k)
                at[k] = i;
            at += n;
        }
    }
    return out;
}

} // namespace

bool isValid(const char* bytes, std::size_t size, bool& nonAscii)
{
    nonAscii = false;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes);
    std::size_t i = 0;
    while (i < size) {
        if (p[i] < 0x80) {
            // Runs of ASCII, which most of a page is, eight bytes at a time.
            i = skipAscii(p, i + 1, size);
            continue;
        }
        nonAscii = true;
        if (const std::size_t len = shortSequence(p, i, size)) {
            i += len;
            continue;
        }
        const std::size_t len = sequenceLength(bytes + i, size - i);
        if (len == 0)
            return false;
        i += len;
    }
    return true;
}

bool isValid(std::string_view bytes)
{
    bool nonAscii = false;
    return isValid(bytes.data(), bytes.size(), nonAscii);
}

std::size_t sequenceLength(const char* p, std::size_t n)
{
    if (p == nullptr || n == 0)
        return 0;
    const auto* s = reinterpret_cast<const unsigned char*>(p);
    const unsigned char b = s[0];
    if (b < 0x80)
        return 1;
    // The lead byte gives the length and the range of the second byte that keeps the character
    // strict: no overlong form (C0, C1, E0 below A0, F0 below 90), no surrogate (ED from A0), nothing
    // above U+10FFFF (F4 from 90, F5 and up).
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;
    if (b >= 0xC2 && b <= 0xDF) {
        length = 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
        length = 3;
        low = b == 0xE0 ? 0xA0 : 0x80;
        high = b == 0xED ? 0x9F : 0xBF;
    } else if (b >= 0xF0 && b <= 0xF4) {
        length = 4;
        low = b == 0xF0 ? 0x90 : 0x80;
        high = b == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (n < length || s[1] < low || s[1] > high)
        return 0;
    for (std::size_t k = 2; k < length; ++k)
        if (!isContinuation(s[k]))
            return 0;
    return length;
}

std::size_t decodeInto(const char* bytes, std::size_t size, wchar_t* out)
{
    if (!bytes)
        return 0;
    wchar_t* o = out;
    const auto* s = reinterpret_cast<const unsigned char*>(bytes);
    std::size_t i = 0;
    while (i < size) {
        // Runs of ASCII eight bytes at a time; of a word that holds another byte, the ASCII before it.
        while (i + 8 <= size) {
            const std::size_t n = asciiPrefix(s + i);
            if (n == 8) {
                for (int k = 0; k < 8; ++k)
                    o[k] = static_cast<wchar_t>(s[i + k]);
                o += 8;
                i += 8;
                continue;
            }
            for (std::size_t k = 0; k < n; ++k)
                o[k] = static_cast<wchar_t>(s[i + k]);
            o += n;
            i += n;
            break;
        }
        if (i >= size)
            break;
        const unsigned char b = s[i];
        char32_t cp;
        std::size_t extra;
        char32_t minimum;
        if (b < 0x80) {
            *o++ = static_cast<wchar_t>(b);
            ++i;
            continue;
        }
        if (const std::size_t len = shortSequence(s, i, size)) {
            *o++ = len == 2 ? static_cast<wchar_t>(((b & 0x1F) << 6) | (s[i + 1] & 0x3F))
                            : static_cast<wchar_t>(((b & 0x0F) << 12) | ((s[i + 1] & 0x3F) << 6) | (s[i + 2] & 0x3F));
            i += len;
            continue;
        }
        if ((b & 0xE0) == 0xC0) {
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
        for (; j <= extra && i + j < size && isContinuation(s[i + j]); ++j)
            cp = (cp << 6) | (s[i + j] & 0x3F);
        // A truncated, overlong or out-of-range sequence: one replacement for what was read.
        if (j <= extra || cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            cp = kReplacement;
        putWide(cp, o);
        i += j;
    }
    return static_cast<std::size_t>(o - out);
}

std::wstring decodeTrusted(const char* bytes, std::size_t size)
{
    if (bytes == nullptr)
        return {};
    // Never more wide units than bytes: written into place, cut to length at the end.
    std::wstring out(size, L'\0');
    wchar_t* o = out.data();
    for (std::size_t i = 0; i < size;) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x80) {
            *o++ = static_cast<wchar_t>(b);
            ++i;
            continue;
        }
        char32_t c = b;
        int extra = 0;
        if (b >= 0xF0) {
            c = b & 0x07;
            extra = 3;
        } else if (b >= 0xE0) {
            c = b & 0x0F;
            extra = 2;
        } else if (b >= 0xC0) {
            c = b & 0x1F;
            extra = 1;
        }
        ++i;
        for (; extra > 0 && i < size; --extra, ++i)
            c = (c << 6) | (static_cast<unsigned char>(bytes[i]) & 0x3F);
        putWide(c, o);
    }
    out.resize(static_cast<std::size_t>(o - out.data()));
    return out;
}

std::wstring decodeTrusted(const char* nulTerminated)
{
    return nulTerminated ? decodeTrusted(nulTerminated, std::strlen(nulTerminated)) : std::wstring();
}

namespace {

// Up to this many characters a text is encoded in pieces through a buffer on the stack and
// appended (a page of a few thousand characters: counting the bytes first, or filling the result
// with zeros before writing over it, each cost about as much as the writing itself); a longer one
// is counted first, so that a large page takes its exact size and no more.
constexpr std::size_t kEncodedInPieces = 64 * 1024;

} // namespace

std::string encode(const wchar_t* text, std::size_t length)
{
    std::string out;
    encode(text, length, out);
    return out;
}

void encode(const wchar_t* text, std::size_t length, std::string& out)
{
    if (length > kEncodedInPieces) {
        out.resize(encodedSize(text, length));
        encodeInto<false>(text, length, out.data(), nullptr);
        return;
    }
    out.clear();
    out.reserve(length);
    constexpr std::size_t kPiece = 256; // characters, at most four bytes each
    char buffer[kPiece * 4];
    for (std::size_t at = 0; at < length;) {
        std::size_t n = std::min(kPiece, length - at);
        // (Where wide characters are two bytes, a surrogate pair is not cut in two.)
        if constexpr (sizeof(wchar_t) == 2)
            if (n < length - at && text[at + n - 1] >= 0xD800 && text[at + n - 1] < 0xDC00)
                --n;
        out.append(buffer, static_cast<std::size_t>(encodeInto<false>(text + at, n, buffer, nullptr) - buffer));
        at += n;
    }
}

IndexedText::IndexedText(const wchar_t* text, std::size_t length) : size_(encodedSize(text, length))
{
    // Written whole below: no zero filling first.
    bytes_ = std::make_unique_for_overwrite<char[]>(size_ + 1);
    indexOf_ = std::make_unique_for_overwrite<std::uint32_t[]>(size_ + 1);
    encodeInto<true>(text, length, bytes_.get(), indexOf_.get());
    bytes_[size_] = '\0';
    indexOf_[size_] = static_cast<std::uint32_t>(length);
}

} // namespace platform::utf8
