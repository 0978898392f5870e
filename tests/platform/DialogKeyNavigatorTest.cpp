#include <gtest/gtest.h>

#include <algorithm>

#include "platform/DialogIds.h"
#include "platform/DialogKeyNavigator.h"

using namespace platform;

// Enter used to mean OK wherever the focus was: Enter on [キャンセル] saved the page.
TEST(DialogKeyNavigatorTest, EnterPressesTheFocusedButtonAndKeysActOnTheFocus)
{
    constexpr int kList = 6042;
    constexpr int kSelectAll = 6043;
    const DialogFocus list{DialogFocus::List, kList, 2, 5, 3};
    const DialogFocus noCurrent{DialogFocus::List, kList, -1, 5, 3};
    const DialogFocus empty{DialogFocus::List, kList, -1, 0, 3};
    const DialogFocus cancel{DialogFocus::Button, IDCANCEL};
    const DialogFocus selectAll{DialogFocus::Button, kSelectAll};
    using A = KeyAction;
    using K = DialogKey;
    struct Case {
        const char* description;
        DialogKey key;
        DialogFocus focus;
        KeyAction expected;
    } cases[] = {
        {"Enter on the list is OK", {K::Enter}, list, {A::Press, IDOK}},
        {"Enter on Cancel cancels", {K::Enter}, cancel, {A::Press, IDCANCEL}},
        {"Enter on a side button presses it", {K::Enter}, selectAll, {A::Press, kSelectAll}},
        {"Space toggles the current item", {K::Space}, list, {A::ToggleItem, 2}},
        {"Space without a current item toggles the first", {K::Space}, noCurrent, {A::ToggleItem, 0}},
        {"Space on an empty list does nothing", {K::Space}, empty, {}},
        {"Space presses a button", {K::Space}, cancel, {A::Press, IDCANCEL}},
        {"Esc cancels", {K::Escape}, list, {A::Press, IDCANCEL}},
        {"Ctrl-C interrupts", {K::Interrupt}, selectAll, {A::Interrupt}},
        {"F1 is help", {K::Help}, list, {A::Press, ID_HELP}},
        {"Down from no current item goes below the first", {K::Down}, noCurrent, {A::SelectItem, 1}},
        {"Up from no current item makes the first current", {K::Up}, noCurrent, {A::SelectItem, 0}},
        {"PgDn stops at the last item", {K::PageDown}, list, {A::SelectItem, 4}},
        {"Home on the first item does nothing", {K::Home}, DialogFocus{DialogFocus::List, kList, 0, 5, 3}, {}},
        {"Left scrolls the list sideways", {K::Left}, list, {A::ScrollSideways, -2}},
        {"Left on a button moves the focus back", {K::Left}, cancel, {A::MoveFocus, -1}},
        {"Shift-Tab moves the focus back", {K::BackTab}, list, {A::MoveFocus, -1}},
        {"a lower-case mnemonic presses its button", {K::Character, L'a'}, list, {A::Press, kSelectAll}},
        {"a letter that is no mnemonic does nothing", {K::Character, L'x'}, list, {}},
    };
    const DialogKeyNavigator navigator({{L'A', kSelectAll}, {0, IDOK}});
    for (const Case& c : cases) {
        const KeyAction got = navigator.actionFor(c.key, c.focus);
        EXPECT_EQ(c.expected, got) << c.description << ": got " << got.kind << "/" << got.value;
    }
}

// A button's mnemonic is listed among the keys, aligned with them; a button without one is not.
TEST(DialogKeyNavigatorTest, HelpLinesListTheButtonsMnemonics)
{
    const auto lines = DialogKeyNavigator::helpLines(L"設定", {{L'A', L"すべて選択"}, {0, L"OK"}});
    EXPECT_EQ(lines.front(), L"設定 の操作");
    EXPECT_NE(std::find(lines.begin(), lines.end(), L"A        すべて選択"), lines.end());
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](const std::wstring& l) { return l.find(L"OK") == 0; }), 0);
}
