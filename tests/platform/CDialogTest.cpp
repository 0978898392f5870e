#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/CButton.h"
#include "platform/CCheckListBox.h"
#include "platform/CDialog.h"
#include "platform/ResourceChain.h"
#include "platform/ScriptedDialogBackEnd.h"

using namespace platform;

namespace {

constexpr int kTemplate = 31001;
constexpr int kList = 100;
constexpr int kFill = 101;
constexpr int kBoom = 102;

ResourceTable makeTable()
{
    ResourceTable table;
    DialogTemplate dialog{L"テスト", L"font", 9, 200, 100, 0, {}};
    dialog.controls = {
        {kList, L"LISTBOX", L"", 5, 5, 100, 80, style::WS_TABSTOP},
        {kFill, L"BUTTON", L"&Fill", 120, 5, 50, 14, style::WS_TABSTOP},
        {kBoom, L"BUTTON", L"Boom", 120, 25, 50, 14, style::WS_TABSTOP},
        {IDOK, L"BUTTON", L"OK", 120, 60, 50, 14, style::WS_TABSTOP},
        {IDCANCEL, L"BUTTON", L"Cancel", 120, 80, 50, 14, style::WS_TABSTOP},
        {-1, L"STATIC", L"text", 5, 90, 100, 8, 0},
    };
    table.dialogs.emplace(kTemplate, dialog);
    return table;
}

// A dialog with a check list, a button mapped to a handler and one whose handler throws.
class TestDialog : public CDialog {
public:
    TestDialog() : CDialog(kTemplate)
    {
        mapMessage(kFill, Notification::Clicked, &TestDialog::onFill);
        mapMessage(kBoom, Notification::Clicked, &TestDialog::onBoom);
        mapMessage(kList, Notification::SelChange, &TestDialog::onSelChange);
    }

    CCheckListBox list;
    CButton fill;
    int exchangesToMembers = 0;
    int exchangesToControls = 0;
    int selChanges = 0;
    bool okSeen = false;

protected:
    void DoDataExchange(CDataExchange* pDX) override
    {
        DDX_Control(pDX, kList, list);
        DDX_Control(pDX, kFill, fill);
        ++(pDX->m_bSaveAndValidate ? exchangesToMembers : exchangesToControls);
    }
    bool OnInitDialog() override
    {
        CDialog::OnInitDialog();
        list.AddString(L"one");
        list.AddString(L"two");
        list.SetItemData(1, 7);
        return true;
    }
    void OnOK() override
    {
        okSeen = true;
        CDialog::OnOK();
    }

private:
    void onFill()
    {
        for (int i = 0; i < list.GetCount(); ++i)
            list.SetCheck(i, CCheckListBox::Checked);
    }
    void onBoom() { throw std::runtime_error("boom"); }
    void onSelChange() { ++selChanges; }
};

class CDialogTest : public ::testing::Test {
protected:
    void SetUp() override { ResourceChain::registerTable(&table_); }
    void TearDown() override
    {
        CDialog::setBackEnd(nullptr);
        ResourceChain::unregisterTable(&table_);
    }

    int run(TestDialog& dialog, std::vector<DialogAction> actions)
    {
        backEnd_.setActions(std::move(actions));
        CDialog::setBackEnd(&backEnd_);
        return dialog.DoModal();
    }

    ResourceTable table_ = makeTable();
    ScriptedDialogBackEnd backEnd_;
};

TEST_F(CDialogTest, MappedHandlerRunsAndOkEndsWithItsResult)
{
    TestDialog dialog;
    EXPECT_EQ(IDOK, run(dialog, {DialogAction::press(kFill), DialogAction::ok()}));
    EXPECT_TRUE(dialog.okSeen);
    ASSERT_EQ(2u, backEnd_.lastOutcome().items.size());
    EXPECT_EQ(1, backEnd_.lastOutcome().items[0].check);
    EXPECT_EQ(1, backEnd_.lastOutcome().items[1].check);
    // Initialisation exchanged towards the controls, OK back to the members.
    EXPECT_EQ(1, dialog.exchangesToControls);
    EXPECT_EQ(1, dialog.exchangesToMembers);
}

TEST_F(CDialogTest, ControlsLetGoWhenTheDialogCloses)
{
    TestDialog dialog;
    run(dialog, {DialogAction::cancel()});
    EXPECT_FALSE(dialog.list.IsAttached());
    EXPECT_FALSE(dialog.fill.IsAttached());
    EXPECT_EQ(-1, dialog.list.GetDlgCtrlID());
    EXPECT_FALSE(dialog.isRunning());
    EXPECT_FALSE(dialog.UpdateData(true));
}

TEST_F(CDialogTest, ScriptThatRunsOutCancels)
{
    TestDialog dialog;
    EXPECT_EQ(IDCANCEL, run(dialog, {DialogAction::check(1)}));
    EXPECT_FALSE(dialog.okSeen);
    EXPECT_EQ(IDCANCEL, backEnd_.lastOutcome().result);
}

TEST_F(CDialogTest, CheckingAnotherItemMovesTheSelection)
{
    TestDialog dialog;
    run(dialog, {DialogAction::check(L"two"), DialogAction::check(L"two"), DialogAction::ok()});
    EXPECT_EQ(1, dialog.selChanges);
    EXPECT_EQ(1, backEnd_.lastOutcome().items[1].check);
    EXPECT_EQ(0, backEnd_.lastOutcome().items[0].check);
}

TEST_F(CDialogTest, UnknownItemStopsTheScriptAndCancels)
{
    TestDialog dialog;
    EXPECT_EQ(IDCANCEL, run(dialog, {DialogAction::check(L"three"), DialogAction::ok()}));
    EXPECT_FALSE(dialog.okSeen);
    EXPECT_NE(std::wstring::npos, backEnd_.failure().find(L"three"));

    TestDialog second;
    EXPECT_EQ(IDCANCEL, run(second, {DialogAction::press(999), DialogAction::ok()}));
    EXPECT_FALSE(second.okSeen);
    EXPECT_FALSE(backEnd_.failure().empty());
}

TEST_F(CDialogTest, ItemsFoundByTheirDataAndButtonsByTheirMnemonic)
{
    struct Case {
        const char* description;
        DialogAction action;
        int result;
        std::vector<int> checks;    // of the items at the close, after OK
        const wchar_t* failurePart; // "" when the script went through
    } cases[] = {
        {"the item whose data is asked for", DialogAction::checkData(7, L"seven"), IDOK, {0, 1}, L""},
        {"no item with that data", DialogAction::checkData(8, L"eight"), IDCANCEL, {0, 0}, L"eight"},
        {"the button whose text marks the mnemonic", DialogAction::pressMnemonic(L'F'), IDOK, {1, 1}, L""},
        {"no button with that mnemonic", DialogAction::pressMnemonic(L'Z'), IDCANCEL, {0, 0}, L"Z"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.description);
        TestDialog dialog;
        EXPECT_EQ(c.result, run(dialog, {c.action, DialogAction::ok()}));
        ASSERT_EQ(2u, backEnd_.lastOutcome().items.size());
        EXPECT_EQ(c.checks[0], backEnd_.lastOutcome().items[0].check);
        EXPECT_EQ(c.checks[1], backEnd_.lastOutcome().items[1].check);
        EXPECT_NE(std::wstring::npos, backEnd_.failure().find(c.failurePart));
    }
}

TEST_F(CDialogTest, HelpIsShownAndTheDialogGoesOn)
{
    TestDialog dialog;
    EXPECT_EQ(IDOK, run(dialog, {DialogAction::help(), DialogAction::ok()}));
    EXPECT_EQ(1, backEnd_.lastOutcome().helpShown);
}

TEST_F(CDialogTest, NoTemplateOrNoBackEndMeansNoDialog)
{
    TestDialog dialog;
    ResourceChain::unregisterTable(&table_);
    EXPECT_EQ(-1, run(dialog, {DialogAction::ok()}));
    ResourceChain::registerTable(&table_);
    CDialog::setBackEnd(nullptr);
    EXPECT_EQ(-1, dialog.DoModal());
    EXPECT_FALSE(dialog.okSeen);
}

// A handler that throws (a page that cannot be written) must leave the dialog in a state in
// which it can be destroyed; before the close guard its controls kept pointing at it.
TEST_F(CDialogTest, HandlerExceptionPassesThroughAndReleasesTheControls)
{
    auto dialog = std::make_unique<TestDialog>();
    EXPECT_THROW(run(*dialog, {DialogAction::press(kBoom), DialogAction::ok()}), std::runtime_error);
    EXPECT_FALSE(dialog->isRunning());
    EXPECT_FALSE(dialog->list.IsAttached());
    dialog.reset(); // must not touch the members it no longer has
    TestDialog again;
    EXPECT_EQ(IDOK, run(again, {DialogAction::ok()}));
}

TEST_F(CDialogTest, NotificationsOutsideARunAreIgnored)
{
    TestDialog dialog;
    EXPECT_FALSE(dialog.notify(IDOK, Notification::Clicked));
    EXPECT_FALSE(dialog.okSeen);
    EXPECT_FALSE(dialog.fill.Click());
}

} // namespace
