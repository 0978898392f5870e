#pragma once
#include <string>

namespace platform {

// UTF-8 of a wide text. Code points that cannot be encoded (lone surrogates, values above
// U+10FFFF) become U+FFFD.
std::string toUtf8(const std::wstring& text);

// Wide text of UTF-8 bytes. Invalid sequences become U+FFFD; never throws.
std::wstring fromUtf8(const std::string& bytes);
std::wstring fromUtf8(const char* bytes, std::size_t size);

// UTF-8 of a wide text for a terminal: control characters (C0, DEL, C1) are written as \xNN, so
// that a name cannot move the cursor, recolour or retitle the terminal.
std::string printable(const std::wstring& text);

// Wide text formatted with a printf format (for example L"%04d-%02d"); the format is always a
// constant of the caller, never user text. Returns "" when formatting fails.
std::wstring formatW(const wchar_t* format, ...);

// The count characters of text from pos: fewer where the text is shorter, "" where pos is past
// its end. Never throws (texts are cut by position without being validated first).
std::wstring mid(const std::wstring& text, std::size_t pos, std::size_t count);

} // namespace platform
