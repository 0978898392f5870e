#pragma once
#include <string>
#include <vector>

#include "platform/DialogBackEnd.h"

namespace platform {

// One step of a dialog script.
struct DialogAction {
    enum class Kind { Check, Uncheck, Press, Ok, Cancel, Help };
    Kind kind;
    int index = -1;    // Check/Uncheck: the item's index, or -1 to find it by text
    std::wstring text; // Check/Uncheck: the item's exact text when index is -1
    int controlId = 0; // Press: the control to click

    static DialogAction check(int index) { return {Kind::Check, index, {}, 0}; }
    static DialogAction check(const std::wstring& text) { return {Kind::Check, -1, text, 0}; }
    static DialogAction uncheck(int index) { return {Kind::Uncheck, index, {}, 0}; }
    static DialogAction uncheck(const std::wstring& text) { return {Kind::Uncheck, -1, text, 0}; }
    static DialogAction press(int controlId) { return {Kind::Press, -1, {}, controlId}; }
    static DialogAction ok() { return {Kind::Ok, -1, {}, 0}; }
    static DialogAction cancel() { return {Kind::Cancel, -1, {}, 0}; }
    static DialogAction help() { return {Kind::Help, -1, {}, 0}; }
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
