#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/DialogBackEnd.h"

namespace platform {

// One step of a dialog script.
struct DialogAction {
    enum class Kind { Check, Uncheck, Press, Ok, Cancel, Help };
    // How a Check/Uncheck finds its item: by index, by exact text, or by the data the dialog gave
    // the item (what the item stands for).
    enum class By { Index, Text, Data };
    Kind kind;
    By by = By::Index;
    int index = -1;          // Check/Uncheck by index: the item's index
    std::wstring text;       // Check/Uncheck by text: the item's exact text; by data: what it is, for a failure
    std::uintptr_t data = 0; // Check/Uncheck by data: the item's data
    int controlId = 0;       // Press: the control to click; 0 to find the button by its mnemonic
    wchar_t mnemonic = 0;    // Press without a control id: the button's mnemonic (CButton::mnemonicOf)

    static DialogAction check(int index) { return {Kind::Check, By::Index, index, {}, 0, 0, 0}; }
    static DialogAction check(const std::wstring& text) { return {Kind::Check, By::Text, -1, text, 0, 0, 0}; }
    // The first item whose data is data; what names it in the failure message.
    static DialogAction checkData(std::uintptr_t data, const std::wstring& what)
    {
        return {Kind::Check, By::Data, -1, what, data, 0, 0};
    }
    static DialogAction uncheck(int index) { return {Kind::Uncheck, By::Index, index, {}, 0, 0, 0}; }
    static DialogAction uncheck(const std::wstring& text) { return {Kind::Uncheck, By::Text, -1, text, 0, 0, 0}; }
    static DialogAction uncheckData(std::uintptr_t data, const std::wstring& what)
    {
        return {Kind::Uncheck, By::Data, -1, what, data, 0, 0};
    }
    static DialogAction press(int controlId) { return {Kind::Press, By::Index, -1, {}, 0, controlId, 0}; }
    // The button whose text marks this mnemonic (as a terminal user presses it).
    static DialogAction pressMnemonic(wchar_t mnemonic) { return {Kind::Press, By::Index, -1, {}, 0, 0, mnemonic}; }
    static DialogAction ok() { return {Kind::Ok, By::Index, -1, {}, 0, 0, 0}; }
    static DialogAction cancel() { return {Kind::Cancel, By::Index, -1, {}, 0, 0, 0}; }
    static DialogAction help() { return {Kind::Help, By::Index, -1, {}, 0, 0, 0}; }
};

// Runs a dialog by a script instead of a user: the actions are carried out in order, as the user
// would (a check sends the list's CheckChange, a press sends Clicked), until the dialog ends.
// An action that cannot be carried out (no such item or control) stops the script and cancels
// the dialog, so that nothing is applied; failure() then says why. A script that runs out
// without ending the dialog cancels it.
class ScriptedDialogBackEnd : public DialogBackEnd {
public:
    explicit ScriptedDialogBackEnd(std::vector<DialogAction> actions = {});
    // Replaces the script (for the next dialog).
    void setActions(std::vector<DialogAction> actions);

    bool run(CDialog& dialog) override;
    void showHelp(CDialog& dialog) override;

private:
    bool perform(CDialog& dialog, const DialogAction& action);

    std::vector<DialogAction> actions_;
};

} // namespace platform
