#include "platform/ScriptedDialogBackEnd.h"

#include "platform/CButton.h"
#include "platform/CCheckListBox.h"
#include "platform/CDialog.h"
#include "platform/DialogIds.h"

namespace platform {

namespace {

// The dialog's first attached check list; null when it has none.
CCheckListBox* firstCheckList(CDialog& dialog)
{
    const DialogTemplate* tmpl = dialog.dialogTemplate();
    if (!tmpl)
        return nullptr;
    for (const ControlTemplate& control : tmpl->controls) {
        if (auto* list = dynamic_cast<CCheckListBox*>(dialog.GetDlgItem(control.id)))
            return list;
    }
    return nullptr;
}

bool hasControl(const CDialog& dialog, int id)
{
    const DialogTemplate* tmpl = dialog.dialogTemplate();
    if (!tmpl)
        return false;
    for (const ControlTemplate& control : tmpl->controls) {
        if (control.id == id)
            return true;
    }
    return false;
}

// The id of the first button whose text marks the mnemonic; 0 when none does.
int buttonWithMnemonic(const CDialog& dialog, wchar_t mnemonic)
{
    const DialogTemplate* tmpl = dialog.dialogTemplate();
    if (!tmpl || mnemonic == 0)
        return 0;
    for (const ControlTemplate& control : tmpl->controls) {
        if (control.className == L"BUTTON" && control.id > 0 && CButton::mnemonicOf(control.text) == mnemonic)
            return control.id;
    }
    return 0;
}

// The index of the first item of the list the action names by text or data; -1 when none.
int findItem(CCheckListBox& list, const DialogAction& action)
{
    for (int i = 0; i < list.GetCount(); ++i) {
        std::wstring text;
        if (action.by == DialogAction::By::Data ? list.GetItemData(i) == action.data
                                                : list.GetText(i, text) != CCheckListBox::LB_ERR && text == action.text)
            return i;
    }
    return -1;
}

} // namespace

ScriptedDialogBackEnd::ScriptedDialogBackEnd(std::vector<DialogAction> actions) : actions_(std::move(actions)) {}

void ScriptedDialogBackEnd::setActions(std::vector<DialogAction> actions)
{
    actions_ = std::move(actions);
}

bool ScriptedDialogBackEnd::run(CDialog& dialog)
{
    failure_.clear();
    for (const DialogAction& action : actions_) {
        if (dialog.isEnded())
            break;
        if (!perform(dialog, action)) {
            dialog.EndDialog(IDCANCEL);
            break;
        }
    }
    if (!dialog.isEnded())
        dialog.EndDialog(IDCANCEL);
    return true;
}

bool ScriptedDialogBackEnd::perform(CDialog& dialog, const DialogAction& action)
{
    switch (action.kind) {
    case DialogAction::Kind::Check:
    case DialogAction::Kind::Uncheck: {
        CCheckListBox* list = firstCheckList(dialog);
        if (!list) {
            failure_ = L"the dialog has no check list";
            return false;
        }
        const int index = action.by == DialogAction::By::Index ? action.index : findItem(*list, action);
        if (index < 0 || index >= list->GetCount()) {
            failure_ = action.by == DialogAction::By::Index  ? L"no item " + std::to_wstring(action.index)
                       : action.by == DialogAction::By::Text ? L"no item \"" + action.text + L"\""
                                                             : L"the dialog lists no item for " + action.text;
            return false;
        }
        if (list->GetCurSel() != index) {
            list->SetCurSel(index);
            dialog.notify(list->GetDlgCtrlID(), Notification::SelChange);
        }
        list->SetCheck(index,
                       action.kind == DialogAction::Kind::Check ? CCheckListBox::Checked : CCheckListBox::Unchecked);
        dialog.notify(list->GetDlgCtrlID(), Notification::CheckChange);
        return true;
    }
    case DialogAction::Kind::Press: {
        const int id = action.controlId != 0 ? action.controlId : buttonWithMnemonic(dialog, action.mnemonic);
        if (id == 0 || !hasControl(dialog, id)) {
            failure_ = action.controlId != 0 ? L"no control " + std::to_wstring(action.controlId)
                                             : L"no button with the mnemonic " + std::wstring(1, action.mnemonic);
            return false;
        }
        dialog.notify(id, Notification::Clicked);
        return true;
    }
    case DialogAction::Kind::Ok:
        dialog.notify(IDOK, Notification::Clicked);
        return true;
    case DialogAction::Kind::Cancel:
        dialog.notify(IDCANCEL, Notification::Clicked);
        return true;
    case DialogAction::Kind::Help:
        dialog.notify(ID_HELP, Notification::Clicked);
        return true;
    }
    return false;
}

void ScriptedDialogBackEnd::showHelp(CDialog&)
{
    ++helpShownInRun_;
}

} // namespace platform
