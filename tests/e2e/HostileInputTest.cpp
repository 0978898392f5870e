// zebhost on copies of the sample site whose files were damaged, mis-encoded, oversized or
// crafted. Each test checks the outcome and that nothing but the expected files changed.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "e2e/ScratchSite.h"
#include "support/TestSupport.h"

namespace {

using namespace scratch;
using testsupport::readFile;
using testsupport::RunResult;

const std::string kRecipePage = "ZebSitemenu/zebsitec002table000001.html";
const std::string kRecipeData = "qcms/zebsitec002table000001.xml";
const std::string kCalendarPage = "ZebSitemenu/zebsitec001table000001.html";

std::string menuPage(const std::string& month)
{
    return "ZebSitemenu/zebsitec001table000001" + month + ".html";
}

std::string partsFile(const std::string& entries,
                      const std::string& declaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>")
{
    return declaration + "\n<partinfo>\n" + entries + "</partinfo>\n";
}

std::string entry(const std::string& id, const std::string& title, const std::string& link,
                  const std::string& time = "2025/03/01 10:00:00")
{
    return "  <contentpart><id>" + id + "</id><title>" + title + "</title><creationtime>" + time +
           "</creationtime><category>c</category><link>" + link + "</link></contentpart>\n";
}

std::size_t count(const std::string& text, const std::string& part)
{
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

// Runs each of the commands that read the category list.
struct CommandCase {
    const char* name;
    std::vector<std::string> args;
};
const CommandCase kListCommands[] = {
    {"update", {"update"}},
    {"categories", {"categories"}},
    {"items", {"items", "index.html"}},
    {"apply", {"apply", "index.html", "--select-all"}},
};

} // namespace

// A category list that could not be read looked like a list of no categories: "update" said every
// page was up to date, and the dialog's OK took every link part out of the page.
TEST(HostileInputTest, CategoryListThatCannotBeReadStopsEveryCommand)
{
    const std::string good = readFile(std::string(ZEB_SOURCE_DIR) + "/examples/site/qcms/qccl.xml");
    const struct {
        const char* description;
        std::string content;
    } cases[] = {
        {"cut short", good.substr(0, good.size() / 2)},
        {"tags that do not match", "<categorymngdoc><category numid=\"1\"><name>日記</category></categorymngdoc>"},
        {"empty file", ""},
        {"binary bytes", std::string("\x00\xff\x10\x80zz\x00", 7)},
        {"XML without a category list",
         "<?xml version=\"1.0\"?><other><category numid=\"1\"><name>x</name></category></other>"},
    };
    for (const auto& c : cases) {
        ScratchSite site;
        ASSERT_TRUE(site.generate());
        site.write("index.html", readFile(site / "index.html")); // unchanged, for clarity
        site.write("qcms/qccl.xml", c.content);
        const Tree before = site.tree();
        for (const CommandCase& command : kListCommands) {
            const RunResult r = site.zebhost(command.args);
            EXPECT_EQ(1, r.exitCode) << c.description << ", " << command.name << ": " << r.out << r.err;
            EXPECT_TRUE(contains(r.err, "qcms/qccl.xml: ")) << c.description << ", " << command.name << ": " << r.err;
            EXPECT_EQ("", r.out) << c.description << ", " << command.name;
        }
        EXPECT_EQ(std::vector<std::string>{}, differences(before, site.tree())) << c.description;
    }
}

// Data files that are damaged: the page made from one lists nothing from it; nothing else
// changes; the run succeeds (the data file is the CMS's to mend).
TEST(HostileInputTest, DamagedDataFileGivesAPageWithoutItsEntries)
{
    const std::string recipe = readFile(std::string(ZEB_SOURCE_DIR) + "/examples/site/" + kRecipeData);
    const std::string october =
        readFile(std::string(ZEB_SOURCE_DIR) + "/examples/site/qcms/zebsitec001table000001202410.xml");
    const std::vector<std::string> octoberRun =
        rewritten({menuPage("202404"), menuPage("202410"), kCalendarPage, menuPage("202503")});
    const struct {
        const char* description;
        std::string file;
        std::string content;
        std::vector<std::string> changed;
        std::string page;
        std::string goneLink; // a link of the file that must not be in the page
    } cases[] = {
        {"category data cut short", kRecipeData, recipe.substr(0, recipe.size() / 2), rewritten({kRecipePage}),
         kRecipePage, "recipe/0005.html"},
        {"category data with tags that do not match", kRecipeData,
         partsFile(entry("r1", "煮物", "recipe/0005.html") + "<contentpart><id>x</title></contentpart>"),
         rewritten({kRecipePage}), kRecipePage, "recipe/0005.html"},
        {"category data that is no XML", kRecipeData, "recipe/0005.html\n", rewritten({kRecipePage}), kRecipePage,
         "recipe/0005.html"},
        {"diary month cut short", "qcms/zebsitec001table000001202410.xml", october.substr(0, october.size() / 2),
         octoberRun, menuPage("202410"), "diary/202410/06.html"},
        {"diary month of binary bytes", "qcms/zebsitec001table000001202410.xml",
         std::string("\x89PNG\r\n\x1a\n\x00\x00", 10), octoberRun, menuPage("202410"), "diary/202410/06.html"},
    };
    for (const auto& c : cases) {
        ScratchSite site;
        ASSERT_TRUE(site.generate());
        ASSERT_TRUE(contains(readFile(site / c.page), c.goneLink)) << c.description;
        site.write(c.file, c.content);
        const Tree before = site.tree();
        const RunResult r = site.zebhost({"update"}, {}, kLater);
        EXPECT_EQ(0, r.exitCode) << c.description << ": " << r.err;
        EXPECT_EQ(c.changed, differences(before, site.tree())) << c.description;
        const std::string page = readFile(site / c.page);
        EXPECT_FALSE(contains(page, c.goneLink)) << c.description;
        EXPECT_TRUE(contains(page, "</html>")) << c.description << ": the page is whole";
    }
}

// Data files in an encoding they do not declare, or declare wrongly: titles still come out right.
TEST(HostileInputTest, DataFileInAnUndeclaredOrWrongEncodingStillReadsRight)
{
    const std::string title = "大根と鶏のさっぱり煮";
    const std::string sjisTitle = "\x91\xe5\x8d\xaa\x82\xc6\x8c\x7b\x82\xcc\x82\xb3\x82\xc1\x82\xcf\x82\xe8\x8e\xcf";
    const std::string eucTitle = "\xc2\xe7\xba\xac\xa4\xc8\xb7\xdc\xa4\xce\xa4\xb5\xa4\xc3\xa4\xd1\xa4\xea\xbc\xd1";
    const struct {
        const char* description;
        std::string content;
    } cases[] = {
        {"Shift_JIS without a declaration",
         partsFile(entry("r1", sjisTitle, "recipe/0001.html"), "<?xml version=\"1.0\"?>")},
        {"Shift_JIS declared as UTF-8", partsFile(entry("r1", sjisTitle, "recipe/0001.html"))},
        {"UTF-8 declared as Shift_JIS",
         partsFile(entry("r1", title, "recipe/0001.html"), "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>")},
        {"EUC-JP without any declaration",
         "<partinfo>\n" + entry("r1", eucTitle, "recipe/0001.html") + "</partinfo>\n"},
        {"UTF-8 with a byte order mark and no declaration",
         "\xef\xbb\xbf<partinfo>\n" + entry("r1", title, "recipe/0001.html") + "</partinfo>\n"},
    };
    for (const auto& c : cases) {
        ScratchSite site;
        ASSERT_TRUE(site.generate());
        site.write(kRecipeData, c.content);
        const Tree before = site.tree();
        const RunResult r = site.zebhost({"update", "レシピ"}, {}, kLater);
        EXPECT_EQ(0, r.exitCode) << c.description << ": " << r.err;
        EXPECT_EQ(rewritten({kRecipePage}), differences(before, site.tree())) << c.description;
        const std::string page = readFile(site / kRecipePage);
        EXPECT_TRUE(contains(page, ">" + title + "<")) << c.description << ": " << page;
        EXPECT_TRUE(contains(page, "href=\"recipe/0001.html\"")) << c.description;
    }
}

// An XML file whose DTD names files outside the site: none of them is ever read.
TEST(HostileInputTest, ExternalFilesNamedByADoctypeAreNeverRead)
{
    testsupport::TempDir outside;
    const std::string secret = "ZEB-SECRET-5d41402a";
    testsupport::writeFile(outside / "secret.txt", secret + "\n");
    testsupport::writeFile(outside / "secret.dtd", "<!ENTITY leak \"" + secret + "\">");
    const std::string doctype =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE x SYSTEM \"" + outside / "secret.dtd" +
        "\" [\n<!ENTITY secret SYSTEM \"file://" + outside / "secret.txt" + "\">\n<!ENTITY % ext SYSTEM \"" +
        outside / "secret.dtd" +
        "\"> %ext;\n<!ENTITY lol \"lol\"><!ENTITY lol2 \"&lol;&lol;&lol;&lol;&lol;&lol;\">\n]>\n";

    ScratchSite site;
    ASSERT_TRUE(site.generate());
    site.write("qcms/qccl.xml", doctype +
                                    "<categorymngdoc>\n<category numid=\"0\"><name>&secret;</name></category>\n"
                                    "<category numid=\"1\"><name>日記</name></category>\n"
                                    "<category numid=\"2\"><name>&leak;&lol2;</name></category>\n</categorymngdoc>\n");
    site.write(kRecipeData,
               doctype + "<partinfo>\n" + entry("r1", "&secret;&leak;", "recipe/&secret;.html") + "</partinfo>\n");
    site.write("qcms/zebsitec001table000001202503.xml",
               doctype + "<partinfo>\n" + entry("d1", "&secret;", "diary/&leak;.html", "2025/03/05 10:00:00") +
                   "</partinfo>\n");

    std::string printed;
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"-v", "update"}, {"categories"}, {"items", "index.html"}, {"apply", "index.html", "--select-all"}}) {
        const RunResult r = site.zebhost(args, {}, kLater);
        EXPECT_LT(r.seconds, 20.0) << args[0];
        printed += r.out + r.err;
    }
    EXPECT_FALSE(contains(printed, secret)) << printed;
    for (const auto& [path, state] : site.tree())
        EXPECT_FALSE(contains(state.bytes, secret)) << path;
    // The references stay text, written escaped.
    EXPECT_TRUE(contains(readFile(site / kRecipePage), "&amp;secret;&amp;leak;")) << readFile(site / kRecipePage);
}

// numid texts that are not plain numbers read the way the platform reads numbers: with
// saturation, sign, leading white space, and 0 for no digits. A number without a link-part id
// (above 999) gets no link part, and applying twice gives the same page.
TEST(HostileInputTest, NumberTextsOfCategories)
{
    ScratchSite site;
    site.write("qcms/qccl.xml",
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<categorymngdoc>\n"
               "<category numid=\"99999999999\"><name>大きい</name></category>\n"
               "<category numid=\"1\"><name>日記</name></category>\n"
               "<category numid=\" 7\"><name>空白七</name></category>\n"
               "<category numid=\"3\"><name>四番目</name></category>\n"
               "<category numid=\"-0\"><name>負のゼロ</name></category>\n"
               "<category numid=\"x\"><name>エックス</name></category>\n"
               "<category numid=\"-5\"><name>負</name></category>\n"
               "<category numid=\"1000\"><name>制御&#27;]0;x&#7;&#x9b;</name></category>\n"
               "</categorymngdoc>\n",
               kDataTime);
    site.write("qcms/zebsitec007table000001.xml", partsFile(entry("s1", "七の記事", "seven/1.html")), kDataTime);

    RunResult r = site.zebhost({"categories"});
    ASSERT_EQ(0, r.exitCode) << r.err;
    // Control characters in a name reached the terminal as escape sequences.
    EXPECT_EQ("2147483647 大きい\n  1 日記\n  7 空白七\n  3 四番目\n  0 負のゼロ\n  0 エックス\n1000 "
              "制御\\x1B]0;x\\x07\\x9B\n",
              r.out);
    EXPECT_TRUE(contains(site.zebhost({"items", "index.html"}).out, "制御\\x1B]0;x\\x07\\x9B"))
        << "in the dialog's items";

    const Tree before = site.tree();
    r = site.zebhost({"-v", "update"});
    ASSERT_EQ(0, r.exitCode) << r.err;
    std::vector<std::string> added;
    for (const std::string& d : differences(before, site.tree())) {
        ASSERT_EQ('+', d[0]) << d;
        if (!contains(d, "zebsitec001table000001"))
            added.push_back(d);
    }
    // 0 (twice, one page), 3 and 7; the diary's pages aside. "categories" made no folder.
    EXPECT_EQ((std::vector<std::string>{"+ ZebSitemenu", "+ ZebSitemenu/zebsitec000table000001.html",
                                        "+ ZebSitemenu/zebsitec003table000001.html",
                                        "+ ZebSitemenu/zebsitec007table000001.html"}),
              added);

    r = site.zebhost({"apply", "index.html", "--select-all"});
    EXPECT_EQ(0, r.exitCode) << r.err;
    const std::string once = readFile(site / "index.html");
    EXPECT_FALSE(contains(once, "id=\"\"")) << "a link part without an id";
    EXPECT_TRUE(contains(r.err, "大きい")) << "the category without a link part is warned about: " << r.err;
    r = site.zebhost({"apply", "index.html", "--select-all"});
    EXPECT_EQ(once, readFile(site / "index.html")) << "a second apply changed the page";
}

// Names, titles and links with markup, quotes, ampersands and format directives come out as
// text: escaped in every page, literal in the dialog.
TEST(HostileInputTest, MarkupInNamesTitlesAndLinksIsEscapedEverywhere)
{
    const std::string name = "<script>alert(\"c\")</script> & 'q' %s%n";
    const std::string nameXml = "&lt;script&gt;alert(\"c\")&lt;/script&gt; &amp; 'q' %s%n";
    ScratchSite site;
    std::string list = readFile(site / "qcms/qccl.xml");
    list.replace(list.find("レシピ"), std::string("レシピ").size(), nameXml);
    site.write("qcms/qccl.xml", list, kDataTime);
    site.write(kRecipeData,
               partsFile(entry("r1", "&lt;script&gt;alert(1)&lt;/script&gt; &amp;amp; \"quoted\"",
                               "recipe/1.html\" onclick=\"alert(2)") +
                         entry("r2", "<![CDATA[<img src=x onerror=alert(3)>]]>", "javascript:'><b>x</b>")),
               kDataTime);
    site.write("qcms/zebsitec001table000001202503.xml",
               partsFile(entry("d1", "<![CDATA[</td><script>alert(4)</script>]]>",
                               "diary/a.html\"&gt;&lt;script&gt;alert(5)&lt;/script&gt;", "2025/03/05 10:00:00")),
               kDataTime);

    RunResult r = site.zebhost({"update"});
    ASSERT_EQ(0, r.exitCode) << r.err;
    r = site.zebhost({"items", "index.html"});
    ASSERT_EQ(0, r.exitCode) << r.err;
    EXPECT_TRUE(contains(r.out, "[ ] 「" + name + "」へのリンク\n")) << r.out;
    r = site.zebhost({"categories"});
    EXPECT_TRUE(contains(r.out, "  2 " + name + "\n")) << r.out;
    r = site.zebhost({"apply", "index.html", "--select-all"});
    ASSERT_EQ(0, r.exitCode) << r.err;
    EXPECT_TRUE(contains(r.out, "gained zebsitec002table000001 (" + name + ")")) << r.out;

    for (const auto& [path, state] : site.tree()) {
        if (state.folder || !(contains(path, "ZebSitemenu/") || path == "index.html"))
            continue;
        // Outside attribute values (the day link of the 5th holds one, quoted).
        std::string text = state.bytes;
        for (std::size_t at; (at = text.find("=\"diary/a.html")) != std::string::npos;)
            text.erase(at, text.find("\">5<", at) - at);
        EXPECT_FALSE(contains(text, "<script>alert(")) << path;
        EXPECT_FALSE(contains(state.bytes, "onclick=\"alert")) << path;
        EXPECT_FALSE(contains(state.bytes, "<img src=x")) << path;
        EXPECT_FALSE(contains(state.bytes, "<b>x</b>")) << path;
    }
    const std::string recipe = readFile(site / kRecipePage);
    EXPECT_TRUE(contains(recipe, "&lt;script&gt;alert(\"c\")&lt;/script&gt; &amp; 'q' %s%n")) << recipe;
    EXPECT_TRUE(contains(recipe, "href=\"recipe/1.html&quot; onclick=&quot;alert(2)\"")) << recipe;
    EXPECT_TRUE(contains(recipe, "&lt;script&gt;alert(1)&lt;/script&gt; &amp;amp; \"quoted\"")) << recipe;
    EXPECT_TRUE(contains(recipe, "&lt;img src=x onerror=alert(3)&gt;")) << recipe;
    const std::string march = readFile(site / menuPage("202503"));
    // In an attribute value only the quote needs escaping: the rest stays inside the value.
    EXPECT_TRUE(contains(march, "HREF=\"diary/a.html&quot;><script>alert(5)</script>\">5</a>")) << march;
    EXPECT_EQ(1u, count(readFile(site / "index.html"), "id=\"zebsitec002table000001\""));
}

// A data file just below the size limit: the run finishes in reasonable time and memory, and the
// page lists the file's first entries. (Under the sanitizers, which multiply time and memory, 10
// MB.) Above the limit (a sparse 20 GB file took 44 s and 20.9 GB), it is refused at once.
TEST(HostileInputTest, DataFileNearAndAboveTheSizeLimit)
{
    const std::size_t megabytes = underSanitizer() ? 10 : 30;
    std::string data = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<partinfo>\n";
    data.reserve(megabytes * 1024 * 1024 + 4096);
    for (int i = 0; data.size() < megabytes * 1024 * 1024; ++i)
        data += entry(testsupport::numbered('r', i),
                      "長い記事の題名 その" + std::to_string(i) + "（大きなデータファイルを試すための文）",
                      "recipe/" + std::to_string(i) + ".html", "2025/02/11 18:20:00");
    data += "</partinfo>\n";

    ScratchSite site;
    ASSERT_TRUE(site.generate());
    site.write(kRecipeData, data);
    data.clear();
    data.shrink_to_fit();
    const Tree before = site.tree();
    const RunResult r = site.zebhost({"update"}, {}, kLater);
    ASSERT_EQ(0, r.exitCode) << r.err;
    EXPECT_EQ(rewritten({kRecipePage}), differences(before, site.tree()));
    const std::string page = readFile(site / kRecipePage);
    EXPECT_TRUE(contains(page, "href=\"recipe/0.html\"")) << page;
    EXPECT_TRUE(contains(page, "href=\"recipe/9.html\"")) << page;
    EXPECT_FALSE(contains(page, "href=\"recipe/10.html\"")) << "ten slots in the template";
    std::printf("[ measured ] %zu MB data file: %.1f s, peak memory %ld MB\n", megabytes, r.seconds, r.maxRssKb / 1024);
    EXPECT_LT(r.seconds, underSanitizer() ? 120.0 : 60.0);
    EXPECT_LT(r.maxRssKb / 1024, 1200) << "MB at the peak";

    ASSERT_EQ(0, truncate((site / kRecipeData).c_str(), 20'000'000'000));
    const RunResult big = site.zebhost({"update", "レシピ"}, {}, kLater);
    EXPECT_EQ(1, big.exitCode);
    EXPECT_EQ("zebhost: " + kRecipeData + ": not read: larger than the 32 MiB a file may have\n", big.err);
    EXPECT_LT(big.seconds, 5.0);
    EXPECT_FALSE(contains(readFile(site / kRecipePage), "href=\"recipe/0.html\"")) << "a page without its entries";
}

// Stray and damaged names in the CMS and site-menu folders: the run stays within the valid months
// and leaves the strays alone; a month page that is only an empty file is made anew when its
// month is rebuilt.
TEST(HostileInputTest, StrayNamesInTheCmsAndSiteMenuFolders)
{
    ScratchSite site;
    ASSERT_TRUE(site.generate());
    const std::string october = readFile(site / "qcms/zebsitec001table000001202410.xml");
    site.write("qcms/zebsitec001table000001-copy.xml", october);
    site.write("qcms/zebsitec001table000001200813.xml", october);
    site.write("qcms/zebsitec001table000001.xml.bak", october);
    site.write("ZebSitemenu/zebsitec001table000001-old.html", readFile(site / menuPage("202410")));
    site.write("ZebSitemenu/zebsitec001table000001999999.html", "");

    // Nothing stale yet: the strays alone change nothing.
    Tree before = site.tree();
    RunResult r = site.zebhost({"update"}, {}, kLater);
    EXPECT_EQ(0, r.exitCode) << r.err;
    EXPECT_LT(r.seconds, 10.0);
    EXPECT_EQ("no page written: every page is up to date\n", r.out);
    EXPECT_EQ(std::vector<std::string>{}, differences(before, site.tree()));

    // A month page emptied, older than its data: rebuilt whole, with its links.
    site.write(menuPage("202407"), "", scratch::kDataTime - 3600);
    before = site.tree();
    r = site.zebhost({"update"}, {}, kLater);
    EXPECT_EQ(0, r.exitCode) << r.err;
    EXPECT_EQ(rewritten({menuPage("202404"), menuPage("202407"), kCalendarPage, menuPage("202503")}),
              differences(before, site.tree()));
    const std::string july = readFile(site / menuPage("202407"));
    EXPECT_TRUE(contains(july, "summary=\"2024-07\"")) << july;
    EXPECT_TRUE(contains(july, "</html>")) << july;
    r = site.zebhost({"update"}, {}, "2025-03-28T12:00");
    EXPECT_EQ("no page written: every page is up to date\n", r.out) << "the mended page is up to date";

    // A copy named for 9999-12 made one update write 95,700 pages. Now the diary writes nothing
    // and says why; the other categories go on.
    site.write("qcms/zebsitec001table000001999912.xml", october);
    site.write(kRecipeData, readFile(site / kRecipeData));
    before = site.tree();
    r = site.zebhost({"update"}, {}, "2025-03-28T12:00");
    EXPECT_EQ(1, r.exitCode);
    EXPECT_EQ("zebhost: " + kCalendarPage +
                  ": not written: the diary's months 2024-04 to 9999-12 span 95709 months, "
                  "more than 1200 (2024-04: qcms/zebsitec001table000001202404.xml; 9999-12: "
                  "qcms/zebsitec001table000001999912.xml); no diary page written\n",
              r.err);
    EXPECT_EQ(rewritten({kRecipePage}), differences(before, site.tree()));
}

// A folder named like a month page, at the start or in the middle of the run of months: that page
// cannot be written there. It ended the run, and the calendar page, later months and other
// categories were never written; now that page is skipped and reported, the rest of the run
// completes, and zebhost fails.
TEST(HostileInputTest, FolderNamedLikeAMonthPage)
{
    // The run of months starts at the first month page: the folder's where it stands first.
    const std::vector<std::string> after{menuPage("202410"), kCalendarPage, kRecipePage, menuPage("202503")};
    std::vector<std::string> fromApril = after;
    fromApril.push_back(menuPage("202404"));
    for (const auto& [month, written] : {std::pair{std::string("202401"), after}, {std::string("202502"), fromApril}}) {
        ScratchSite site;
        ASSERT_TRUE(site.generate());
        std::remove((site / menuPage(month)).c_str());
        testsupport::writeFile(site / (menuPage(month) + "/keep.txt"), "mine");
        site.write("qcms/zebsitec001table000001202410.xml", readFile(site / "qcms/zebsitec001table000001202410.xml"));
        site.write(kRecipeData, readFile(site / kRecipeData));
        const Tree before = site.tree();
        const RunResult r = site.zebhost({"-v", "update"}, {}, kLater);
        EXPECT_EQ(1, r.exitCode) << r.out << r.err;
        EXPECT_EQ("zebhost: " + menuPage(month) + ": not written: a folder has the page's name\n", r.err);
        EXPECT_EQ(rewritten(written), differences(before, site.tree())) << month << ": " << r.out;
    }
}

// Links and special files where pages and data files belong. A page linked to a file outside the
// site had that file replaced (exit 0); a FIFO named like a data file made zebhost wait for ever.
// Now every such page is refused and reported, the FIFO is not read, the run goes on and fails,
// and nothing outside the site changes.
TEST(HostileInputTest, LinksOutOfTheSiteAndSpecialFilesAreNeverWrittenNorWaitedOn)
{
    const std::string outsidePage = "outside page";
    const struct {
        const char* description;
        std::vector<std::string> args;
        std::string link;   // made a link to target (a FIFO where target is "FIFO")
        std::string target; // relative to the outside folder unless it starts with "site:"
        std::string err;    // a line zebhost prints
    } cases[] = {
        {"a page linked to a file outside",
         {"update"},
         kRecipePage,
         "authorized_keys",
         "zebhost: " + kRecipePage + ": not written: a symbolic link to a place outside the site folder\n"},
        {"the site-menu folder linked outside",
         {"update"},
         "ZebSitemenu",
         ".",
         "zebhost: " + kCalendarPage + ": not written: outside the site folder\n"},
        {"a page linked to a FIFO in the site",
         {"update"},
         kRecipePage,
         "site:qcms/fifo",
         "zebhost: " + kRecipePage +
             ": not written: not a regular file (a FIFO, device or socket has the page's name)\n"},
        {"a data file that is a FIFO",
         {"update"},
         kRecipeData,
         "FIFO",
         "zebhost: " + kRecipeData + ": not read: not a regular file\n"},
        {"a month data file that is a FIFO, in apply",
         {"apply", "index.html", "--check", "日記"},
         "qcms/zebsitec001table000001202503.xml",
         "FIFO",
         "not read: not a regular file\n"},
        {"the page to edit linked outside", {"apply", "linked.html", "--select-all"}, "linked.html", "page.html", ""},
    };
    for (const auto& c : cases) {
        testsupport::TempDir outside;
        testsupport::writeFile(outside / "authorized_keys", "ssh-ed25519 AAAA mine\n");
        testsupport::writeFile(outside / "page.html", "<html><body><p>" + outsidePage + "</p></body></html>\n");
        testsupport::setMtime(outside / "authorized_keys", kDataTime - 3600); // older than the data
        const Tree outsideBefore = snapshot(outside.path());
        ScratchSite site;
        ASSERT_TRUE(site.generate());
        site.write(kRecipeData, readFile(site / kRecipeData)); // the recipe page is stale
        std::filesystem::remove_all(site / c.link);
        if (c.target == "FIFO") {
            ASSERT_EQ(0, mkfifo((site / c.link).c_str(), 0644)) << c.description;
        } else {
            if (c.target.rfind("site:", 0) == 0) {
                ASSERT_EQ(0, mkfifo((site / c.target.substr(5)).c_str(), 0644)) << c.description;
            }
            const std::string target = c.target.rfind("site:", 0) == 0 ? site / c.target.substr(5) : outside / c.target;
            ASSERT_EQ(0, symlink(target.c_str(), (site / c.link).c_str())) << c.description;
        }
        const RunResult r = site.zebhost(c.args, {}, kLater);
        EXPECT_NE(0, r.exitCode) << c.description << ": " << r.out << r.err;
        EXPECT_TRUE(contains(r.err, c.err)) << c.description << ": " << r.err;
        EXPECT_LT(r.seconds, 20.0) << c.description;
        EXPECT_EQ(std::vector<std::string>{}, differences(outsideBefore, snapshot(outside.path()))) << c.description;
    }
}

// A calendar page whose calendar was taken out by hand: the next update rebuilds it, and the
// dialog's OK puts the calendar in the page.
TEST(HostileInputTest, CalendarPageWhoseCalendarWasDeletedByHand)
{
    ScratchSite site;
    ASSERT_TRUE(site.generate());
    std::string calendar = readFile(site / kCalendarPage);
    const std::size_t start = calendar.find("<table id=\"zebsitec001table000001\"");
    ASSERT_NE(std::string::npos, start);
    calendar.erase(start, calendar.find("</table>", start) + 8 - start);
    site.write(kCalendarPage, calendar, scratch::kChangeTime);

    const Tree before = site.tree();
    RunResult r = site.zebhost({"-v", "update"}, {}, kLater);
    EXPECT_EQ(0, r.exitCode) << r.err;
    EXPECT_EQ(rewritten({menuPage("202404"), kCalendarPage, menuPage("202503")}), differences(before, site.tree()))
        << r.out;
    EXPECT_TRUE(contains(readFile(site / kCalendarPage), "summary=\"2025-03\""));

    r = site.zebhost({"apply", "index.html", "--check", "日記"}, {}, kLater);
    EXPECT_EQ(0, r.exitCode) << r.err;
    EXPECT_EQ("", r.err);
    EXPECT_TRUE(contains(readFile(site / "index.html"), "summary=\"2025-03\""));
}

// Link-part templates that lack what a category link part is made from.
TEST(HostileInputTest, TemplateWithoutAnchorsOrWithoutTheLinkPartElement)
{
    const struct {
        const char* description;
        std::string html;
        bool pagesMade;
    } cases[] = {
        {"no anchors", "<html><body><div id=\"ZEB_CATEGORY_1\"><h3>Category</h3><p>no links</p></div></body></html>\n",
         true},
        {"no link-part element",
         "<html><body><div id=\"other\"><h3>Category</h3><a href=\"#\">x</a></div></body></html>\n", false},
        {"empty template", "", false},
    };
    for (const auto& c : cases) {
        testsupport::TempDir data;
        testsupport::writeFile(data / "template/_cm/temp/linkparts00.html", c.html);
        const std::vector<std::string> env{"ZEBHOST_DATA_DIR=" + data.path()};
        ScratchSite site;
        const Tree before = site.tree();
        RunResult r = site.zebhost({"update"}, env);
        EXPECT_EQ(c.pagesMade ? 0 : 1, r.exitCode) << c.description << ": " << r.err;
        EXPECT_EQ(!c.pagesMade, contains(r.err, "has no element with id ZEB_CATEGORY_1; no link part for お知らせ"))
            << c.description << ": " << r.err;
        std::vector<std::string> added;
        for (const std::string& d : differences(before, site.tree()))
            if (!contains(d, "zebsitec001table000001"))
                added.push_back(d);
        if (c.pagesMade) {
            EXPECT_EQ((std::vector<std::string>{
                          "+ ZebSitemenu", "+ ZebSitemenu/zebsitec000table000001.html",
                          "+ ZebSitemenu/zebsitec002table000001.html", "+ ZebSitemenu/zebsitec003table000001.html",
                          "+ ZebSitemenu/zebsitec004table000001.html", "+ ZebSitemenu/zebsitec005table000001.html"}),
                      added)
                << c.description;
            const std::string recipe = readFile(site / kRecipePage);
            EXPECT_TRUE(contains(recipe, "<h3>レシピ</h3><p>no links</p>")) << recipe;
            EXPECT_FALSE(contains(recipe, "<a")) << recipe;
        } else {
            EXPECT_EQ(std::vector<std::string>{"+ ZebSitemenu"}, added) << c.description;
        }

        const std::string page = readFile(site / "index.html");
        r = site.zebhost({"apply", "index.html", "--check", "レシピ", "--check", "日記"}, env);
        EXPECT_EQ(c.pagesMade ? 0 : 1, r.exitCode) << c.description << ": " << r.err;
        const std::string saved = readFile(site / "index.html");
        EXPECT_TRUE(contains(saved, "id=\"zebsitec001table000001\"")) << c.description;
        EXPECT_EQ(c.pagesMade, contains(saved, "id=\"zebsitec002table000001\"")) << c.description;
        EXPECT_EQ(!c.pagesMade, contains(r.err, "has no element with id ZEB_CATEGORY_1; no link part for レシピ\n"))
            << c.description << ": " << r.err;
    }
}

// A page nested thousands deep is refused with a message (it crashed zebhost, out of stack); a
// data file nested as deep is read (in linear time) and its text shown.
TEST(HostileInputTest, DeeplyNestedPageAndDataFile)
{
    ScratchSite site;
    ASSERT_TRUE(site.generate());
    std::string deep;
    for (int i = 0; i < 20000; ++i)
        deep += "<div>";
    deep += "deep";
    for (int i = 0; i < 20000; ++i)
        deep += "</div>";
    site.write("deep.html", "<!DOCTYPE html><html><body>" + deep + "</body></html>\n");
    std::string title;
    for (int i = 0; i < 100000; ++i)
        title += "<b>";
    title += "深い";
    for (int i = 0; i < 100000; ++i)
        title += "</b>";
    site.write(kRecipeData, partsFile(entry("r1", title, "recipe/1.html")));

    Tree before = site.tree();
    RunResult r = site.zebhost({"apply", "deep.html", "--select-all"}, {}, kLater);
    EXPECT_EQ(1, r.exitCode) << r.out << r.err;
    EXPECT_EQ("zebhost: deep.html: cannot be read as a page\n", r.err);
    EXPECT_EQ(std::vector<std::string>{}, differences(before, site.tree()));

    r = site.zebhost({"update", "レシピ"}, {}, kLater);
    EXPECT_EQ(0, r.exitCode) << r.err;
    EXPECT_LT(r.seconds, 30.0);
    EXPECT_TRUE(contains(readFile(site / kRecipePage), ">深い</a>"));
    EXPECT_EQ(rewritten({kRecipePage}), differences(before, site.tree()));
}
