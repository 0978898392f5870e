#pragma once
#include <memory>

#include "platform/DialogBackEnd.h"

namespace platform {

// Shows dialogs in the terminal (curses), laid out on the character grid from their templates.
// Keys come from standard input; the dialog is drawn on the controlling terminal (/dev/tty).
//
// The keys are DialogKeyNavigator's; the screen's last line names those that matter where the
// focus is. Ctrl-C cancels the dialog and marks the run interrupted.
//
// Built into a library of its own with TerminalCanvas (hostapp/term), which the host loads for
// `edit` only (TerminalDialog): the other commands do not load curses.
class TerminalDialogBackEnd : public DialogBackEnd {
public:
    TerminalDialogBackEnd();
    ~TerminalDialogBackEnd() override;

    // Whether standard input is a terminal and the controlling terminal can be written, so that a
    // dialog can be shown.
    static bool available();

    // False when the terminal cannot be set up (not a terminal, unknown terminal type).
    bool run(CDialog& dialog) override;
    // Shows the keys in a box over the dialog until a key is pressed.
    void showHelp(CDialog& dialog) override;
    // Whether the last run was ended by Ctrl-C (the dialog was then cancelled).
    bool interrupted() const override { return interrupted_; }

private:
    struct Session;
    Session* session_ = nullptr; // the screen while run() is active
    bool interrupted_ = false;
};

} // namespace platform
