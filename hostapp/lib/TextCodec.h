#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "host/Charset.h"

// The host's text encodings: detection of a file's encoding, decoding to wide text, encoding
// with numeric character references for what an encoding cannot hold, and newline conventions.
// Encoding names are iconv names. Shift_JIS and its aliases are read and written as CP932 and
// EUC-JP as EUC-JP-MS, because the plain tables turn '~' and '\' into other characters and stop
// at vendor characters such as U+2460 (circled digit one).
class TextCodec {
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

    // Wide text of the detected encoding's bytes (as decodeAuto, then widened); false as decode.
    static bool decodeAuto(const char* bytes, std::size_t size, Detection& detection, std::wstring& out);

    // The iconv name to use for an encoding name as pages and declarations write it (any case):
    // Shift_JIS aliases give "CP932", EUC-JP aliases "EUC-JP-MS", "utf8" "UTF-8"; other names
    // known to iconv come back upper-cased; "" for a name iconv does not know.
    static std::string canonicalName(const std::string& name);

    // Decodes the bytes (no BOM handling) into out. False, with out emptied, when the encoding is
    // unknown or the bytes hold a sequence invalid in it.
    static bool decode(const char* bytes, std::size_t size, const std::string& encoding, std::wstring& out);

    // Encodes the text into out; a character the encoding cannot hold is written as a decimal
    // numeric character reference (&#NNNN;). False, with out emptied, for an unknown encoding.
    static bool encode(const std::wstring& text, const std::string& encoding, std::string& out);

    // Where the characters of a decoded text stand in its bytes, so that stretches of the text can
    // be written back as the bytes they came from.
    struct CharacterMap {
        // offsets[i]: where the bytes of character i (a wide unit of decode's text) start;
        // offsets[length]: the end of the bytes.
        std::vector<std::size_t> offsets;
        // Stateful encodings (ISO-2022-JP) only, else empty: shiftAt[i] is the escape sequence
        // in force where character i starts (an index into shifts; 0, "", is the initial state).
        std::vector<std::uint32_t> shiftAt;
        std::vector<std::string> shifts;
    };

    // Maps the bytes (no BOM) of a text decoded in the encoding; false when they cannot be mapped
    // character by character (an encoding that makes several characters of one sequence, or one
    // the map does not know how to step through), or length is not the decoded text's length.
    static bool mapCharacters(const char* bytes, std::size_t size, const std::string& encoding, std::size_t length,
                              CharacterMap& map);

    // The byte order mark of an encoding as written before a page ("" for none): UTF-8 gives
    // EF BB BF, UTF-16LE FF FE, UTF-16BE FE FF, UTF-32LE FF FE 00 00, UTF-32BE 00 00 FE FF.
    static std::string byteOrderMark(const std::string& encoding);

    // The text's newline convention: CrLf, Lf or Cr when every line break is of that kind; Keep
    // when the text has none or mixes them.
    static Newline detectNewline(const std::wstring& text);

    // The text with every line break (CR LF, lone CR, lone LF) written in the convention; Keep
    // gives the text unchanged.
    static std::wstring applyNewline(const std::wstring& text, Newline newline);

    // Whether applyNewline would change the text (a page that already uses the convention
    // throughout need not be copied).
    static bool changesNewlines(const std::wstring& text, Newline newline);
};
