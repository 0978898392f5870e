#include "platform/DialogKeyNavigator.h"

#include <algorithm>

#include "platform/DialogIds.h"
#include "platform/TextWidth.h"

namespace platform {

namespace {

// Cells one Left or Right scrolls a list: a full-width character.
constexpr int kSidewaysStep = 2;

KeyAction action(KeyAction::Kind kind, int value = 0)
{
    return KeyAction{kind, value};
}

} // namespace

DialogKeyNavigator::DialogKeyNavigator(std::vector<std::pair<wchar_t, int>> mnemonics)
    : mnemonics_(std::move(mnemonics))
{
}

KeyAction DialogKeyNavigator::selectItem(int item, const DialogFocus& focus) const
{
    if (focus.count <= 0)
        return {};
    item = std::clamp(item, 0, focus.count - 1);
    return item == focus.current ? KeyAction{} : action(KeyAction::SelectItem, item);
}

KeyAction DialogKeyNavigator::actionFor(const DialogKey& key, const DialogFocus& focus) const
{
    const bool list = focus.kind == DialogFocus::List;
    const bool button = focus.kind == DialogFocus::Button;
    // A list without a current item shows its cursor on the first: the keys start from there.
    const int current = std::max(focus.current, 0);
    switch (key.code) {
    case DialogKey::Up:
        return list ? selectItem(current - 1, focus) : action(KeyAction::MoveFocus, -1);
    case DialogKey::Down:
        return list ? selectItem(current + 1, focus) : action(KeyAction::MoveFocus, 1);
    case DialogKey::PageUp:
        return list ? selectItem(current - focus.page, focus) : KeyAction{};
    case DialogKey::PageDown:
        return list ? selectItem(current + focus.page, focus) : KeyAction{};
    case DialogKey::Home:
        return list ? selectItem(0, focus) : KeyAction{};
    case DialogKey::End:
        return list ? selectItem(focus.count - 1, focus) : KeyAction{};
    case DialogKey::Left:
        return list ? action(KeyAction::ScrollSideways, -kSidewaysStep) : action(KeyAction::MoveFocus, -1);
    case DialogKey::Right:
        return list ? action(KeyAction::ScrollSideways, kSidewaysStep) : action(KeyAction::MoveFocus, 1);
    case DialogKey::Tab:
        return action(KeyAction::MoveFocus, 1);
    case DialogKey::BackTab:
        return action(KeyAction::MoveFocus, -1);
    case DialogKey::Enter:
        return action(KeyAction::Press, button ? focus.id : IDOK);
    case DialogKey::Space:
        if (button)
            return action(KeyAction::Press, focus.id);
        return list && focus.count > 0 ? action(KeyAction::ToggleItem, current) : KeyAction{};
    case DialogKey::Escape:
        return action(KeyAction::Press, IDCANCEL);
    case DialogKey::Help:
        return action(KeyAction::Press, ID_HELP);
    case DialogKey::Interrupt:
        return action(KeyAction::Interrupt);
    case DialogKey::Character: {
        const wchar_t c = key.character;
        const wchar_t upper = (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c;
        for (const auto& [mnemonic, id] : mnemonics_) {
            if (mnemonic != 0 && mnemonic == upper)
                return action(KeyAction::Press, id);
        }
        return {};
    }
    case DialogKey::Other:
        break;
    }
    return {};
}

std::vector<std::wstring> DialogKeyNavigator::helpLines(const std::wstring& title,
                                                        const std::vector<std::pair<wchar_t, std::wstring>>& buttons)
{
    std::vector<std::pair<std::wstring, std::wstring>> keys = {
        {L"↑ ↓", L"項目を選ぶ"},
        {L"Space", L"チェックを付ける/外す、ボタンを押す"},
        {L"← →", L"長い項目を横に送る"},
        {L"Tab", L"次の部品へ (Shift+Tab で前へ)"},
    };
    for (const auto& [mnemonic, label] : buttons)
        if (mnemonic)
            keys.push_back({std::wstring(1, mnemonic), label});
    keys.push_back({L"Enter", L"フォーカスのあるボタンを押す (リストでは OK: 設定して閉じる)"});
    keys.push_back({L"Esc", L"キャンセル (変更せずに閉じる)"});
    keys.push_back({L"Ctrl+C", L"中断 (何も保存せずに終わる)"});
    keys.push_back({L"F1", L"この説明"});

    std::vector<std::wstring> lines;
    lines.push_back(title + L" の操作");
    lines.emplace_back();
    for (const auto& [key, meaning] : keys)
        lines.push_back(key + std::wstring(static_cast<std::size_t>(std::max(1, 9 - textCells(key))), L' ') + meaning);
    lines.emplace_back();
    lines.push_back(L"何かキーを押すと戻ります。");
    return lines;
}

} // namespace platform
