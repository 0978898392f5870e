#include "host/CodeConv.h"

#include <gtest/gtest.h>

#include "hostapp/HostTestSupport.h"
#include "support/TestSupport.h"

using hosttest::encodeAs;
using testsupport::W;

namespace {

struct ExportCase {
    const char* description;
    std::wstring text;
    Charset charset;
    Newline newline;
    std::string bytes;
};

TEST(CodeConvTest, ExportEncodesWithTheNewlineConvention)
{
    const ExportCase cases[] = {
        {"UTF-8, LF: CR LF and lone CR become LF", W("一\r\n二\r三\n"), Charset::Utf8, Newline::Lf, "一\n二\n三\n"},
        {"UTF-8, keep", W("a\r\nb\rc"), Charset::Utf8, Newline::Keep, "a\r\nb\rc"},
        {"UTF-8, CR LF", W("a\nb\r\n"), Charset::Utf8, Newline::CrLf, "a\r\nb\r\n"},
        {"UTF-8 has no BOM", W("x"), Charset::Utf8, Newline::Lf, "x"},
        {"empty text, CR LF", W(""), Charset::Utf8, Newline::CrLf, ""},
        {"Shift_JIS with a reference", W("①😀\n"), Charset::ShiftJis, Newline::CrLf,
         encodeAs("①&#128512;\r\n", "CP932")},
        {"EUC-JP", W("日付～"), Charset::EucJp, Newline::Lf, encodeAs("日付～", "EUC-JP-MS")},
        {"UTF-16 is little-endian with a BOM", W("a\n"), Charset::Utf16, Newline::CrLf,
         std::string("\xFF\xFE"
                     "a\0\r\0\n\0",
                     8)},
    };
    for (const ExportCase& c : cases) {
        CodeConv conv;
        const char* out = conv.Export(c.text.c_str(), c.text.size(), c.charset, c.newline);
        ASSERT_NE(out, nullptr) << c.description;
        EXPECT_EQ(std::string(out, conv.size()), c.bytes) << c.description;
        EXPECT_EQ(out[conv.size()], '\0') << c.description;
    }
}

TEST(CodeConvTest, ExportTakesOnlyLengthCharacters)
{
    CodeConv conv;
    const char* out = conv.Export(L"abcdef", 3, Charset::Utf8, Newline::Lf);
    ASSERT_NE(out, nullptr);
    EXPECT_STREQ(out, "abc");
}

TEST(CodeConvTest, ExportOfAnUnsupportedCharsetIsNull)
{
    CodeConv conv;
    EXPECT_EQ(conv.Export(L"a", 1, Charset::Auto, Newline::Lf), nullptr);
    EXPECT_EQ(conv.Export(L"a", 1, static_cast<Charset>(99), Newline::Lf), nullptr);
}

} // namespace
