#pragma once
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/CDataExchange.h"
#include "platform/CWnd.h"
#include "platform/DialogIds.h"
#include "platform/DialogTemplate.h"

namespace platform {

class DialogBackEnd;

// A modal dialog made from a dialog template that is looked up by number in the resource chain.
// Derived dialogs override DoDataExchange, OnInitDialog, OnOK and OnCancel and map control
// notifications to their handlers with mapMessage. The dialog runs on the back end the host
// installed (terminal or scripted).
class CDialog : public CWnd {
public:
    explicit CDialog(int templateId, CWnd* parent = nullptr);
    ~CDialog() override;

    // Shows the dialog and runs it until it ends; returns the value given to EndDialog (IDOK,
    // IDCANCEL), or -1 when the template is not in the resource chain or no back end is installed.
    virtual int DoModal();
    // Runs the data exchange in one direction; false when the dialog is not running.
    bool UpdateData(bool saveAndValidate = true);
    // Ends the modal loop with the result; later calls are ignored.
    void EndDialog(int result);

    // Delivers a control's notification: the message map first, then the commands every dialog
    // knows (IDOK -> OnOK, IDCANCEL -> OnCancel, ID_HELP -> OnHelp). False when nothing handled
    // it or the dialog is not running.
    bool notify(int controlId, Notification code);

    // The template number.
    int templateId() const { return templateId_; }
    // The parent window given at construction; null for none.
    CWnd* GetParent() const { return parent_; }
    // The template of the running dialog; null when not running.
    const DialogTemplate* dialogTemplate() const { return template_; }
    // The attached control with that id; null when none is attached.
    CWnd* GetDlgItem(int id) const;
    // Whether the dialog is between DoModal's start and its end.
    bool isRunning() const { return template_ != nullptr; }
    // Whether EndDialog was called in this run.
    bool isEnded() const { return ended_; }

    // Installs the process's dialog back end (not owned; null removes it). Returns the previous.
    static DialogBackEnd* setBackEnd(DialogBackEnd* backEnd);
    // The installed back end; null when none.
    static DialogBackEnd* backEnd();

protected:
    virtual void DoDataExchange(CDataExchange* pDX);
    // Attaches the controls (a data exchange towards the controls); true lets the framework set
    // the focus.
    virtual bool OnInitDialog();
    // Takes the controls' data (UpdateData(true)) and ends the dialog with IDOK.
    virtual void OnOK();
    // Ends the dialog with IDCANCEL.
    virtual void OnCancel();
    // Asks the back end to show its help text.
    virtual void OnHelp();

    // Maps a control's notification to a handler of the derived dialog.
    template <class D>
    void mapMessage(int controlId, Notification code, void (D::*handler)())
    {
        messageMap_.push_back({controlId, code, [this, handler] { (static_cast<D*>(this)->*handler)(); }});
    }

private:
    friend void DDX_Control(CDataExchange* pDX, int id, CWnd& control);
    void attachControl(int id, CWnd& control);
    void detachControls();

    struct MessageEntry {
        int controlId;
        Notification code;
        std::function<void()> handler;
    };

    int templateId_;
    CWnd* parent_;
    const DialogTemplate* template_ = nullptr;
    bool ended_ = false;
    int result_ = -1;
    std::map<int, CWnd*> controls_;
    std::vector<MessageEntry> messageMap_;
};

} // namespace platform
