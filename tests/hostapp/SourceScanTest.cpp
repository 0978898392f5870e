#include "SourceScan.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(SourceScanTest, FindsTheStartOrEndTagOfANameWhereItStands)
{
    const struct {
        const char* description;
        std::wstring text;
        const wchar_t* name;
        bool end;           // look for the end tag
        std::size_t tagEnd; // SourceScan::kNone: none there
    } cases[] = {
        {"start tag of the name", L"<select>x", L"select", false, 8},
        {"start tag in another case, with attributes", L"<SeLeCt name=\"a>b\">", L"select", false, 19},
        {"start tag closed by '/' before '>'", L"<select/>", L"select", false, 9},
        {"longer name that starts with the name", L"<selection>", L"select", false, SourceScan::kNone},
        {"start tag that no '>' closes", L"<select name=a", L"select", false, SourceScan::kNone},
        {"start tag whose name the text cuts short", L"<select", L"select", false, SourceScan::kNone},
        {"end tag asked for as a start tag", L"</select>", L"select", false, SourceScan::kNone},
        {"end tag with white space and attributes", L"</FORM a=1 >", L"form", true, 12},
        {"end tag of a longer name", L"</formx>", L"form", true, SourceScan::kNone},
    };
    for (const auto& c : cases) {
        const SourceScan scan(c.text);
        EXPECT_EQ(c.end ? scan.endTagAt(0, c.name) : scan.startTagAt(0, c.name), c.tagEnd) << c.description;
    }
}

} // namespace
