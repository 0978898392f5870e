#include <gtest/gtest.h>

#include "platform/Utf8.h"

namespace {

namespace utf8 = platform::utf8;

// Paths that were not UTF-8 selected another folder once converted. The rows cross the short
// ways (runs of ASCII, two bytes, three bytes from E1) and the full check of a sequence.
TEST(Utf8Test, IsValidTellsStrictUtf8)
{
    struct Case {
        const char* description;
        std::string bytes;
        bool valid, nonAscii;
    };
    std::vector<Case> cases = {
        {"empty", "", true, false},
        {"ASCII", "site", true, false},
        {"two and three bytes", "サイト/ページ.html é", true, true},
        {"four bytes", "\xF0\x9F\x98\x80", true, true},
        {"smallest three bytes from E0", "\xE0\xA0\x80", true, true},
        {"last before the surrogates", "\xED\x9F\xBF", true, true},
        {"largest code point", "\xF4\x8F\xBF\xBF", true, true},
        {"invalid byte after ASCII", "site\xff", false, true},
        {"overlong two bytes", "\xC0\xAF", false, true},
        {"overlong three bytes", "\xE0\x9F\xBF", false, true},
        {"truncated at the end", "a\xE6\x97", false, true},
        {"truncated two bytes", "a\xC3", false, true},
        {"encoded surrogate", "\xED\xA0\x80", false, true},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", false, true},
        {"overlong four bytes", "\xF0\x8F\xBF\xBF", false, true},
        {"lead byte above F4", "\xF5\x80\x80\x80", false, true},
        {"four bytes cut by ASCII", "\xF0\x9F\x98!", false, true},
        {"lone continuation byte", "\x80", false, true},
        {"replacement character, then an invalid byte", "\xEF\xBF\xBD\xff", false, true},
        {"invalid byte after a long run of ASCII", "0123456789abcdef\x80", false, true},
    };
    // ASCII is skipped a word of eight bytes at a time, up to the first other byte of the word:
    // that byte at every place of a word, and as the last byte of the text.
    for (std::size_t at = 0; at < 17; ++at) {
        const std::string before(at, 'a');
        cases.push_back({"two bytes after ASCII", before + "\xC3\xA9" + "bcdefghij", true, true});
        cases.push_back({"three bytes after ASCII", before + "\xE6\x97\xA5", true, true});
        cases.push_back({"invalid byte after ASCII", before + "\xFF" + "bcdefghij", false, true});
        cases.push_back({"truncated after ASCII", before + "\xE6\x97", false, true});
        cases.push_back(
            {"ASCII then a valid and an invalid sequence", before + "\xC3\xA9" + before + "\xC3", false, true});
        cases.push_back({"ASCII only", before + "bcdefghij", true, false});
    }
    for (const Case& c : cases) {
        bool nonAscii = false;
        EXPECT_EQ(utf8::isValid(c.bytes.data(), c.bytes.size(), nonAscii), c.valid) << c.description;
        EXPECT_EQ(nonAscii, c.nonAscii) << c.description;
    }
}

// A parser's byte positions map back onto the wide text: every byte of a character to the
// character's index, the end to the text's length.
TEST(Utf8Test, IndexedTextMapsEveryByteToItsCharacter)
{
    struct Case {
        const char* description;
        std::wstring text;
        std::string bytes;
        std::vector<std::size_t> indexOfByte; // and of the end
    };
    std::wstring loneSurrogate = L"a";
    loneSurrogate += static_cast<wchar_t>(0xD800);
    const Case cases[] = {
        {"empty", L"", "", {0}},
        {"one to three bytes", L"aé日", "a\xC3\xA9\xE6\x97\xA5", {0, 1, 1, 2, 2, 2, 3}},
        {"lone surrogate as U+FFFD", loneSurrogate, "a\xEF\xBF\xBD", {0, 1, 1, 1, 2}},
        {"runs of ASCII around other characters",
         L"abcdefé日abcd",
         "abcdef\xC3\xA9\xE6\x97\xA5"
         "abcd",
         {0, 1, 2, 3, 4, 5, 6, 6, 7, 7, 7, 8, 9, 10, 11, 12}},
    };
    for (const Case& c : cases) {
        const utf8::IndexedText indexed(c.text.data(), c.text.size());
        EXPECT_EQ(std::string(indexed.data(), indexed.size()), c.bytes) << c.description;
        EXPECT_EQ(utf8::encode(c.text.data(), c.text.size()), c.bytes) << c.description;
        std::vector<std::size_t> indexOfByte;
        for (std::size_t i = 0; i <= indexed.size(); ++i)
            indexOfByte.push_back(indexed.indexAt(indexed.data() + i));
        EXPECT_EQ(indexOfByte, c.indexOfByte) << c.description;
    }
    // A piece reaching past the end is not held, however long (a parser's record may say so).
    const utf8::IndexedText abc(L"abc", 3);
    EXPECT_TRUE(abc.holds(abc.data() + 1, 2));
    EXPECT_FALSE(abc.holds(abc.data() + 1, 3));
    EXPECT_FALSE(abc.holds(abc.data() + 1, static_cast<std::size_t>(-1)));
}

// A text up to a length is encoded in pieces through a buffer, a longer one counted first: both
// ways give the bytes the indexed encoding gives, at the pieces' edges too, and nothing is left
// of what the string held before.
TEST(Utf8Test, EncodeGivesExactBytesInPiecesOrCounted)
{
    std::wstring unit = L"aé日\U0001D11E";
    unit += static_cast<wchar_t>(0xD800); // written as U+FFFD
    for (const std::size_t length : {0u, 1u, 255u, 256u, 257u, 1025u, 65535u, 65536u, 65537u, 200000u}) {
        std::wstring text;
        for (std::size_t i = 0; text.size() < length; ++i)
            text += unit[i % unit.size()];
        const utf8::IndexedText counted(text.data(), text.size());
        const std::string expected(counted.data(), counted.size());
        EXPECT_EQ(utf8::encode(text.data(), text.size()), expected) << length;
        std::string into(300000, 'x');
        utf8::encode(text.data(), text.size(), into);
        EXPECT_EQ(into, expected) << length;
    }
}

// Runs of ASCII are copied a word at a time, and a word that holds another byte up to that byte:
// the byte at every place of a word, valid or not.
TEST(Utf8Test, DecodeIntoReadsAsciiAroundOtherBytesAtEveryPlace)
{
    for (std::size_t at = 0; at < 17; ++at) {
        const std::string before(at, 'a');
        const std::wstring wideBefore(at, L'a');
        struct Case {
            std::string bytes;
            std::wstring text;
        };
        const Case cases[] = {
            {before + "\xC3\xA9" + "bcdefghij", wideBefore + L"\u00E9bcdefghij"},
            {before + "\xE6\x97\xA5" + before, wideBefore + L"\u65E5" + wideBefore},
            {before + "\xFF" + "bcdefghij", wideBefore + L"\uFFFDbcdefghij"},
            {before + "\xE6\x97", wideBefore + L"\uFFFD"},
            {before, wideBefore},
        };
        for (const Case& c : cases) {
            std::wstring out(c.bytes.size(), L'\0');
            out.resize(utf8::decodeInto(c.bytes.data(), c.bytes.size(), out.data()));
            EXPECT_EQ(out, c.text) << "after " << at << " ASCII bytes: " << c.bytes;
        }
    }
}

TEST(Utf8Test, DecodeTrustedReadsValidUtf8)
{
    EXPECT_EQ(utf8::decodeTrusted("a\xC3\xA9\xE6\x97\xA5\xF0\x9F\x98\x80"), L"aé日\U0001F600");
    EXPECT_EQ(utf8::decodeTrusted(nullptr), L"");
}

} // namespace
