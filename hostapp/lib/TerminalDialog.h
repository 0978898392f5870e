#pragma once
#include <memory>
#include <string>

#include "platform/DialogBackEnd.h"

// The dialog in the terminal (platform::TerminalDialogBackEnd, on curses) lives in a library of its
// own beside the host's services library (libzebhostterm.so), loaded the first time it is asked
// for, so that the commands that show no dialog do not load curses at every start.
namespace TerminalDialog {

// Whether a dialog can be shown in the terminal (standard input is one, and the controlling
// terminal can be written). False, with the reason in why, when the library cannot be loaded;
// false with why empty when there is no terminal.
bool available(std::string& why);
// A new terminal back end; null, with the reason in why, when the library cannot be loaded.
std::unique_ptr<platform::DialogBackEnd> make(std::string& why);

} // namespace TerminalDialog
