#include <gtest/gtest.h>

#include "HostApplication.h"
#include "OpenPage.h"
#include "TreeOutline.h"
#include "host/CZebAppEngineer.h"
#include "host/Document.h"
#include "host/DomUtBase.h"
#include "host/Element.h"
#include "linkparts/CZebCMData.h"
#include "module/LinkPartPageFixture.h"
#include "platform/PageWriter.h"

using testsupport::U;
using testsupport::W;

namespace {

// A page laid out as the host lays out pages: the contents table, the side cell, the site-menu
// table in it, and an old link part of category 2 behind the table.
const char kLaidOutPage[] = "<!DOCTYPE html>\n<html><head><title>t</title></head><body>\n"
                            "<table id=\"_ZEB_LAYOUT_CONTENTS\"><tr>\n"
                            "<td class=\"zeb-lb-tb1-cell3\">\n"
                            "<table id=\"zebsitemenutable000000000001\"><tr><td>menu</td></tr></table>\n"
                            "<div id=\"ZEBSITEC002TABLE000001\">old two</div>\n"
                            "</td>\n"
                            "<td><p id=\"main\">main text</p></td>\n"
                            "</tr></table>\n</body></html>\n";

// Records the order of page writes.
class WriteOrder {
public:
    WriteOrder()
    {
        platform::PageWriter::setObserver([this](const std::wstring& path, bool written, const std::string&) {
            if (written)
                names.push_back(U(path.substr(path.rfind(L'/') + 1)));
        });
    }
    ~WriteOrder() { platform::PageWriter::setObserver({}); }
    std::vector<std::string> names;
};

class RefreshCount : public CZebRefreshTarget {
public:
    void refresh() override { ++count; }
    int count = 0;
};

// Position of text in the markup; npos when absent.
std::size_t at(const std::string& markup, const std::string& text)
{
    return markup.find(text);
}

} // namespace

TEST(CZebCMDataTest, HasLinkPartForReadsTheThreeCharactersAfterTheFirstC)
{
    struct Case {
        const char* description;
        std::vector<std::wstring> ids;
        int number;
        bool expected;
    } cases[] = {
        {"plain id of category 1", {L"zebsitec001table000001"}, 1, true},
        {"another number does not match", {L"zebsitec001table000001"}, 2, false},
        {"upper case is lowered first", {L"ZEBSITEC012TABLE000001"}, 12, true},
        {"a c before the prefix reads 'zeb' as 0", {L"xczebsitec003table000001"}, 0, true},
        {"... and so not as category 3", {L"xczebsitec003table000001"}, 3, false},
        {"an id beginning with c never counts", {L"czebsitec000table000001"}, 0, false},
        {"... whatever follows", {L"c001"}, 1, false},
        {"empty entries are skipped", {L"", L"zebsitec004table000001"}, 4, true},
        {"no c at all", {L"zebsite"}, 0, false},
        {"any entry of several", {L"zebsitec000table000001", L"zebsitec007table000001"}, 7, true},
        {"no ids", {}, 0, false},
    };
    CZebCMData registry(false);
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, registry.hasLinkPartFor(c.number, c.ids)) << c.description;
}

TEST(CZebCMDataTest, ContainsNameIsExactAndIgnoresEmptyEntries)
{
    CZebCMData registry(false);
    EXPECT_TRUE(registry.containsName(L"日記", {L"お知らせ", L"日記"}));
    EXPECT_FALSE(registry.containsName(L"abc", {L"ABC", L"abc "}));
    EXPECT_FALSE(registry.containsName(L"", {L""}));
}

TEST(CZebCMDataTest, ScanFindsLinkPartsAndLowersTheirIds)
{
    LinkPartPageFixture site({{"2", "A"}});
    site.openPage(kLaidOutPage);
    CZebCMData registry(true);
    ASSERT_EQ(1u, registry.linkPartElements.size());
    EXPECT_EQ(std::vector<std::wstring>{L"zebsitec002table000001"}, registry.linkPartIds);
    EXPECT_TRUE(registry.hasLinkPartFor(2, registry.linkPartIds));

    site.openPage("<html><body><p id=\"zebsite\">no link part</p></body></html>");
    CZebCMData none(true);
    EXPECT_TRUE(none.linkPartElements.empty());
    EXPECT_TRUE(none.linkPartIds.empty());

    CZebCMData unscanned(false);
    EXPECT_TRUE(unscanned.linkPartElements.empty());
}

TEST(CZebCMDataTest, NoOpenPageMeansAnEmptyRegistryAndNoChange)
{
    LinkPartPageFixture site({{"2", "A"}});
    CZebCMData registry(true);
    EXPECT_TRUE(registry.linkPartElements.empty());
    registry.applySelection({L"A"}); // nothing to apply to; must simply return
}

TEST(CZebCMDataTest, ReadCategoriesKeepsFileOrderAndDropsUnusableRecords)
{
    struct Case {
        const char* description;
        LinkPartPageFixture::Categories file;
        std::vector<std::wstring> names;
        std::vector<std::wstring> numids;
    } cases[] = {
        {"file order, numid text unchanged", {{"5", "B"}, {" 02", "A"}}, {L"B", L"A"}, {L"5", L" 02"}},
        {"negative number and empty name are left out", {{"-1", "A"}, {"2", ""}}, {}, {}},
        {"a letter reads as 0 and stays", {{"x", "X"}}, {L"X"}, {L"x"}},
    };
    for (const Case& c : cases) {
        LinkPartPageFixture site(c.file);
        CZebCMData registry(false);
        std::vector<std::wstring> names{L"stale"};
        std::vector<std::wstring> numids{L"stale"};
        registry.readCategories(names, numids);
        EXPECT_EQ(c.names, names) << c.description;
        EXPECT_EQ(c.numids, numids) << c.description;
    }
}

TEST(CZebCMDataTest, ReadCategoriesWithoutACategoryListOrSiteIsEmpty)
{
    LinkPartPageFixture site({{"2", "A"}});
    std::remove((site.folder() + "/qcms/qccl.xml").c_str());
    CZebCMData registry(false);
    std::vector<std::wstring> names;
    std::vector<std::wstring> numids;
    registry.readCategories(names, numids);
    EXPECT_TRUE(names.empty());
    EXPECT_TRUE(numids.empty());
}

TEST(CZebCMDataTest, UpdateRunsInFileOrderOnceEachThenRefreshes)
{
    LinkPartPageFixture site({{"2", "A"}, {"3", "B"}, {"4", "C"}});
    RefreshCount refresh;
    setRefreshTarget(&refresh);
    WriteOrder writes;
    CZebCMData registry(true); // no page needs to be open
    registry.updateCategories({L"B", L"A", L"A", L"nobody"});
    setRefreshTarget(nullptr);
    EXPECT_EQ((std::vector<std::string>{"zebsitec002table000001.html", "zebsitec003table000001.html"}), writes.names);
    EXPECT_EQ(1, refresh.count);
}

TEST(CZebCMDataTest, UpdateWithNoNamesStillRefreshes)
{
    LinkPartPageFixture site({{"2", "A"}});
    RefreshCount refresh;
    setRefreshTarget(&refresh);
    WriteOrder writes;
    CZebCMData(false).updateCategories({});
    setRefreshTarget(nullptr);
    EXPECT_TRUE(writes.names.empty());
    EXPECT_EQ(1, refresh.count);
}

TEST(CZebCMDataTest, ApplyPutsChosenPartsBehindTheSiteMenuInListOrder)
{
    LinkPartPageFixture site({{"2", "A"}, {"3", "B"}, {"4", "C"}});
    site.openPage(kLaidOutPage);
    const std::string before = site.markup();
    CZebCMData registry(true);
    registry.applySelection({L"B", L"A"});

    const std::string after = site.markup();
    EXPECT_EQ((std::vector<std::string>{"zebsitec002table000001", "zebsitec003table000001"}), site.linkPartIds());
    EXPECT_EQ(std::string::npos, at(after, "old two"));
    const std::size_t menuEnd = at(after, "</table>");
    EXPECT_LT(menuEnd, at(after, "zebsitec002table000001"));
    EXPECT_LT(at(after, "zebsitec002table000001"), at(after, "zebsitec003table000001"));
    EXPECT_LT(at(after, "zebsitec003table000001"), at(after, "</td>\n<td><p id=\"main\">"));
    // The rest of the page is untouched.
    EXPECT_EQ(before.substr(at(before, "<td><p id=\"main\">")), after.substr(at(after, "<td><p id=\"main\">")));
    EXPECT_TRUE(site.page()->isModified());
    EXPECT_EQ(1, site.page()->viewUpdates());
}

TEST(CZebCMDataTest, EmptyChoiceRemovesEveryOldLinkPart)
{
    LinkPartPageFixture site({{"2", "A"}});
    site.openPage(kLaidOutPage);
    CZebCMData registry(true);
    registry.applySelection({});
    EXPECT_TRUE(site.linkPartIds().empty());
    EXPECT_EQ(std::string::npos, at(site.markup(), "old two"));
    EXPECT_TRUE(site.page()->isModified());
}

TEST(CZebCMDataTest, WithoutCursorOrMenuTheStartPlaceIsTheSideCellThenTheContents)
{
    struct Case {
        const char* description;
        const char* html;
        const char* container; // the element the part must open
    } cases[] = {
        {"side cell first",
         "<html><body><div id=\"_ZEB_LAYOUT_CONTENTS\"><p>c</p></div>"
         "<div class=\"zeb-lb-tb1-cell3\" id=\"cell\"><p>s</p></div></body></html>",
         "cell"},
        {"contents element when there is no side cell",
         "<html><body><div id=\"_ZEB_LAYOUT_CONTENTS\"><p>c</p></div></body></html>", "_ZEB_LAYOUT_CONTENTS"},
    };
    for (const Case& c : cases) {
        LinkPartPageFixture site({{"2", "A"}});
        site.openPage(c.html);
        CZebCMData(true).applySelection({L"A"});
        Element* container = site.byId(c.container);
        ASSERT_NE(nullptr, container) << c.description;
        Element* first = static_cast<Element*>(container->getFirstChild());
        ASSERT_NE(nullptr, first) << c.description;
        ASSERT_EQ(Node::Type::Element, first->getNodeType()) << c.description;
        EXPECT_EQ(L"zebsitec002table000001", first->getAttribute(L"id")) << c.description;
        // The cursor is back at the start place.
        int offset = -1;
        EXPECT_EQ(static_cast<Node*>(container), site.page()->domUtBase()->getLayoutCursor(offset)) << c.description;
        EXPECT_EQ(0, offset);
    }
}

TEST(CZebCMDataTest, WithNoPlaceAtAllOldPartsStillGo)
{
    LinkPartPageFixture site({{"2", "A"}});
    site.openPage("<html><body><div id=\"zebsitec002table000001\">old</div><p>x</p></body></html>");
    CZebCMData(true).applySelection({L"A"});
    EXPECT_EQ(std::string::npos, at(site.markup(), ">old<"));
    EXPECT_TRUE(site.page()->isModified());
}

TEST(CZebCMDataTest, TheUsersCursorIsRestoredAfterTheInsertion)
{
    LinkPartPageFixture site({{"2", "A"}});
    site.openPage(kLaidOutPage);
    Element* main = site.byId("main");
    site.page()->domUtBase()->setLayoutCursor(main, 1);
    CZebCMData(true).applySelection({L"A"});
    int offset = -1;
    EXPECT_EQ(static_cast<Node*>(main), site.page()->domUtBase()->getLayoutCursor(offset));
    EXPECT_EQ(1, offset);
    // The site-menu table decided the place, not the cursor.
    EXPECT_LT(at(site.markup(), "zebsitec002"), at(site.markup(), "id=\"main\""));
}

// Fault: a cursor inside an old link part was put back, after the apply, on a node that had gone
// out of the page with that part (and a host that leaves the cursor there inserts the new link
// parts into the removed part). The cursor now moves to where the old part stood; inside a link
// part nested in another, to where the outer one stood.
TEST(CZebCMDataTest, CursorInsideAnOldLinkPartStaysInThePage)
{
    const char* parts[] = {
        "<div id=\"zebsitec002table000001\">old <b id=\"in\">two</b></div>",
        "<div id=\"zebsitec002table000001\">old <div id=\"zebsitec003table000001\"><b id=\"in\">3</b></div></div>",
    };
    for (const char* part : parts) {
        LinkPartPageFixture site({{"2", "A"}, {"3", "B"}});
        site.openPage(std::string("<html><body><div id=\"side\"><p>before</p>") + part +
                      "<p>after</p></div></body></html>");
        site.page()->domUtBase()->setLayoutCursor(site.byId("in"), 1);
        CZebCMData(true).applySelection({L"A", L"B"});
        const std::string after = site.markup();
        EXPECT_EQ((std::vector<std::string>{"zebsitec002table000001", "zebsitec003table000001"}), site.linkPartIds());
        EXPECT_LT(at(after, "before"), at(after, "zebsitec002"));
        EXPECT_LT(at(after, "zebsitec003"), at(after, "after"));
        int offset = -1;
        Node* top = site.page()->domUtBase()->getLayoutCursor(offset);
        ASSERT_NE(nullptr, top);
        while (top->getParentNode())
            top = top->getParentNode();
        EXPECT_EQ(static_cast<Node*>(site.page()->document()), top) << "cursor left in a removed link part: " << part;
    }
}

// Fault: a cursor in a script, a title, a text area or a select put the link parts in as text or
// dropped them, so that no later scan found them and every OK added one more copy; in a table or a
// paragraph the page read back with the parts moved. They now go to the nearest place that keeps
// them, and the next OK replaces them.
TEST(CZebCMDataTest, CursorWhereMarkupWouldNotStayGetsThePartsOnceAndTheyAreReplaced)
{
    const char* places[] = {
        "<script id=\"in\">var a = 1;</script>",
        "<textarea id=\"in\">t</textarea>",
        "<select><option id=\"in\">o</select>",
        "<table><tr id=\"in\"><td>c</td></tr></table>",
        "<p id=\"in\">para</p>",
    };
    for (const char* place : places) {
        LinkPartPageFixture site({{"2", "A"}, {"3", "B"}});
        site.openPage(std::string("<html><head><title>t</title></head><body><div id=\"side\">") + place +
                      "</div><p>after</p></body></html>");
        for (int ok = 0; ok < 2; ++ok) {
            Element* in = site.byId("in");
            site.page()->domUtBase()->setLayoutCursor(in, in->childCount());
            CZebCMData(true).applySelection({L"A", L"B"});
        }
        EXPECT_EQ((std::vector<std::string>{"zebsitec002table000001", "zebsitec003table000001"}), site.linkPartIds())
            << place;
        EXPECT_TRUE(TreeOutline::readsBack(*site.page()->document())) << place;
    }
}

// Fault: the cursor was set to the start of the node after the site-menu table. With no node
// after it the cursor was cleared; with an element after it the link parts went inside that
// element. Either way they did not go right behind the table.
TEST(CZebCMDataTest, LinkPartsGoRightBehindTheSiteMenuTableWhateverFollowsIt)
{
    struct Case {
        const char* description;
        const char* after; // what follows the table inside #side
    } cases[] = {
        {"nothing", ""},
        {"an element", "<div id=\"next\">n</div>"},
        {"text", "\ntext"},
    };
    for (const Case& c : cases) {
        LinkPartPageFixture site({{"2", "A"}, {"3", "B"}});
        site.openPage(std::string("<html><body><div id=\"side\"><p>x</p><table id=\"zebsitemenutable000000000001\">"
                                  "<tr><td>m</td></tr></table>") +
                      c.after + "</div><p id=\"main\">y</p></body></html>");
        CZebCMData(true).applySelection({L"A", L"B"});
        const std::string html = site.markup();
        const std::size_t tableEnd = html.find("</table>") + 8;
        EXPECT_EQ(tableEnd, html.rfind('<', html.find("id=\"zebsitec002table000001\"")))
            << c.description << ": " << html;
        EXPECT_LT(html.find("zebsitec002"), html.find("zebsitec003")) << c.description;
        Element* side = site.byId("side");
        for (const char* id : {"zebsitec002table000001", "zebsitec003table000001"}) {
            Element* part = site.byId(id);
            ASSERT_NE(nullptr, part) << c.description << ": " << id;
            EXPECT_EQ(static_cast<Node*>(side), part->getParentNode()) << c.description << ": " << id;
        }
    }
}
