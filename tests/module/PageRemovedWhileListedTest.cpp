#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "generation/CZebCMLinkParts.h"
#include "module/LinkPartsTestKit.h"
#include "platform/FileFinder.h"

// Pages and data files that another program removes after the module listed them and before it
// reads them. The run goes on with what is there: a listed month page that is gone is made anew,
// a data file that is gone makes nothing stale, and every page written is whole.
using linkpartstest::FixedClock;
using linkpartstest::PageView;
using linkpartstest::Site;
using linkpartstest::WriteLog;
using testsupport::localTime;

namespace {

using linkpartstest::kCalendarPage;

std::string calendarPage(int month)
{
    return "<!DOCTYPE html>\n<html><head><title>diary</title></head><body>\n"
           "<table id=\"zebsitec001table000001\" summary=\"2008-" +
           std::string(month < 10 ? "0" : "") + std::to_string(month) +
           "\"><caption><a name=\"prev\" href=\"#\">&lt;</a> <a name=\"next\" href=\"#\">&gt;</a></caption>"
           "<tr><td>3</td></tr></table>\n</body></html>\n";
}

// Removes the file once, right after the first listing whose pattern ends with the suffix.
class RemoveAfterListing {
public:
    RemoveAfterListing(const std::string& path, const std::wstring& patternEnd)
    {
        platform::FileFinder::setListingHook([this, path, patternEnd](const std::wstring& pattern) {
            if (!done_ && pattern.size() >= patternEnd.size() &&
                pattern.compare(pattern.size() - patternEnd.size(), patternEnd.size(), patternEnd) == 0) {
                done_ = true;
                std::remove(path.c_str());
            }
        });
    }
    ~RemoveAfterListing() { platform::FileFinder::setListingHook(nullptr); }
    bool done() const { return done_; }

private:
    bool done_ = false;
};

} // namespace

TEST(PageRemovedWhileListedTest, TheRunGoesOnWithWhatIsThere)
{
    const struct {
        const char* description;
        std::string removed; // in the site-menu folder (page) or CMS folder (data)
        bool isData;
        std::wstring listing; // the listing after which it goes
        std::vector<std::string> written;
    } cases[] = {
        {"the first listed month page",
         Site::monthPage(2008, 8),
         false,
         L"*.html",
         {Site::monthPage(2008, 8), Site::monthPage(2008, 9), kCalendarPage, Site::monthPage(2008, 10)}},
        {"the stale month page",
         Site::monthPage(2008, 9),
         false,
         L"*.html",
         {Site::monthPage(2008, 8), Site::monthPage(2008, 9), kCalendarPage, Site::monthPage(2008, 10)}},
        {"the calendar page",
         kCalendarPage,
         false,
         L"*.html",
         {Site::monthPage(2008, 8), Site::monthPage(2008, 9), kCalendarPage, Site::monthPage(2008, 10)}},
        {"the stale month's data file: nothing is stale any more",
         "zebsitec001table000001200809.xml",
         true,
         L"*.xml",
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.description);
        FixedClock clock(localTime(2008, 10, 20));
        Site site;
        for (int month : {8, 9, 10})
            site.writeMonthData(2008, month, {3}, localTime(2008, 10, 1));
        for (int month : {8, 9, 10}) {
            testsupport::writeFile(site.menu(Site::monthPage(2008, month)), calendarPage(month));
            testsupport::setMtime(site.menu(Site::monthPage(2008, month)), localTime(2008, 10, 5));
        }
        testsupport::writeFile(site.menu(kCalendarPage), calendarPage(10));
        testsupport::setMtime(site.menu(kCalendarPage), localTime(2008, 10, 5));
        testsupport::setMtime(site.menu(Site::monthPage(2008, 9)), localTime(2008, 9, 20)); // stale

        RemoveAfterListing remove(c.isData ? site.cms(c.removed) : site.menu(c.removed), c.listing);
        WriteLog log;
        CZebCMLinkParts builder(1, L"diary");
        const std::wstring markup = builder.regenerateArchive();
        EXPECT_TRUE(remove.done());
        EXPECT_NE(markup.find(L"summary=\"2008-10\""), std::wstring::npos);
        EXPECT_EQ(log.written(), c.written);
        for (const std::string& page : c.written) {
            PageView view(site.menu(page));
            EXPECT_TRUE(view.hasId(L"zebsitec001table000001")) << page;
            EXPECT_TRUE(view.declaresUtf8()) << page;
        }
    }
}
