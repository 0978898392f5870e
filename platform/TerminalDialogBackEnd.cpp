#include "platform/TerminalDialogBackEnd.h"

#include <unistd.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "platform/CButton.h"
#include "platform/CCheckListBox.h"
#include "platform/CDialog.h"
#include "platform/DialogIds.h"
#include "platform/DialogKeyNavigator.h"
#include "platform/DialogLayout.h"
#include "platform/TerminalCanvas.h"
#include "platform/TextWidth.h"

namespace platform {

namespace {

// Reads in a row that return nothing before input counts as gone.
constexpr int kMaxFailedReads = 100;
// Cells of a check list item's box, "[x] ".
constexpr int kCheckBoxCells = 4;

enum class Kind { Static, GroupBox, Button, List, Other };

Kind kindOf(const ControlTemplate& c)
{
    if (c.className == L"STATIC")
        return Kind::Static;
    if (c.className == L"LISTBOX")
        return Kind::List;
    if (c.className == L"BUTTON")
        return (c.style & 0xFu) == style::BS_GROUPBOX ? Kind::GroupBox : Kind::Button;
    return Kind::Other;
}

bool isFocusable(const ControlTemplate& c)
{
    const Kind kind = kindOf(c);
    return (kind == Kind::Button || kind == Kind::List) && (c.style & style::WS_TABSTOP) != 0;
}

} // namespace

struct TerminalDialogBackEnd::Session {
    Session(CDialog& d, TerminalCanvas& c) : dialog(d), canvas(c) {}

    CDialog& dialog;
    TerminalCanvas& canvas;
    std::vector<std::size_t> focusables; // template indices, in tab order
    std::size_t focus = 0;               // index into focusables
    std::map<int, int> listTop;          // first visible item per list id
    std::map<int, int> listShift;        // cells scrolled away sideways per list id
    DialogKeyNavigator navigator;
    bool interrupted = false;      // Ctrl-C ended the dialog
    bool interruptPending = false; // Ctrl-C came while the help was shown

    const DialogTemplate& tmpl() const { return *dialog.dialogTemplate(); }

    const ControlTemplate* focused() const
    {
        if (focusables.empty())
            return nullptr;
        return &tmpl().controls.at(focusables.at(focus));
    }

    std::wstring textOf(const ControlTemplate& c) const
    {
        const CWnd* wnd = dialog.GetDlgItem(c.id);
        return wnd ? wnd->GetWindowText() : c.text;
    }

    CCheckListBox* listOf(const ControlTemplate& c) const
    {
        return dynamic_cast<CCheckListBox*>(dialog.GetDlgItem(c.id));
    }

    // The dialog on the screen above the key hint's line; a list asks for the width of its
    // widest item.
    DialogLayout layout() const
    {
        std::vector<int> wanted(tmpl().controls.size(), 0);
        for (std::size_t i = 0; i < wanted.size(); ++i) {
            const ControlTemplate& c = tmpl().controls[i];
            const CCheckListBox* list = kindOf(c) == Kind::List ? listOf(c) : nullptr;
            if (!list)
                continue;
            for (const CCheckListBox::Item& item : list->items())
                wanted[i] = std::max(wanted[i], kCheckBoxCells + textCells(item.text) + 2); // and the border
        }
        return DialogLayout(tmpl(), canvas.rows() - 1, canvas.cols(), wanted);
    }

    DialogFocus focusState() const
    {
        DialogFocus state;
        const ControlTemplate* c = focused();
        if (!c)
            return state;
        state.id = c->id;
        if (kindOf(*c) == Kind::Button) {
            state.kind = DialogFocus::Button;
            return state;
        }
        state.kind = DialogFocus::List;
        if (const CCheckListBox* list = listOf(*c)) {
            state.current = list->GetCurSel();
            state.count = list->GetCount();
        }
        state.page = std::max(1, layout().control(focusables.at(focus)).rows - 3);
        return state;
    }

    // The keys that matter where the focus is, on the screen's last line.
    void drawHint(const ControlTemplate* focusedControl)
    {
        std::wstring hint;
        if (focusedControl && kindOf(*focusedControl) == Kind::Button)
            hint = L" Enter/Space [" + CButton::displayText(textOf(*focusedControl)) + L"] を押す  Tab ←→ 次へ";
        else
            hint = L" ↑↓ 選ぶ  Space チェック  Enter OK  Tab 次へ";
        hint += L"  Esc キャンセル  F1 ヘルプ";
        canvas.putText(canvas.rows() - 1, 0, hint, canvas.cols());
    }

    void draw()
    {
        canvas.clearScreen();
        const DialogLayout lay = layout();
        const CellRect& frame = lay.frame();
        canvas.drawBox(frame);
        const std::wstring caption = L" " + dialog.GetWindowText() + L" ";
        const int captionCells = std::min(textCells(caption), frame.cols - 2);
        canvas.putText(frame.row, frame.col + (frame.cols - captionCells) / 2, caption, frame.cols - 2,
                       TerminalCanvas::Bold);

        const ControlTemplate* focusedControl = focused();
        for (std::size_t i = 0; i < tmpl().controls.size(); ++i) {
            const ControlTemplate& c = tmpl().controls[i];
            const CellRect r = lay.control(i);
            switch (kindOf(c)) {
            case Kind::Static: {
                const std::vector<std::wstring> lines = wrapCells(textOf(c), r.cols);
                for (int line = 0; line < r.rows && line < static_cast<int>(lines.size()); ++line)
                    canvas.putText(r.row + line, r.col, lines[static_cast<std::size_t>(line)], r.cols);
                break;
            }
            case Kind::GroupBox:
                canvas.drawBox(r);
                canvas.putText(r.row, r.col + 1, L" " + CButton::displayText(textOf(c)) + L" ", r.cols - 2);
                break;
            case Kind::Button:
                drawButton(c, r, &c == focusedControl);
                break;
            case Kind::List:
                drawList(c, r, &c == focusedControl);
                break;
            case Kind::Other:
                break;
            }
        }
        drawHint(focusedControl);
        canvas.show();
    }

    void drawButton(const ControlTemplate& c, const CellRect& r, bool hasFocus)
    {
        const std::wstring text = textOf(c);
        const std::wstring label = CButton::displayText(text);
        const int labelCells = textCells(label);
        const bool brackets = labelCells + 2 <= r.cols;
        const std::wstring shown = brackets ? L"[" + label + L"]" : label;
        const int shownCells = std::min(textCells(shown), r.cols);
        const int col = r.col + (r.cols - shownCells) / 2;
        const unsigned attributes = hasFocus ? TerminalCanvas::Reverse : TerminalCanvas::Normal;
        canvas.putText(r.row, col, shown, r.cols, attributes);
        const int mnemonic = CButton::mnemonicIndex(text);
        if (mnemonic >= 0) {
            const int offset = (brackets ? 1 : 0) + textCells(label.substr(0, static_cast<std::size_t>(mnemonic)));
            if (offset < r.cols)
                canvas.putText(r.row, col + offset, label.substr(static_cast<std::size_t>(mnemonic), 1),
                               r.cols - offset, attributes | TerminalCanvas::Underline);
        }
    }

    // Keeps the list's current item in view; returns the rows that show items.
    int scrollIntoView(const ControlTemplate& c, const CellRect& r)
    {
        const int visible = std::max(1, r.rows - 2);
        CCheckListBox* list = listOf(c);
        int& top = listTop[c.id];
        if (!list || list->GetCount() == 0) {
            top = 0;
            return visible;
        }
        const int current = std::max(0, list->GetCurSel());
        if (current < top)
            top = current;
        if (current >= top + visible)
            top = current - visible + 1;
        top = std::clamp(top, 0, std::max(0, list->GetCount() - visible));
        return visible;
    }

    void drawList(const ControlTemplate& c, const CellRect& r, bool hasFocus)
    {
        canvas.drawBox(r);
        CCheckListBox* list = listOf(c);
        if (!list)
            return;
        const int visible = scrollIntoView(c, r);
        const int width = std::max(0, r.cols - 2);
        const int top = listTop[c.id];
        int& shift = listShift[c.id];
        shift = std::clamp(shift, 0, std::max(0, list->GetHorizontalExtent() - width));
        const auto& items = list->items();
        for (int row = 0; row < visible; ++row) {
            const int index = top + row;
            if (index >= static_cast<int>(items.size()))
                break;
            const CCheckListBox::Item& item = items[static_cast<std::size_t>(index)];
            const wchar_t* box = item.check == CCheckListBox::Checked         ? L"[x] "
                                 : item.check == CCheckListBox::Indeterminate ? L"[-] "
                                                                              : L"[ ] ";
            std::wstring line = sliceCells(box + item.text, shift, width);
            const int lineCells = textCells(line);
            if (lineCells < width)
                line.append(static_cast<std::size_t>(width - lineCells), L' ');
            // Without a current item the cursor stands on the first, where the keys start.
            unsigned attributes = TerminalCanvas::Normal;
            if (index == std::max(0, list->GetCurSel()))
                attributes = hasFocus ? TerminalCanvas::Reverse : TerminalCanvas::Bold;
            canvas.putText(r.row + 1 + row, r.col + 1, line, width, attributes);
        }
        const int right = r.col + r.cols - 1;
        const int bottom = r.row + r.rows - 1;
        if (top > 0)
            canvas.putArrow(r.row, right - 1, TerminalCanvas::Arrow::Up);
        if (top + visible < list->GetCount())
            canvas.putArrow(bottom, right - 1, TerminalCanvas::Arrow::Down);
        if (shift > 0)
            canvas.putArrow(bottom, r.col + 1, TerminalCanvas::Arrow::Left);
        if (list->GetHorizontalExtent() - shift > width)
            canvas.putArrow(bottom, right - 2, TerminalCanvas::Arrow::Right);
    }

    void moveFocus(int step)
    {
        if (focusables.empty())
            return;
        const int count = static_cast<int>(focusables.size());
        focus = static_cast<std::size_t>((static_cast<int>(focus) + step + count) % count);
    }

    void moveInList(const ControlTemplate& c, int to)
    {
        CCheckListBox* list = listOf(c);
        if (!list || to < 0 || to >= list->GetCount() || to == list->GetCurSel())
            return;
        list->SetCurSel(to);
        dialog.notify(c.id, Notification::SelChange);
    }

    void toggle(const ControlTemplate& c, int index)
    {
        moveInList(c, index);
        CCheckListBox* list = listOf(c);
        if (!list || index < 0 || index >= list->GetCount())
            return;
        list->SetCheck(index, list->GetCheck(index) == CCheckListBox::Checked ? CCheckListBox::Unchecked
                                                                              : CCheckListBox::Checked);
        dialog.notify(c.id, Notification::CheckChange);
    }

    void handle(const DialogKey& key, bool alt)
    {
        KeyAction action = navigator.actionFor(key, focusState());
        // Alt with a letter that is no button's mnemonic is taken as Esc and the letter.
        if (alt && action.kind == KeyAction::Nothing)
            action = navigator.actionFor({DialogKey::Escape}, focusState());
        const ControlTemplate* c = focused();
        switch (action.kind) {
        case KeyAction::Nothing:
            break;
        case KeyAction::MoveFocus:
            moveFocus(action.value);
            break;
        case KeyAction::SelectItem:
            if (c)
                moveInList(*c, action.value);
            break;
        case KeyAction::ToggleItem:
            if (c)
                toggle(*c, action.value);
            break;
        case KeyAction::ScrollSideways:
            if (c)
                listShift[c->id] += action.value;
            break;
        case KeyAction::Press:
            dialog.notify(action.value, Notification::Clicked);
            break;
        case KeyAction::Interrupt:
            interrupt();
            break;
        }
    }

    void interrupt()
    {
        interrupted = true;
        if (!dialog.isEnded())
            dialog.notify(IDCANCEL, Notification::Clicked);
    }

    void showHelpBox()
    {
        std::vector<std::pair<wchar_t, std::wstring>> buttons;
        for (const ControlTemplate& c : tmpl().controls)
            if (kindOf(c) == Kind::Button)
                buttons.emplace_back(CButton::mnemonicOf(textOf(c)), CButton::displayText(textOf(c)));
        const std::vector<std::wstring> lines = DialogKeyNavigator::helpLines(dialog.GetWindowText(), buttons);
        // Ctrl-C ends the dialog from the help box too, once the help has returned.
        interruptPending = canvas.showBox(lines, kMaxFailedReads).code == DialogKey::Interrupt;
    }
};

TerminalDialogBackEnd::TerminalDialogBackEnd() = default;

TerminalDialogBackEnd::~TerminalDialogBackEnd() = default;

bool TerminalDialogBackEnd::available()
{
    return TerminalCanvas::available();
}

bool TerminalDialogBackEnd::run(CDialog& dialog)
{
    failure_.clear();
    interrupted_ = false;
    if (!isatty(STDIN_FILENO) || !dialog.dialogTemplate()) {
        failure_ = L"standard input is not a terminal";
        return false;
    }

    const std::unique_ptr<TerminalCanvas> canvas = TerminalCanvas::open(failure_);
    if (!canvas)
        return false;
    Session session(dialog, *canvas);
    // The session ends with this run however the loop ends (a handler may throw).
    struct Forget {
        TerminalDialogBackEnd& owner;
        ~Forget() { owner.session_ = nullptr; }
    } forget{*this};
    session_ = &session;

    std::vector<std::pair<wchar_t, int>> mnemonics;
    for (std::size_t i = 0; i < dialog.dialogTemplate()->controls.size(); ++i) {
        const ControlTemplate& c = dialog.dialogTemplate()->controls[i];
        if (isFocusable(c))
            session.focusables.push_back(i);
        if (kindOf(c) == Kind::Button)
            mnemonics.emplace_back(CButton::mnemonicOf(session.textOf(c)), c.id);
    }
    session.navigator = DialogKeyNavigator(std::move(mnemonics));

    int failedReads = 0;
    while (!dialog.isEnded()) {
        if (session.interruptPending) {
            session.interrupt();
            break;
        }
        session.draw();
        DialogKey key;
        bool alt = false;
        failedReads = session.canvas.readKey(key, alt) ? 0 : failedReads + 1;
        if (failedReads > kMaxFailedReads)
            break; // input is gone (end of file); the dialog is cancelled by its caller
        session.handle(key, alt);
    }
    interrupted_ = session.interrupted;
    return true;
}

void TerminalDialogBackEnd::showHelp(CDialog&)
{
    ++helpShownInRun_;
    if (session_)
        session_->showHelpBox();
}

} // namespace platform
