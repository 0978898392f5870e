#include "platform/DialogKeyNavigator.h"

#include <algorithm>

#include "platform/DialogIds.h"

namespace platform {

namespace {

// Cells one Left or Right scrolls a list: a full-width character.
constexpr int kSidewaysStep = 2;

DialogAction action(DialogAction::Kind kind, int value = 0) { return DialogAction{kind, value}; }

} // namespace

DialogKeyNavigator::DialogKeyNavigator(std::vector<std::pair<wchar_t, int>> mnemonics)
    : mnemonics_(std::move(mnemonics))
{
}

DialogAction DialogKeyNavigator::selectItem(int item, const DialogFocus& focus) const
{
    if (focus.count <= 0)
        return {};
    item = std::clamp(item, 0, focus.count - 1);
    return item == focus.current ? DialogAction{} : action(DialogAction::SelectItem, item);
}

DialogAction DialogKeyNavigator::actionFor(const DialogKey& key, const DialogFocus& focus) const
{
    const bool list = focus.kind == DialogFocus::List;
    const bool button = focus.kind == DialogFocus::Button;
    // A list without a current item shows its cursor on the first: the keys start from there.
    const int current = std::max(focus.current, 0);
    switch (key.code) {
    case DialogKey::Up:
        return list ? selectItem(current - 1, focus) : action(DialogAction::MoveFocus, -1);
    case DialogKey::Down:
        return list ? selectItem(current + 1, focus) : action(DialogAction::MoveFocus, 1);
    case DialogKey::PageUp:
        return list ? selectItem(current - focus.page, focus) : DialogAction{};
    case DialogKey::PageDown:
        return list ? selectItem(current + focus.page, focus) : DialogAction{};
    case DialogKey::Home:
        return list ? selectItem(0, focus) : DialogAction{};
    case DialogKey::End:
        return list ? selectItem(focus.count - 1, focus) : DialogAction{};
    case DialogKey::Left:
        return list ? action(DialogAction::ScrollSideways, -kSidewaysStep) : action(DialogAction::MoveFocus, -1);
    case DialogKey::Right:
        return list ? action(DialogAction::ScrollSideways, kSidewaysStep) : action(DialogAction::MoveFocus, 1);
    case DialogKey::Tab:
        return action(DialogAction::MoveFocus, 1);
    case DialogKey::BackTab:
        return action(DialogAction::MoveFocus, -1);
    case DialogKey::Enter:
        return action(DialogAction::Press, button ? focus.id : IDOK);
    case DialogKey::Space:
        if (button)
            return action(DialogAction::Press, focus.id);
        return list && focus.count > 0 ? action(DialogAction::ToggleItem, current) : DialogAction{};
    case DialogKey::Escape:
        return action(DialogAction::Press, IDCANCEL);
    case DialogKey::Help:
        return action(DialogAction::Press, ID_HELP);
    case DialogKey::Interrupt:
        return action(DialogAction::Interrupt);
    case DialogKey::Character: {
        const wchar_t c = key.character;
        const wchar_t upper = (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c;
        for (const auto& [mnemonic, id] : mnemonics_) {
            if (mnemonic != 0 && mnemonic == upper)
                return action(DialogAction::Press, id);
        }
        return {};
    }
    case DialogKey::Other:
        break;
    }
    return {};
}

} // namespace platform
