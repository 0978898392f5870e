#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The host's text encodings: decoding to wide text, encoding with numeric character references
// for what an encoding cannot hold, and mapping characters to the bytes they came from.
// EncodingDetector finds a file's encoding, Newlines deals with line breaks.
// Encoding names are iconv names. Shift_JIS and its aliases are read and written as CP932 and
// EUC-JP as EUC-JP-MS, because the plain tables turn '~' and '\' into other characters and stop
// at vendor characters such as U+2460 (circled digit one).
class TextCodec {
public:
    // The iconv name to use for an encoding name as pages and declarations write it (any case):
    // Shift_JIS aliases give "CP932", EUC-JP aliases "EUC-JP-MS", "utf8" "UTF-8"; other names
    // known to iconv come back upper-cased; "" for a name iconv does not know.
    static std::string canonicalName(const std::string& name);

    // Whether the encoding is ISO-2022-JP or one of its variants (stateful: escape sequences
    // switch character sets).
    static bool isIso2022Jp(const std::string& encoding);

    // The bytes (no BOM handling) in the encoding converted to UTF-8 (UTF-8 itself is only checked
    // and copied). False, with out emptied, when the encoding is unknown or the bytes hold an
    // invalid sequence.
    static bool toUtf8(const char* bytes, std::size_t size, const std::string& encoding, std::string& out);

    // Decodes the bytes (no BOM handling) into out. False, with out emptied, when the encoding is
    // unknown or the bytes hold a sequence invalid in it.
    static bool decode(const char* bytes, std::size_t size, const std::string& encoding, std::wstring& out);

    // Encodes the text into out; a character the encoding cannot hold is written as a decimal
    // numeric character reference (&#NNNN;). False, with out emptied, for an unknown encoding.
    static bool encode(std::wstring_view text, const std::string& encoding, std::string& out);

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
};
