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

TEST(CButtonTest, Mnemonics)
{
    struct Case {
        const wchar_t* text;
        wchar_t mnemonic;
        const wchar_t* shown;
        int index;
    } cases[] = {
        {L"すべて選択(&A)", L'A', L"すべて選択(A)", 6},
        {L"すべての設定を外す(&D)", L'D', L"すべての設定を外す(D)", 10},
        {L"&ok", L'O', L"ok", 0},
        {L"Fish && Chips", 0, L"Fish & Chips", -1},
        {L"trailing&", 0, L"trailing", -1},
        {L"", 0, L"", -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.mnemonic, CButton::mnemonicOf(c.text)) << testing::PrintToString(std::wstring(c.text));
        EXPECT_EQ(std::wstring(c.shown), CButton::displayText(c.text));
        EXPECT_EQ(c.index, CButton::mnemonicIndex(c.text));
    }
}

} // namespace
