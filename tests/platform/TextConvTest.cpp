#include <gtest/gtest.h>

#include <climits>
#include <cwchar>

#include "platform/TextConv.h"

namespace {

using platform::formatW;
using platform::fromUtf8;
using platform::toUtf8;

TEST(TextConvTest, RoundTripsEveryPlane)
{
    const std::wstring texts[] = {L"",
                                  L"abc",
                                  L"リンク部品の設定",
                                  L"ＭＳ Ｐゴシック",
                                  L"\U0001F600 emoji",
                                  std::wstring(1, L'\0') + L"after nul",
                                  L"abcdefg日hijklmnopqrstu記vwxyz0123"};
    for (const auto& text : texts)
        EXPECT_EQ(fromUtf8(toUtf8(text)), text);
    EXPECT_EQ(toUtf8(L"日記"), "\xE6\x97\xA5\xE8\xA8\x98");
}

TEST(TextConvTest, InvalidInputBecomesReplacementCharacters)
{
    struct Case {
        const char* description;
        std::string bytes;
        std::wstring expected;
    };
    const Case cases[] = {
        {"stray continuation byte",
         "a\x80"
         "b",
         L"a\uFFFDb"},
        {"truncated sequence at the end", "a\xE6\x97", L"a\uFFFD"},
        {"truncated sequence followed by ASCII", "\xE6\x97z", L"\uFFFDz"},
        {"overlong encoding of '/'", "\xC0\xAF", L"\uFFFD"},
        {"encoded surrogate", "\xED\xA0\x80", L"\uFFFD"},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", L"\uFFFD"},
        {"invalid lead byte", "\xFF", L"\uFFFD"},
        {"two- and three-byte characters between invalid bytes", "\xC3\xA9\x80\xE6\x97\xA5\xEF\xBF",
         L"é\uFFFD日\uFFFD"},
        {"invalid byte right after a run of ASCII",
         "12345678\x80"
         "abcdefgh",
         L"12345678\uFFFDabcdefgh"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(fromUtf8(c.bytes), c.expected) << c.description;

    std::wstring unencodable;
    unencodable += static_cast<wchar_t>(0xD800);
    unencodable += static_cast<wchar_t>(0x110000);
    EXPECT_EQ(toUtf8(unencodable), "\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(fromUtf8(nullptr, 3), L"");
}

// Names with control characters reached the terminal as escape sequences.
TEST(TextConvTest, PrintableEscapesControlCharacters)
{
    EXPECT_EQ(platform::printable(L"日記\x1b[2J\a\t\x7f\x9b|"), "日記\\x1B[2J\\x07\\x09\\x7F\\x9B|");
    EXPECT_EQ(platform::printable(L"plain ü"), "plain ü");
}

TEST(TextConvTest, FormatW)
{
    EXPECT_EQ(formatW(L"%04d-%02d", 2008, 11), L"2008-11");
    EXPECT_EQ(formatW(L"zebsitec%03dtable000001", 7), L"zebsitec007table000001");
    const std::wstring longText(5000, L'あ');
    EXPECT_EQ(formatW(L"[%s]", longText.c_str()), L"[" + longText + L"]");
    EXPECT_EQ(formatW(nullptr), L"");
    // Formats of integers alone are formatted by hand, as the C library formats them.
    // Formats holding anything else, or longer than a file name, go to the C library.
    EXPECT_EQ(formatW(L"%d%%%d", 1, 2), L"1%2");
    EXPECT_EQ(formatW((std::wstring(300, L'x') + L"%03d").c_str(), 7), std::wstring(300, L'x') + L"007");
    for (const wchar_t* format : {L"%d", L"%03d", L"%5d", L" %d年%02d月 ", L"%1d%9d", L"ab%dcd%02def"}) {
        for (const int value : {0, 7, -5, 2008, INT_MIN, INT_MAX}) {
            wchar_t expected[64];
            std::swprintf(expected, 64, format, value, value);
            EXPECT_EQ(formatW(format, value, value), expected) << format << " " << value;
        }
    }
}

// The C library's wide formatting reads %s as a narrow string; the item text "「%s」へのリンク"
// is formatted with a wide category name, which would print garbage or read out of bounds.
TEST(TextConvTest, FormatWPercentSTakesAWideString)
{
    EXPECT_EQ(formatW(L"「%s」へのリンク", L"日記"), L"「日記」へのリンク");
    EXPECT_EQ(formatW(L"%ls|%c|%5s|%-3s|%%s", L"x", L'ü', L"ab", L"c"), L"x|ü|   ab|c  |%s");
    EXPECT_EQ(formatW(L"%hs", "narrow"), L"narrow");
}

} // namespace

TEST(TextConvTest, MidCutsByPositionWithoutThrowing)
{
    struct Case {
        const char* description;
        std::wstring text;
        std::size_t pos, count;
        std::wstring expected;
    };
    const Case cases[] = {
        {"inside", L"2008/04/07 10:00", 5, 2, L"04"},
        {"running over the end", L"2008/4", 5, 2, L"4"},
        {"at the end", L"2008", 4, 2, L""},
        {"past the end", L"20", 8, 2, L""},
        {"empty text", L"", 0, 4, L""},
        {"huge count", L"abc", 1, std::wstring::npos, L"bc"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, platform::mid(c.text, c.pos, c.count)) << c.description;
}
