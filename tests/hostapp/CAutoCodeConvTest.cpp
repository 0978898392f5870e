#include "host/CAutoCodeConv.h"

#include <gtest/gtest.h>

#include "hostapp/HostTestSupport.h"
#include "support/TestSupport.h"

using hosttest::encodeAs;
using testsupport::readFile;
using testsupport::U;

namespace {

const std::string kData = ZEB_TEST_DATA "/hostapp/";

struct ImportCase {
    const char* description;
    std::string bytes;
    const char* encoding;
    std::string text; // UTF-8 of the expected text
};

TEST(CAutoCodeConvTest, ImportDecodesEachEncodingAndStripsTheBom)
{
    const std::string text = "<p>日記①～</p>";
    const ImportCase cases[] = {
        {"UTF-8", text, "UTF-8", text},
        {"UTF-8 with BOM", "\xEF\xBB\xBF" + text, "UTF-8", text},
        {"UTF-16LE with BOM", "\xFF\xFE" + encodeAs(text, "UTF-16LE"), "UTF-16LE", text},
        {"UTF-16BE with BOM", "\xFE\xFF" + encodeAs(text, "UTF-16BE"), "UTF-16BE", text},
        {"Shift_JIS, declared", "<meta charset=\"shift_jis\">" + encodeAs(text, "CP932"), "CP932",
         "<meta charset=\"shift_jis\">" + text},
        {"EUC-JP, declared", "<meta charset=\"EUC-JP\">" + encodeAs(text, "EUC-JP-MS"), "EUC-JP-MS",
         "<meta charset=\"EUC-JP\">" + text},
    };
    for (const ImportCase& c : cases) {
        CAutoCodeConv conv;
        const wchar_t* out = conv.Import(c.bytes.data(), c.bytes.size(), Charset::Auto, true);
        ASSERT_NE(out, nullptr) << c.description;
        EXPECT_EQ(U(out), c.text) << c.description;
        EXPECT_EQ(conv.detectedEncoding(), c.encoding) << c.description;
    }
}

TEST(CAutoCodeConvTest, ImportReadsTheTestPages)
{
    const std::pair<const char*, const char*> pages[] = {
        {"sjis_authoring.html", "CP932"}, {"utf8.html", "UTF-8"}, {"eucjp.html", "EUC-JP-MS"}, {"large.html", "UTF-8"}};
    for (const auto& [name, encoding] : pages) {
        const std::string bytes = readFile(kData + name);
        CAutoCodeConv conv;
        const wchar_t* out = conv.Import(bytes.data(), bytes.size(), Charset::Auto, true);
        ASSERT_NE(out, nullptr) << name;
        EXPECT_EQ(conv.detectedEncoding(), encoding) << name;
    }
    const std::string sjis = readFile(kData + "sjis_authoring.html");
    CAutoCodeConv conv;
    const std::string text = U(conv.Import(sjis.data(), sjis.size(), Charset::Auto, true));
    EXPECT_NE(text.find("① 新着情報　～ 2008年4月"), std::string::npos);
    EXPECT_NE(text.find("円記号\\ チルダ~"), std::string::npos);
}

TEST(CAutoCodeConvTest, ImportWithAnExplicitCharset)
{
    const std::string bytes = encodeAs("かな①", "CP932");
    CAutoCodeConv conv;
    const wchar_t* out = conv.Import(bytes.data(), bytes.size(), Charset::ShiftJis, true);
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(U(out), "かな①");
    EXPECT_EQ(conv.Import(bytes.data(), bytes.size(), Charset::Utf8, true), nullptr) << "not UTF-8";
}

TEST(CAutoCodeConvTest, ImportOfNothing)
{
    CAutoCodeConv conv;
    const wchar_t* out = conv.Import("", 0, Charset::Auto, true);
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(*out, L'\0');
    EXPECT_EQ(conv.Import(nullptr, 5, Charset::Auto, true), nullptr);
}

} // namespace
