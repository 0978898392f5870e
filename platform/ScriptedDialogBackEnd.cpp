#include "platform/ScriptedDialogBackEnd.h"

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
        int index = action.index;
        if (index < 0) {
            for (int i = 0; i < list->GetCount(); ++i) {
                std::wstring text;
                if (list->GetText(i, text) != CCheckListBox::LB_ERR && text == action.text) {
                    index = i;
                    break;
                }
            }
        }
        if (index < 0 || index >= list->GetCount()) {
            failure_ =
                action.index < 0 ? L"no item \"" + action.text + L"\"" : L"no item " + std::to_wstring(action.index);
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
    case DialogAction::Kind::Press:
        if (!hasControl(dialog, action.controlId)) {
            failure_ = L"no control " + std::to_wstring(action.controlId);
            return false;
        }
        dialog.notify(action.controlId, Notification::Clicked);
        return true;
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
