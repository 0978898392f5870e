#pragma once
#include <cstddef>
#include <string>

// The Content-Type the preview server sends for a file: a media type by the file's extension
// (any case) and, for text, the charset its bytes are in as the host reads them (the page's
// declaration when the bytes decode under it, else what detection finds), by its IANA name.
class ContentType {
public:
    // The media type of a file name: "text/html" for .html and .htm, "text/css", "image/png", ...;
    // "application/octet-stream" for an extension not in the table or none.
    static std::string mediaType(const std::string& fileName);
    // Whether the media type is text that carries a charset (text/*, XML).
    static bool isText(const std::string& mediaType);
    // The IANA charset name of the bytes: "Shift_JIS" for text the host reads as CP932, "EUC-JP",
    // "ISO-2022-JP", "UTF-8", "UTF-16LE", ...; "UTF-8" for no bytes.
    static std::string charset(const char* bytes, std::size_t size);
    // Whether text in that charset takes ASCII bytes as ASCII characters (not UTF-16 or UTF-32),
    // so that ASCII markup can be added to it as it is.
    static bool isAsciiCompatible(const std::string& charset);
    // The header value: the media type, with "; charset=NAME" for text; the bytes are read only
    // for text.
    static std::string forFile(const std::string& fileName, const char* bytes, std::size_t size);
};
