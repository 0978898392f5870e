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
    // The byte count of the last Export's result, without the terminating NUL (UTF-16 bytes hold
    // zeros, so their length cannot be found by the NUL); 0 before one or after a failure.
    std::size_t size() const { return bytes_.size(); }

private:
    std::string bytes_;
};
