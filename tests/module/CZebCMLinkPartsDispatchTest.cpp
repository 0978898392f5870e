#include <gtest/gtest.h>

#include <filesystem>
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

void fillSite(const Site& site)
{
    site.writeCategoryData(0, 2, localTime(2008, 4, 1));
    site.writeCategoryData(2, 2, localTime(2008, 4, 1));
    site.writeMonthData(2008, 3, {3}, localTime(2008, 3, 31));
    site.writeMonthData(2008, 4, {7}, localTime(2008, 4, 10));
}

class CZebCMLinkPartsDispatch : public ::testing::Test {
protected:
    CZebCMLinkPartsDispatch() : clock_(localTime(2008, 4, 20)) { templates_.write(kOneCategoryTemplate); }

    FixedClock clock_;
    TemplateFolder templates_;
};

} // namespace

TEST_F(CZebCMLinkPartsDispatch, EachCategoryNumberGetsItsLinkPart)
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

TEST_F(CZebCMLinkPartsDispatch, UpdateLeavesTheSameFilesAsMakeLinkPart)
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
