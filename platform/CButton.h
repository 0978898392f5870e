#pragma once
#include <string>

#include "platform/CWnd.h"

namespace platform {

// A push button (or a group box, which is a button by class). Pressing it sends Clicked to its
// dialog.
class CButton : public CWnd {
public:
    // Presses the button as the user would: the dialog gets Clicked from it. False when the
    // button is not attached.
    bool Click();

    // The mnemonic of a control text: the character after a single '&', upper-cased for ASCII
    // letters; 0 when there is none ("&&" is a literal ampersand).
    static wchar_t mnemonicOf(const std::wstring& text);
    // The text as shown: '&' marks removed, "&&" shown as one '&'.
    static std::wstring displayText(const std::wstring& text);
    // Index in displayText(text) of the mnemonic character; -1 when there is none.
    static int mnemonicIndex(const std::wstring& text);
};

} // namespace platform
