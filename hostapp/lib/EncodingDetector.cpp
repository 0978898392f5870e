#include "EncodingDetector.h"

#include <algorithm>
#include <mutex>
#include <string>
#include <utility>

#include "TextCodec.h"
#include "platform/SideLibrary.h"
#include "platform/TextConv.h"
#include "platform/Utf8.h"

namespace {

bool isUtf16(const std::string& encoding)
{
    return encoding.rfind("UTF-16", 0) == 0;
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

// The bytes in ASCII lower case.
std::string lowerCaseBytes(const char* bytes, std::size_t size)
{
    std::string s(bytes, size);
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// The encoding that an XML declaration or a meta element near the start of the bytes declares;
// "" when none. Only ASCII-compatible bytes can declare anything this way.
std::string declaredEncoding(const char* bytes, std::size_t size)
{
    const std::size_t head = std::min<std::size_t>(size, 4096);
    if (head >= 5 && lowerCaseBytes(bytes, 5) == "<?xml") {
        // Only the declaration itself is looked at (up to its "?>", which ends any name read in
        // it): every data file starts with one, and most of its head is no declaration.
        const std::size_t end = std::string_view(bytes, head).find("?>");
        const std::string lower = lowerCaseBytes(bytes, end == std::string_view::npos ? head : end);
        const std::size_t at = lower.find("encoding", 5);
        return at != std::string::npos ? nameAfter(lower, at + 8) : "";
    }
    const std::string lower = lowerCaseBytes(bytes, head);
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
    // The guesser lives in the text library, loaded the first time a text needs a guess: most runs
    // read only declared or UTF-8 texts. Without the library nothing is guessed.
    using Guess = std::size_t (*)(const char*, std::size_t, char*, std::size_t);
    static std::once_flag once;
    static Guess guess = nullptr;
    std::call_once(once, [] {
        std::string why;
        guess = reinterpret_cast<Guess>(platform::SideLibrary::symbol("libzebhosttext.so", "zebhostGuessCharset", why));
    });
    char name[64];
    if (guess == nullptr || guess(bytes, size, name, sizeof name) == 0)
        return "";
    return TextCodec::canonicalName(name);
}

// The ISO-2022-JP variant that decodes the bytes: the plain one, or one that also knows the
// character sets the page switches to (JIS X 0212, half-width katakana, JIS X 0213); "" when none
// does.
std::string iso2022JpVariant(const char* bytes, std::size_t size, std::string* utf8)
{
    for (const char* name : {"ISO-2022-JP", "ISO-2022-JP-2", "ISO-2022-JP-3"}) {
        std::string converted;
        if (TextCodec::toUtf8(bytes, size, name, converted)) {
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
    if (TextCodec::isIso2022Jp(encoding)) {
        // Any variant the bytes need; the caller takes the one named in trial.
        const std::string variant = iso2022JpVariant(bytes, size, &converted);
        if (variant.empty())
            return false;
        if (trial.keep != nullptr)
            *trial.keep = std::move(converted);
        trial.keptEncoding = variant;
        return true;
    }
    if (!TextCodec::toUtf8(bytes, size, encoding, converted))
        return false;
    if (trial.keep != nullptr) {
        *trial.keep = std::move(converted);
        trial.keptEncoding = encoding;
    }
    return true;
}

EncodingDetector::Detection detectWith(const char* bytes, std::size_t size, Trial& trial)
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
            return {TextCodec::isIso2022Jp(declared) ? trial.keptEncoding : declared, 0};
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

EncodingDetector::Detection EncodingDetector::detect(const char* bytes, std::size_t size)
{
    Trial trial;
    return detectWith(bytes, size, trial);
}

bool EncodingDetector::decodeAuto(const char* bytes, std::size_t size, Detection& detection, std::string& storage,
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
        if (!TextCodec::toUtf8(rest, restSize, detection.encoding, storage))
            return false;
    }
    utf8 = storage;
    return true;
}

bool EncodingDetector::decodeAuto(const char* bytes, std::size_t size, Detection& detection, std::wstring& out)
{
    out.clear();
    std::string storage;
    std::string_view utf8;
    if (!decodeAuto(bytes, size, detection, storage, utf8))
        return false;
    out = platform::fromUtf8(utf8.data(), utf8.size());
    return true;
}
