#pragma once
#include <cstddef>
#include <string>

#include "host/Charset.h"

// The host's decoder: bytes of a file to wide text, detecting the file's encoding.
class CAutoCodeConv {
public:
    // Decodes size bytes. With Charset::Auto the encoding is detected (BOM, meta or XML
    // declaration, strict UTF-8, a statistical guess, then CP932); a BOM is stripped. Returns
    // NUL-terminated text owned by the converter (valid until the next call or destruction);
    // null when the bytes cannot be decoded. flag is unused (the module passes true).
    const wchar_t* Import(const void* bytes, std::size_t size, Charset charset, bool flag);
    // The character count of the last Import's text, NUL characters in it included; 0 before one
    // or after a failure.
    std::size_t size() const { return text_.size(); }
    // The name of the encoding the last Import used (e.g. "UTF-8", "CP932"); "" before one.
    const std::string& detectedEncoding() const { return encoding_; }

private:
    std::wstring text_;
    std::string encoding_;
};
