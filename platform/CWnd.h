#pragma once
#include <string>

#include "platform/DialogTemplate.h"

namespace platform {

class CDialog;

// A control of a running dialog, seen from the dialog's code. A member object becomes a live
// control when the dialog's data exchange attaches it to the template control with its id, and
// stops being one when the dialog closes.
class CWnd {
public:
    CWnd() = default;
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    // Whether the object is attached to a control of a running dialog.
    bool IsAttached() const { return dialog_ != nullptr; }
    // The control's id; -1 when not attached.
    int GetDlgCtrlID() const;
    // The dialog the control belongs to; null when not attached.
    CDialog* GetParentDialog() const { return dialog_; }
    // The template entry the control was made from; null when not attached.
    const ControlTemplate* GetControlTemplate() const { return template_; }
    // The control's text (from the template when attached); "" when it has none.
    const std::wstring& GetWindowText() const { return text_; }
    // Replaces the control's text.
    void SetWindowText(const std::wstring& text) { text_ = text; }

protected:
    friend class CDialog;
    // Makes the object the live control for the template entry; clears what a previous run left.
    virtual void attach(CDialog* dialog, const ControlTemplate* control);
    // Ends the live state when the dialog closes.
    virtual void detach();

private:
    CDialog* dialog_ = nullptr;
    const ControlTemplate* template_ = nullptr;
    std::wstring text_;
};

} // namespace platform
