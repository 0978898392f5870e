#pragma once
#include <string>

// A text with its conversions.
class CZebStringUtil {
public:
    // The text of length characters, or up to its NUL when length is -1.
    CZebStringUtil(const wchar_t* text, int length);
    // The text in the system's ANSI code page (CP932 here), characters it cannot hold written as
    // numeric character references; NUL-terminated, owned by this object.
    const char* get_ansi();

private:
    std::wstring text_;
    std::string ansi_;
};
