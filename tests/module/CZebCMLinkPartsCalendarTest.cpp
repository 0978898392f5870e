#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "generation/CZebCMLinkParts.h"
#include "module/LinkPartsTestKit.h"
#include "platform/FileException.h"
#include "platform/PageWriter.h"

using linkpartstest::FixedClock;
using linkpartstest::onclickFor;
using linkpartstest::PageView;
using linkpartstest::Site;
using linkpartstest::WriteLog;
using testsupport::localTime;
using testsupport::W;

namespace {

using linkpartstest::kCalendarPage;

// A hand-made calendar page: the calendar of the month, day 2 and 3 already linked, texts that
// look like days but are not ("007", "32"), and a lone "7" outside the calendar.
std::string calendarPage(const std::string& month)
{
    return "<!DOCTYPE html>\n<html><head><title>diary</title></head><body>\n"
           "<table id=\"zebsitec001table000001\" summary=\"" +
           month +
           "\">\n"
           "<caption><a name=\"prev\" href=\"#\" onclick=\"old()\">&lt;</a> month <a name=\"next\" "
           "href=\"#\">&gt;</a></caption>\n"
           "<tr><td>1</td><td><a href=\"old2.html\">2</a></td><td><a href=\"old3.html\">3</a></td><td>4</td>"
           "<td>007</td><td>32</td></tr>\n</table>\n<p>7</p>\n</body></html>\n";
}

struct PageFault {
    PageFault()
    {
        platform::PageWriter::setFaultInjector([](const std::wstring&) { return std::string("disk full"); });
    }
    ~PageFault() { platform::PageWriter::setFaultInjector(nullptr); }
};

} // namespace

TEST(CZebCMLinkPartsCalendarTest, PositionsSetOrRemoveTheNavigation)
{
    FixedClock clock(localTime(2008, 6, 20)); // neither neighbour of April is the current month
    Site site;
    const std::wstring prevTarget = onclickFor(L"zebsitec001table000001200803.html");
    const std::wstring nextTarget = onclickFor(L"zebsitec001table000001200805.html");
    struct Case {
        std::wstring position;
        std::optional<std::wstring> prev;
        std::optional<std::wstring> next;
    };
    const Case cases[] = {
        {L"mid", prevTarget, nextTarget},     {L"1st", std::nullopt, nextTarget},
        {L"last", prevTarget, std::nullopt},  {L"1stlast", std::nullopt, std::nullopt},
        {L"MID", std::nullopt, std::nullopt}, // compared exactly
    };
    const std::string page = site.menu(Site::monthPage(2008, 4));
    for (const Case& c : cases) {
        SCOPED_TRACE(testsupport::U(c.position));
        testsupport::writeFile(page, calendarPage("2008-04"));
        CZebCMLinkParts builder(1, L"diary");
        EXPECT_FALSE(builder.makeCalendarPage(2008, 4, W(page), false, c.position).empty());
        PageView view(page);
        EXPECT_EQ(view.onclick(L"prev"), c.prev);
        EXPECT_EQ(view.onclick(L"next"), c.next);
    }
}

TEST(CZebCMLinkPartsCalendarTest, ANeighbourThatIsTheCurrentMonthTargetsTheCalendarPage)
{
    FixedClock clock(localTime(2008, 4, 20));
    Site site;
    struct Case {
        std::string month;
        std::wstring prev;
        std::wstring next;
    };
    const Case cases[] = {
        {"2008-03", L"zebsitec001table000001200802.html", L"zebsitec001table000001.html"},
        {"2008-05", L"zebsitec001table000001.html", L"zebsitec001table000001200806.html"},
        {"2008-12", L"zebsitec001table000001200811.html", L"zebsitec001table000001200901.html"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.month);
        const std::string page = site.menu("page.html");
        testsupport::writeFile(page, calendarPage(c.month));
        CZebCMLinkParts builder(1, L"diary");
        builder.makeCalendarPage(2008, 1, W(page), false, L"mid");
        PageView view(page);
        EXPECT_EQ(view.onclick(L"prev"), onclickFor(c.prev));
        EXPECT_EQ(view.onclick(L"next"), onclickFor(c.next));
    }
}

TEST(CZebCMLinkPartsCalendarTest, TheCalendarPageAlsoWritesItsMonthPageWithTheSameBytes)
{
    FixedClock clock(localTime(2008, 4, 20));
    Site site;
    CZebCMLinkParts builder(1, L"diary");
    {
        WriteLog log;
        EXPECT_FALSE(builder.makeCalendarPage(2008, 4, W(site.menu(kCalendarPage)), true, L"1stlast").empty());
        EXPECT_EQ(log.written(), (std::vector<std::string>{kCalendarPage, Site::monthPage(2008, 4)}));
    }
    EXPECT_EQ(testsupport::readFile(site.menu(kCalendarPage)),
              testsupport::readFile(site.menu(Site::monthPage(2008, 4))));
    {
        WriteLog log;
        builder.makeCalendarPage(2008, 3, W(site.menu(Site::monthPage(2008, 3))), true, L"1st");
        EXPECT_EQ(log.written(), (std::vector<std::string>{Site::monthPage(2008, 3)}));
    }
    PageView view(site.menu(Site::monthPage(2008, 3)));
    EXPECT_EQ(view.summary(), L"2008-03");
    EXPECT_TRUE(view.hasId(L"zebsitec001table000001"));
}

TEST(CZebCMLinkPartsCalendarTest, DaysWithAnEntryLinkAndDaysWithoutDoNot)
{
    FixedClock clock(localTime(2008, 6, 20));
    Site site;
    site.writeMonthData(2008, 4, {1, 2, 7}, localTime(2008, 4, 30));
    const std::string page = site.menu(Site::monthPage(2008, 4));
    testsupport::writeFile(page, calendarPage("2008-04"));

    CZebCMLinkParts builder(1, L"diary");
    builder.makeCalendarPage(2008, 4, W(page), false, L"mid");
    PageView view(page);
    struct Case {
        std::wstring text;
        std::wstring link;
        const char* why;
    };
    const Case cases[] = {
        {L"1", L"d20080401.html", "plain day with an entry is wrapped in an anchor"},
        {L"2", L"d20080402.html", "existing anchor is re-pointed"},
        {L"3", L"", "anchor of a day without an entry is taken away"},
        {L"4", L"", "plain day without an entry stays plain"},
        {L"7", L"d20080407.html", "a day number outside the calendar is read as a day too"},
        {L"007", L"", "three characters are no day"},
        {L"32", L"", "32 is no day"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(view.linkAround(c.text), c.link) << c.why;

    // A calendar made by the generator gets its links the same way.
    const std::string created = site.menu(Site::monthPage(2008, 4));
    builder.makeCalendarPage(2008, 4, W(created), true, L"mid");
    PageView fresh(created);
    EXPECT_EQ(fresh.linkAround(L"7"), L"d20080407.html");
    EXPECT_EQ(fresh.linkAround(L"8"), L"");
}

TEST(CZebCMLinkPartsCalendarTest, MarkupHasNoMetaButTheFileDeclaresUtf8)
{
    FixedClock clock(localTime(2008, 4, 20));
    Site site;
    CZebCMLinkParts builder(1, L"diary");
    const std::string page = site.menu(Site::monthPage(2008, 2));
    struct Case {
        const char* description;
        bool create;
    };
    for (const Case& c : {Case{"created", true}, Case{"refreshed", false}}) {
        SCOPED_TRACE(c.description);
        if (!c.create)
            testsupport::writeFile(page, calendarPage("2008-02"));
        const std::wstring markup = builder.makeCalendarPage(2008, 2, W(page), c.create, L"mid");
        EXPECT_NE(markup.find(L"summary=\"2008-02\""), std::wstring::npos) << testsupport::U(markup);
        EXPECT_EQ(markup.find(L"<meta"), std::wstring::npos);
        EXPECT_EQ(markup.rfind(L"<table", 0), 0u) << "the markup is the calendar element alone";
        EXPECT_TRUE(PageView(page).declaresUtf8());
    }
}

TEST(CZebCMLinkPartsCalendarTest, AWriteErrorPassesThroughWithTheDocumentFreed)
{
    FixedClock clock(localTime(2008, 4, 20));
    Site site;
    CZebCMLinkParts builder(1, L"diary");
    PageFault fault;
    // The leak checker of the sanitizer build reports the document if the builder kept it.
    EXPECT_THROW(builder.makeCalendarPage(2008, 4, W(site.menu(kCalendarPage)), true, L"1stlast"),
                 platform::FileException);
    EXPECT_FALSE(testsupport::exists(site.menu(kCalendarPage)));
}
