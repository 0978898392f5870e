#include "TextCodec.h"

#include <iconv.h>
#include <uchardet/uchardet.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <map>
#include <string_view>
#include <utility>

#include "platform/TextConv.h"
#include "platform/Utf8.h"

namespace {

// An iconv descriptor that closes itself.
class Converter {
public:
    Converter(const std::string& to, const std::string& from) : cd_(iconv_open(to.c_str(), from.c_str())) {}
    ~Converter()
    {
        if (ok())
            iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return cd_; }
    void reset() { iconv(cd_, nullptr, nullptr, nullptr, nullptr); }

private:
    iconv_t cd_;
};

std::string upper(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return out;
}

bool isUtf16(const std::string& encoding)
{
    return encoding.rfind("UTF-16", 0) == 0;
}

bool isIso2022Jp(const std::string& encoding)
{
    return encoding.rfind("ISO-2022-JP", 0) == 0;
}

// Whether the bytes are 7-bit and switch character sets with the escape sequences of ISO-2022-JP
// (ESC $ @, ESC $ B, ESC ( B, ESC ( J, ESC ( I, ESC $ ( D and the like). Such bytes are valid
// UTF-8 too, so they must be recognised before UTF-8 is tried.
bool looksIso2022Jp(const char* bytes, std::size_t size)
{
    bool escaped = false;
    for (std::size_t i = 0; i < size; ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c >= 0x80)
            return false;
        if (c != 0x1B || i + 2 >= size)
            continue;
        const char a = bytes[i + 1], b = bytes[i + 2];
        if ((a == '$' && (b == '@' || b == 'B' || b == '(')) || (a == '(' && (b == 'B' || b == 'J' || b == 'I')))
            escaped = true;
    }
    return escaped;
}

// Whether the encoding is an ASCII-compatible Japanese legacy one that a page may declare by
// mistake on UTF-8 bytes.
bool isJapaneseLegacy(const std::string& encoding)
{
    return encoding == "CP932" || encoding == "EUC-JP-MS" || encoding == "ISO-2022-JP";
}

// Reads an encoding name after "charset" or "encoding" at pos: optional white space, '=',
// optional white space and quote, then the name's characters.
std::string nameAfter(std::string_view head, std::size_t pos)
{
    auto skipSpace = [&] {
        while (pos < head.size() && (head[pos] == ' ' || head[pos] == '\t' || head[pos] == '\r' || head[pos] == '\n'))
            ++pos;
    };
    skipSpace();
    if (pos >= head.size() || head[pos] != '=')
        return "";
    ++pos;
    skipSpace();
    if (pos < head.size() && (head[pos] == '"' || head[pos] == '\''))
        ++pos;
    std::string name;
    while (pos < head.size()) {
        const char c = head[pos];
        const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                        c == '_' || c == '.' || c == ':';
        if (!ok)
            break;
        name += c;
        ++pos;
    }
    return name;
}

// The encoding that an XML declaration or a meta element near the start of the bytes declares;
// "" when none. Only ASCII-compatible bytes can declare anything this way.
std::string declaredEncoding(const char* bytes, std::size_t size)
{
    const std::string lower = [&] {
        std::string s(bytes, std::min<std::size_t>(size, 4096));
        for (char& c : s)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        return s;
    }();
    if (lower.rfind("<?xml", 0) == 0) {
        const std::size_t end = lower.find("?>");
        const std::size_t at = lower.find("encoding", 5);
        if (at != std::string::npos && (end == std::string::npos || at < end))
            return nameAfter(lower, at + 8);
        return "";
    }
    std::size_t pos = 0;
    while ((pos = lower.find("<meta", pos)) != std::string::npos) {
        const std::size_t end = lower.find('>', pos);
        const std::string_view tag =
            std::string_view(lower).substr(pos, end == std::string::npos ? std::string::npos : end - pos);
        std::size_t at = 0;
        while ((at = tag.find("charset", at)) != std::string_view::npos) {
            const std::string name = nameAfter(tag, at + 7);
            if (!name.empty())
                return name;
            at += 7;
        }
        pos += 5;
    }
    return "";
}

std::string guessEncoding(const char* bytes, std::size_t size)
{
    uchardet_t detector = uchardet_new();
    if (detector == nullptr)
        return "";
    std::string name;
    if (uchardet_handle_data(detector, bytes, size) == 0) {
        uchardet_data_end(detector);
        const char* guessed = uchardet_get_charset(detector);
        if (guessed != nullptr)
            name = guessed;
    }
    uchardet_delete(detector);
    return name.empty() ? "" : TextCodec::canonicalName(name);
}

// Appends "&#N;" for the code point.
void appendReference(std::string& out, std::uint32_t codePoint)
{
    out += "&#";
    out += std::to_string(codePoint);
    out += ';';
}

// Runs the converter over the input, appending to out. Returns false on the first input it cannot
// convert; in then points at it.
bool convert(Converter& cd, const char*& in, std::size_t& inLeft, std::string& out)
{
    char buffer[4096];
    while (inLeft > 0) {
        char* dst = buffer;
        std::size_t dstLeft = sizeof buffer;
        char* src = const_cast<char*>(in);
        const std::size_t r = iconv(cd.get(), &src, &inLeft, &dst, &dstLeft);
        out.append(buffer, dst - buffer);
        in = src;
        if (r == static_cast<std::size_t>(-1) && errno != E2BIG)
            return false;
    }
    return true;
}

// The bytes in the encoding converted to UTF-8 (UTF-8 itself is only checked and copied). False,
// with out emptied, when the encoding is unknown or the bytes hold an invalid sequence.
bool toUtf8Bytes(const char* bytes, std::size_t size, const std::string& encoding, std::string& out)
{
    out.clear();
    if (size == 0)
        return !encoding.empty();
    if (bytes == nullptr)
        return false;
    if (encoding == "UTF-8") {
        if (!platform::utf8::isValid(std::string_view(bytes, size)))
            return false;
        out.assign(bytes, size);
        return true;
    }
    Converter cd("UTF-8", encoding);
    if (!cd.ok())
        return false;
    out.reserve(size * 3 / 2);
    const char* in = bytes;
    std::size_t inLeft = size;
    // An ISO-2022-JP decoder passes an escape sequence it does not know through as text: such a
    // result is no decoding.
    if (!convert(cd, in, inLeft, out) || (isIso2022Jp(encoding) && out.find('\x1B') != std::string::npos)) {
        out.clear();
        return false;
    }
    return true;
}

// The ISO-2022-JP variant that decodes the bytes: the plain one, or one that also knows the
// character sets the page switches to (JIS X 0212, half-width katakana, JIS X 0213); "" when none
// does.
std::string iso2022JpVariant(const char* bytes, std::size_t size, std::string* utf8)
{
    for (const char* name : {"ISO-2022-JP", "ISO-2022-JP-2", "ISO-2022-JP-3"}) {
        std::string converted;
        if (toUtf8Bytes(bytes, size, name, converted)) {
            if (utf8 != nullptr)
                *utf8 = std::move(converted);
            return name;
        }
    }
    return "";
}

// What detection learnt on the way, so that decodeAuto need not repeat it: the UTF-8 text of
// the last trial conversion that succeeded (when keep is set), and whether the whole input was
// found to be strict UTF-8.
struct Trial {
    std::string* keep = nullptr;
    std::string keptEncoding;
    bool strictUtf8 = false;
};

// Whether all the bytes decode under the encoding. UTF-8 was checked once already (strictUtf8);
// any other encoding is converted, and the result kept for the caller when it asked for it.
bool decodes(const char* bytes, std::size_t size, const std::string& encoding, Trial& trial)
{
    if (encoding == "UTF-8")
        return trial.strictUtf8;
    std::string converted;
    if (isIso2022Jp(encoding)) {
        // Any variant the bytes need; the caller takes the one named in trial.
        const std::string variant = iso2022JpVariant(bytes, size, &converted);
        if (variant.empty())
            return false;
        if (trial.keep != nullptr)
            *trial.keep = std::move(converted);
        trial.keptEncoding = variant;
        return true;
    }
    if (!toUtf8Bytes(bytes, size, encoding, converted))
        return false;
    if (trial.keep != nullptr) {
        *trial.keep = std::move(converted);
        trial.keptEncoding = encoding;
    }
    return true;
}

// Writes the converter's return-to-initial-state sequence (stateful encodings) to out.
void flush(Converter& cd, std::string& out)
{
    char buffer[64];
    char* dst = buffer;
    std::size_t dstLeft = sizeof buffer;
    iconv(cd.get(), nullptr, nullptr, &dst, &dstLeft);
    out.append(buffer, dst - buffer);
}

// Encodes one code point (its UTF-8 bytes) so that it decodes back to itself; false when the
// encoding cannot hold it exactly (iconv maps some characters to look-alikes, such as U+00A5 to
// a backslash in CP932, which would change the text on the next load).
bool encodeExactly(Converter& to, const std::string& encoding, const std::string& utf8, std::string& out)
{
    to.reset();
    const char* in = utf8.data();
    std::size_t inLeft = utf8.size();
    std::string bytes;
    if (!convert(to, in, inLeft, bytes))
        return false;
    flush(to, bytes);
    std::wstring back;
    if (!TextCodec::decode(bytes.data(), bytes.size(), encoding, back))
        return false;
    if (platform::toUtf8(back) != utf8)
        return false;
    out += bytes;
    return true;
}

} // namespace

std::string TextCodec::canonicalName(const std::string& name)
{
    std::string key = upper(name);
    while (!key.empty() && (key.back() == ' ' || key.back() == '"' || key.back() == '\''))
        key.pop_back();
    if (key.empty())
        return "";
    static const std::map<std::string, std::string> aliases = {
        {"SHIFT_JIS", "CP932"},
        {"SHIFT-JIS", "CP932"},
        {"SJIS", "CP932"},
        {"X-SJIS", "CP932"},
        {"WINDOWS-31J", "CP932"},
        {"MS_KANJI", "CP932"},
        {"CSSHIFTJIS", "CP932"},
        {"CP932", "CP932"},
        {"MS932", "CP932"},
        {"X-MS-CP932", "CP932"},
        {"WINDOWS-932", "CP932"},
        {"EUC-JP", "EUC-JP-MS"},
        {"EUCJP", "EUC-JP-MS"},
        {"X-EUC-JP", "EUC-JP-MS"},
        {"EUC_JP", "EUC-JP-MS"},
        {"EUC-JP-MS", "EUC-JP-MS"},
        {"CSEUCPKDFMTJAPANESE", "EUC-JP-MS"},
        {"UTF8", "UTF-8"},
        {"UTF-8", "UTF-8"},
        {"ASCII", "UTF-8"},
        {"US-ASCII", "UTF-8"},
    };
    if (auto it = aliases.find(key); it != aliases.end())
        return it->second;
    Converter probe("UTF-8", key);
    return probe.ok() ? key : "";
}

namespace {

TextCodec::Detection detectWith(const char* bytes, std::size_t size, Trial& trial)
{
    const auto* b = reinterpret_cast<const unsigned char*>(bytes);
    if (size >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF)
        return {"UTF-8", 3};
    // UTF-32 first: its little-endian BOM begins with UTF-16's.
    if (size >= 4 && b[0] == 0xFF && b[1] == 0xFE && b[2] == 0 && b[3] == 0)
        return {"UTF-32LE", 4};
    if (size >= 4 && b[0] == 0 && b[1] == 0 && b[2] == 0xFE && b[3] == 0xFF)
        return {"UTF-32BE", 4};
    if (size >= 2 && b[0] == 0xFF && b[1] == 0xFE)
        return {"UTF-16LE", 2};
    if (size >= 2 && b[0] == 0xFE && b[1] == 0xFF)
        return {"UTF-16BE", 2};
    // Markup in UTF-16 without a BOM starts with '<' and a zero byte.
    if (size >= 4 && size % 2 == 0 && b[0] == '<' && b[1] == 0 && b[2] != 0 && b[3] == 0)
        return {"UTF-16LE", 0};
    if (size >= 4 && size % 2 == 0 && b[0] == 0 && b[1] == '<' && b[2] == 0 && b[3] != 0)
        return {"UTF-16BE", 0};
    if (size >= 4 && size % 4 == 0 && b[0] == '<' && b[1] == 0 && b[2] == 0 && b[3] == 0)
        return {"UTF-32LE", 0};
    if (size >= 4 && size % 4 == 0 && b[0] == 0 && b[1] == 0 && b[2] == 0 && b[3] == '<')
        return {"UTF-32BE", 0};
    if (size == 0)
        return {"UTF-8", 0};

    bool nonAscii = false;
    const bool utf8 = platform::utf8::isValid(bytes, size, nonAscii);
    trial.strictUtf8 = utf8;

    const std::string declared = TextCodec::canonicalName(declaredEncoding(bytes, size));
    if (!declared.empty() && !isUtf16(declared) && declared.rfind("UTF-32", 0) != 0) {
        if (isJapaneseLegacy(declared) && utf8 && nonAscii)
            return {"UTF-8", 0};
        if (decodes(bytes, size, declared, trial))
            return {isIso2022Jp(declared) ? trial.keptEncoding : declared, 0};
    }
    // Undeclared ISO-2022-JP is taken as such or not at all: read as UTF-8 (which its bytes also
    // are), the page would get UTF-8 text among its escape sequences.
    if (utf8 && looksIso2022Jp(bytes, size)) {
        return {decodes(bytes, size, "ISO-2022-JP", trial) ? trial.keptEncoding : "ISO-2022-JP", 0};
    }
    if (utf8)
        return {"UTF-8", 0};

    const std::string guessed = guessEncoding(bytes, size);
    if (!guessed.empty() && (isJapaneseLegacy(guessed) || isUtf16(guessed)) && decodes(bytes, size, guessed, trial))
        return {guessed, 0};
    if (decodes(bytes, size, "CP932", trial))
        return {"CP932", 0};
    if (!guessed.empty() && decodes(bytes, size, guessed, trial))
        return {guessed, 0};
    return {"CP932", 0};
}

} // namespace

TextCodec::Detection TextCodec::detect(const char* bytes, std::size_t size)
{
    Trial trial;
    return detectWith(bytes, size, trial);
}

bool TextCodec::decodeAuto(const char* bytes, std::size_t size, Detection& detection, std::string& storage,
                           std::string_view& utf8)
{
    storage.clear();
    utf8 = std::string_view();
    Trial trial;
    trial.keep = &storage;
    detection = detectWith(bytes, size, trial);
    const char* rest = bytes + detection.bomLength;
    const std::size_t restSize = size - detection.bomLength;
    if (detection.encoding == "UTF-8") {
        // Without a BOM detection has checked every byte already.
        if (detection.bomLength != 0 || !trial.strictUtf8) {
            if (!platform::utf8::isValid(std::string_view(rest, restSize)))
                return false;
        }
        storage.clear();
        utf8 = std::string_view(rest, restSize);
        return true;
    }
    if (detection.bomLength != 0 || trial.keptEncoding != detection.encoding) {
        if (!toUtf8Bytes(rest, restSize, detection.encoding, storage))
            return false;
    }
    utf8 = storage;
    return true;
}

bool TextCodec::decodeAuto(const char* bytes, std::size_t size, Detection& detection, std::wstring& out)
{
    out.clear();
    std::string storage;
    std::string_view utf8;
    if (!decodeAuto(bytes, size, detection, storage, utf8))
        return false;
    out = platform::fromUtf8(utf8.data(), utf8.size());
    return true;
}

bool TextCodec::decode(const char* bytes, std::size_t size, const std::string& encoding, std::wstring& out)
{
    out.clear();
    if (encoding == "UTF-8" && size > 0 && bytes != nullptr) {
        if (!platform::utf8::isValid(std::string_view(bytes, size)))
            return false;
        out = platform::fromUtf8(bytes, size);
        return true;
    }
    std::string utf8;
    if (!toUtf8Bytes(bytes, size, encoding, utf8))
        return false;
    out = platform::fromUtf8(utf8);
    return true;
}

bool TextCodec::encode(const std::wstring& text, const std::string& encoding, std::string& out)
{
    out.clear();
    std::string utf8 = platform::toUtf8(text);
    if (encoding == "UTF-8") {
        out = std::move(utf8);
        return true;
    }
    Converter to(encoding, "UTF-8");
    if (!to.ok())
        return false;

    // The whole text at once, which is all that is needed when every character converts exactly.
    {
        const char* in = utf8.data();
        std::size_t inLeft = utf8.size();
        std::string bytes;
        bytes.reserve(utf8.size());
        if (convert(to, in, inLeft, bytes)) {
            flush(to, bytes);
            std::wstring back;
            if (decode(bytes.data(), bytes.size(), encoding, back) && platform::toUtf8(back) == utf8) {
                out = std::move(bytes);
                return true;
            }
        }
    }

    // Character by character: what does not convert exactly becomes a numeric reference. The
    // characters between references are converted as one run, so that a stateful encoding
    // (ISO-2022-JP) switches character sets once per run rather than once per character.
    std::size_t i = 0;
    std::map<std::string, bool> exact; // whether a character converts exactly
    std::string run;
    auto endRun = [&] {
        if (run.empty())
            return;
        to.reset();
        const char* in = run.data();
        std::size_t inLeft = run.size();
        convert(to, in, inLeft, out);
        flush(to, out);
        run.clear();
    };
    while (i < utf8.size()) {
        std::size_t len = platform::utf8::sequenceLength(utf8.data() + i, utf8.size() - i);
        if (len == 0)
            len = 1; // cannot happen: toUtf8 writes valid UTF-8
        const std::string ch = utf8.substr(i, len);
        auto it = exact.find(ch);
        if (it == exact.end()) {
            std::string bytes;
            it = exact.emplace(ch, encodeExactly(to, encoding, ch, bytes)).first;
        }
        if (it->second) {
            run += ch;
        } else {
            endRun();
            const std::wstring wide = platform::fromUtf8(ch);
            std::string ref;
            appendReference(ref, wide.empty() ? 0xFFFD : static_cast<std::uint32_t>(wide[0]));
            std::string refBytes;
            // The reference is ASCII; it still goes through the converter so that it is right for
            // encodings that are not ASCII-compatible (UTF-16).
            if (!encodeExactly(to, encoding, ref, refBytes))
                refBytes = ref;
            out += refBytes;
        }
        i += len;
    }
    endRun();
    return true;
}

namespace {

// ISO-2022-JP and its variants: escape sequences switch between one-byte sets (ASCII, JIS Roman,
// half-width katakana) and two-byte ones (JIS X 0208, 0212, 0213). Control characters stand for
// themselves in every set.
bool mapIso2022Jp(const char* bytes, std::size_t size, TextCodec::CharacterMap& map)
{
    map.shifts.assign(1, std::string());
    std::uint32_t shift = 0;
    std::size_t width = 1;
    for (std::size_t i = 0; i < size;) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c == 0x1B) {
            std::size_t length = i + 2 < size && bytes[i + 1] == '$' && bytes[i + 2] == '(' ? 4 : 3;
            if (i + length > size)
                return false;
            const std::string escape(bytes + i, length);
            const char set = escape[length - 1];
            if (escape[1] == '(' && (set == 'B' || set == 'J' || set == 'I'))
                width = 1;
            else if (escape[1] == '$' && (set == '@' || set == 'B' || set == 'A' || set == 'D' || set == 'O' ||
                                          set == 'P' || set == 'Q' || set == 'C'))
                width = 2;
            else
                return false;
            // Back to ASCII is the initial state.
            auto known =
                escape == "\x1B(B" ? map.shifts.begin() : std::find(map.shifts.begin(), map.shifts.end(), escape);
            shift = static_cast<std::uint32_t>(known - map.shifts.begin());
            if (known == map.shifts.end())
                map.shifts.push_back(escape);
            i += length;
            continue;
        }
        if (c == 0x0E || c == 0x0F || c >= 0x80)
            return false;
        map.offsets.push_back(i);
        map.shiftAt.push_back(shift);
        i += c < 0x21 ? 1 : width;
        if (i > size)
            return false;
    }
    map.offsets.push_back(size);
    map.shiftAt.push_back(shift);
    return true;
}

// Any other encoding: iconv steps through the bytes one character at a time.
bool mapByConversion(const char* bytes, std::size_t size, const std::string& encoding, TextCodec::CharacterMap& map)
{
    Converter cd("UTF-32LE", encoding);
    if (!cd.ok())
        return false;
    char* in = const_cast<char*>(bytes);
    std::size_t inLeft = size;
    while (inLeft > 0) {
        char buffer[4];
        char* out = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t at = size - inLeft;
        const std::size_t r = iconv(cd.get(), &in, &inLeft, &out, &outLeft);
        if (r == static_cast<std::size_t>(-1) && errno != E2BIG)
            return false;
        if (outLeft != 0) {
            // Input taken without a character made (a shift sequence) belongs to the next one.
            if (outLeft == sizeof buffer && size - inLeft > at)
                continue;
            return false;
        }
        map.offsets.push_back(at);
    }
    map.offsets.push_back(size);
    return true;
}

} // namespace

bool TextCodec::mapCharacters(const char* bytes, std::size_t size, const std::string& encoding, std::size_t length,
                              CharacterMap& map)
{
    map = CharacterMap();
    bool mapped;
    if (encoding == "UTF-8") {
        const auto* p = reinterpret_cast<const unsigned char*>(bytes);
        map.offsets.reserve(size + 1);
        for (std::size_t i = 0; i < size; ++i)
            if ((p[i] & 0xC0) != 0x80)
                map.offsets.push_back(i);
        map.offsets.push_back(size);
        mapped = true;
    } else if (isIso2022Jp(encoding)) {
        mapped = mapIso2022Jp(bytes, size, map);
    } else {
        mapped = mapByConversion(bytes, size, encoding, map);
    }
    if (!mapped || map.offsets.size() != length + 1) {
        map = CharacterMap();
        return false;
    }
    return true;
}

std::string TextCodec::byteOrderMark(const std::string& encoding)
{
    if (encoding == "UTF-8")
        return "\xEF\xBB\xBF";
    if (encoding == "UTF-16LE")
        return "\xFF\xFE";
    if (encoding == "UTF-16BE")
        return "\xFE\xFF";
    if (encoding == "UTF-32LE")
        return std::string("\xFF\xFE\0\0", 4);
    if (encoding == "UTF-32BE")
        return std::string("\0\0\xFE\xFF", 4);
    return "";
}

Newline TextCodec::detectNewline(const std::wstring& text)
{
    bool crlf = false, lf = false, cr = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\r') {
            if (i + 1 < text.size() && text[i + 1] == L'\n') {
                crlf = true;
                ++i;
            } else {
                cr = true;
            }
        } else if (text[i] == L'\n') {
            lf = true;
        }
    }
    const int kinds = int(crlf) + int(lf) + int(cr);
    if (kinds != 1)
        return Newline::Keep;
    return crlf ? Newline::CrLf : lf ? Newline::Lf : Newline::Cr;
}

std::wstring TextCodec::applyNewline(const std::wstring& text, Newline newline)
{
    const wchar_t* eol = newline == Newline::CrLf ? L"\r\n"
                         : newline == Newline::Cr ? L"\r"
                         : newline == Newline::Lf ? L"\n"
                                                  : nullptr;
    if (eol == nullptr)
        return text;
    std::wstring out;
    out.reserve(text.size() + text.size() / 32);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\r') {
            if (i + 1 < text.size() && text[i + 1] == L'\n')
                ++i;
            out += eol;
        } else if (text[i] == L'\n') {
            out += eol;
        } else {
            out += text[i];
        }
    }
    return out;
}

bool TextCodec::changesNewlines(const std::wstring& text, Newline newline)
{
    switch (newline) {
    case Newline::Lf:
        return text.find(L'\r') != std::wstring::npos;
    case Newline::Cr:
        return text.find(L'\n') != std::wstring::npos;
    case Newline::CrLf:
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == L'\r') {
                if (i + 1 >= text.size() || text[i + 1] != L'\n')
                    return true;
                ++i;
            } else if (text[i] == L'\n') {
                return true;
            }
        }
        return false;
    default:
        return false;
    }
}
