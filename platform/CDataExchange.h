#pragma once

namespace platform {

class CDialog;
class CWnd;

// One data exchange between a dialog's members and its controls.
class CDataExchange {
public:
    CDataExchange(CDialog* dialog, bool saveAndValidate) : m_pDlgWnd(dialog), m_bSaveAndValidate(saveAndValidate) {}

    CDialog* m_pDlgWnd;
    // True: from the controls to the members; false: from the members to the controls.
    bool m_bSaveAndValidate;
};

// Attaches control to the dialog's control with that id, once per run of the dialog; does
// nothing when the dialog's template has no such control.
void DDX_Control(CDataExchange* pDX, int id, CWnd& control);

} // namespace platform
