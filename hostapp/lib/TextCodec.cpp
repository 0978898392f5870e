#include "TextCodec.h"

#include <iconv.h>

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

} // namespace

bool TextCodec::isIso2022Jp(const std::string& encoding)
{
    return encoding.rfind("ISO-2022-JP", 0) == 0;
}

bool TextCodec::toUtf8(const char* bytes, std::size_t size, const std::string& encoding, std::string& out)
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

namespace {

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
    if (!toUtf8(bytes, size, encoding, utf8))
        return false;
    out = platform::fromUtf8(utf8);
    return true;
}

bool TextCodec::encode(std::wstring_view text, const std::string& encoding, std::string& out)
{
    out.clear();
    std::string utf8 = platform::utf8::encode(text.data(), text.size());
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
