#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "generation/CZebCMLinkParts.h"
#include "module/LinkPartsTestKit.h"

// Regression tests for faults that damaged or odd site files revealed in the builder.
using linkpartstest::FixedClock;
using linkpartstest::PageView;
using linkpartstest::Site;
using linkpartstest::WriteLog;
using testsupport::localTime;
using testsupport::W;

namespace {

using linkpartstest::kCalendarPage;

// A calendar page of an earlier run, showing the month.
std::string earlierCalendarPage(const std::string& month)
{
    return "<!DOCTYPE html>\n<html><head><title>diary</title></head><body>\n"
           "<table id=\"zebsitec001table000001\" summary=\"" +
           month +
           "\"><caption><a name=\"prev\" href=\"#\">&lt;</a> <a name=\"next\" href=\"#\">&gt;</a></caption>"
           "<tr><td>1</td></tr></table>\n</body></html>\n";
}

} // namespace

// A month page that holds no calendar (emptied, cut short, edited by hand) was "refreshed in
// place": nothing to refresh, so nothing was written, and the page stayed broken and stale on
// every later run. It is made anew now.
TEST(CZebCMLinkPartsDamagedPagesTest, StaleMonthPageWithoutCalendarIsMadeAnew)
{
    const struct {
        const char* description;
        std::string content;
    } cases[] = {
        {"empty file", ""},
        {"page without the calendar", "<html><body><p>kept by hand</p></body></html>\n"},
        {"page cut short before the calendar", "<!DOCTYPE html>\n<html><head><title>di"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.description);
        FixedClock clock(localTime(2008, 10, 20));
        Site site;
        for (int month : {8, 9, 10})
            site.writeMonthData(2008, month, {3}, localTime(2008, 10, 1));
        for (int month : {8, 10})
            testsupport::writeFile(site.menu(Site::monthPage(2008, month)),
                                   earlierCalendarPage("2008-" + std::to_string(month)));
        testsupport::writeFile(site.menu(kCalendarPage), earlierCalendarPage("2008-10"));
        testsupport::writeFile(site.menu(Site::monthPage(2008, 9)), c.content);
        for (const std::string& page : {Site::monthPage(2008, 8), Site::monthPage(2008, 10), kCalendarPage})
            testsupport::setMtime(site.menu(page), localTime(2008, 10, 5));
        // September's page is older than its data: stale.
        testsupport::setMtime(site.menu(Site::monthPage(2008, 9)), localTime(2008, 9, 20));

        WriteLog log;
        CZebCMLinkParts builder(1, L"diary");
        EXPECT_FALSE(builder.regenerateArchive().empty());
        const std::vector<std::string> written = log.written();
        EXPECT_NE(std::find(written.begin(), written.end(), Site::monthPage(2008, 9)), written.end());
        PageView september(site.menu(Site::monthPage(2008, 9)));
        EXPECT_TRUE(september.hasId(L"zebsitec001table000001"));
        EXPECT_EQ(september.summary(), L"2008-09");
        EXPECT_EQ(september.linkAround(L"3"), L"d20080903.html");

        // And the next run finds nothing to do.
        WriteLog again;
        CZebCMLinkParts(1, L"diary").regenerateArchive();
        EXPECT_TRUE(again.written().empty());
    }
}

// A calendar page whose calendar was taken out by hand, with nothing stale: the diary had no
// link part (the dialog's OK took the calendar out of the page) until some month's data
// changed. The current month is rebuilt in its place in the run.
TEST(CZebCMLinkPartsDamagedPagesTest, CalendarPageWithoutItsCalendarIsRebuilt)
{
    FixedClock clock(localTime(2008, 10, 20));
    Site site;
    for (int month : {8, 9, 10})
        site.writeMonthData(2008, month, {3}, localTime(2008, 10, 1));
    for (int month : {8, 9, 10})
        testsupport::writeFile(site.menu(Site::monthPage(2008, month)),
                               earlierCalendarPage("2008-" + std::to_string(month)));
    testsupport::writeFile(site.menu(kCalendarPage), "<html><body><p>the calendar was here</p></body></html>\n");
    for (const std::string& page :
         {Site::monthPage(2008, 8), Site::monthPage(2008, 9), Site::monthPage(2008, 10), kCalendarPage})
        testsupport::setMtime(site.menu(page), localTime(2008, 10, 5));

    WriteLog log;
    CZebCMLinkParts builder(1, L"diary");
    const std::wstring markup = builder.regenerateArchive();
    EXPECT_NE(markup.find(L"summary=\"2008-10\""), std::wstring::npos);
    const std::vector<std::string> written = log.written();
    EXPECT_NE(std::find(written.begin(), written.end(), kCalendarPage), written.end());
    EXPECT_EQ(std::find(written.begin(), written.end(), Site::monthPage(2008, 9)), written.end())
        << "an up-to-date month inside the run is left alone";
    PageView calendar(site.menu(kCalendarPage));
    EXPECT_EQ(calendar.summary(), L"2008-10");
    EXPECT_EQ(calendar.position(), L"last") << "the current month keeps its place at the end of the run";
}

// A category number outside 0..999 has no link-part id. Its link part was still made (from the
// template, with an empty id), so the dialog's OK inserted a block that no later scan could
// find or remove: every OK added another copy.
TEST(CZebCMLinkPartsDamagedPagesTest, CategoryNumberWithoutAnIdGetsNoLinkPart)
{
    linkpartstest::TemplateFolder templates;
    templates.write("<html><body><div id=\"ZEB_CATEGORY_1\"><h3>Category</h3><a href=\"#\">x</a></div></body></html>");
    Site site;
    for (int number : {1000, 2147483647}) {
        site.writeCategoryData(2, 3, localTime(2008, 10, 1));
        WriteLog log;
        CZebCMLinkParts builder(number, L"big");
        EXPECT_EQ(builder.makeLinkPart(), L"") << number;
        EXPECT_TRUE(log.all().empty()) << number;
    }
    // Numbers with an id still get theirs.
    CZebCMLinkParts two(2, L"two");
    EXPECT_NE(two.makeLinkPart().find(L"id=\"zebsitec002table000001\""), std::wstring::npos);
}
