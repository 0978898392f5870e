#pragma once
#include <cstddef>
#include <string>
#include <string_view>

// Finds the encoding of a file's bytes (a page, a data file), and reads them in it. Encoding
// names are TextCodec's (iconv names, Shift_JIS as CP932, EUC-JP as EUC-JP-MS).
class EncodingDetector {
public:
    struct Detection {
        std::string encoding;      // iconv name, e.g. "UTF-8", "CP932", "EUC-JP-MS", "UTF-16LE"
        std::size_t bomLength = 0; // bytes of a byte order mark at the start (0 when none)
    };

    // The encoding of the bytes, tried in this order: a BOM (UTF-8, UTF-32 LE/BE, UTF-16 LE/BE);
    // a meta charset or XML encoding declaration that the bytes decode under without error;
    // 7-bit bytes with ISO-2022-JP escape sequences (as the ISO-2022-JP variant that decodes
    // them; when none does, "ISO-2022-JP", which then fails to decode); strict UTF-8; a
    // statistical guess (a Japanese or Unicode guess is taken as it is, any other only
    // when the bytes are not valid CP932); CP932. A declaration of a Japanese legacy encoding on
    // bytes that are valid UTF-8 with multi-byte sequences is taken as a mistake (UTF-8 wins).
    // Empty input gives UTF-8.
    static Detection detect(const char* bytes, std::size_t size);

    // Detects the encoding as detect does and gives the text as UTF-8 in one go, so that a
    // conversion tried during detection is not done twice: utf8 views the bytes themselves (after
    // a BOM) when they are UTF-8 already, else storage. False when the bytes do not decode under
    // the detected encoding (utf8 is then empty).
    static bool decodeAuto(const char* bytes, std::size_t size, Detection& detection, std::string& storage,
                           std::string_view& utf8);

    // Wide text of the detected encoding's bytes (as decodeAuto, then widened); false as TextCodec::decode.
    static bool decodeAuto(const char* bytes, std::size_t size, Detection& detection, std::wstring& out);
};
