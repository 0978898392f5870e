#include "sitefiles/CZebCMLinkPartsFiles.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "host/CDOMEngineer.h"
#include "host/CharacterData.h"
#include "host/DOM.h"
#include "host/Document.h"
#include "host/Element.h"
#include "module/ModuleTestSite.h"
#include "platform/FileException.h"
#include "platform/PageWriter.h"

using testsupport::CurrentSite;
using testsupport::TempDir;
using testsupport::TempSite;
using testsupport::U;
using testsupport::W;

namespace {

const std::wstring kSep = L"/";

// Deletes a document of the host's DOM at the end of a test.
struct DocumentGuard {
    Document* document;
    ~DocumentGuard()
    {
        if (document)
            CDOMEngineer::getInstance()->getDOM()->deleteDocument(document);
    }
};

// Removes the page writer's fault injector however the test ends.
struct FaultInjectorGuard {
    explicit FaultInjectorGuard(platform::PageWriter::FaultInjector injector)
    {
        platform::PageWriter::setFaultInjector(std::move(injector));
    }
    ~FaultInjectorGuard() { platform::PageWriter::setFaultInjector(nullptr); }
};

const char* const kPage =
    "<!DOCTYPE html>\n<html><head><meta charset=\"UTF-8\"><title>t</title></head>\n"
    "<body><div id=\"zebsitec007table000001\"><a href=\"a.html\">\xe6\x97\xa5\xe8\xa8\x98</a></div>\n"
    "<p id=\"empty\"></p></body></html>\n";

} // namespace

// ---- names and paths -------------------------------------------------------------------------

TEST(CZebCMLinkPartsFilesTest, CategoryPartIdsAreThreeDigitsWithinRangeAndEmptyOutside)
{
    struct Case {
        int n;
        const wchar_t* id;
    };
    const Case cases[] = {
        {0, L"zebsitec000table000001"},
        {7, L"zebsitec007table000001"},
        {999, L"zebsitec999table000001"},
        {1000, L""},
        {-1, L""},
    };
    TempSite site;
    CZebCMLinkPartsFiles files;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.n);
        EXPECT_EQ(files.getCategoryPartId(c.n), c.id);
        std::wstring page = files.getCategoryPagePath(c.n);
        if (*c.id)
            EXPECT_EQ(page, W(site.folder()) + L"/ZebSitemenu/" + c.id + L".html");
        else
            EXPECT_EQ(page, L"");
        EXPECT_FALSE(files.categoryPageExists(c.n));
    }
}

TEST(CZebCMLinkPartsFilesTest, SiteFolderWithOrWithoutTrailingSeparatorGivesSamePaths)
{
    TempDir dir;
    for (const std::string& folder : {dir.path(), dir.path() + "/"}) {
        SCOPED_TRACE(folder);
        CurrentSite site(folder);
        CZebCMLinkPartsFiles files;
        EXPECT_EQ(files.getSiteFolder(), W(folder));
        EXPECT_EQ(files.getSiteMenuFolder(), W(dir.path()) + L"/ZebSitemenu/");
        EXPECT_EQ(files.getCmsFolder(), W(dir.path()) + L"/qcms/");
        EXPECT_EQ(files.getCategoryPagePath(7), W(dir.path()) + L"/ZebSitemenu/zebsitec007table000001.html");
        EXPECT_EQ(files.getCalendarPagePath(), W(dir.path()) + L"/ZebSitemenu/zebsitec001table000001.html");
    }
}

TEST(CZebCMLinkPartsFilesTest, MonthPageNamesAndPaths)
{
    struct Case {
        int year, month;
        const wchar_t* name;
    };
    const Case cases[] = {
        {2008, 5, L"zebsitec001table000001200805.html"},
        {2008, 11, L"zebsitec001table000001200811.html"},
    };
    TempSite site;
    CZebCMLinkPartsFiles files;
    EXPECT_EQ(files.getCalendarPageName(), L"zebsitec001table000001.html");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.month);
        EXPECT_EQ(files.getMonthPageName(c.year, c.month), c.name);
        EXPECT_EQ(files.getMonthPagePath(c.year, c.month), files.getSiteMenuFolder() + c.name);
    }
}

// Without a current site no path may fall back to one relative to the working folder.
TEST(CZebCMLinkPartsFilesTest, NoCurrentSiteGivesNoFoldersAndNoPaths)
{
    CurrentSite none("");
    CZebCMLinkPartsFiles files;
    EXPECT_EQ(files.getSiteFolder(), L"");
    EXPECT_EQ(files.getSiteMenuFolder(), L"");
    EXPECT_EQ(files.getCmsFolder(), L"");
    EXPECT_EQ(files.getCategoryPagePath(7), L"");
    EXPECT_EQ(files.getCalendarPagePath(), L"");
    EXPECT_EQ(files.getMonthPagePath(2008, 5), L"");
    EXPECT_EQ(files.getCategoryPartId(7), L"zebsitec007table000001");
    std::vector<std::wstring> months{L"keep"};
    EXPECT_FALSE(files.getMonthPageMonths(months));
    EXPECT_EQ(months, std::vector<std::wstring>{L"keep"});
}

TEST(CZebCMLinkPartsFilesTest, TemplateFolderEndsWithCmTempAndTemplatePathNeedsTheFile)
{
    CZebCMLinkPartsFiles files;
    std::wstring folder = files.getTempFolder();
    ASSERT_GE(folder.size(), 9u);
    EXPECT_EQ(folder.substr(folder.size() - 9), L"_cm/temp/");
    EXPECT_EQ(files.getTemplatePath(99), L"");
    std::wstring expected = folder + L"linkparts00.html";
    EXPECT_EQ(files.getTemplatePath(0), testsupport::exists(U(expected)) ? expected : L"");
}

// ---- listings --------------------------------------------------------------------------------

TEST(CZebCMLinkPartsFilesTest, MixedSiteMenuFolderListsCalendarPagesAndSortedMonths)
{
    TempSite site;
    for (const char* name :
         {"zebsitec001table000001.html", "zebsitec001table000001200805.html", "zebsitec001table000001200712.html",
          "zebsitec002table000001.html", "index.html", "old zebsitec001table000001200805.html",
          "zebsitec001table000001x.html", "zebsitec001table000001200901.xml", "ZEBSITEC001TABLE000001200902.html"})
        testsupport::writeFile(site.menu(name), "<html></html>");

    CZebCMLinkPartsFiles files;
    std::vector<std::wstring> names{L"stale"};
    ASSERT_TRUE(files.listCalendarPages(names));
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names,
              (std::vector<std::wstring>{L"old zebsitec001table000001200805.html", L"zebsitec001table000001.html",
                                         L"zebsitec001table000001200712.html", L"zebsitec001table000001200805.html",
                                         L"zebsitec001table000001x.html"}));

    std::vector<std::wstring> months{L"stale"};
    ASSERT_TRUE(files.getMonthPageMonths(months));
    EXPECT_EQ(months, (std::vector<std::wstring>{L"2007-12", L"2008-05", L"2008-05", L"x.ht-ml"}));
}

TEST(CZebCMLinkPartsFilesTest, CalendarPageWithoutMonthPagesEmptiesTheMonthList)
{
    TempSite site;
    testsupport::writeFile(site.menu("zebsitec001table000001.html"), "");
    CZebCMLinkPartsFiles files;
    std::vector<std::wstring> months{L"stale"};
    EXPECT_FALSE(files.getMonthPageMonths(months));
    EXPECT_TRUE(months.empty());
}

TEST(CZebCMLinkPartsFilesTest, NoCalendarPagesLeavesTheMonthListUntouched)
{
    TempSite site;
    testsupport::writeFile(site.menu("index.html"), "");
    testsupport::writeFile(site.menu("zebsitec002table000001.html"), "");
    CZebCMLinkPartsFiles files;
    std::vector<std::wstring> names{L"stale"};
    EXPECT_FALSE(files.listCalendarPages(names));
    EXPECT_TRUE(names.empty());
    std::vector<std::wstring> months{L"keep"};
    EXPECT_FALSE(files.getMonthPageMonths(months));
    EXPECT_EQ(months, std::vector<std::wstring>{L"keep"});
}

TEST(CZebCMLinkPartsFilesTest, MissingSiteMenuFolderListsNothing)
{
    TempSite site;
    CZebCMLinkPartsFiles files;
    std::vector<std::wstring> months{L"keep"};
    EXPECT_FALSE(files.getMonthPageMonths(months));
    EXPECT_EQ(months, std::vector<std::wstring>{L"keep"});
    EXPECT_FALSE(files.calendarPageExists());
}

// ---- file times and existence ------------------------------------------------------------------

TEST(CZebCMLinkPartsFilesTest, LastWriteTimeAndMonthOfAFileAndOfNone)
{
    TempSite site;
    std::string page = site.menu("zebsitec007table000001.html");
    testsupport::writeFile(page, "x");
    const std::int64_t t = testsupport::localTime(2008, 5, 31, 23, 59, 59);
    testsupport::setMtime(page, t);

    CZebCMLinkPartsFiles files;
    EXPECT_EQ(files.getLastWriteTime(W(page)), t);
    EXPECT_EQ(files.getLastWriteMonth(W(page)), L"2008-05");
    EXPECT_TRUE(files.fileExists(W(page)));
    EXPECT_TRUE(files.categoryPageExists(7));
    EXPECT_EQ(files.getPageWriteTime(W(page)), t);
    // A page left empty (by a crash while it was written) counts as missing.
    testsupport::writeFile(page, "");
    EXPECT_FALSE(files.categoryPageExists(7));
    EXPECT_FALSE(files.pageExists(W(page)));
    EXPECT_EQ(files.getPageWriteTime(W(page)), 0);

    const std::wstring missing = W(site.menu("missing.html"));
    EXPECT_EQ(files.getLastWriteTime(missing), 0);
    EXPECT_EQ(files.getLastWriteMonth(missing), L"");
    EXPECT_FALSE(files.fileExists(missing));
    EXPECT_EQ(files.getLastWriteTime(L""), 0);
    EXPECT_EQ(files.getLastWriteMonth(L""), L"");
    EXPECT_FALSE(files.fileExists(L""));
}

TEST(CZebCMLinkPartsFilesTest, CalendarPageExistsOnlyAsAFile)
{
    TempSite site;
    CZebCMLinkPartsFiles files;
    testsupport::writeFile(site.menu("zebsitec001table000001.html/inner"), "");
    EXPECT_FALSE(files.calendarPageExists()); // a folder of that name is no page
}

// ---- page files ------------------------------------------------------------------------------

TEST(CZebCMLinkPartsFilesTest, LoadOfMissingPathGivesEmptyDocument)
{
    TempSite site;
    CZebCMLinkPartsFiles files;
    DocumentGuard doc{files.loadPage(W(site.menu("missing.html")))};
    ASSERT_NE(doc.document, nullptr);
    EXPECT_EQ(doc.document->getDocumentElement(), nullptr);
    EXPECT_EQ(doc.document->getMarkup(), L"");
}

TEST(CZebCMLinkPartsFilesTest, LoadKeepsThePageAndFindsItsElements)
{
    TempSite site;
    testsupport::writeFile(site.menu("page.html"), kPage);
    CZebCMLinkPartsFiles files;
    DocumentGuard doc{files.loadPage(W(site.menu("page.html")))};
    ASSERT_NE(doc.document, nullptr);
    EXPECT_EQ(U(doc.document->getMarkup()), kPage);
    EXPECT_NE(doc.document->getElementByID(L"zebsitec007table000001"), nullptr);
}

// Each category's page read and decoded the template anew; during a run it is read once.
TEST(CZebCMLinkPartsFilesTest, TemplateIsReadOncePerRunAndAnewOutsideOne)
{
    TempSite site;
    const std::wstring path = W(site.menu("template.html"));
    CZebCMLinkPartsFiles files;
    auto markupOf = [&] { return U(files.loadTemplateOwned(path)->getMarkup()); };
    {
        const CZebCMLinkPartsFiles::TemplateRun run;
        EXPECT_EQ(markupOf(), "") << "a missing template loads as an empty document";
        testsupport::writeFile(U(path), kPage);
        EXPECT_EQ(markupOf(), "") << "nor is it looked for again";
    }
    EXPECT_EQ(markupOf(), kPage);
    const CZebCMLinkPartsFiles::TemplateRun run;
    EXPECT_EQ(markupOf(), kPage);
    testsupport::writeFile(U(path), "<p>changed</p>");
    EXPECT_EQ(markupOf(), kPage);
}

TEST(CZebCMLinkPartsFilesTest, ReadElementMarkup)
{
    TempSite site;
    const std::wstring path = W(site.menu("page.html"));
    testsupport::writeFile(U(path), kPage);
    CZebCMLinkPartsFiles files;

    std::wstring markup = L"before";
    EXPECT_TRUE(files.readElementMarkup(path, markup, L"zebsitec007table000001"));
    EXPECT_EQ(U(markup), "<div id=\"zebsitec007table000001\"><a href=\"a.html\">\xe6\x97\xa5\xe8\xa8\x98</a></div>");

    markup = L"before";
    EXPECT_FALSE(files.readElementMarkup(path, markup, L"zebsitec008table000001"));
    EXPECT_EQ(markup, L"before") << "a missing element leaves the markup alone";

    EXPECT_FALSE(files.readElementMarkup(W(site.menu("missing.html")), markup, L"zebsitec007table000001"));
    EXPECT_EQ(markup, L"before");
}

TEST(CZebCMLinkPartsFilesTest, OneDocumentSavedToTwoPathsGivesIdenticalFiles)
{
    TempSite site;
    testsupport::writeFile(site.menu("source.html"), kPage);
    CZebCMLinkPartsFiles files;
    DocumentGuard doc{files.loadPage(W(site.menu("source.html")))};
    ASSERT_NE(doc.document, nullptr);

    files.savePage(doc.document, W(site.menu("zebsitec001table000001.html")));
    files.savePage(doc.document, W(site.menu("zebsitec001table000001200805.html")));
    const std::string first = testsupport::readFile(site.menu("zebsitec001table000001.html"));
    EXPECT_EQ(first, testsupport::readFile(site.menu("zebsitec001table000001200805.html")));
    EXPECT_EQ(first, kPage) << "an untouched page is saved byte for byte, with no terminating zero";
}

TEST(CZebCMLinkPartsFilesTest, SavedPageIsUtf8WithLfNewlines)
{
    TempSite site;
    // 日記 in Shift_JIS, CR LF newlines.
    const std::string sjis = std::string("<html><head><meta charset=\"Shift_JIS\"></head>\r\n<body><p>") +
                             "\x93\xfa\x8b\x4c" + "</p></body></html>\r\n";
    testsupport::writeFile(site.menu("sjis.html"), sjis);
    CZebCMLinkPartsFiles files;
    DocumentGuard doc{files.loadPage(W(site.menu("sjis.html")))};
    ASSERT_NE(doc.document, nullptr);
    files.savePage(doc.document, W(site.menu("out.html")));
    const std::string saved = testsupport::readFile(site.menu("out.html"));
    EXPECT_NE(saved.find("<p>\xe6\x97\xa5\xe8\xa8\x98</p>"), std::string::npos) << saved;
    EXPECT_EQ(saved.find('\r'), std::string::npos) << saved;
}

// A page was loaded only up to its first NUL character, and saved without the rest.
TEST(CZebCMLinkPartsFilesTest, NulCharacterInThePageOrTheMarkupDoesNotCutThePageShort)
{
    TempSite site;
    const std::string source("<html><body><p id=\"p\">a</p>\0<p>tail</p></body></html>", 53);
    testsupport::writeFile(site.menu("source.html"), source);
    CZebCMLinkPartsFiles files;
    DocumentGuard doc{files.loadPage(W(site.menu("source.html")))};
    ASSERT_NE(doc.document, nullptr);
    files.savePage(doc.document, W(site.menu("same.html")));
    EXPECT_EQ(testsupport::readFile(site.menu("same.html")), source);
    Element* p = doc.document->getElementByID(L"p");
    ASSERT_NE(p, nullptr);
    p->appendChild(doc.document->createTextNode(std::wstring(L"b\0c", 3)));
    files.savePage(doc.document, W(site.menu("out.html")));
    const std::string saved = testsupport::readFile(site.menu("out.html"));
    EXPECT_NE(saved.find(std::string("ab\0c</p>\0<p>tail</p></body></html>", 34)), std::string::npos) << saved;
}

TEST(CZebCMLinkPartsFilesTest, SaveWhereNoFileCanBeOpenedWritesNothingAndDoesNotThrow)
{
    TempSite site;
    CZebCMLinkPartsFiles files;
    DocumentGuard doc{files.loadPage(W(site.menu("missing.html")))};
    ASSERT_NE(doc.document, nullptr);

    // A folder that does not exist can never be written to, whoever runs the test.
    const std::string missingFolder = site.folder() + "/nowhere/page.html";
    EXPECT_NO_THROW(files.savePage(doc.document, W(missingFolder)));
    EXPECT_FALSE(testsupport::exists(site.folder() + "/nowhere"));
    EXPECT_NO_THROW(files.savePage(nullptr, W(site.menu("page.html"))));
    EXPECT_NO_THROW(files.savePage(doc.document, L""));
}

TEST(CZebCMLinkPartsFilesTest, SaveIntoReadOnlyFolderWritesNothingAndDoesNotThrow)
{
    TempSite site;
    const std::string folder = site.folder() + "/ZebSitemenu";
    testsupport::writeFile(folder + "/old.html", "old");
    ASSERT_EQ(chmod(folder.c_str(), 0555), 0);
    if (access(folder.c_str(), W_OK) == 0)
        GTEST_SKIP() << "running with the right to write into read-only folders (root); "
                        "SaveWhereNoFileCanBeOpenedWritesNothingAndDoesNotThrow covers the unopenable page";

    CZebCMLinkPartsFiles files;
    DocumentGuard doc{files.loadPage(W(folder + "/old.html"))};
    ASSERT_NE(doc.document, nullptr);
    EXPECT_NO_THROW(files.savePage(doc.document, W(folder + "/new.html")));
    EXPECT_NO_THROW(files.savePage(doc.document, W(folder + "/old.html")));
    EXPECT_EQ(testsupport::listDir(folder), std::vector<std::string>{"old.html"});
    EXPECT_EQ(testsupport::readFile(folder + "/old.html"), "old");
}

// Regression: the page used to be cut to zero length before the write, so a failing write left a
// truncated page, newer than its data file, that was never rebuilt.
TEST(CZebCMLinkPartsFilesTest, FailedWriteKeepsTheOldPageWhole)
{
    TempSite site;
    const std::string page = site.menu("zebsitec001table000001200805.html");
    testsupport::writeFile(page, "old page");
    testsupport::setMtime(page, 1000);
    testsupport::writeFile(site.menu("source.html"), kPage);

    CZebCMLinkPartsFiles files;
    DocumentGuard doc{files.loadPage(W(site.menu("source.html")))};
    ASSERT_NE(doc.document, nullptr);
    FaultInjectorGuard fault([](const std::wstring&) { return std::string("No space left on device"); });
    try {
        files.savePage(doc.document, W(page));
        ADD_FAILURE() << "the write error must reach the caller";
    } catch (const platform::FileException& e) {
        EXPECT_EQ(e.path(), W(page));
        EXPECT_EQ(e.reason(), "No space left on device");
    }
    EXPECT_EQ(testsupport::readFile(page), "old page");
    EXPECT_EQ(testsupport::mtime(page), 1000) << "the old page must still look older than its data";
    EXPECT_EQ(testsupport::listDir(site.folder() + "/ZebSitemenu"),
              (std::vector<std::string>{"source.html", "zebsitec001table000001200805.html"}))
        << "no temporary file is left behind";
}
