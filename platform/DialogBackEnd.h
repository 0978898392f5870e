#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

class CDialog;

// How the items of a dialog's check list stood when the dialog closed.
struct CheckListItemState {
    std::wstring text;
    int check;
    std::uintptr_t data;
};

// What became of the last dialog a back end ran.
struct DialogOutcome {
    int result = -1;                       // IDOK, IDCANCEL, or -1 when it did not run
    std::vector<CheckListItemState> items; // the first check list's items at the close
    int helpShown = 0;                     // how often help was asked for
};

// Shows dialogs to the user (or to a script) and runs their modal loop. The host installs one
// with CDialog::setBackEnd; dialogs do not run without one.
class DialogBackEnd {
public:
    virtual ~DialogBackEnd();
    // Runs the modal loop of an initialised dialog until it has ended (CDialog::isEnded).
    // Returns false when the back end could not show the dialog at all; the dialog is then ended
    // with IDCANCEL by its caller.
    virtual bool run(CDialog& dialog) = 0;
    // Shows a short help text for the dialog.
    virtual void showHelp(CDialog& dialog) = 0;
    // Called by the dialog just before its controls go away; records the outcome.
    virtual void dialogClosing(CDialog& dialog, int result);
    // Whether the last run was ended by the user's interrupt key (the dialog was then cancelled);
    // false for a back end that has none.
    virtual bool interrupted() const { return false; }
    // What became of the last dialog.
    const DialogOutcome& lastOutcome() const { return outcome_; }
    // Why the last run did not go as asked (the terminal could not be set up, a scripted step
    // could not be carried out); "" when it did.
    const std::wstring& failure() const { return failure_; }

protected:
    // Back ends count each help display here; the count goes into the outcome at the close.
    int helpShownInRun_ = 0;
    std::wstring failure_;

private:
    DialogOutcome outcome_;
};

} // namespace platform
