#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "generation/CZebCMLinkParts.h"
#include "module/LinkPartsTestKit.h"

using linkpartstest::FixedClock;
using linkpartstest::Site;
using linkpartstest::TemplateFolder;
using linkpartstest::WriteLog;
using testsupport::localTime;
using testsupport::U;

namespace {

const char* const kOneCategoryTemplate =
    "<html><head><title>t</title></head><body><div id=\"ZEB_CATEGORY_1\"><h3>Category</h3>"
    "<a href=\"#\">x</a><a href=\"#\">x</a></div></body></html>";

// Every file below the folder: relative path -> bytes and last-write time.
std::map<std::string, std::pair<std::string, std::int64_t>> snapshot(const std::string& folder)
{
    std::map<std::string, std::pair<std::string, std::int64_t>> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        if (!entry.is_regular_file())
            continue;
        const std::string path = entry.path().string();
        files[path.substr(folder.size())] = {testsupport::readFile(path), testsupport::mtime(path)};
    }
    return files;
}

// A site as large as the benchmark's full rebuild: 100 categories of 50 entries, 120 diary months
// (1998-05 to 2008-04) of 20 entries.
void fillLargeSite(const Site& site)
{
    for (int n = 0; n <= 100; ++n)
        if (n != 1)
            site.writeCategoryData(n, 50, localTime(2008, 4, 1));
    const std::vector<int> days = {1, 2, 3, 5, 6, 8, 9, 11, 12, 14, 15, 17, 18, 20, 21, 23, 24, 26, 27, 28};
    for (int year = 1998, month = 5; year * 100 + month <= 200804; month = month % 12 + 1, year += month == 1)
        site.writeMonthData(year, month, days, localTime(2008, 4, 1));
}

// A file of the source tree.
std::filesystem::path sourceFile(const char* relative)
{
    return std::filesystem::path(ZEB_SOURCE_DIR) / relative;
}

// The sample site, its data dated before the run.
void fillSampleSite(const Site& site)
{
    namespace fs = std::filesystem;
    fs::copy(sourceFile("examples/site"), site.folder(),
             fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    for (const auto& entry : fs::directory_iterator(fs::path(site.folder()) / "qcms"))
        testsupport::setMtime(entry.path().string(), localTime(2025, 3, 27));
}

void fillSite(const Site& site)
{
    site.writeCategoryData(0, 2, localTime(2008, 4, 1));
    site.writeCategoryData(2, 2, localTime(2008, 4, 1));
    site.writeMonthData(2008, 3, {3}, localTime(2008, 3, 31));
    site.writeMonthData(2008, 4, {7}, localTime(2008, 4, 10));
}

class CZebCMLinkPartsDispatchTest : public ::testing::Test {
protected:
    CZebCMLinkPartsDispatchTest() : clock_(localTime(2008, 4, 20)) { templates_.write(kOneCategoryTemplate); }

    FixedClock clock_;
    TemplateFolder templates_;
};

} // namespace

TEST_F(CZebCMLinkPartsDispatchTest, EachCategoryNumberGetsItsLinkPart)
{
    struct Case {
        int numid;
        std::wstring markupStart; // "" for no link part
        std::vector<std::string> writes;
    };
    const Case cases[] = {
        {0, L"<div id=\"zebsitec000table000001\"", {"zebsitec000table000001.html"}},
        {1,
         L"<table id=\"zebsitec001table000001\"",
         {"zebsitec001table000001200803.html", "zebsitec001table000001.html", "zebsitec001table000001200804.html"}},
        {2, L"<div id=\"zebsitec002table000001\"", {"zebsitec002table000001.html"}},
        {-1, L"", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.numid);
        Site site;
        fillSite(site);
        const auto before = snapshot(site.folder());
        WriteLog log;
        CZebCMLinkParts builder(c.numid, L"name");
        const std::wstring markup = builder.makeLinkPart();
        EXPECT_EQ(log.written(), c.writes);
        if (c.markupStart.empty()) {
            EXPECT_EQ(markup, L"");
            EXPECT_TRUE(log.all().empty());
            EXPECT_EQ(snapshot(site.folder()), before) << "no file touched";
        } else {
            EXPECT_EQ(markup.rfind(c.markupStart, 0), 0u) << U(markup);
        }
    }
}

TEST_F(CZebCMLinkPartsDispatchTest, UpdateLeavesTheSameFilesAsMakeLinkPart)
{
    for (int numid : {0, 1, 2, -1}) {
        SCOPED_TRACE(numid);
        Site made;
        Site updated;
        fillSite(made);
        fillSite(updated);
        {
            testsupport::CurrentSite current(made.folder());
            CZebCMLinkParts(numid, L"name").makeLinkPart();
        }
        {
            testsupport::CurrentSite current(updated.folder());
            CZebCMLinkParts(numid, L"name").update();
        }
        EXPECT_EQ(snapshot(made.folder()), snapshot(updated.folder()));
    }
}

// An update leaves the calendar and list pages it finds current unread; every page it writes, and
// the order of the writes, must still be what makeLinkPart writes, on whole sites and from every
// starting state.
TEST_F(CZebCMLinkPartsDispatchTest, UpdateWritesWhatMakeLinkPartWritesInTheSameOrder)
{
    TemplateFolder templates;
    templates.write(testsupport::readFile(sourceFile("hostapp/data/template/_cm/temp/linkparts00.html")));
    const struct {
        const char* description;
        void (*fill)(const Site&);
        int lastNumid;
        std::int64_t now;
        const char* changedMonth;
    } sites[] = {
        {"large site", fillLargeSite, 100, localTime(2008, 4, 20), "zebsitec001table000001200803.xml"},
        {"sample site", fillSampleSite, 5, localTime(2025, 3, 28), "zebsitec001table000001202501.xml"},
    };
    for (const auto& siteCase : sites) {
        // Each round runs a minute after the last: pages carry the moment of the run as their time.
        const struct {
            const char* description;
            std::function<void(const Site&, std::int64_t)> change;
            bool nothingWritten;
        } rounds[] = {
            {"empty site-menu folder", [](const Site&, std::int64_t) {}, false},
            {"nothing stale", [](const Site&, std::int64_t) {}, true},
            {"a month and a category changed",
             [&](const Site& s, std::int64_t now) {
                 testsupport::setMtime(s.cms(siteCase.changedMonth), now - 30);
                 testsupport::setMtime(s.cms("zebsitec002table000001.xml"), now - 30);
             },
             false},
            {"the calendar taken out of the calendar page",
             [](const Site& s, std::int64_t now) {
                 testsupport::writeFile(s.menu(linkpartstest::kCalendarPage), "<p>gone</p>");
                 testsupport::setMtime(s.menu(linkpartstest::kCalendarPage), now - 30);
             },
             false},
        };
        Site made;
        Site updated;
        siteCase.fill(made);
        siteCase.fill(updated);
        std::int64_t now = siteCase.now;
        for (const auto& round : rounds) {
            SCOPED_TRACE(std::string(siteCase.description) + ", " + round.description);
            FixedClock clock(now += 60);
            round.change(made, now);
            round.change(updated, now);
            auto run = [&](const Site& site, bool wantMarkup) {
                testsupport::CurrentSite current(site.folder());
                WriteLog log;
                for (int numid = 0; numid <= siteCase.lastNumid; ++numid) {
                    CZebCMLinkParts builder(numid, L"name");
                    if (wantMarkup)
                        builder.makeLinkPart();
                    else
                        builder.update();
                }
                return log.written();
            };
            const std::vector<std::string> byMarkup = run(made, true);
            EXPECT_EQ(run(updated, false), byMarkup);
            EXPECT_EQ(byMarkup.empty(), round.nothingWritten);
            EXPECT_EQ(snapshot(made.folder() + "/ZebSitemenu"), snapshot(updated.folder() + "/ZebSitemenu"));
        }
    }
}
