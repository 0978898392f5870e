#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// UTF-8 in one place: checking bytes, reading them into wide text (checked or trusted), and
// writing wide text as UTF-8, alone or with the wide index of every byte. Whole pages go through
// these, so runs of ASCII take short ways. Wide text is UTF-32, or UTF-16 with surrogate pairs
// where wchar_t has two bytes.
namespace platform::utf8 {

// Whether the bytes are strict UTF-8 (no overlong form, no surrogate, nothing above U+10FFFF, no
// truncated sequence); nonAscii tells whether any multi-byte sequence occurs. Null with size 0
// is valid.
bool isValid(const char* bytes, std::size_t size, bool& nonAscii);
bool isValid(std::string_view bytes);

// The length of the strict UTF-8 sequence at p, of which n bytes are available; 0 when it is
// invalid or n is 0.
std::size_t sequenceLength(const char* p, std::size_t n);

// Writes the wide text of the bytes to out, which has room for size characters (never more are
// needed), and returns how many were written. An invalid byte, or a truncated, overlong or
// out-of-range sequence, becomes one U+FFFD for what was read of it. Null bytes write nothing.
std::size_t decodeInto(const char* bytes, std::size_t size, wchar_t* out);

// The wide text of bytes known to be valid UTF-8 (a parser's own output): no checks, so invalid
// bytes give unspecified characters, never a read past size. Null gives "".
std::wstring decodeTrusted(const char* bytes, std::size_t size);
std::wstring decodeTrusted(const char* nulTerminated);

// The UTF-8 of wide text; a code point UTF-8 cannot hold (a lone surrogate, a value above
// U+10FFFF) becomes U+FFFD. A surrogate pair of two-byte units is one character.
std::string encode(const wchar_t* text, std::size_t length);
// The same written into out, whose room is reused.
void encode(const wchar_t* text, std::size_t length, std::string& out);

// Wide text written as UTF-8 (as encode writes it), with the wide index of every byte, so that
// byte positions in the UTF-8 (a parser's) map back onto the wide text.
class IndexedText {
public:
    IndexedText(const wchar_t* text, std::size_t length);

    // The UTF-8 bytes, followed by a NUL that size does not count.
    const char* data() const { return bytes_.get(); }
    std::size_t size() const { return size_; }
    // Whether the length bytes at p (length > 0) lie inside the UTF-8; false for null. (Any length:
    // a parser's record of a piece may be past belief, and p + length would overflow.)
    bool holds(const char* p, std::size_t length) const
    {
        return p != nullptr && length > 0 && p >= bytes_.get() && p <= bytes_.get() + size_ &&
               length <= static_cast<std::size_t>(bytes_.get() + size_ - p);
    }
    // The wide index of the character the byte at p belongs to; the wide length at the end.
    // p must lie inside the UTF-8 or at its end.
    std::size_t indexAt(const char* p) const { return indexOf_[static_cast<std::size_t>(p - bytes_.get())]; }

private:
    std::unique_ptr<char[]> bytes_;
    std::unique_ptr<std::uint32_t[]> indexOf_; // the wide index of every byte, and of the end
    std::size_t size_ = 0;
};

} // namespace platform::utf8
