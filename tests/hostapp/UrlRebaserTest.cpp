#include "UrlRebaser.h"

#include <gtest/gtest.h>

namespace {

TEST(UrlRebaserTest, RelativeUrlsReachTheSameFilesFromThePagesFolder)
{
    const struct {
        const wchar_t* folder;
        const wchar_t* url;
        const wchar_t* expected;
    } cases[] = {
        {L"diary/202503", L"index.html", L"../../index.html"},
        {L"diary/202503", L"diary/202503/27.html", L"27.html"},
        {L"diary/202503", L"diary/202502/10.html#top", L"../202502/10.html#top"},
        {L"diary/202503", L"diary/202503/", L"./"},
        {L"diary/202503", L"./news/../news/1.html?a=1/2", L"../../news/1.html?a=1/2"},
        {L"diary", L"../up.html", L"../../up.html"}, // above the root: kept as it climbed
        {L"news", L"img/a.png", L"../img/a.png"},
        {L"", L"news/1.html", L"news/1.html"},
        // Absolute URLs and references into the page stay.
        {L"news", L"http://example.com/a.html", L"http://example.com/a.html"},
        {L"news", L"mailto:a@example.com", L"mailto:a@example.com"},
        {L"news", L"javascript:void(0)", L"javascript:void(0)"},
        {L"news", L"/root.html", L"/root.html"},
        {L"news", L"//cdn.example.com/x.js", L"//cdn.example.com/x.js"},
        {L"news", L"#day", L"#day"},
        {L"news", L"", L""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(UrlRebaser(c.folder).rebase(c.url), c.expected) << c.url << " from " << c.folder;
}

TEST(UrlRebaserTest, MarkupKeepsItsTextAndOnclickWhereNothingIsRelative)
{
    const std::wstring calendar =
        L"<table id=\"c\"><tr><td><a HREF=\"diary/1.html\">1</a></td><td><a href=\"javascript:void(0)\" name=\"next\" "
        L"onclick=\"getZebSiteMenu('ZebSitemenu/p.html','c');\">»</a><img src='i.png'></td></tr></table>";
    EXPECT_EQ(UrlRebaser(L"diary").rebaseMarkup(calendar),
              L"<table id=\"c\"><tr><td><a HREF=\"1.html\">1</a></td><td><a href=\"javascript:void(0)\" name=\"next\" "
              L"onclick=\"getZebSiteMenu('ZebSitemenu/p.html','c');\">»</a><img src=\"../i.png\"></td></tr></table>");
    const std::wstring absolute = L"<div><a href=\"http://x/\">x</a></div>";
    EXPECT_EQ(UrlRebaser(L"diary").rebaseMarkup(absolute), absolute);
}

} // namespace
