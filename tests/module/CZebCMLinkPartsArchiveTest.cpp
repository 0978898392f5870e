#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "generation/CZebCMLinkParts.h"
#include "module/LinkPartsTestKit.h"

using linkpartstest::FixedClock;
using linkpartstest::PageView;
using linkpartstest::Site;
using linkpartstest::WriteLog;
using testsupport::localTime;
using testsupport::U;
using testsupport::W;

namespace {

using linkpartstest::kCalendarPage;

// A file of the diary: the month it belongs to (or shows) and its last-write time.
struct File {
    int year;
    int month;
    std::int64_t mtime;
};

File file(int year, int month, int mtimeMonth, int mtimeDay)
{
    // Every time in these scenarios lies in 2008, except a few in early 2009.
    const int mtimeYear = mtimeMonth > 12 ? 2009 : 2008;
    return {year, month, localTime(mtimeYear, mtimeMonth > 12 ? mtimeMonth - 12 : mtimeMonth, mtimeDay)};
}

// One page write as the page shows it afterwards.
struct Written {
    std::string page;      // "cal" for the calendar page, else "YYYYMM" of a month page
    bool created;          // made anew by the generator (else refreshed from the page on disk)
    std::wstring position; // what the navigation shows
    std::string month;     // the month the calendar in it shows
};

struct Scenario {
    std::string description;
    int nowYear;
    int nowMonth;
    std::vector<File> data;       // month data files
    std::vector<File> pages;      // month pages already there
    std::optional<File> calendar; // the calendar page already there: the month it shows, its time
    std::vector<Written> writes;  // in order
    std::string result;           // month of the returned calendar, "" for none
};

std::string pageName(const std::string& label)
{
    return label == "cal" ? kCalendarPage : "zebsitec001table000001" + label + ".html";
}

std::string monthText(int year, int month)
{
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d", year, month);
    return text;
}

// A month page or calendar page as an earlier run left it; the "old" element tells a page that
// was refreshed in place from one made anew.
std::string oldPage(int year, int month)
{
    return "<!DOCTYPE html>\n<html><head><title>diary</title></head><body><p id=\"old\">kept</p>\n"
           "<table id=\"zebsitec001table000001\" summary=\"" +
           monthText(year, month) +
           "\"><caption><a name=\"prev\" href=\"#\">&lt;</a> month <a name=\"next\" href=\"#\">&gt;</a>"
           "</caption><tr><td>1</td></tr></table>\n</body></html>\n";
}

void prepare(const Site& site, const Scenario& s)
{
    for (const File& f : s.data)
        site.writeMonthData(f.year, f.month, {1}, f.mtime);
    for (const File& f : s.pages) {
        testsupport::writeFile(site.menu(Site::monthPage(f.year, f.month)), oldPage(f.year, f.month));
        testsupport::setMtime(site.menu(Site::monthPage(f.year, f.month)), f.mtime);
    }
    if (s.calendar) {
        testsupport::writeFile(site.menu(kCalendarPage), oldPage(s.calendar->year, s.calendar->month));
        testsupport::setMtime(site.menu(kCalendarPage), s.calendar->mtime);
    }
}

// Runs the scenario's regeneration and checks every write and the result.
void check(const Scenario& s)
{
    SCOPED_TRACE(s.description);
    FixedClock clock(localTime(s.nowYear, s.nowMonth, 20));
    Site site;
    prepare(site, s);

    WriteLog log;
    CZebCMLinkParts builder(1, L"diary");
    const std::wstring result = builder.regenerateArchive();

    std::vector<std::string> expectedNames;
    for (const Written& w : s.writes)
        expectedNames.push_back(pageName(w.page));
    EXPECT_EQ(log.written(), expectedNames);
    for (const Written& w : s.writes) {
        SCOPED_TRACE(w.page);
        PageView view(site.menu(pageName(w.page)));
        EXPECT_EQ(!view.hasId(L"old"), w.created) << "created anew (else refreshed in place)";
        EXPECT_EQ(view.position(), w.position);
        EXPECT_EQ(U(view.summary()), w.month);
    }
    if (s.result.empty())
        EXPECT_EQ(result, L"");
    else
        EXPECT_NE(result.find(W("summary=\"" + s.result + "\"")), std::wstring::npos) << U(result);
}

} // namespace

TEST(CZebCMLinkPartsArchiveTest, Scenarios)
{
    const Scenario scenarios[] = {
        {"no calendar page, no month data: the calendar page alone, for now",
         2008,
         10,
         {},
         {},
         std::nullopt,
         {{"cal", true, L"1stlast", "2008-10"}, {"200810", true, L"1stlast", "2008-10"}},
         "2008-10"},
        {"no calendar page, every month page up to date: the calendar page alone",
         2008,
         10,
         {file(2008, 9, 9, 30)},
         {file(2008, 9, 10, 1)},
         std::nullopt,
         {{"cal", true, L"1stlast", "2008-10"}, {"200810", true, L"1stlast", "2008-10"}},
         "2008-10"},
        {"no calendar page, one stale month that is now",
         2008,
         10,
         {file(2008, 10, 10, 5)},
         {},
         std::nullopt,
         {{"cal", true, L"1stlast", "2008-10"}, {"200810", true, L"1stlast", "2008-10"}},
         "2008-10"},
        {"no calendar page, stale 2008-09 and 2008-11 around now",
         2008,
         10,
         {file(2008, 9, 9, 30), file(2008, 11, 10, 10)},
         {},
         std::nullopt,
         {{"200809", true, L"1st", "2008-09"},
          {"cal", true, L"mid", "2008-10"},
          {"200810", true, L"mid", "2008-10"},
          {"200811", true, L"last", "2008-11"}},
         "2008-10"},
        {"no calendar page, one stale month 2008-07 before now",
         2008,
         10,
         {file(2008, 7, 7, 31)},
         {},
         std::nullopt,
         {{"200807", true, L"1st", "2008-07"},
          {"200808", true, L"mid", "2008-08"},
          {"200809", true, L"mid", "2008-09"},
          {"cal", true, L"last", "2008-10"},
          {"200810", true, L"last", "2008-10"}},
         "2008-10"},
        {"no calendar page, one stale month after now",
         2008,
         10,
         {file(2008, 12, 10, 5)},
         {},
         std::nullopt,
         {{"cal", true, L"1st", "2008-10"},
          {"200810", true, L"1st", "2008-10"},
          {"200811", true, L"mid", "2008-11"},
          {"200812", true, L"last", "2008-12"}},
         "2008-10"},
        {"no calendar page, two stale months before now",
         2008,
         10,
         {file(2008, 7, 7, 31), file(2008, 8, 8, 31)},
         {},
         std::nullopt,
         {{"200807", true, L"1st", "2008-07"},
          {"200808", true, L"mid", "2008-08"},
          {"200809", true, L"mid", "2008-09"},
          {"cal", true, L"last", "2008-10"},
          {"200810", true, L"last", "2008-10"}},
         "2008-10"},
        {"no calendar page, two stale months after now",
         2008,
         6,
         {file(2008, 7, 6, 1), file(2008, 8, 6, 2)},
         {},
         std::nullopt,
         {{"cal", true, L"1st", "2008-06"},
          {"200806", true, L"1st", "2008-06"},
          {"200807", true, L"mid", "2008-07"},
          {"200808", true, L"last", "2008-08"}},
         "2008-06"},
        {"calendar page present, nothing stale: nothing written, the stored calendar returned",
         2008,
         10,
         {file(2008, 10, 10, 1)},
         {file(2008, 10, 10, 5)},
         file(2008, 10, 10, 5),
         {},
         "2008-10"},
        {"pages 2008-09..11, now and B 2008-11, stale 2008-10",
         2008,
         11,
         {file(2008, 9, 9, 30), file(2008, 10, 11, 10), file(2008, 11, 11, 1)},
         {file(2008, 9, 11, 5), file(2008, 10, 11, 5), file(2008, 11, 11, 5)},
         file(2008, 11, 11, 5),
         {{"200809", false, L"1st", "2008-09"},
          {"200810", false, L"mid", "2008-10"},
          {"cal", true, L"last", "2008-11"},
          {"200811", true, L"last", "2008-11"}},
         "2008-11"},
        {"same pages, stale 2008-09 only: 2008-10 strictly inside and current is skipped",
         2008,
         11,
         {file(2008, 9, 11, 10), file(2008, 10, 10, 31), file(2008, 11, 11, 1)},
         {file(2008, 9, 11, 5), file(2008, 10, 11, 5), file(2008, 11, 11, 5)},
         file(2008, 11, 11, 5),
         {{"200809", false, L"1st", "2008-09"},
          {"cal", true, L"last", "2008-11"},
          {"200811", true, L"last", "2008-11"}},
         "2008-11"},
        {"month change: pages 2008-10 and 11, now 2008-12, B 2008-11, stale 2008-12",
         2008,
         12,
         {file(2008, 10, 10, 31), file(2008, 11, 11, 20), file(2008, 12, 12, 5)},
         {file(2008, 10, 11, 25), file(2008, 11, 11, 25)},
         file(2008, 11, 11, 25),
         {{"200810", false, L"1st", "2008-10"},
          {"200811", false, L"mid", "2008-11"},
          {"cal", true, L"last", "2008-12"},
          {"200812", true, L"last", "2008-12"}},
         "2008-12"},
        {"stale 2009-03 beyond pages up to now 2008-11: the empty months between are built",
         2008,
         11,
         {file(2008, 10, 10, 31), file(2008, 11, 11, 1), file(2009, 3, 11, 10)},
         {file(2008, 10, 11, 5), file(2008, 11, 11, 5)},
         file(2008, 11, 11, 5),
         {{"200810", false, L"1st", "2008-10"},
          {"cal", true, L"mid", "2008-11"},
          {"200811", true, L"mid", "2008-11"},
          {"200812", true, L"mid", "2008-12"},
          {"200901", true, L"mid", "2009-01"},
          {"200902", true, L"mid", "2009-02"},
          {"200903", true, L"last", "2009-03"}},
         "2008-11"},
        {"months without entries strictly inside are skipped, the current one is not",
         2008,
         10,
         {file(2008, 8, 10, 10), file(2008, 12, 10, 1)},
         {file(2008, 8, 10, 5), file(2008, 12, 10, 5)},
         file(2008, 10, 10, 5),
         {{"200808", false, L"1st", "2008-08"},
          {"cal", true, L"mid", "2008-10"},
          {"200810", true, L"mid", "2008-10"},
          {"200812", false, L"last", "2008-12"}},
         "2008-10"},
        {"one month page, one stale month equal to B: the calendar page refreshed as 1stlast",
         2008,
         10,
         {file(2008, 10, 10, 10)},
         {file(2008, 10, 10, 5)},
         file(2008, 10, 10, 5),
         {{"cal", false, L"1stlast", "2008-10"}, {"200810", false, L"1stlast", "2008-10"}},
         "2008-10"},
        {"one month page, stale month equal to B but now later: refreshed as written, showing B",
         2008,
         11,
         {file(2008, 10, 11, 2)},
         {file(2008, 10, 10, 5)},
         file(2008, 10, 10, 5),
         {{"cal", false, L"1stlast", "2008-10"}, {"200811", false, L"1stlast", "2008-10"}},
         "2008-10"},
        {"no month page at all, stale 2008-10 and 11, B 2008-09 earlier: First is B",
         2008,
         11,
         {file(2008, 10, 11, 1), file(2008, 11, 11, 2)},
         {},
         file(2008, 9, 9, 5),
         {{"200809", true, L"1st", "2008-09"},
          {"200810", true, L"mid", "2008-10"},
          {"cal", true, L"last", "2008-11"},
          {"200811", true, L"last", "2008-11"}},
         "2008-11"},
    };
    for (const Scenario& s : scenarios)
        check(s);
}

// Fault: with one month page and one stale month, a calendar page last written in another month
// than the stale one made the run build nothing and return nothing, so the dialog's OK took the
// calendar out of the page and the stale month was never rebuilt. The range rule applies instead.
TEST(CZebCMLinkPartsArchiveTest, CalendarDroppedWhenTheBaseMonthDiffersFromTheStaleMonth)
{
    check({"one page 2008-10, B 2008-10, new month 2008-11 has its first entry",
           2008,
           11,
           {file(2008, 10, 10, 1), file(2008, 11, 11, 10)},
           {file(2008, 10, 10, 5)},
           file(2008, 10, 10, 5),
           {{"200810", false, L"1st", "2008-10"},
            {"cal", true, L"last", "2008-11"},
            {"200811", true, L"last", "2008-11"}},
           "2008-11"});
    // The range ends before now here, so the stored calendar is the result (see the next test).
    check({"one page 2008-10, B 2008-11, an old entry of 2008-09 added",
           2008,
           11,
           {file(2008, 9, 11, 10), file(2008, 10, 10, 1)},
           {file(2008, 10, 11, 5)},
           file(2008, 11, 11, 5),
           {{"200809", true, L"1st", "2008-09"}, {"200810", false, L"last", "2008-10"}},
           "2008-11"});
}

// Fault: a walk that ends before the current month returned nothing, which also took the calendar
// out of the page on the dialog's OK. The stored calendar is returned then; nothing more is
// written.
TEST(CZebCMLinkPartsArchiveTest, CalendarDroppedWhenTheWalkEndsBeforeTheCurrentMonth)
{
    check({"month changed to 2008-12 without an entry; an entry of 2008-10 edited",
           2008,
           12,
           {file(2008, 10, 12, 3), file(2008, 11, 11, 20)},
           {file(2008, 10, 11, 25), file(2008, 11, 11, 25)},
           file(2008, 11, 11, 25),
           {{"200810", false, L"1st", "2008-10"}, {"200811", false, L"last", "2008-11"}},
           "2008-11"});
}

// Fault: a stray or damaged name in the CMS or site-menu folder gave a month that is no month
// (year 0, month 13, ...); a walk from or through it wrote pages without end. Such months are
// left out; the run writes valid months only and ends at once.
TEST(CZebCMLinkPartsArchiveTest, RunawayWalkFromDamagedNames)
{
    struct Case {
        std::string description;
        bool calendarPage;
        std::vector<std::string> writes;
        std::string result;
    };
    const Case cases[] = {
        {"no calendar page: the stray names count for nothing",
         false,
         {kCalendarPage, "zebsitec001table000001200810.html"},
         "2008-10"},
        {"calendar page present: only the valid stale month is walked",
         true,
         {"zebsitec001table000001200809.html", kCalendarPage, "zebsitec001table000001200810.html"},
         "2008-10"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.description);
        FixedClock clock(localTime(2008, 10, 20));
        Site site;
        for (const char* stray : {"zebsitec001table000001-copy.xml", "zebsitec001table000001200813.xml",
                                  "zebsitec001table000001000005.xml", "zebsitec001table000001x.xml"})
            testsupport::writeFile(site.cms(stray), linkpartstest::partsFile({}));
        for (const char* stray : {"zebsitec001table000001-old.html", "zebsitec001table000001200800.html",
                                  "zebsitec001table000001999913.html"})
            testsupport::writeFile(site.menu(stray), oldPage(2008, 1));
        if (c.calendarPage) {
            site.writeMonthData(2008, 9, {1}, localTime(2008, 10, 10));
            for (const std::string& page : {Site::monthPage(2008, 9), Site::monthPage(2008, 10), kCalendarPage}) {
                testsupport::writeFile(site.menu(page), oldPage(2008, page == Site::monthPage(2008, 9) ? 9 : 10));
                testsupport::setMtime(site.menu(page), localTime(2008, 10, 5));
            }
        }

        WriteLog log;
        const auto start = std::chrono::steady_clock::now();
        CZebCMLinkParts builder(1, L"diary");
        const std::wstring result = builder.regenerateArchive();
        const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_LT(seconds, 5.0);
        EXPECT_EQ(log.written(), c.writes);
        EXPECT_NE(result.find(W("summary=\"" + c.result + "\"")), std::wstring::npos);
    }
}

// A copy of a month data file named for 9999-12 made one update write 95,700 pages (one for year
// 0024, 24,003). A run of more than 1,200 months writes nothing: the calendar page is reported
// skipped, naming the range and where its ends come from, and the stored calendar stays.
TEST(CZebCMLinkPartsArchiveTest, RunawayWalkOverMoreThanACentury)
{
    const std::string data = "qcms/zebsitec001table000001";
    const struct {
        const char* description;
        bool calendarPage;
        int year, month; // the stray data file's month
        std::string reason;
    } cases[] = {
        {"no calendar page, data of 9999-12", false, 9999, 12,
         "the diary's months 2008-10 to 9999-12 span 95895 months, more than 1200 (2008-10: the current month; "
         "9999-12: " +
             data + "999912.xml); no diary page written"},
        {"no calendar page, data one month past a century back", false, 1908, 10,
         "the diary's months 1908-10 to 2008-10 span 1201 months, more than 1200 (1908-10: " + data +
             "190810.xml; 2008-10: the current month); no diary page written"},
        {"calendar page present, data of 0024-01", true, 24, 1,
         "the diary's months 0024-01 to 2008-10 span 23818 months, more than 1200 (0024-01: " + data +
             "002401.xml; 2008-10: ZebSitemenu/zebsitec001table000001200810.html); no diary page written"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.description);
        FixedClock clock(localTime(2008, 10, 20));
        Site site;
        site.writeMonthData(c.year, c.month, {1}, localTime(2008, 10, 10));
        if (c.calendarPage) {
            for (const std::string& page : {Site::monthPage(2008, 9), Site::monthPage(2008, 10), kCalendarPage}) {
                testsupport::writeFile(site.menu(page), oldPage(2008, 10));
                testsupport::setMtime(site.menu(page), localTime(2008, 10, 5));
            }
        }
        WriteLog log;
        CZebCMLinkParts builder(1, L"diary");
        const std::wstring result = builder.regenerateArchive();
        ASSERT_EQ(1u, log.all().size());
        EXPECT_EQ(kCalendarPage, log.all()[0].name);
        EXPECT_FALSE(log.all()[0].written);
        EXPECT_EQ(c.reason, log.all()[0].reason);
        EXPECT_EQ(c.calendarPage, result.find(L"summary=\"2008-10\"") != std::wstring::npos);
    }
}
