#include "platform/TerminalDialogBackEnd.h"

#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "platform/CButton.h"
#include "platform/CCheckListBox.h"
#include "platform/CDialog.h"
#include "platform/DialogIds.h"
#include "platform/DialogKeyNavigator.h"
#include "platform/DialogLayout.h"
#include "platform/TextConv.h"
#include "platform/TextWidth.h"

// curses last: its macros (move, clear, erase, refresh, ...) must not reach the headers above.
#ifndef NCURSES_WIDECHAR
#define NCURSES_WIDECHAR 1
#endif
#include <curses.h>

namespace platform {

namespace {

// Reads in a row that return nothing before input counts as gone.
constexpr int kMaxFailedReads = 100;
// Ctrl-C, which reaches the dialog as a character: the terminal's interrupt key is off meanwhile.
constexpr wint_t kCtrlC = 3;
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

// Writes text at a cell, clipped to width cells.
void putText(int row, int col, const std::wstring& text, int width, attr_t attributes = A_NORMAL)
{
    if (width <= 0)
        return;
    const std::wstring shown = sliceCells(text, 0, width);
    attron(attributes);
    mvaddnwstr(row, col, shown.c_str(), static_cast<int>(shown.size()));
    attroff(attributes);
}

void drawBox(const CellRect& r)
{
    if (r.rows < 2 || r.cols < 2)
        return;
    const int bottom = r.row + r.rows - 1;
    const int right = r.col + r.cols - 1;
    mvhline(r.row, r.col + 1, ACS_HLINE, r.cols - 2);
    mvhline(bottom, r.col + 1, ACS_HLINE, r.cols - 2);
    mvvline(r.row + 1, r.col, ACS_VLINE, r.rows - 2);
    mvvline(r.row + 1, right, ACS_VLINE, r.rows - 2);
    mvaddch(r.row, r.col, ACS_ULCORNER);
    mvaddch(r.row, right, ACS_URCORNER);
    mvaddch(bottom, r.col, ACS_LLCORNER);
    mvaddch(bottom, right, ACS_LRCORNER);
}

void clearRect(const CellRect& r)
{
    for (int row = r.row; row < r.row + r.rows; ++row)
        mvhline(row, r.col, ' ', r.cols);
}

} // namespace

struct TerminalDialogBackEnd::Session {
    explicit Session(CDialog& d) : dialog(d) {}

    CDialog& dialog;
    SCREEN* screen = nullptr;
    FILE* output = nullptr; // the controlling terminal
    std::string savedLocale;
    termios savedModes{}; // the terminal's modes before the dialog
    bool hasSavedModes = false;
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
        int rows = 0;
        int cols = 0;
        getmaxyx(stdscr, rows, cols);
        std::vector<int> wanted(tmpl().controls.size(), 0);
        for (std::size_t i = 0; i < wanted.size(); ++i) {
            const ControlTemplate& c = tmpl().controls[i];
            const CCheckListBox* list = kindOf(c) == Kind::List ? listOf(c) : nullptr;
            if (!list)
                continue;
            for (const CCheckListBox::Item& item : list->items())
                wanted[i] = std::max(wanted[i], kCheckBoxCells + textCells(item.text) + 2); // and the border
        }
        return DialogLayout(tmpl(), rows - 1, cols, wanted);
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
        int rows = 0;
        int cols = 0;
        getmaxyx(stdscr, rows, cols);
        std::wstring hint;
        if (focusedControl && kindOf(*focusedControl) == Kind::Button)
            hint = L" Enter/Space [" + CButton::displayText(textOf(*focusedControl)) + L"] を押す  Tab ←→ 次へ";
        else
            hint = L" ↑↓ 選ぶ  Space チェック  Enter OK  Tab 次へ";
        hint += L"  Esc キャンセル  F1 ヘルプ";
        putText(rows - 1, 0, hint, cols);
    }

    void draw()
    {
        erase();
        const DialogLayout lay = layout();
        const CellRect& frame = lay.frame();
        drawBox(frame);
        const std::wstring caption = L" " + dialog.GetWindowText() + L" ";
        const int captionCells = std::min(textCells(caption), frame.cols - 2);
        putText(frame.row, frame.col + (frame.cols - captionCells) / 2, caption, frame.cols - 2, A_BOLD);

        const ControlTemplate* focusedControl = focused();
        for (std::size_t i = 0; i < tmpl().controls.size(); ++i) {
            const ControlTemplate& c = tmpl().controls[i];
            const CellRect r = lay.control(i);
            switch (kindOf(c)) {
            case Kind::Static: {
                const std::vector<std::wstring> lines = wrapCells(textOf(c), r.cols);
                for (int line = 0; line < r.rows && line < static_cast<int>(lines.size()); ++line)
                    putText(r.row + line, r.col, lines[static_cast<std::size_t>(line)], r.cols);
                break;
            }
            case Kind::GroupBox:
                drawBox(r);
                putText(r.row, r.col + 1, L" " + CButton::displayText(textOf(c)) + L" ", r.cols - 2);
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
        refresh();
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
        const attr_t attributes = hasFocus ? A_REVERSE : A_NORMAL;
        putText(r.row, col, shown, r.cols, attributes);
        const int mnemonic = CButton::mnemonicIndex(text);
        if (mnemonic >= 0) {
            const int offset = (brackets ? 1 : 0) + textCells(label.substr(0, static_cast<std::size_t>(mnemonic)));
            if (offset < r.cols)
                putText(r.row, col + offset, label.substr(static_cast<std::size_t>(mnemonic), 1), r.cols - offset,
                        attributes | A_UNDERLINE);
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
        drawBox(r);
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
            attr_t attributes = A_NORMAL;
            if (index == std::max(0, list->GetCurSel()))
                attributes = hasFocus ? A_REVERSE : A_BOLD;
            putText(r.row + 1 + row, r.col + 1, line, width, attributes);
        }
        const int right = r.col + r.cols - 1;
        const int bottom = r.row + r.rows - 1;
        if (top > 0)
            mvaddch(r.row, right - 1, ACS_UARROW);
        if (top + visible < list->GetCount())
            mvaddch(bottom, right - 1, ACS_DARROW);
        if (shift > 0)
            mvaddch(bottom, r.col + 1, ACS_LARROW);
        if (list->GetHorizontalExtent() - shift > width)
            mvaddch(bottom, right - 2, ACS_RARROW);
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

    // Reads a key as the navigator knows it; returns what get_wch returned (ERR when no key
    // came). Esc followed at once by a character is that character with Alt.
    int readKey(DialogKey& key, bool& alt)
    {
        alt = false;
        wint_t code = 0;
        const int got = get_wch(&code);
        key = decode(got, code);
        if (key.code == DialogKey::Escape) {
            nodelay(stdscr, TRUE);
            wint_t next = 0;
            const DialogKey withAlt = decode(get_wch(&next), next);
            nodelay(stdscr, FALSE);
            if (withAlt.code == DialogKey::Character) {
                key = withAlt;
                alt = true;
            }
        }
        return got;
    }

    static DialogKey decode(int got, wint_t code)
    {
        if (got == KEY_CODE_YES) {
            switch (code) {
            case KEY_UP:
                return {DialogKey::Up};
            case KEY_DOWN:
                return {DialogKey::Down};
            case KEY_PPAGE:
                return {DialogKey::PageUp};
            case KEY_NPAGE:
                return {DialogKey::PageDown};
            case KEY_HOME:
                return {DialogKey::Home};
            case KEY_END:
                return {DialogKey::End};
            case KEY_LEFT:
                return {DialogKey::Left};
            case KEY_RIGHT:
                return {DialogKey::Right};
            case KEY_BTAB:
                return {DialogKey::BackTab};
            case KEY_ENTER:
                return {DialogKey::Enter};
            default:
                return {code == static_cast<wint_t>(KEY_F(1)) ? DialogKey::Help : DialogKey::Other};
            }
        }
        if (got != OK)
            return {DialogKey::Other};
        switch (code) {
        case L'\t':
            return {DialogKey::Tab};
        case L'\n':
        case L'\r':
            return {DialogKey::Enter};
        case L' ':
            return {DialogKey::Space};
        case 27:
            return {DialogKey::Escape};
        case kCtrlC:
            return {DialogKey::Interrupt};
        default:
            return {DialogKey::Character, static_cast<wchar_t>(code)};
        }
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
        std::vector<std::pair<std::wstring, std::wstring>> keys = {
            {L"↑ ↓", L"項目を選ぶ"},
            {L"Space", L"チェックを付ける/外す、ボタンを押す"},
            {L"← →", L"長い項目を横に送る"},
            {L"Tab", L"次の部品へ (Shift+Tab で前へ)"},
        };
        for (const ControlTemplate& c : tmpl().controls) {
            const wchar_t mnemonic = kindOf(c) == Kind::Button ? CButton::mnemonicOf(textOf(c)) : 0;
            if (mnemonic)
                keys.push_back({std::wstring(1, mnemonic), CButton::displayText(textOf(c))});
        }
        keys.push_back({L"Enter", L"フォーカスのあるボタンを押す (リストでは OK: 設定して閉じる)"});
        keys.push_back({L"Esc", L"キャンセル (変更せずに閉じる)"});
        keys.push_back({L"Ctrl+C", L"中断 (何も保存せずに終わる)"});
        keys.push_back({L"F1", L"この説明"});

        std::vector<std::wstring> lines;
        lines.push_back(dialog.GetWindowText() + L" の操作");
        lines.emplace_back();
        for (const auto& [key, meaning] : keys)
            lines.push_back(key + std::wstring(static_cast<std::size_t>(std::max(1, 9 - textCells(key))), L' ') +
                            meaning);
        lines.emplace_back();
        lines.push_back(L"何かキーを押すと戻ります。");

        int rows = 0;
        int cols = 0;
        getmaxyx(stdscr, rows, cols);
        int width = 0;
        for (const std::wstring& line : lines)
            width = std::max(width, textCells(line));
        CellRect box;
        box.rows = std::min(rows, static_cast<int>(lines.size()) + 2);
        box.cols = std::min(cols, width + 4);
        box.row = std::max(0, (rows - box.rows) / 2);
        box.col = std::max(0, (cols - box.cols) / 2);
        clearRect(box);
        drawBox(box);
        for (int i = 0; i < box.rows - 2; ++i)
            putText(box.row + 1 + i, box.col + 2, lines[static_cast<std::size_t>(i)], box.cols - 4);
        refresh();
        wint_t key = 0;
        int got = ERR;
        for (int tries = 0; (got = get_wch(&key)) == ERR && tries < kMaxFailedReads; ++tries) {
        }
        // Ctrl-C ends the dialog from the help box too, once the help has returned.
        interruptPending = got == OK && key == kCtrlC;
    }
};

TerminalDialogBackEnd::TerminalDialogBackEnd() = default;

TerminalDialogBackEnd::~TerminalDialogBackEnd() = default;

namespace {

// The dialog draws on the controlling terminal rather than on standard output, so that the
// host's own report can go to a file or a pipe while the user works in the dialog.
FILE* openTerminalOutput()
{
    return std::fopen("/dev/tty", "w");
}

} // namespace

bool TerminalDialogBackEnd::available()
{
    if (!isatty(STDIN_FILENO))
        return false;
    FILE* terminal = openTerminalOutput();
    if (!terminal)
        return false;
    std::fclose(terminal);
    return true;
}

bool TerminalDialogBackEnd::run(CDialog& dialog)
{
    failure_.clear();
    interrupted_ = false;
    if (!isatty(STDIN_FILENO) || !dialog.dialogTemplate()) {
        failure_ = L"standard input is not a terminal";
        return false;
    }

    Session session(dialog);
    const char* locale = std::setlocale(LC_ALL, nullptr);
    session.savedLocale = locale ? locale : "C";
    // Wide characters need the user's (UTF-8) locale; fall back to C.UTF-8 when it is plain C.
    const char* chosen = std::setlocale(LC_ALL, "");
    if (!chosen || std::string(chosen) == "C" || std::string(chosen) == "POSIX")
        std::setlocale(LC_ALL, "C.UTF-8");

    session.hasSavedModes = tcgetattr(STDIN_FILENO, &session.savedModes) == 0;
    session.output = openTerminalOutput();
    if (session.output)
        session.screen = newterm(nullptr, session.output, stdin);
    if (!session.screen) {
        const char* term = std::getenv("TERM");
        failure_ = session.output ? L"the terminal type \"" + fromUtf8(term ? term : "") + L"\" is unknown"
                                  : L"the terminal cannot be opened";
        if (session.output)
            std::fclose(session.output);
        std::setlocale(LC_ALL, session.savedLocale.c_str());
        return false;
    }
    // Leaves the terminal as it found it however the loop ends (a handler may throw).
    struct Restore {
        Session& s;
        TerminalDialogBackEnd& owner;
        ~Restore()
        {
            endwin();
            if (s.hasSavedModes)
                tcsetattr(STDIN_FILENO, TCSADRAIN, &s.savedModes);
            delscreen(s.screen);
            std::fclose(s.output);
            std::setlocale(LC_ALL, s.savedLocale.c_str());
            owner.session_ = nullptr;
        }
    } restore{session, *this};
    session_ = &session;

    set_escdelay(25);
    cbreak();
    noecho();
    nonl();
    keypad(stdscr, TRUE);
    curs_set(0);
    // Ctrl-C comes as a key rather than as a signal, so that it cancels the dialog and the
    // terminal is restored on the way out; Ctrl-Z and Ctrl-\ keep their signals.
    termios modes{};
    if (session.hasSavedModes && tcgetattr(STDIN_FILENO, &modes) == 0) {
        modes.c_cc[VINTR] = _POSIX_VDISABLE;
        if (tcsetattr(STDIN_FILENO, TCSADRAIN, &modes) == 0)
            def_prog_mode(); // what curses restores after a suspend
    }

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
        const int got = session.readKey(key, alt);
        failedReads = got == ERR ? failedReads + 1 : 0;
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
