#include "host/CZebStringUtil.h"

#include <gtest/gtest.h>

#include "hostapp/HostTestSupport.h"
#include "support/TestSupport.h"

using hosttest::encodeAs;
using testsupport::W;

namespace {

TEST(CZebStringUtilTest, AnsiIsCp932WithReferences)
{
    const std::pair<std::string, std::string> cases[] = {
        {"<p>日本語①～\\~</p>", encodeAs("<p>日本語①～\\~</p>", "CP932")},
        {"¥ 😀", "&#165; &#128512;"},
        {"", ""},
    };
    for (const auto& [text, ansi] : cases) {
        const std::wstring wide = W(text);
        CZebStringUtil util(wide.c_str(), -1);
        EXPECT_EQ(std::string(util.get_ansi()), ansi) << text;
    }
}

TEST(CZebStringUtilTest, LengthLimitsTheText)
{
    CZebStringUtil util(L"abcdef", 2);
    EXPECT_STREQ(util.get_ansi(), "ab");
    CZebStringUtil none(nullptr, -1);
    EXPECT_STREQ(none.get_ansi(), "");
}

} // namespace
