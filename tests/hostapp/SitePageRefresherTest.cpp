#include "SitePageRefresher.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "support/TestSupport.h"

using testsupport::TempDir;
using testsupport::W;
using testsupport::writeFile;

namespace {

TEST(SitePageRefresherTest, CandidatesAreTheSitesOwnHtmlPagesOnce)
{
    TempDir site, outside;
    const std::string canonical = std::filesystem::canonical(site.path()).string();
    for (const char* name : {"index.html", "a/b/page.HTM", "style.css", "qcms/x.html", "ZebSitemenu/y.html",
                             "deep/qcms/z.html", "deep/ZebSitemenu.html"})
        writeFile(site / name, "<p>x</p>");
    writeFile(outside / "away.html", "<p>x</p>");
    ASSERT_EQ(symlink(outside.path().c_str(), (site / "linked").c_str()), 0);            // not entered
    ASSERT_EQ(symlink((outside / "away.html").c_str(), (site / "out.html").c_str()), 0); // leads out
    ASSERT_EQ(symlink((site / "index.html").c_str(), (site / "same.html").c_str()), 0);  // counted once
    std::vector<std::wstring> expected;
    for (const char* name : {"a/b/page.HTM", "deep/ZebSitemenu.html", "deep/qcms/z.html", "index.html"})
        expected.push_back(W(canonical + "/" + name));
    EXPECT_EQ(SitePageRefresher(W(canonical)).candidatePages(), expected);
}

// A page without the text "zebsitec" is not parsed: one nested too deep to be read is passed over
// unless it holds that text.
TEST(SitePageRefresherTest, OnlyPagesThatNameALinkPartAreRead)
{
    TempDir site;
    std::string deep;
    for (int i = 0; i < 20000; ++i)
        deep += "<div>";
    for (const std::string& marker : {std::string(), std::string("<!-- ZebSiteC -->")}) {
        writeFile(site / "deep.html", marker + deep);
        const SitePageRefresher::Outcome outcome = SitePageRefresher(W(site.path())).refreshPage(W(site / "deep.html"));
        EXPECT_EQ(outcome.error, marker.empty() ? "" : "cannot be read as a page") << marker;
    }
    EXPECT_TRUE(SitePageRefresher::isLinkPartId(L"ZEBSITEC012TABLE000001"));
    for (const wchar_t* id : {L"zebsitec12table000001", L"zebsitec0x1table000001", L"xzebsitec001table000001"})
        EXPECT_FALSE(SitePageRefresher::isLinkPartId(id)) << id;
}

} // namespace
