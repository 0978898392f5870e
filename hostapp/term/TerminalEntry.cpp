// The entry points of the terminal dialog's library, which TerminalDialog looks up after loading it.
#include "platform/TerminalDialogBackEnd.h"

// Whether a dialog can be shown in the terminal (TerminalDialogBackEnd::available).
extern "C" __attribute__((visibility("default"))) bool zebhostTerminalAvailable()
{
    return platform::TerminalDialogBackEnd::available();
}

// A new terminal back end, owned by the caller; never null.
extern "C" __attribute__((visibility("default"))) platform::DialogBackEnd* zebhostCreateTerminalBackEnd()
{
    return new platform::TerminalDialogBackEnd();
}
