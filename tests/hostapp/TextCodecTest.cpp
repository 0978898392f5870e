#include "TextCodec.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string_view>
#include <vector>

#include "hostapp/HostTestSupport.h"
#include "support/TestSupport.h"

using hosttest::encodeAs;
using testsupport::U;
using testsupport::W;

namespace {

struct DetectCase {
    const char* description;
    std::string bytes;
    const char* encoding;
    std::size_t bomLength;
};

const std::string kJapanese = "日本語のページ、①～②";

std::string page(const char* charset, const std::string& body)
{
    return std::string("<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=") + charset +
           "\"></head><body>" + body + "</body></html>";
}

std::vector<DetectCase> detectCases()
{
    const std::string sjisBody = encodeAs(kJapanese, "CP932");
    const std::string eucBody = encodeAs(kJapanese, "EUC-JP-MS");
    return {
        {"UTF-8 BOM", "\xEF\xBB\xBF" + kJapanese, "UTF-8", 3},
        {"UTF-16LE BOM", "\xFF\xFE" + encodeAs("<p>" + kJapanese, "UTF-16LE"), "UTF-16LE", 2},
        {"UTF-16BE BOM", "\xFE\xFF" + encodeAs("<p>" + kJapanese, "UTF-16BE"), "UTF-16BE", 2},
        {"UTF-16LE markup without BOM", encodeAs("<p>" + kJapanese, "UTF-16LE"), "UTF-16LE", 0},
        {"UTF-32LE BOM (starts as UTF-16LE's)", encodeAs("\uFEFF<p>" + kJapanese, "UTF-32LE"), "UTF-32LE", 4},
        {"UTF-32BE BOM", encodeAs("\uFEFF<p>" + kJapanese, "UTF-32BE"), "UTF-32BE", 4},
        {"undeclared ISO-2022-JP (7-bit, valid UTF-8 too)", "<p>" + encodeAs(kJapanese.substr(0, 21), "ISO-2022-JP"),
         "ISO-2022-JP", 0},
        {"ISO-2022-JP with half-width katakana", "<p>\x1B$BF|\x1B(I6\x1B(B</p>", "ISO-2022-JP-2", 0},
        {"ISO-2022-JP escapes nothing decodes", "<p>\x1B$B~~\x1B(B</p>", "ISO-2022-JP", 0},
        {"meta Shift_JIS", page("Shift_JIS", sjisBody), "CP932", 0},
        {"meta alias x-sjis", page("x-sjis", sjisBody), "CP932", 0},
        {"meta alias windows-31j", page("Windows-31J", sjisBody), "CP932", 0},
        {"meta EUC-JP", page("EUC-JP", eucBody), "EUC-JP-MS", 0},
        {"meta ISO-2022-JP", page("ISO-2022-JP", encodeAs("日本", "ISO-2022-JP")), "ISO-2022-JP", 0},
        {"html5 meta charset", "<meta charset='euc-jp'>" + eucBody, "EUC-JP-MS", 0},
        {"XML declaration", "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><a>" + sjisBody + "</a>", "CP932", 0},
        {"no declaration, UTF-8", "<p>" + kJapanese + "</p>", "UTF-8", 0},
        {"no declaration, ASCII", "<p>plain</p>", "UTF-8", 0},
        {"no declaration, Shift_JIS", "<p>" + sjisBody + "</p>", "CP932", 0},
        {"no declaration, EUC-JP", "<p>" + eucBody + eucBody + "</p>", "EUC-JP-MS", 0},
        {"no declaration, EUC-JP mostly kana",
         "<p>" + encodeAs("ひらがなとカタカナのぶんしょうです。", "EUC-JP-MS") + "</p>", "EUC-JP-MS", 0},
        {"declared Shift_JIS, only ASCII", page("Shift_JIS", "<p>plain</p>"), "CP932", 0},
        {"declared Shift_JIS but UTF-8 bytes", page("Shift_JIS", kJapanese), "UTF-8", 0},
        {"declared UTF-8 but Shift_JIS bytes", page("UTF-8", sjisBody), "CP932", 0},
        {"unknown declared charset", page("no-such-charset", kJapanese), "UTF-8", 0},
        {"empty", "", "UTF-8", 0},
    };
}

TEST(TextCodecTest, DetectsTheEncodingInOrder)
{
    for (const DetectCase& c : detectCases()) {
        const TextCodec::Detection d = TextCodec::detect(c.bytes.data(), c.bytes.size());
        EXPECT_EQ(d.encoding, c.encoding) << c.description;
        EXPECT_EQ(d.bomLength, c.bomLength) << c.description;
    }
}

// decodeAuto keeps what detection converted instead of converting again; the text must be the
// one that detecting and then decoding gives.
TEST(TextCodecTest, DecodeAutoGivesWhatDetectThenDecodeGives)
{
    std::vector<DetectCase> cases = detectCases();
    const std::string ascii(37, 'a');
    cases.push_back({"UTF-8 BOM, then an invalid byte", "\xEF\xBB\xBF<p>\xFF</p>", "UTF-8", 3});
    for (std::size_t at = 0; at < 17; ++at) // an invalid byte at every offset of the word-wise scan
        cases.push_back(
            {"invalid UTF-8 byte after ASCII", ascii.substr(0, at) + "\x82" + ascii.substr(at), "CP932", 0});
    cases.push_back({"UTF-8 after a long ASCII run", ascii + kJapanese + ascii, "UTF-8", 0});
    for (const DetectCase& c : cases) {
        const TextCodec::Detection expected = TextCodec::detect(c.bytes.data(), c.bytes.size());
        std::wstring expectedText;
        const bool expectedOk = TextCodec::decode(c.bytes.data() + expected.bomLength,
                                                  c.bytes.size() - expected.bomLength, expected.encoding, expectedText);

        TextCodec::Detection detection;
        std::wstring text;
        EXPECT_EQ(TextCodec::decodeAuto(c.bytes.data(), c.bytes.size(), detection, text), expectedOk) << c.description;
        EXPECT_EQ(detection.encoding, expected.encoding) << c.description;
        EXPECT_EQ(detection.bomLength, expected.bomLength) << c.description;
        EXPECT_EQ(text, expectedText) << c.description;

        std::string storage;
        std::string_view utf8;
        EXPECT_EQ(TextCodec::decodeAuto(c.bytes.data(), c.bytes.size(), detection, storage, utf8), expectedOk)
            << c.description;
        EXPECT_EQ(std::string(utf8), U(expectedText)) << c.description;
    }
}

TEST(TextCodecTest, ChangesNewlinesTellsWhetherApplyNewlineWouldChangeTheText)
{
    const std::wstring texts[] = {L"", L"a", L"a\nb", L"a\r\nb", L"a\rb", L"a\r\nb\nc", L"a\r", L"\r\n\r\n", L"\n\r"};
    for (const std::wstring& text : texts)
        for (Newline newline : {Newline::Keep, Newline::Lf, Newline::CrLf, Newline::Cr})
            EXPECT_EQ(TextCodec::changesNewlines(text, newline), TextCodec::applyNewline(text, newline) != text)
                << U(text) << " " << static_cast<int>(newline);
}

TEST(TextCodecTest, CanonicalNamesMapJapaneseAliases)
{
    const std::pair<const char*, const char*> cases[] = {
        {"Shift_JIS", "CP932"},
        {"sjis", "CP932"},
        {"x-sjis", "CP932"},
        {"shift-jis", "CP932"},
        {"windows-31j", "CP932"},
        {"MS_Kanji", "CP932"},
        {"euc-jp", "EUC-JP-MS"},
        {"utf8", "UTF-8"},
        {"iso-2022-jp", "ISO-2022-JP"},
        {"bogus-charset", ""},
        {"", ""},
    };
    for (const auto& [name, expected] : cases)
        EXPECT_EQ(TextCodec::canonicalName(name), expected) << name;
}

TEST(TextCodecTest, DecodesVendorCharactersAndAsciiUnchanged)
{
    // Plain Shift_JIS tables would turn '\' and '~' into yen and overline and reject U+2460.
    const std::string text = "\\~①～㈱髙";
    std::wstring out;
    ASSERT_TRUE(TextCodec::decode(encodeAs(text, "CP932").data(), encodeAs(text, "CP932").size(), "CP932", out));
    EXPECT_EQ(U(out), text);
    ASSERT_TRUE(
        TextCodec::decode(encodeAs(text, "EUC-JP-MS").data(), encodeAs(text, "EUC-JP-MS").size(), "EUC-JP-MS", out));
    EXPECT_EQ(U(out), text);
}

TEST(TextCodecTest, DecodeRejectsInvalidBytes)
{
    std::wstring out = L"stale";
    EXPECT_FALSE(TextCodec::decode("\xC3\x28", 2, "UTF-8", out));
    EXPECT_TRUE(out.empty());
    EXPECT_FALSE(TextCodec::decode("\xED\xA0\x80", 3, "UTF-8", out)) << "surrogate";
    for (const char* bad :
         {"\xE0\x80\xAF", "\xC1\xBF", "\xE3\x81", "\xE3\x81\x28", "\xF4\x90\x80\x80", "abcdefgh\xEF\xBF"})
        EXPECT_FALSE(TextCodec::decode(bad, std::strlen(bad), "UTF-8", out)) << "overlong, truncated or out of range";
    EXPECT_TRUE(TextCodec::decode("a\xC2\xA9\xE3\x81\x82\xED\x9F\xBF\xEF\xBF\xBD\xF0\x9F\x98\x80", 16, "UTF-8", out));
    EXPECT_FALSE(TextCodec::decode("\x82", 1, "CP932", out)) << "truncated double-byte";
    EXPECT_FALSE(TextCodec::decode("a", 1, "NO-SUCH", out));
}

struct EncodeCase {
    const char* description;
    std::string text;
    const char* encoding;
    std::string expectedUtf8; // the bytes, read back as UTF-8 after decoding from the encoding
};

TEST(TextCodecTest, EncodesWithReferencesForWhatTheEncodingCannotHold)
{
    const EncodeCase cases[] = {
        {"CP932 holds vendor characters", "①～\\~", "CP932", "①～\\~"},
        {"CP932 cannot hold emoji", "a😀b", "CP932", "a&#128512;b"},
        {"yen sign is not silently a backslash", "¥100", "CP932", "&#165;100"},
        {"wave dash is not silently a fullwidth tilde", "〜", "CP932", "&#12316;"},
        {"EUC-JP-MS cannot hold Hangul", "가나", "EUC-JP-MS", "&#44032;&#45208;"},
        {"UTF-8 holds everything", "😀¥", "UTF-8", "😀¥"},
        {"UTF-16LE holds everything", "😀¥", "UTF-16LE", "😀¥"},
    };
    for (const EncodeCase& c : cases) {
        std::string bytes;
        ASSERT_TRUE(TextCodec::encode(W(c.text), c.encoding, bytes)) << c.description;
        std::wstring back;
        ASSERT_TRUE(TextCodec::decode(bytes.data(), bytes.size(), c.encoding, back)) << c.description;
        EXPECT_EQ(U(back), c.expectedUtf8) << c.description;
    }
    std::string bytes = "stale";
    EXPECT_FALSE(TextCodec::encode(L"x", "NO-SUCH", bytes));
    EXPECT_TRUE(bytes.empty());
}

TEST(TextCodecTest, StatefulEncodingGetsReferencesOutsideItsShiftedState)
{
    std::string bytes;
    ASSERT_TRUE(TextCodec::encode(W("日本😀語"), "ISO-2022-JP", bytes));
    std::wstring back;
    ASSERT_TRUE(TextCodec::decode(bytes.data(), bytes.size(), "ISO-2022-JP", back));
    EXPECT_EQ(U(back), "日本&#128512;語");
    EXPECT_EQ(bytes.find("\x1B$B", bytes.find("\x1B$B") + 1), bytes.rfind("\x1B$B")) << "one shift per run";
}

TEST(TextCodecTest, NewlineConventions)
{
    const std::pair<std::wstring, Newline> detected[] = {
        {L"a\r\nb\r\n", Newline::CrLf}, {L"a\nb\n", Newline::Lf},      {L"a\rb", Newline::Cr},
        {L"a\r\nb\n", Newline::Keep},   {L"no breaks", Newline::Keep}, {L"", Newline::Keep},
    };
    for (const auto& [text, newline] : detected)
        EXPECT_EQ(TextCodec::detectNewline(text), newline) << U(text);

    const std::wstring mixed = L"a\r\nb\nc\rd";
    EXPECT_EQ(TextCodec::applyNewline(mixed, Newline::Lf), L"a\nb\nc\nd");
    EXPECT_EQ(TextCodec::applyNewline(mixed, Newline::CrLf), L"a\r\nb\r\nc\r\nd");
    EXPECT_EQ(TextCodec::applyNewline(mixed, Newline::Cr), L"a\rb\rc\rd");
    EXPECT_EQ(TextCodec::applyNewline(mixed, Newline::Keep), mixed);
}

} // namespace
