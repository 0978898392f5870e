#pragma once
#include <memory>

#include "platform/DialogBackEnd.h"

namespace platform {

// Shows dialogs in the terminal (curses), laid out on the character grid from their templates.
// Keys come from standard input; the dialog is drawn on the controlling terminal (/dev/tty).
//
// Keys: Up/Down choose an item of a check list (Home, End, PgUp, PgDn too); Left/Right scroll a
// list sideways when its items are wider than it; Tab and Shift-Tab move between controls (on a
// button the arrows do as well); Space toggles the chosen item's check or presses the focused
// button; a button's mnemonic letter (with or without Alt) presses it; Enter is OK, Esc is
// Cancel, F1 is Help.
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

private:
    struct Session;
    Session* session_ = nullptr; // the screen while run() is active
};

} // namespace platform
