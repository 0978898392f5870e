#pragma once
#include <cstddef>
#include <string>

#include "host/Charset.h"

// The host's encoder: wide text to the bytes of a file.
class CodeConv {
public:
    // Encodes length characters in the charset with the newline convention. Returns
    // NUL-terminated bytes owned by the converter (valid until the next call or destruction);
    // null when the charset is not supported.
    const char* Export(const wchar_t* text, std::size_t length, Charset charset, Newline newline);

private:
    std::string bytes_;
};
