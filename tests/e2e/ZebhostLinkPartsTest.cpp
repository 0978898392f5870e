#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <thread>

#include "e2e/ScratchSite.h"
#include "support/TestSupport.h"

namespace {

using namespace testsupport;
namespace fs = std::filesystem;

using scratch::contains;
using scratch::kZebhost;
const std::string kSampleSite = std::string(ZEB_SOURCE_DIR) + "/examples/site";
// The sample diary runs from 2024-04 to 2025-03; the runs are dated at its end, after the CMS
// wrote its data.
const std::string kNow = "2025-03-28T09:00";
const std::int64_t kDataTime = localTime(2025, 3, 27, 18);

const std::vector<std::string> kAllListed = {"zebsitec000table000001", "zebsitec001table000001",
                                             "zebsitec002table000001", "zebsitec004table000001",
                                             "zebsitec005table000001"};

// A copy of the sample site in a temporary folder, every file dated kDataTime.
class SiteCopy {
public:
    SiteCopy()
    {
        chmod(dir_.path().c_str(), 0755); // readable by another user (the permission tests)
        fs::copy(kSampleSite, dir_.path(), fs::copy_options::recursive);
        for (const auto& entry : fs::recursive_directory_iterator(dir_.path()))
            setMtime(entry.path().string(), kDataTime);
    }
    const std::string& path() const { return dir_.path(); }
    std::string operator/(const std::string& relative) const { return dir_ / relative; }

    // zebhost --site SITE --now NOW args...
    RunResult zebhost(std::vector<std::string> args, const std::vector<std::string>& env = {},
                      const std::vector<std::string>& prefix = {}) const
    {
        std::vector<std::string> argv = prefix;
        argv.insert(argv.end(), {kZebhost, "--site", dir_.path(), "--now", kNow});
        argv.insert(argv.end(), args.begin(), args.end());
        return runProgram(argv, env);
    }

    // Names in ZebSitemenu with their last-write times.
    std::map<std::string, std::int64_t> menuTimes() const
    {
        std::map<std::string, std::int64_t> times;
        for (const std::string& name : listDir(dir_ / "ZebSitemenu"))
            if ("ZebSitemenu/" + name != scratch::kPageCache)
                times[name] = mtime(dir_ / ("ZebSitemenu/" + name));
        return times;
    }

private:
    TempDir dir_;
};

// The link-part ids in the page, in page order.
std::vector<std::string> linkPartIds(const std::string& html)
{
    std::vector<std::string> ids;
    for (std::size_t at = html.find("id=\"zebsitec"); at != std::string::npos; at = html.find("id=\"zebsitec", at + 1))
        ids.push_back(html.substr(at + 4, 22));
    return ids;
}

// The page with every link part (a div, or the calendar table) cut out.
std::string withoutLinkParts(std::string html)
{
    for (std::size_t at; (at = html.find("id=\"zebsitec")) != std::string::npos;) {
        const std::size_t start = html.rfind('<', at);
        const bool table = html.compare(start, 6, "<table") == 0;
        const std::string close = table ? "</table>" : "</div>";
        const std::size_t end = html.find(close, at);
        if (start == std::string::npos || end == std::string::npos)
            break;
        html.erase(start, end + close.size() - start);
    }
    return html;
}

TEST(ZebhostLinkPartsTest, UpdateFromNothingThenNothingStaleThenOneTouchedMonth)
{
    SiteCopy site;
    RunResult r = site.zebhost({"-v", "update"});
    ASSERT_EQ(0, r.exitCode) << r.err;
    EXPECT_EQ("", r.err);
    // Five category list pages, the calendar page and the twelve month pages.
    auto first = site.menuTimes();
    EXPECT_EQ(18u, first.size());
    EXPECT_TRUE(contains(r.out, "18 pages written")) << r.out;
    EXPECT_TRUE(contains(r.out, "wrote ZebSitemenu/zebsitec001table000001202410.html")) << r.out;
    for (const char* name : {"zebsitec000table000001.html", "zebsitec005table000001.html",
                             "zebsitec001table000001.html", "zebsitec001table000001202404.html"})
        EXPECT_EQ(1u, first.count(name)) << name;
    EXPECT_EQ(0u, first.count("zebsitec001table000001202504.html"));

    r = site.zebhost({"-v", "update"});
    ASSERT_EQ(0, r.exitCode) << r.err;
    EXPECT_TRUE(contains(r.out, "no page written: every page is up to date\n")) << r.out;
    EXPECT_TRUE(contains(r.out, "pages carry link parts; 0 read\n")) << "the first run's record spares reading them";
    EXPECT_EQ(first, site.menuTimes());

    // The CMS changes October's diary after the pages were made.
    const std::string october = site / "qcms/zebsitec001table000001202410.xml";
    setMtime(october, localTime(2025, 3, 28, 9, 30));
    r = runProgram({kZebhost, "--site", site.path(), "--now", "2025-03-29T08:00", "-v", "update", "日記"});
    ASSERT_EQ(0, r.exitCode) << r.err;
    const auto third = site.menuTimes();
    EXPECT_NE(first.at("zebsitec001table000001202410.html"), third.at("zebsitec001table000001202410.html"));
    EXPECT_EQ(first.at("zebsitec001table000001202406.html"), third.at("zebsitec001table000001202406.html"));
    EXPECT_EQ(first.at("zebsitec002table000001.html"), third.at("zebsitec002table000001.html"));
    EXPECT_FALSE(contains(r.out, "zebsitec002table000001.html")) << r.out;
}

// Publishing: a new entry in the CMS, then "update": the generated page and every page carrying
// the category's link part change, each only inside that part; the next update writes nothing.
TEST(ZebhostLinkPartsTest, UpdateRefreshesThePagesThatCarryLinkParts)
{
    SiteCopy site;
    TempDir outside;
    const std::vector<std::vector<std::string>> applies = {
        {"update"},
        {"apply", "index.html", "--select-all"},
        {"apply", "about.html", "--check", "お知らせ"}, // Shift_JIS with CR LF
        {"apply", "diary/202503/27.html", "--check", "日記", "--check", "お知らせ"},
    };
    for (const auto& args : applies)
        ASSERT_EQ(0, site.zebhost(args).exitCode) << args.back();
    // A folder linked from outside the site is not entered.
    fs::copy_file(site / "index.html", outside / "linked.html");
    ASSERT_EQ(0, symlink(outside.path().c_str(), (site / "elsewhere").c_str()));
    const std::string entryPage = readFile(site / "diary/202503/27.html");
    EXPECT_TRUE(contains(entryPage, "<a href=\"../../news/0004.html\"")) << entryPage;
    EXPECT_TRUE(contains(entryPage, "HREF=\"20.html\"")) << "a day of the page's own month";
    EXPECT_TRUE(contains(entryPage, "getZebSiteMenu('ZebSitemenu/zebsitec001table000001202502.html'"));

    const scratch::Tree before = scratch::snapshot(site.path());
    const std::string data = readFile(site / "qcms/zebsitec000table000001.xml");
    writeFile(site / "qcms/zebsitec000table000001.xml",
              data.substr(0, data.find("  <contentpart>")) +
                  "  <contentpart><id>n5</id><title>桜の開花</title><creationtime>2025/03/28 10:00:00</creationtime>"
                  "<category>お知らせ</category><link>news/0005.html</link></contentpart>\n" +
                  data.substr(data.find("  <contentpart>")));
    setMtime(site / "qcms/zebsitec000table000001.xml", scratch::kChangeTime);
    const std::vector<std::string> publish = {kZebhost, "--site", site.path(), "--now", scratch::kLater, "update"};
    std::vector<std::string> dryRun = publish;
    dryRun.push_back("--dry-run");
    RunResult r = runProgram(dryRun);
    EXPECT_EQ("1 page would be written\n  would write ZebSitemenu/zebsitec000table000001.html\n"
              "would refresh about.html: zebsitec000table000001 (お知らせ)\n"
              "would refresh diary/202503/27.html: zebsitec000table000001 (お知らせ)\n"
              "would refresh index.html: zebsitec000table000001 (お知らせ)\n",
              r.out);
    EXPECT_EQ(std::vector<std::string>{"~ qcms/zebsitec000table000001.xml"},
              scratch::differences(before, scratch::snapshot(site.path())));
    std::vector<std::string> generateOnly = publish;
    generateOnly.push_back("--no-pages");
    r = runProgram(generateOnly);
    EXPECT_EQ("1 page written\n", r.out);
    EXPECT_EQ(
        (std::vector<std::string>{"~ ZebSitemenu/zebsitec000table000001.html", "~ qcms/zebsitec000table000001.xml"}),
        scratch::differences(before, scratch::snapshot(site.path())));
    r = runProgram(publish);
    ASSERT_EQ(0, r.exitCode) << r.err;
    EXPECT_EQ("no page written: every page is up to date\nrefreshed about.html: zebsitec000table000001 (お知らせ)\n"
              "refreshed diary/202503/27.html: zebsitec000table000001 (お知らせ)\n"
              "refreshed index.html: zebsitec000table000001 (お知らせ)\n",
              r.out);
    EXPECT_EQ((std::vector<std::string>{"~ ZebSitemenu/zebsitec000table000001.html", "~ about.html",
                                        "~ diary/202503/27.html", "~ index.html", "~ qcms/zebsitec000table000001.xml"}),
              scratch::differences(before, scratch::snapshot(site.path())));
    for (const char* page : {"index.html", "about.html", "diary/202503/27.html"}) {
        const std::string now = readFile(site / page);
        EXPECT_EQ(withoutLinkParts(before.at(page).bytes), withoutLinkParts(now)) << page;
        EXPECT_TRUE(contains(now, "news/0005.html\"")) << page;
    }
    EXPECT_TRUE(contains(readFile(site / "diary/202503/27.html"), "\"../../news/0005.html\""));
    EXPECT_EQ(before.at("index.html").bytes, readFile(outside / "linked.html"));

    const scratch::Tree published = scratch::snapshot(site.path());
    r = runProgram(publish);
    EXPECT_EQ("no page written: every page is up to date\n", r.out);
    EXPECT_EQ(std::vector<std::string>{}, scratch::differences(published, scratch::snapshot(site.path())));
}

TEST(ZebhostLinkPartsTest, ApplyActionsGiveTheRightLinkPartsInTheRightPlace)
{
    struct Case {
        const char* description;
        std::vector<std::string> actions;
        std::vector<std::string> ids;
    } cases[] = {
        {"select all", {"--select-all"}, kAllListed},
        {"check two, in list order whatever the order given",
         {"--check", "日記", "--check", "お知らせ"},
         {"zebsitec000table000001", "zebsitec001table000001"}},
        {"select all, then uncheck one",
         {"--select-all", "--uncheck", "レシピ"},
         {"zebsitec000table000001", "zebsitec001table000001", "zebsitec004table000001", "zebsitec005table000001"}},
        {"clear all after checking", {"--check", "読書メモ", "--clear-all"}, {}},
    };
    for (const Case& c : cases) {
        SiteCopy site;
        const std::string original = readFile(site / "index.html");
        std::vector<std::string> args{"apply", "index.html"};
        args.insert(args.end(), c.actions.begin(), c.actions.end());
        RunResult r = site.zebhost(args);
        ASSERT_EQ(0, r.exitCode) << c.description << ": " << r.err;
        EXPECT_EQ("", r.err) << c.description;
        const std::string saved = readFile(site / "index.html");
        EXPECT_EQ(c.ids, linkPartIds(saved)) << c.description;
        EXPECT_EQ(original, withoutLinkParts(saved)) << c.description;
        if (!c.ids.empty()) {
            // Right behind the site-menu table.
            const std::size_t menuEnd = saved.find("</table>", saved.find("zebsitemenutable000000000001"));
            EXPECT_EQ(menuEnd + 8, saved.find('<', menuEnd + 8)) << c.description;
            EXPECT_EQ(saved.rfind('<', saved.find("id=\"" + c.ids[0])), menuEnd + 8) << c.description;
            EXPECT_TRUE(contains(r.out, "gained " + c.ids[0])) << r.out;
        }
    }
}

TEST(ZebhostLinkPartsTest, ApplyReportsGainedAndLostAndItemsShowTheChecks)
{
    SiteCopy site;
    RunResult r = site.zebhost({"items", "index.html"});
    ASSERT_EQ(0, r.exitCode) << r.err;
    EXPECT_EQ("[ ] 「お知らせ」へのリンク\n[ ] カレンダー型「日記」へのリンク\n[ ] 「レシピ」へのリンク\n"
              "[ ] 「読書メモ」へのリンク\n[ ] 「庭しごと」へのリンク\n",
              r.out);

    r = site.zebhost({"apply", "index.html", "--check", "お知らせ", "--check", "レシピ"});
    ASSERT_EQ(0, r.exitCode) << r.err;
    EXPECT_TRUE(contains(r.out, "index.html: saved")) << r.out;
    EXPECT_TRUE(contains(r.out, "gained zebsitec000table000001 (お知らせ)")) << r.out;
    EXPECT_TRUE(contains(r.out, "gained zebsitec002table000001 (レシピ)")) << r.out;

    r = site.zebhost({"apply", "index.html", "--uncheck", "レシピ", "--check", "日記", "--dry-run"});
    EXPECT_TRUE(contains(r.out, "index.html: would be saved (UTF-8)\n  would gain zebsitec001table000001 (日記)\n"
                                "  would lose zebsitec002table000001 (レシピ)\n"))
        << r.out;
    r = site.zebhost({"apply", "index.html", "--uncheck", "レシピ", "--check", "日記"});
    ASSERT_EQ(0, r.exitCode) << r.err;
    EXPECT_TRUE(contains(r.out, "gained zebsitec001table000001 (日記)")) << r.out;
    EXPECT_TRUE(contains(r.out, "lost   zebsitec002table000001 (レシピ)")) << r.out;
    EXPECT_FALSE(contains(r.out, "zebsitec000table000001")) << r.out; // kept: neither gained nor lost

    r = site.zebhost({"items", "index.html"});
    EXPECT_EQ("[x] 「お知らせ」へのリンク\n[x] カレンダー型「日記」へのリンク\n[ ] 「レシピ」へのリンク\n"
              "[ ] 「読書メモ」へのリンク\n[ ] 「庭しごと」へのリンク\n",
              r.out);

    r = site.zebhost({"categories"});
    ASSERT_EQ(0, r.exitCode) << r.err;
    EXPECT_EQ("  0 お知らせ\n  1 日記\n  2 レシピ\n  3 旅の記録\n  4 読書メモ\n  5 庭しごと\n", r.out);
}

// Commands that change nothing, and dry runs, write nothing: no page, no time, no site-menu folder.
TEST(ZebhostLinkPartsTest, CancelLeavesThePageAlone)
{
    const struct {
        const char* description;
        std::vector<std::string> args;
        std::vector<std::string> changed;
    } cases[] = {
        {"apply --cancel", {"apply", "index.html", "--select-all", "--cancel"}, {}},
        {"items", {"items", "index.html"}, {}},
        {"categories", {"categories"}, {}},
        {"apply that leaves the page as it is", {"apply", "index.html", "--clear-all"}, {"+ ZebSitemenu"}},
        {"apply --dry-run", {"apply", "index.html", "--select-all", "--dry-run"}, {}},
        {"update --dry-run", {"update", "--dry-run"}, {}},
        {"update --rebuild --dry-run", {"update", "--rebuild", "--dry-run", "日記"}, {}},
    };
    for (const auto& c : cases) {
        scratch::ScratchSite site;
        const scratch::Tree before = site.tree();
        RunResult r = site.zebhost(c.args);
        ASSERT_EQ(0, r.exitCode) << c.description << ": " << r.err;
        EXPECT_EQ(c.changed, scratch::differences(before, site.tree())) << c.description;
    }
}

TEST(ZebhostLinkPartsTest, APageKeepsItsEncodingAndNewlines)
{
    SiteCopy site;
    const std::string original = readFile(site / "about.html"); // Shift_JIS with CR LF
    RunResult r = site.zebhost({"apply", "about.html", "--check", "お知らせ", "--check", "日記"});
    ASSERT_EQ(0, r.exitCode) << r.err;
    const std::string saved = readFile(site / "about.html");
    EXPECT_EQ((std::vector<std::string>{"zebsitec000table000001", "zebsitec001table000001"}), linkPartIds(saved));
    EXPECT_EQ(original, withoutLinkParts(saved));
    EXPECT_EQ(std::string::npos, saved.find("\xe3\x81")) << "UTF-8 crept in";
    for (std::size_t at = saved.find('\n'); at != std::string::npos; at = saved.find('\n', at + 1))
        ASSERT_EQ('\r', saved[at - 1]) << "bare LF at " << at;
}

// Without its template the module makes no category link part and says nothing: zebhost names
// the template once, fails, and never saves a page that would lose a link part it had.
TEST(ZebhostLinkPartsTest, WarnsForACheckedCategoryThatGotNoLinkPart)
{
    SiteCopy site;
    TempDir emptyData; // no link-part template: category link parts cannot be made
    const std::vector<std::string> env{"ZEBHOST_DATA_DIR=" + emptyData.path()};
    const std::string noTemplate =
        emptyData.path() + "/template/_cm/temp/linkparts00.html: link-part template not found";
    RunResult r = site.zebhost({"apply", "index.html", "--check", "お知らせ", "--check", "日記"}, env);
    EXPECT_EQ(1, r.exitCode) << r.err;
    EXPECT_EQ("zebhost: " + noTemplate + "; no link part for お知らせ\n", r.err);
    EXPECT_EQ(std::vector<std::string>{"zebsitec001table000001"}, linkPartIds(readFile(site / "index.html")));

    r = site.zebhost({"update", "日記", "レシピ"}, env);
    EXPECT_EQ(1, r.exitCode) << r.err;
    EXPECT_EQ("zebhost: " + noTemplate + "; no link part for レシピ\n", r.err);
    ASSERT_EQ(0, site.zebhost({"apply", "about.html", "--check", "レシピ"}).exitCode);
    setMtime(site / "qcms/zebsitec002table000001.xml", scratch::kChangeTime);
    const std::string about = readFile(site / "about.html");
    r = site.zebhost({"apply", "about.html", "--check", "日記"}, env);
    EXPECT_EQ(1, r.exitCode) << r.err;
    EXPECT_TRUE(contains(r.err, "about.html: not saved: the link part of レシピ could not be made again")) << r.err;
    EXPECT_EQ(about, readFile(site / "about.html"));
}

// update --rebuild makes the named categories' pages anew whatever their times (after the template
// changed); when they cannot be made, the old pages stay as they were.
TEST(ZebhostLinkPartsTest, RebuildMakesThePagesAnewOrKeepsTheOldOnes)
{
    scratch::ScratchSite site;
    ASSERT_TRUE(site.generate());
    TempDir data;
    std::string page = readFile(std::string(ZEB_SOURCE_DIR) + "/hostapp/data/template/_cm/temp/linkparts00.html");
    page.replace(page.find("zeb-linkparts\""), 14, "zeb-linkparts changed\"");
    writeFile(data / "template/_cm/temp/linkparts00.html", page);
    const std::vector<std::string> env{"ZEBHOST_DATA_DIR=" + data.path()};
    EXPECT_EQ("no page written: every page is up to date\n", site.zebhost({"update"}, env).out);
    RunResult r = site.zebhost({"update", "--rebuild", "レシピ", "日記"}, env);
    EXPECT_EQ(0, r.exitCode) << r.err;
    EXPECT_EQ("14 pages written\n", r.out); // the list page, the calendar page and twelve months
    EXPECT_TRUE(contains(readFile(site / "ZebSitemenu/zebsitec002table000001.html"), "changed")) << "rebuilt";
    EXPECT_FALSE(contains(readFile(site / "ZebSitemenu/zebsitec000table000001.html"), "changed")) << "not named";

    const scratch::Tree before = site.tree();
    TempDir noTemplate;
    r = site.zebhost({"update", "--rebuild", "レシピ"}, {"ZEBHOST_DATA_DIR=" + noTemplate.path()});
    EXPECT_EQ(1, r.exitCode);
    EXPECT_TRUE(contains(r.err, "link-part template not found; no link part for レシピ")) << r.err;
    EXPECT_EQ(std::vector<std::string>{}, scratch::differences(before, site.tree()));
}

// zebhost init makes a site that update and apply work on at once, and never touches a folder
// that holds anything.
TEST(ZebhostLinkPartsTest, InitMakesASiteToStartFrom)
{
    TempDir temp;
    const std::string site = temp / "new";
    RunResult r = runProgram({kZebhost, "--now", kNow, "init", site});
    ASSERT_EQ(0, r.exitCode) << r.err;
    for (const char* file : {"index.html", "zebsite.js", "site.css", "qcms/qccl.xml", "ZebSitemenu"})
        EXPECT_TRUE(exists(site + "/" + file)) << file;
    EXPECT_EQ(0, runProgram({kZebhost, "--site", site, "--now", kNow, "update"}).exitCode);
    r = runProgram({kZebhost, "--site", site, "--now", kNow, "apply", "index.html", "--select-all"});
    EXPECT_EQ(0, r.exitCode) << r.err;
    EXPECT_EQ((std::vector<std::string>{"zebsitec000table000001", "zebsitec001table000001"}),
              linkPartIds(readFile(site + "/index.html")));

    writeFile(temp / "file", "x");
    const scratch::Tree before = scratch::snapshot(temp.path());
    const struct {
        const char* description;
        std::string folder;
        const char* errPart;
    } refused[] = {{"a site", site, "not empty"},
                   {"a file", temp / "file", "not a folder"},
                   {"in a missing folder", temp / "no/new", "cannot be made"}};
    for (const auto& c : refused) {
        r = runProgram({kZebhost, "init", c.folder});
        EXPECT_EQ(1, r.exitCode) << c.description;
        EXPECT_TRUE(contains(r.err, c.errPart)) << c.description << ": " << r.err;
    }
    EXPECT_EQ(std::vector<std::string>{}, scratch::differences(before, scratch::snapshot(temp.path())));
}

TEST(ZebhostLinkPartsTest, ErrorsNameTheFileAndTheReason)
{
    SiteCopy site;
    TempDir notASite;
    const std::string original = readFile(site / "index.html");
    struct Case {
        const char* description;
        std::vector<std::string> argv;
        int exitCode;
        std::string errPart;
    } cases[] = {
        {"site without a category list",
         {kZebhost, "--site", notASite.path(), "update"},
         1,
         "qcms/qccl.xml: no category list here"},
        {"categories of a site without a category list",
         {kZebhost, "--site", notASite.path(), "categories"},
         1,
         "qcms/qccl.xml"},
        {"missing page", {kZebhost, "--site", site.path(), "apply", "nosuch.html"}, 1, "nosuch.html: no such page"},
        {"missing page for items", {kZebhost, "--site", site.path(), "items", "nosuch.html"}, 1, "nosuch.html"},
        {"unknown name to check",
         {kZebhost, "--site", site.path(), "apply", "index.html", "--check", "猫"},
         1,
         "qcms/qccl.xml: no category named \"猫\""},
        {"the fourth category has no item",
         {kZebhost, "--site", site.path(), "apply", "index.html", "--check", "旅の記録"},
         1,
         "旅の記録"},
        {"unknown name to update",
         {kZebhost, "--site", site.path(), "update", "日記", "猫"},
         1,
         "no category named \"猫\""},
        {"unknown cursor id",
         {kZebhost, "--site", site.path(), "apply", "index.html", "--cursor", "nowhere"},
         1,
         "index.html: no element with id \"nowhere\""},
        {"apply without a page", {kZebhost, "--site", site.path(), "apply"}, 2, "zebhost apply: PAGE is required"},
        {"edit without a terminal", {kZebhost, "--site", site.path(), "edit", "index.html"}, 1, "needs a terminal"},
        // Pages a command may touch: inside the site, outside qcms/ and ZebSitemenu/, .html or .htm.
        {"the category list",
         {kZebhost, "--site", site.path(), "apply", "qcms/qccl.xml", "--select-all"},
         2,
         "qcms/qccl.xml: in qcms/"},
        {"a page outside the site",
         {kZebhost, "--site", site.path(), "apply", "../outside.html"},
         2,
         "../outside.html: not a page of the site"},
        {"a style sheet", {kZebhost, "--site", site.path(), "apply", "site.css"}, 2, "site.css: not an HTML page"},
        {"a system file", {kZebhost, "--site", site.path(), "items", "/etc/passwd"}, 2, "not a page of the site"},
        {"a generated page", {kZebhost, "--site", site.path(), "items", "ZebSitemenu/a.html"}, 2, "in ZebSitemenu/"},
        {"a link out of the site",
         {kZebhost, "--site", site.path(), "apply", "link.html"},
         2,
         "not a page of the site"},
        {"a page in a linked folder out of the site",
         {kZebhost, "--site", site.path(), "apply", "away/page.html"},
         2,
         "not a page of the site"},
        {"the current folder is not looked in",
         {"/bin/sh", "-c", "cd \"$0\" && exec \"$@\"", notASite.path(), kZebhost, "--site", site.path(), "apply",
          "page.html"},
         1,
         "page.html: no such page"},
    };
    writeFile(notASite / "page.html", "<p>outside</p>");
    ASSERT_EQ(0, symlink((notASite / "page.html").c_str(), (site / "link.html").c_str()));
    ASSERT_EQ(0, symlink(notASite.path().c_str(), (site / "away").c_str()));
    for (const Case& c : cases) {
        RunResult r = runProgram(c.argv);
        EXPECT_EQ(c.exitCode, r.exitCode) << c.description << ": " << r.err;
        EXPECT_TRUE(contains(r.err, c.errPart)) << c.description << ": " << r.err;
        EXPECT_EQ(1, std::count(r.err.begin(), r.err.end(), '\n')) << c.description << ": " << r.err;
    }
    EXPECT_EQ(original, readFile(site / "index.html"));
    EXPECT_EQ("<p>outside</p>", readFile(notASite / "page.html"));
    EXPECT_FALSE(exists(site / "ZebSitemenu")) << "an error run made the site-menu folder";
}

TEST(ZebhostLinkPartsTest, UnwritablePageIsRefusedBeforeAnythingChanges)
{
    SiteCopy site;
    std::vector<std::string> prefix;
    if (geteuid() == 0) {
        // Permissions do not bind root; run as nobody.
        if (access("/usr/bin/setpriv", X_OK) != 0)
            GTEST_SKIP() << "running as root without setpriv";
        prefix = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
        chmod(site.path().c_str(), 0777);
        for (const auto& entry : fs::recursive_directory_iterator(site.path()))
            chmod(entry.path().c_str(), entry.is_directory() ? 0777 : 0666);
    }
    chmod((site / "index.html").c_str(), 0444);
    const std::string original = readFile(site / "index.html");
    RunResult r = site.zebhost({"apply", "index.html", "--select-all"}, {}, prefix);
    EXPECT_EQ(1, r.exitCode) << r.out << r.err;
    EXPECT_TRUE(contains(r.err, "index.html: cannot be written: Permission denied")) << r.err;
    EXPECT_EQ(original, readFile(site / "index.html"));
    EXPECT_TRUE(listDir(site / "ZebSitemenu").empty());
}

TEST(ZebhostLinkPartsTest, WriteErrorReachesTheHostAndLeavesNothingHalfWritten)
{
    SiteCopy site;
    const std::string original = readFile(site / "index.html");
    // Files may not grow beyond one block: the first generated page fails after it was opened.
    // SIGXFSZ is ignored so that the write reports the error instead of killing the process.
    RunResult r = site.zebhost({"apply", "index.html", "--select-all"}, {},
                               {"/bin/sh", "-c", "trap '' XFSZ; ulimit -f 1; exec \"$@\"", "sh"});
    EXPECT_EQ(1, r.exitCode) << r.out << r.err;
    EXPECT_TRUE(contains(r.err, "ZebSitemenu/zebsitec")) << r.err;
    EXPECT_TRUE(contains(r.err, "File too large")) << r.err;
    EXPECT_EQ(1, std::count(r.err.begin(), r.err.end(), '\n')) << r.err;
    EXPECT_EQ(original, readFile(site / "index.html"));
    for (const std::string& name : listDir(site / "ZebSitemenu"))
        EXPECT_NE('.', name[0]) << "temporary file left: " << name;
}

// Drives the dialog in a real terminal, a run per row. Enter used to mean OK wherever the focus
// was, so Enter on [キャンセル] saved the page.
TEST(ZebhostLinkPartsTest, EditInATerminal)
{
    if (std::system("command -v tmux >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "tmux is not installed; the terminal dialog is not tested";
    struct Case {
        const char* description;
        std::vector<std::string> keys;
        const char* exitCode;
        bool saved; // the page got every link part; otherwise it is unchanged
    } cases[] = {
        {"Down, Space, A (select all), Enter on the list is OK", {"Down", "Space", "a", "Enter"}, "0\n", true},
        {"A, then Enter on [キャンセル] cancels", {"a", "Tab", "Tab", "Tab", "Tab", "Enter"}, "0\n", false},
        {"A, then Ctrl-C ends zebhost", {"a", "C-c"}, "130\n", false},
    };
    int run = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.description);
        SiteCopy site;
        const std::string original = readFile(site / "index.html");
        // A server per row: kill-server returns before the last row's server has gone, and a new
        // session on the same socket could reach the dying server.
        const std::string socket = "zebtest" + std::to_string(getpid()) + "-" + std::to_string(++run);
        const std::string done = site / "exit-code";
        const std::string command = "env LANG=C.UTF-8 LC_ALL=C.UTF-8 TERM=screen " + kZebhost + " --site " +
                                    site.path() + " --now " + kNow + " edit index.html > " + (site / "out") +
                                    " 2>&1; code=$?; stty -a > " + (site / "modes") + "; echo $code > " + done;
        auto tmux = [&](const std::string& args) {
            return std::system(("tmux -L " + socket + " " + args + " >/dev/null 2>&1").c_str());
        };
        ASSERT_EQ(0, tmux("new-session -d -x 100 -y 30 '" + command + "'"));
        struct Server {
            std::function<int(const std::string&)> tmux;
            ~Server() { tmux("kill-server"); }
        } server{tmux};

        auto waitFor = [&](const std::function<bool()>& ready) {
            for (int i = 0; i < 200; ++i) {
                if (ready())
                    return true;
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
            return false;
        };
        // The dialog is drawn top to bottom: a capture taken while it is drawn can show its upper
        // part alone, so the screen is taken once its last line, the key hint, is there too.
        const std::string screen = site / "screen";
        ASSERT_TRUE(waitFor([&] {
            std::system(("tmux -L " + socket + " capture-pane -p -t 0 > " + screen + " 2>/dev/null").c_str());
            return exists(screen) && contains(readFile(screen), "リンク部品の設定リスト") &&
                   contains(readFile(screen), "Esc キャンセル  F1 ヘルプ\n");
        })) << (exists(screen) ? readFile(screen) : "");
        const std::string shown = readFile(screen);
        EXPECT_TRUE(contains(shown, "[ ] 「お知らせ」へのリンク")) << shown;
        EXPECT_TRUE(contains(shown, "すべて選択(A)")) << shown;
        // The longest item is not cut while the terminal has room; the key hint is on the last line.
        EXPECT_TRUE(contains(shown, "[ ] カレンダー型「日記」へのリンク│")) << shown;
        EXPECT_TRUE(contains(shown, "Esc キャンセル  F1 ヘルプ\n")) << shown;

        for (const std::string& key : c.keys) {
            ASSERT_EQ(0, tmux("send-keys -t 0 " + key));
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        ASSERT_TRUE(waitFor([&] { return exists(done) && !readFile(done).empty(); })) << "zebhost edit did not end";
        EXPECT_EQ(c.exitCode, readFile(done)) << readFile(site / "out");
        const std::string saved = readFile(site / "index.html");
        if (c.saved)
            EXPECT_EQ(kAllListed, linkPartIds(saved));
        else
            EXPECT_EQ(original, saved);
        // The terminal is as the shell left it: Ctrl-C interrupts again, lines are edited, keys echo.
        const std::string modes = readFile(site / "modes");
        EXPECT_TRUE(contains(modes, "intr = ^C") && !contains(modes, "-icanon") && !contains(modes, "-echo ")) << modes;
    }
}

} // namespace
