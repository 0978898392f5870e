#include "TextCodec.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "hostapp/HostTestSupport.h"
#include "support/TestSupport.h"

using hosttest::encodeAs;
using testsupport::U;
using testsupport::W;

namespace {

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

} // namespace
