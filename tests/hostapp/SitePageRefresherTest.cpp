#include "SitePageRefresher.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <set>

#include "support/TestSupport.h"

using testsupport::readFile;
using testsupport::TempDir;
using testsupport::W;
using testsupport::writeFile;

namespace {

TEST(SitePageRefresherTest, CandidatesAreTheSitesOwnHtmlPagesOnce)
{
    TempDir site, outside;
    const std::string canonical = std::filesystem::canonical(site.path()).string();
    // Names alike in their first eight bytes and beyond, in path order only when compared whole.
    for (const char* name : {"index.html", "a/b/page.HTM", "style.css", "qcms/x.html", "ZebSitemenu/y.html",
                             "deep/qcms/z.html", "deep/ZebSitemenu.html", "longname.html", "longname/x.html",
                             "longname-b.html", "longname-a.html", "a.htm", "a.html"})
        writeFile(site / name, "<p>x</p>");
    writeFile(outside / "away.html", "<p>x</p>");
    ASSERT_EQ(symlink(outside.path().c_str(), (site / "linked").c_str()), 0);            // not entered
    ASSERT_EQ(symlink((outside / "away.html").c_str(), (site / "out.html").c_str()), 0); // leads out
    ASSERT_EQ(symlink((site / "index.html").c_str(), (site / "same.html").c_str()), 0);  // counted once
    std::vector<std::wstring> expected;
    for (const char* name : {"a.htm", "a.html", "a/b/page.HTM", "deep/ZebSitemenu.html", "deep/qcms/z.html",
                             "index.html", "longname-a.html", "longname-b.html", "longname.html", "longname/x.html"})
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

// What the last refresh learned spares reading a page only while neither the page nor the
// generated pages of its parts changed; a cache that is missing or damaged has every page read.
TEST(SitePageRefresherTest, TheCacheSparesReadingOnlyWhatCannotHaveChanged)
{
    const std::string generated = "<html><body><table id=\"zebsitec002table000001\"><tr><td><a href=\"a.html\">A</a>"
                                  "</td></tr></table></body></html>";
    struct Case {
        const char* description;
        std::function<void(const TempDir&)> change;
        std::set<std::string> read;    // the pages read after the change
        std::set<std::string> written; // the pages written after it
    } cases[] = {
        {"nothing changed", [](const TempDir&) {}, {}, {}},
        {"cache missing",
         [](const TempDir& site) { std::filesystem::remove(site / "ZebSitemenu/.zebhost-pages"); },
         {"carrying.html", "plain.html", "sub/other.html"},
         {}},
        {"cache damaged",
         [](const TempDir& site) {
             std::string bytes = readFile(site / "ZebSitemenu/.zebhost-pages");
             bytes[bytes.size() / 2] ^= 1;
             writeFile(site / "ZebSitemenu/.zebhost-pages", bytes);
         },
         {"carrying.html", "plain.html", "sub/other.html"},
         {}},
        {"cache cut short",
         [](const TempDir& site) {
             const std::string bytes = readFile(site / "ZebSitemenu/.zebhost-pages");
             writeFile(site / "ZebSitemenu/.zebhost-pages", bytes.substr(0, bytes.rfind("sum ")));
         },
         {"carrying.html", "plain.html", "sub/other.html"},
         {}},
        {"a page rewritten with its old size and time",
         [](const TempDir& site) {
             struct stat st {};
             ASSERT_EQ(stat((site / "plain.html").c_str(), &st), 0);
             writeFile(site / "plain.html", "<p>zebsitec002table000001</p>");
             const timespec times[2] = {st.st_atim, st.st_mtim};
             ASSERT_EQ(utimensat(AT_FDCWD, (site / "plain.html").c_str(), times, 0), 0);
         },
         {"plain.html"},
         {}},
        {"a new page", [](const TempDir& site) { writeFile(site / "new.html", "<p>new</p>"); }, {"new.html"}, {}},
        {"a page deleted", [](const TempDir& site) { std::filesystem::remove(site / "sub/other.html"); }, {}, {}},
        {"the generated part changed, the page did not",
         [generated](const TempDir& site) {
             std::string bytes = generated;
             bytes.replace(bytes.find(">A<"), 3, ">B<");
             writeFile(site / "ZebSitemenu/zebsitec002table000001.html", bytes);
         },
         {"carrying.html"},
         {"carrying.html"}},
        {"the generated page rewritten with the same bytes",
         [generated](const TempDir& site) { writeFile(site / "ZebSitemenu/zebsitec002table000001.html", generated); },
         {"carrying.html"},
         {}},
    };
    for (const Case& c : cases) {
        TempDir site;
        writeFile(site / "ZebSitemenu/zebsitec002table000001.html", generated);
        writeFile(site / "carrying.html", "<p>x</p><table id=\"ZEBSITEC002table000001\"><tr><td>old</td></tr></table>");
        writeFile(site / "plain.html", "<p>" + std::string(22, 'x') + "</p>"); // as long as the rewritten one
        writeFile(site / "sub/other.html", "<p>other</p>");
        const std::wstring folder = W(std::filesystem::canonical(site.path()).string());
        auto refreshAll = [&](std::set<std::string>& read, std::set<std::string>& written) {
            SitePageRefresher refresher(folder);
            refresher.useCache();
            for (const std::wstring& page : refresher.candidatePages()) {
                const SitePageRefresher::Outcome outcome = refresher.refreshPage(page);
                EXPECT_EQ(outcome.error, "") << c.description;
                const std::string name = testsupport::U(page.substr(folder.size() + 1));
                if (outcome.read)
                    read.insert(name);
                if (outcome.written)
                    written.insert(name);
            }
            refresher.saveCache();
        };
        std::set<std::string> read, written;
        refreshAll(read, written);
        ASSERT_EQ(written, std::set<std::string>{"carrying.html"}) << c.description;
        read.clear();
        written.clear();
        c.change(site);
        refreshAll(read, written);
        EXPECT_EQ(read, c.read) << c.description;
        EXPECT_EQ(written, c.written) << c.description;
        // What this run learned, the next one knows.
        read.clear();
        refreshAll(read, written);
        EXPECT_EQ(read, std::set<std::string>{}) << c.description;
    }
}

} // namespace
