#include "platform/CWnd.h"

namespace platform {

CWnd::~CWnd() = default;

int CWnd::GetDlgCtrlID() const
{
    return template_ ? template_->id : -1;
}

void CWnd::attach(CDialog* dialog, const ControlTemplate* control)
{
    dialog_ = dialog;
    template_ = control;
    text_ = control ? control->text : std::wstring();
}

void CWnd::detach()
{
    dialog_ = nullptr;
    template_ = nullptr;
}

} // namespace platform
