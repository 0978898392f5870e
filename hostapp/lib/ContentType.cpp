#include "ContentType.h"

#include <algorithm>
#include <map>

#include "EncodingDetector.h"

namespace {

std::string lowerAscii(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

} // namespace

std::string ContentType::mediaType(const std::string& fileName)
{
    static const std::map<std::string, std::string> types = {
        {"html", "text/html"},
        {"htm", "text/html"},
        {"css", "text/css"},
        {"js", "text/javascript"},
        {"mjs", "text/javascript"},
        {"json", "application/json"},
        {"xml", "application/xml"},
        {"txt", "text/plain"},
        {"csv", "text/csv"},
        {"png", "image/png"},
        {"jpg", "image/jpeg"},
        {"jpeg", "image/jpeg"},
        {"gif", "image/gif"},
        {"webp", "image/webp"},
        {"avif", "image/avif"},
        {"svg", "image/svg+xml"},
        {"ico", "image/vnd.microsoft.icon"},
        {"woff", "font/woff"},
        {"woff2", "font/woff2"},
        {"ttf", "font/ttf"},
        {"otf", "font/otf"},
        {"pdf", "application/pdf"},
        {"zip", "application/zip"},
        {"mp3", "audio/mpeg"},
        {"ogg", "audio/ogg"},
        {"wav", "audio/wav"},
        {"mp4", "video/mp4"},
        {"webm", "video/webm"},
        {"wasm", "application/wasm"},
    };
    const std::size_t slash = fileName.find_last_of('/');
    const std::size_t dot = fileName.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return "application/octet-stream";
    const auto it = types.find(lowerAscii(fileName.substr(dot + 1)));
    return it == types.end() ? "application/octet-stream" : it->second;
}

bool ContentType::isText(const std::string& mediaType)
{
    return mediaType.starts_with("text/") || mediaType == "application/xml" || mediaType == "image/svg+xml";
}

std::string ContentType::charset(const char* bytes, std::size_t size)
{
    const std::string encoding = EncodingDetector::detect(bytes, size).encoding;
    // The host reads these under the vendor tables; browsers know them by the plain names.
    if (encoding == "CP932")
        return "Shift_JIS";
    if (encoding == "EUC-JP-MS")
        return "EUC-JP";
    if (encoding.starts_with("ISO-2022-JP"))
        return "ISO-2022-JP";
    return encoding;
}

bool ContentType::isAsciiCompatible(const std::string& charset)
{
    return !charset.starts_with("UTF-16") && !charset.starts_with("UTF-32");
}

std::string ContentType::forFile(const std::string& fileName, const char* bytes, std::size_t size)
{
    const std::string type = mediaType(fileName);
    return isText(type) ? type + "; charset=" + charset(bytes, size) : type;
}
