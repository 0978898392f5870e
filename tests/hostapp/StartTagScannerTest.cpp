#include "StartTagScanner.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "DomTestDocs.h"
#include "host/Document.h"

namespace {

std::wstring manyAttributes(int n)
{
    std::wstring tag = L"<div";
    for (int i = 0; i < n; ++i)
        tag += L" a" + std::to_wstring(i) + L"=\"" + std::to_wstring(i) + L"\"";
    return tag + L">";
}

TEST(StartTagScannerTest, CountsTheAttributesOfTheFullestStartTag)
{
    const struct {
        const char* description;
        std::wstring text;
        std::size_t most;
    } cases[] = {
        {"no tags", L"plain text < 3 and > 2", 0},
        {"plain attributes", L"<p id=\"a\" class=x hidden><b title='t'>x</b></p>", 3},
        {"quoted values holding spaces, > and quotes", L"<a href=\"x y>z\" title='say \"hi\"' data-x = \"1\">", 3},
        {"the fullest tag counts", L"<p a=1><p a=1 b=2 c=3><p>", 3},
        {"self-closing slashes are no attributes", L"<img src=a.png / alt=\"\"/>", 2},
        {"end tags and comments", L"</p a b c><!-- <p a b c d> --><br>", 0},
        {"script text", L"<script>if (a <b && c d e f g) x();</script><i>", 0},
        {"upper-case raw-text element", L"<STYLE>p <b c d e f g></STYLE><p a>", 1},
        {"tag left open at the end", L"<p a b c", 3},
        {"forty thousand", manyAttributes(40000), 40000},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.most, StartTagScanner::mostAttributes(c.text.data(), c.text.size())) << c.description;
    EXPECT_EQ(0u, StartTagScanner::mostAttributes(nullptr, 5));
}

// A start tag of 40,000 attributes took the parser 11 s (300,000 did not end in a minute); the
// page is refused now, at the cost of one linear look.
TEST(StartTagScannerTest, PageWithATagOfTooManyAttributesIsRefusedAtOnce)
{
    const std::wstring page = L"<html><body>" + manyAttributes(300000) + L"x</div></body></html>";
    const auto start = std::chrono::steady_clock::now();
    domtest::DocPtr document(DOMImpl::createDocument(L"HTML"));
    EXPECT_FALSE(document->createNodes(page.c_str(), page.size(), nullptr, true));
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 5.0);
    const std::wstring fine = L"<html><body>" + manyAttributes(256) + L"x</div></body></html>";
    ASSERT_TRUE(document->createNodes(fine.c_str(), fine.size(), nullptr, true));
    EXPECT_EQ(document->getMarkup(), fine);
}

} // namespace
