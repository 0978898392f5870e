#pragma once
#include <string>
#include <utility>
#include <vector>

namespace platform {

// A key pressed in a dialog, decoded from the terminal's input.
struct DialogKey {
    enum Code {
        Up,
        Down,
        PageUp,
        PageDown,
        Home,
        End,
        Left,
        Right,
        Tab,
        BackTab,
        Enter,
        Space,
        Escape,
        Interrupt,
        Help,
        Character,
        Other
    };
    Code code = Other;
    wchar_t character = 0; // for Character: the character typed, with or without Alt
};

// The focused control, as far as keys care.
struct DialogFocus {
    enum Kind { Nothing, List, Button };
    Kind kind = Nothing;
    int id = 0;       // the control's id
    int current = -1; // List: the current item; -1 for none, when the keys start from the first
    int count = 0;    // List: its items
    int page = 1;     // List: the items PgUp and PgDn move
};

// What a key does in the dialog.
struct KeyAction {
    enum Kind { Nothing, MoveFocus, SelectItem, ToggleItem, ScrollSideways, Press, Interrupt };
    Kind kind = Nothing;
    int value = 0; // MoveFocus: the step; SelectItem, ToggleItem: the item; ScrollSideways: the
                   // cells; Press: the button's id
    bool operator==(const KeyAction&) const = default;
};

// The keys of a dialog shown in the terminal, as a pure mapping from a key and the focus to an
// action, so that they can be tried without a terminal. Up/Down (PgUp, PgDn, Home, End) choose
// a list item; Left/Right scroll a list sideways; Tab and Shift-Tab move the focus (on a button
// the arrows do too); Space toggles the list's current item or presses the focused button; Enter
// presses the focused button and is OK on the list; a button's mnemonic letter presses it; Esc
// is Cancel, F1 Help; Ctrl-C interrupts.
class DialogKeyNavigator {
public:
    // mnemonics: each button's mnemonic (as CButton::mnemonicOf gives it) and id.
    explicit DialogKeyNavigator(std::vector<std::pair<wchar_t, int>> mnemonics = {});

    // The action of key under focus; Nothing for a key that means nothing there, or a move to
    // the item that is already current.
    KeyAction actionFor(const DialogKey& key, const DialogFocus& focus) const;

    // The lines of the keys' help for a dialog titled so: each key and what it does, a button's
    // mnemonic (buttons: mnemonic, 0 for none, and label) among them.
    static std::vector<std::wstring> helpLines(const std::wstring& title,
                                               const std::vector<std::pair<wchar_t, std::wstring>>& buttons);

private:
    KeyAction selectItem(int item, const DialogFocus& focus) const;

    std::vector<std::pair<wchar_t, int>> mnemonics_;
};

} // namespace platform
