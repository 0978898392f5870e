#include <gtest/gtest.h>

#include "OpenPage.h"
#include "linkparts/CZebCMSelectDlg.h"
#include "linkparts/LinkPartResources.h"
#include "module/LinkPartPageFixture.h"
#include "platform/ResourceChain.h"
#include "platform/ScriptedDialogBackEnd.h"

using platform::DialogAction;
using testsupport::U;

namespace {

const LinkPartPageFixture::Categories kFive = {{"0", "P"}, {"1", "日記"}, {"2", "Q"}, {"3", "R"}, {"4", "S"}};

const char kSiteMenuPage[] = "<html><body><div class=\"zeb-lb-tb1-cell3\">"
                             "<table id=\"zebsitemenutable000000000001\"><tr><td>m</td></tr></table>\n"
                             "<div id=\"zebsitec000table000001\">p</div><div id=\"zebsitec002table000001\">q</div>\n"
                             "</div></body></html>";

class CZebCMSelectDlgTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::ResourceChain::registerTable(&linkPartResources());
        platform::CDialog::setBackEnd(&backEnd_);
    }
    void TearDown() override
    {
        platform::CDialog::setBackEnd(nullptr);
        platform::ResourceChain::unregisterTable(&linkPartResources());
    }

    // Runs the dialog on the open page with the script; returns its result.
    int run(std::vector<DialogAction> actions)
    {
        backEnd_.setActions(std::move(actions));
        CZebCMSelectDlg dialog;
        return dialog.DoModal();
    }

    // The items as "[x] text" / "[ ] text" lines with their data.
    std::vector<std::string> items() const
    {
        std::vector<std::string> lines;
        for (const auto& item : backEnd_.lastOutcome().items)
            lines.push_back(std::string(item.check == 1 ? "[x] " : "[ ] ") + U(item.text) + " #" +
                            std::to_string(item.data));
        return lines;
    }

    platform::ScriptedDialogBackEnd backEnd_;
};

} // namespace

TEST_F(CZebCMSelectDlgTest, ItemsFollowTheListWithoutTheFourthAndWithTheCalendar)
{
    LinkPartPageFixture site(kFive);
    site.openPage(kSiteMenuPage);
    EXPECT_EQ(platform::IDCANCEL, run({DialogAction::cancel()}));
    EXPECT_EQ((std::vector<std::string>{"[x] 「P」へのリンク #0", "[ ] カレンダー型「日記」へのリンク #1",
                                        "[x] 「Q」へのリンク #2", "[ ] 「S」へのリンク #4"}),
              items());
}

TEST_F(CZebCMSelectDlgTest, TheSecondCategoryIsTheCalendarWhateverItsName)
{
    LinkPartPageFixture site({{"0", "P"}, {"1", "X"}, {"2", "Q"}});
    site.openPage(kSiteMenuPage);
    EXPECT_EQ(platform::IDOK, run({DialogAction::press(IDC_CLEAR_ALL),
                                   DialogAction::check(L"カレンダー型「日記」へのリンク"), DialogAction::ok()}));
    EXPECT_EQ("[x] カレンダー型「日記」へのリンク #1", items().at(1));
    // The calendar item selects "日記", which this site does not have: nothing is inserted.
    EXPECT_TRUE(site.linkPartIds().empty());
}

TEST_F(CZebCMSelectDlgTest, SelectAllThenOkInsertsEveryListedCategory)
{
    LinkPartPageFixture site(kFive);
    site.openPage(kSiteMenuPage);
    EXPECT_EQ(platform::IDOK, run({DialogAction::press(IDC_SELECT_ALL), DialogAction::ok()}));
    EXPECT_EQ((std::vector<std::string>{"zebsitec000table000001", "zebsitec001table000001", "zebsitec002table000001",
                                        "zebsitec004table000001"}),
              site.linkPartIds());
}

TEST_F(CZebCMSelectDlgTest, ClearAllThenOkRemovesEveryLinkPart)
{
    LinkPartPageFixture site(kFive);
    site.openPage(kSiteMenuPage);
    EXPECT_EQ(platform::IDOK, run({DialogAction::press(IDC_CLEAR_ALL), DialogAction::ok()}));
    EXPECT_TRUE(site.linkPartIds().empty());
    EXPECT_TRUE(site.page()->isModified());
}

TEST_F(CZebCMSelectDlgTest, CancelChangesNothing)
{
    LinkPartPageFixture site(kFive);
    site.openPage(kSiteMenuPage);
    const std::string before = site.markup();
    EXPECT_EQ(platform::IDCANCEL, run({DialogAction::press(IDC_CLEAR_ALL), DialogAction::check(L"「S」へのリンク"),
                                       DialogAction::cancel()}));
    EXPECT_EQ(before, site.markup());
    EXPECT_FALSE(site.page()->isModified());
}

TEST_F(CZebCMSelectDlgTest, UncheckingOneItemDropsOnlyItsLinkPart)
{
    LinkPartPageFixture site(kFive);
    site.openPage(kSiteMenuPage);
    run({DialogAction::uncheck(L"「P」へのリンク"), DialogAction::ok()});
    EXPECT_EQ(std::vector<std::string>{"zebsitec002table000001"}, site.linkPartIds());
}

// Fault: the name was cut at the first "」", so a category whose name holds "」" lost its link
// part on OK although its item stayed checked.
TEST_F(CZebCMSelectDlgTest, CheckedNameWithClosingBracketKeepsItsLinkPart)
{
    LinkPartPageFixture site({{"0", "P"}, {"1", "日記"}, {"7", "「春」の庭"}});
    site.openPage("<html><body><div class=\"zeb-lb-tb1-cell3\"></div></body></html>");
    EXPECT_EQ(platform::IDOK, run({DialogAction::check(L"「「春」の庭」へのリンク"), DialogAction::ok()}));
    EXPECT_EQ(std::vector<std::string>{"zebsitec007table000001"}, site.linkPartIds());
}

TEST_F(CZebCMSelectDlgTest, CheckedNamesCutBetweenTheFirstOpeningAndTheLastClosingBracket)
{
    LinkPartPageFixture site(kFive);
    CZebCMSelectDlg dialog;
    struct Case {
        const wchar_t* text;
        int check;
    } cases[] = {
        {L"「P」へのリンク", 1},         {L"カレンダー型「日記」へのリンク", 1},
        {L"「a」b」へのリンク", 1},      {L"「indeterminate」へのリンク", 2},
        {L"「unchecked」へのリンク", 0}, {L"no brackets", 1},
    };
    for (const Case& c : cases)
        dialog.checkList.SetCheck(dialog.checkList.AddString(c.text), c.check);
    std::vector<std::wstring> names{L"stale"};
    dialog.getCheckedNames(names);
    EXPECT_EQ((std::vector<std::wstring>{L"P", L"日記", L"a」b"}), names);
}

// A category name is never used as a format: "%s" and "%d" in it show as they are.
TEST_F(CZebCMSelectDlgTest, CategoryNameIsNeverUsedAsFormat)
{
    LinkPartPageFixture site({{"0", "100%s"}, {"1", "日記"}, {"2", "%d%n%s"}});
    site.openPage("<html><body></body></html>");
    run({DialogAction::cancel()});
    EXPECT_EQ("[ ] 「100%s」へのリンク #0", items().at(0));
    EXPECT_EQ("[ ] 「%d%n%s」へのリンク #2", items().at(2));
}

TEST_F(CZebCMSelectDlgTest, NoPageAndNoCategories)
{
    {
        LinkPartPageFixture site(kFive);
        run({DialogAction::press(IDC_SELECT_ALL), DialogAction::ok()}); // no page: nothing to change
        EXPECT_EQ(4u, items().size());
    }
    LinkPartPageFixture empty({});
    empty.openPage(kSiteMenuPage);
    EXPECT_EQ(platform::IDOK, run({DialogAction::ok()}));
    EXPECT_TRUE(items().empty());
    EXPECT_TRUE(empty.linkPartIds().empty()); // OK with no categories removes every link part
}

TEST_F(CZebCMSelectDlgTest, HelpDoesNotCloseTheDialog)
{
    LinkPartPageFixture site(kFive);
    site.openPage(kSiteMenuPage);
    EXPECT_EQ(platform::IDOK, run({DialogAction::help(), DialogAction::ok()}));
    EXPECT_EQ(1, backEnd_.lastOutcome().helpShown);
}
