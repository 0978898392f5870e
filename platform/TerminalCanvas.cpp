#include "platform/TerminalCanvas.h"

#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <clocale>
#include <cstdlib>

#include "platform/TextConv.h"
#include "platform/TextWidth.h"

// curses last: its macros (move, clear, erase, refresh, ...) must not reach the headers above.
#ifndef NCURSES_WIDECHAR
#define NCURSES_WIDECHAR 1
#endif
#include <curses.h>

namespace platform {

namespace {

// Ctrl-C, which reaches the dialog as a character: the terminal's interrupt key is off meanwhile.
constexpr wint_t kCtrlC = 3;

// The dialog draws on the controlling terminal rather than on standard output, so that the
// host's own report can go to a file or a pipe while the user works in the dialog.
FILE* openTerminalOutput()
{
    return std::fopen("/dev/tty", "w");
}

attr_t attributesOf(unsigned style)
{
    attr_t attributes = A_NORMAL;
    if (style & TerminalCanvas::Bold)
        attributes |= A_BOLD;
    if (style & TerminalCanvas::Reverse)
        attributes |= A_REVERSE;
    if (style & TerminalCanvas::Underline)
        attributes |= A_UNDERLINE;
    return attributes;
}

DialogKey decode(int got, wint_t code)
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

} // namespace

// What the canvas gives back when it closes.
struct TerminalCanvas::Terminal {
    SCREEN* screen = nullptr;
    FILE* output = nullptr; // the controlling terminal
    std::string savedLocale;
    termios savedModes{}; // the terminal's modes before the dialog
    bool hasSavedModes = false;
};

bool TerminalCanvas::available()
{
    if (!isatty(STDIN_FILENO))
        return false;
    FILE* terminal = openTerminalOutput();
    if (!terminal)
        return false;
    std::fclose(terminal);
    return true;
}

std::unique_ptr<TerminalCanvas> TerminalCanvas::open(std::wstring& failure)
{
    auto t = std::make_unique<Terminal>();
    const char* locale = std::setlocale(LC_ALL, nullptr);
    t->savedLocale = locale ? locale : "C";
    // Wide characters need the user's (UTF-8) locale; fall back to C.UTF-8 when it is plain C.
    const char* chosen = std::setlocale(LC_ALL, "");
    if (!chosen || std::string(chosen) == "C" || std::string(chosen) == "POSIX")
        std::setlocale(LC_ALL, "C.UTF-8");

    t->hasSavedModes = tcgetattr(STDIN_FILENO, &t->savedModes) == 0;
    t->output = openTerminalOutput();
    if (t->output)
        t->screen = newterm(nullptr, t->output, stdin);
    if (!t->screen) {
        const char* term = std::getenv("TERM");
        failure = t->output ? L"the terminal type \"" + fromUtf8(term ? term : "") + L"\" is unknown"
                            : L"the terminal cannot be opened";
        if (t->output)
            std::fclose(t->output);
        std::setlocale(LC_ALL, t->savedLocale.c_str());
        return nullptr;
    }
    // From here the destructor restores the terminal.
    std::unique_ptr<TerminalCanvas> canvas(new TerminalCanvas(std::move(t)));

    set_escdelay(25);
    cbreak();
    noecho();
    nonl();
    keypad(stdscr, TRUE);
    curs_set(0);
    // Ctrl-C comes as a key rather than as a signal, so that it cancels the dialog and the
    // terminal is restored on the way out; Ctrl-Z and Ctrl-\ keep their signals.
    termios modes{};
    if (canvas->terminal_->hasSavedModes && tcgetattr(STDIN_FILENO, &modes) == 0) {
        modes.c_cc[VINTR] = _POSIX_VDISABLE;
        if (tcsetattr(STDIN_FILENO, TCSADRAIN, &modes) == 0)
            def_prog_mode(); // what curses restores after a suspend
    }
    return canvas;
}

TerminalCanvas::TerminalCanvas(std::unique_ptr<Terminal> terminal) : terminal_(std::move(terminal)) {}

TerminalCanvas::~TerminalCanvas()
{
    Terminal& t = *terminal_;
    endwin();
    if (t.hasSavedModes)
        tcsetattr(STDIN_FILENO, TCSADRAIN, &t.savedModes);
    delscreen(t.screen);
    std::fclose(t.output);
    std::setlocale(LC_ALL, t.savedLocale.c_str());
}

int TerminalCanvas::rows() const
{
    return getmaxy(stdscr);
}

int TerminalCanvas::cols() const
{
    return getmaxx(stdscr);
}

void TerminalCanvas::clearScreen()
{
    erase();
}

void TerminalCanvas::show()
{
    refresh();
}

void TerminalCanvas::putText(int row, int col, const std::wstring& text, int width, unsigned style)
{
    if (width <= 0)
        return;
    const std::wstring shown = sliceCells(text, 0, width);
    const attr_t attributes = attributesOf(style);
    attron(attributes);
    mvaddnwstr(row, col, shown.c_str(), static_cast<int>(shown.size()));
    attroff(attributes);
}

void TerminalCanvas::drawBox(const CellRect& r)
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

void TerminalCanvas::putArrow(int row, int col, Arrow arrow)
{
    switch (arrow) {
    case Arrow::Up:
        mvaddch(row, col, ACS_UARROW);
        break;
    case Arrow::Down:
        mvaddch(row, col, ACS_DARROW);
        break;
    case Arrow::Left:
        mvaddch(row, col, ACS_LARROW);
        break;
    case Arrow::Right:
        mvaddch(row, col, ACS_RARROW);
        break;
    }
}

bool TerminalCanvas::readKey(DialogKey& key, bool& alt)
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
    return got != ERR;
}

DialogKey TerminalCanvas::showBox(const std::vector<std::wstring>& lines, int tries)
{
    const int screenRows = rows();
    const int screenCols = cols();
    int width = 0;
    for (const std::wstring& line : lines)
        width = std::max(width, textCells(line));
    CellRect box;
    box.rows = std::min(screenRows, static_cast<int>(lines.size()) + 2);
    box.cols = std::min(screenCols, width + 4);
    box.row = std::max(0, (screenRows - box.rows) / 2);
    box.col = std::max(0, (screenCols - box.cols) / 2);
    for (int row = box.row; row < box.row + box.rows; ++row)
        mvhline(row, box.col, ' ', box.cols);
    drawBox(box);
    for (int i = 0; i < box.rows - 2; ++i)
        putText(box.row + 1 + i, box.col + 2, lines[static_cast<std::size_t>(i)], box.cols - 4);
    refresh();
    wint_t code = 0;
    int got = ERR;
    for (int tried = 0; (got = get_wch(&code)) == ERR && tried < tries; ++tried) {
    }
    return decode(got, code);
}

} // namespace platform
