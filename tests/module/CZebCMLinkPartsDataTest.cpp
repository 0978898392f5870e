#include "archive/CZebCMLinkPartsData.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "module/ModuleTestSite.h"
#include "sitefiles/CZebCMLinkPartsFiles.h"

using testsupport::TempSite;
using testsupport::W;

namespace {

struct Entry {
    std::string day; // characters 9 and 10 of the creation time
    std::string link;
};

// A content parts file whose entries carry the given days (creation time 2008/11/<day>).
std::string partsFile(const std::vector<Entry>& entries)
{
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<partinfo>\n";
    int id = 0;
    for (const Entry& e : entries) {
        const std::string n = std::to_string(++id);
        xml += "<contentpart><id>" + n + "</id><title>title " + n + "</title><creationtime>2008/11/" + e.day +
               " 10:00:00</creationtime><category>diary</category><link>" + e.link + "</link></contentpart>\n";
    }
    return xml + "</partinfo>\n";
}

const std::int64_t kT = 1'200'000'000; // some moment in 2008

} // namespace

// ---- names and paths -------------------------------------------------------------------------

TEST(CZebCMLinkPartsDataTest, DataFilePaths)
{
    TempSite site;
    CZebCMLinkPartsData data;
    const std::wstring cms = W(site.folder()) + L"/qcms/";
    EXPECT_EQ(data.getCategoryDataPath(0), cms + L"zebsitec000table000001.xml");
    EXPECT_EQ(data.getCategoryDataPath(7), cms + L"zebsitec007table000001.xml");
    EXPECT_EQ(data.getCategoryDataPath(999), cms + L"zebsitec999table000001.xml");
    EXPECT_EQ(data.getCategoryDataPath(1000), L"");
    EXPECT_EQ(data.getCategoryDataPath(-1), L"");
    EXPECT_EQ(data.getMonthDataPath(2008, 5), cms + L"zebsitec001table000001200805.xml");
    EXPECT_EQ(data.getMonthDataPath(2008, 11), cms + L"zebsitec001table000001200811.xml");
}

// ---- listings --------------------------------------------------------------------------------

TEST(CZebCMLinkPartsDataTest, MixedCmsFolderListsOnlyDiaryFilesAndOnlyMonthsCanBeStale)
{
    TempSite site;
    for (const char* name : {"zebsitec001table000001.xml", "zebsitec001table000001200811.xml",
                             "zebsitec002table000001.xml", "qccl.xml", "zebsitec001table000001200812.html"})
        testsupport::writeFile(site.cms(name), partsFile({}));
    CZebCMLinkPartsData data;
    std::vector<std::wstring> names{L"stale"};
    ASSERT_TRUE(data.listContentFiles(names));
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::wstring>{L"zebsitec001table000001.xml", L"zebsitec001table000001200811.xml"}));

    std::vector<std::wstring> months;
    ASSERT_TRUE(data.collectStaleMonths(months));
    EXPECT_EQ(months, std::vector<std::wstring>{L"2008-11"});
}

TEST(CZebCMLinkPartsDataTest, NoDiaryDataFileLeavesTheMonthListUntouched)
{
    TempSite site;
    testsupport::writeFile(site.cms("zebsitec002table000001.xml"), partsFile({}));
    CZebCMLinkPartsData data;
    std::vector<std::wstring> names{L"stale"};
    EXPECT_FALSE(data.listContentFiles(names));
    EXPECT_TRUE(names.empty());
    std::vector<std::wstring> months{L"keep"};
    EXPECT_FALSE(data.collectStaleMonths(months));
    EXPECT_EQ(months, std::vector<std::wstring>{L"keep"});
}

// ---- staleness -------------------------------------------------------------------------------

TEST(CZebCMLinkPartsDataTest, PageAgainstItsDataFile)
{
    struct Case {
        const char* what;
        std::int64_t pageTime; // -1: no page
        std::int64_t dataTime; // -1: no data file
        bool stale;
        bool emptyPage = false;
    };
    const Case cases[] = {
        {"page newer than data", kT + 1, kT, false},
        {"page as old as data", kT, kT, false},
        {"page older than data", kT - 1, kT, true},
        {"missing page with data", -1, kT, true},
        {"page without data", kT, -1, false},
        {"neither", -1, -1, false},
        {"page left empty by a crash counts as missing", kT + 1, kT, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempSite site;
        auto place = [](const std::string& path, std::int64_t time, bool empty = false) {
            if (time < 0)
                return;
            testsupport::writeFile(path, empty ? "" : "x");
            testsupport::setMtime(path, time);
        };
        place(site.menu("zebsitec001table000001200811.html"), c.pageTime, c.emptyPage);
        place(site.cms("zebsitec001table000001200811.xml"), c.dataTime);
        place(site.menu("zebsitec007table000001.html"), c.pageTime, c.emptyPage);
        place(site.cms("zebsitec007table000001.xml"), c.dataTime);

        CZebCMLinkPartsData data;
        EXPECT_EQ(data.isMonthPageStale(2008, 11), c.stale);
        EXPECT_EQ(data.isCategoryPageStale(7), c.stale);
        EXPECT_EQ(data.isCategoryPageCurrent(7), c.pageTime >= 0 && !c.emptyPage && !c.stale);
        std::vector<std::wstring> months{L"keep"};
        EXPECT_EQ(data.collectStaleMonths(months), c.stale);
        if (c.dataTime >= 0) {
            EXPECT_EQ(months, c.stale ? std::vector<std::wstring>{L"2008-11"} : std::vector<std::wstring>{});
        }
    }
}

TEST(CZebCMLinkPartsDataTest, CategoryNumbersOutsideRangeAreNeverStale)
{
    TempSite site;
    CZebCMLinkPartsData data;
    EXPECT_FALSE(data.isCategoryPageStale(-1));
    EXPECT_FALSE(data.isCategoryPageStale(1000));
    EXPECT_FALSE(data.isCategoryPageCurrent(-1));
    EXPECT_FALSE(data.isCategoryPageCurrent(1000));
}

TEST(CZebCMLinkPartsDataTest, StaleMonthsComeBackSortedWhateverTheListingOrder)
{
    TempSite site;
    // Written newest month first, so that the folder's order is unlikely to be the sorted one.
    const char* const stale[] = {"200902", "200811", "200712", "201001", "200805"};
    for (const char* month : stale)
        testsupport::writeFile(site.cms(std::string("zebsitec001table000001") + month + ".xml"), "x");
    // A month whose page is up to date stays out.
    testsupport::writeFile(site.cms("zebsitec001table000001200901.xml"), "x");
    testsupport::setMtime(site.cms("zebsitec001table000001200901.xml"), kT);
    testsupport::writeFile(site.menu("zebsitec001table000001200901.html"), "x");
    testsupport::setMtime(site.menu("zebsitec001table000001200901.html"), kT);

    CZebCMLinkPartsData data;
    std::vector<std::wstring> months;
    ASSERT_TRUE(data.collectStaleMonths(months));
    EXPECT_EQ(months, (std::vector<std::wstring>{L"2007-12", L"2008-05", L"2008-11", L"2009-02", L"2010-01"}));
}

// ---- readers ---------------------------------------------------------------------------------

TEST(CZebCMLinkPartsDataTest, CategoryEntriesTakeLimitPlusOne)
{
    TempSite site;
    std::vector<Entry> ten;
    for (int i = 1; i <= 10; ++i)
        ten.push_back({"01", testsupport::numbered('e', i) + ".html"});
    testsupport::writeFile(site.cms("zebsitec007table000001.xml"), partsFile(ten));

    struct Case {
        int limit;
        std::size_t count;
    };
    for (const Case& c : {Case{3, 4}, Case{0, 1}, Case{-1, 0}, Case{9, 10}, Case{50, 10}}) {
        SCOPED_TRACE(c.limit);
        CZebCMLinkPartsData data;
        std::vector<std::wstring> links{L"stale"};
        std::vector<std::wstring> titles{L"stale"};
        data.readCategoryEntries(7, links, titles, c.limit);
        ASSERT_EQ(links.size(), c.count);
        ASSERT_EQ(titles.size(), c.count);
        for (std::size_t i = 0; i < c.count; ++i) {
            EXPECT_EQ(links[i], L"e" + std::to_wstring(i + 1) + L".html");
            EXPECT_EQ(titles[i], L"title " + std::to_wstring(i + 1));
        }
    }

    CZebCMLinkPartsData data;
    std::vector<std::wstring> links{L"stale"};
    std::vector<std::wstring> titles{L"stale"};
    data.readCategoryEntries(8, links, titles, 3); // no data file
    EXPECT_TRUE(links.empty());
    EXPECT_TRUE(titles.empty());
    data.readCategoryEntries(1000, links, titles, 3);
    EXPECT_TRUE(links.empty());
}

TEST(CZebCMLinkPartsDataTest, MonthDayLinksFollowTheRunRule)
{
    TempSite site;
    testsupport::writeFile(site.cms("zebsitec001table000001200811.xml"),
                           partsFile({{"05", "first5.html"},
                                      {"05", "second5.html"},
                                      {"06", "six.html"},
                                      {"05", "third5.html"},
                                      {"31", "last.html"},
                                      {"01", "one.html"},
                                      {"01", "oneAgain.html"}})); // a run at the data's end keeps its first
    CZebCMLinkPartsData data;
    std::vector<std::wstring> links{L"stale"};
    data.readMonthDayLinks(2008, 11, links);
    std::vector<std::wstring> expected(31);
    expected[4] = L"third5.html"; // a later run of day 5 replaces the first
    expected[5] = L"six.html";
    expected[30] = L"last.html";
    expected[0] = L"one.html";
    EXPECT_EQ(links, expected);
}

TEST(CZebCMLinkPartsDataTest, MonthDayLinksIgnoreDaysOutsideTheMonth)
{
    TempSite site;
    testsupport::writeFile(
        site.cms("zebsitec001table000001200811.xml"),
        partsFile({{"00", "zero.html"}, {"32", "over.html"}, {"ab", "letters.html"}, {"-3", "neg.html"}}));
    CZebCMLinkPartsData data;
    std::vector<std::wstring> links;
    data.readMonthDayLinks(2008, 11, links);
    EXPECT_EQ(links, std::vector<std::wstring>(31));

    data.readMonthDayLinks(2008, 12, links); // no data file
    EXPECT_EQ(links, std::vector<std::wstring>(31));
}

TEST(CZebCMLinkPartsDataTest, MonthDayLinksWithoutASite)
{
    testsupport::CurrentSite none("");
    CZebCMLinkPartsData data;
    std::vector<std::wstring> links{L"stale"};
    data.readMonthDayLinks(2008, 11, links);
    EXPECT_EQ(links, std::vector<std::wstring>(31));
    EXPECT_EQ(data.getMonthDataPath(2008, 11), L"");
    std::vector<std::wstring> months{L"keep"};
    EXPECT_FALSE(data.collectStaleMonths(months));
    EXPECT_EQ(months, std::vector<std::wstring>{L"keep"});
}
