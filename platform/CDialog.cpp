#include "platform/CDialog.h"

#include "platform/DialogBackEnd.h"
#include "platform/ResourceChain.h"

namespace platform {

namespace {
DialogBackEnd* g_backEnd = nullptr;
} // namespace

DialogBackEnd* CDialog::setBackEnd(DialogBackEnd* backEnd)
{
    DialogBackEnd* previous = g_backEnd;
    g_backEnd = backEnd;
    return previous;
}

DialogBackEnd* CDialog::backEnd()
{
    return g_backEnd;
}

CDialog::CDialog(int templateId, CWnd* parent) : templateId_(templateId), parent_(parent) {}

CDialog::~CDialog()
{
    detachControls();
}

int CDialog::DoModal()
{
    const DialogTemplate* found = ResourceChain::findDialog(templateId_);
    DialogBackEnd* backEnd = g_backEnd;
    if (!found || !backEnd || isRunning())
        return -1;

    template_ = found;
    ended_ = false;
    result_ = -1;
    SetWindowText(found->caption);

    // An exception from a handler (a page that cannot be written) passes through to the host;
    // the controls must still let go of the dialog, whose members are about to be destroyed.
    struct CloseGuard {
        CDialog& dialog;
        ~CloseGuard()
        {
            dialog.detachControls();
            dialog.template_ = nullptr;
        }
    } guard{*this};

    OnInitDialog();
    if (!ended_ && !backEnd->run(*this))
        EndDialog(IDCANCEL);
    if (!ended_)
        EndDialog(IDCANCEL); // a back end that returned early must not leave the dialog open

    backEnd->dialogClosing(*this, result_);
    return result_;
}

bool CDialog::UpdateData(bool saveAndValidate)
{
    if (!isRunning())
        return false;
    CDataExchange dx(this, saveAndValidate);
    DoDataExchange(&dx);
    return true;
}

void CDialog::EndDialog(int result)
{
    if (ended_)
        return;
    ended_ = true;
    result_ = result;
}

bool CDialog::notify(int controlId, Notification code)
{
    if (!isRunning())
        return false;
    for (const MessageEntry& entry : messageMap_) {
        if (entry.controlId == controlId && entry.code == code) {
            entry.handler();
            return true;
        }
    }
    if (code != Notification::Clicked)
        return false;
    switch (controlId) {
    case IDOK:
        OnOK();
        return true;
    case IDCANCEL:
        OnCancel();
        return true;
    case ID_HELP:
        OnHelp();
        return true;
    default:
        return false;
    }
}

CWnd* CDialog::GetDlgItem(int id) const
{
    auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : it->second;
}

void CDialog::DoDataExchange(CDataExchange*) {}

bool CDialog::OnInitDialog()
{
    UpdateData(false);
    return true;
}

void CDialog::OnOK()
{
    UpdateData(true);
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

void CDialog::OnHelp()
{
    if (g_backEnd)
        g_backEnd->showHelp(*this);
}

void CDialog::attachControl(int id, CWnd& control)
{
    if (!template_ || control.GetParentDialog() == this)
        return;
    for (const ControlTemplate& entry : template_->controls) {
        if (entry.id == id && id != -1) {
            if (CWnd* previous = GetDlgItem(id))
                previous->detach();
            control.attach(this, &entry);
            controls_[id] = &control;
            return;
        }
    }
}

void CDialog::detachControls()
{
    for (auto& [id, control] : controls_)
        control->detach();
    controls_.clear();
}

void DDX_Control(CDataExchange* pDX, int id, CWnd& control)
{
    if (pDX && pDX->m_pDlgWnd)
        pDX->m_pDlgWnd->attachControl(id, control);
}

} // namespace platform
