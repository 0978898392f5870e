#pragma once
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "platform/DialogKeyNavigator.h"
#include "platform/DialogLayout.h"

namespace platform {

// The terminal a dialog is drawn on (curses): set up when opened, given back as it was found
// when destroyed, however the dialog ends. Draws text and boxes on the character grid and reads
// keys as DialogKeyNavigator knows them. The screen is the controlling terminal (/dev/tty), so
// that the host's own report can go to a file or a pipe meanwhile; keys come from standard input.
// Ctrl-C arrives as a key (Interrupt) rather than as a signal while the canvas is open.
class TerminalCanvas {
public:
    // How text is shown; combined with |.
    enum Style : unsigned { Normal = 0, Bold = 1, Reverse = 2, Underline = 4 };
    enum class Arrow { Up, Down, Left, Right };

    // Whether standard input is a terminal and the controlling terminal can be written.
    static bool available();
    // Opens the canvas; null, with the reason in failure, when the terminal cannot be set up (not
    // a terminal, unknown terminal type).
    static std::unique_ptr<TerminalCanvas> open(std::wstring& failure);
    ~TerminalCanvas();
    TerminalCanvas(const TerminalCanvas&) = delete;
    TerminalCanvas& operator=(const TerminalCanvas&) = delete;

    // The screen's size in cells.
    int rows() const;
    int cols() const;

    // Clears the screen (shown at the next show()).
    void clearScreen();
    // Shows what was drawn.
    void show();
    // Writes text at a cell, clipped to width cells (nothing when width <= 0).
    void putText(int row, int col, const std::wstring& text, int width, unsigned style = Normal);
    // A frame on the edge of r (nothing for fewer than two rows or columns).
    void drawBox(const CellRect& r);
    void putArrow(int row, int col, Arrow arrow);

    // Waits for a key; false when none came (input gone or interrupted). Esc followed at once by a
    // character is that character with alt set.
    bool readKey(DialogKey& key, bool& alt);
    // Shows the lines in a box in the middle of the screen, over what is drawn, and waits for any
    // key, retrying reads that give nothing up to tries times; returns the key (Other when none
    // came).
    DialogKey showBox(const std::vector<std::wstring>& lines, int tries);

private:
    struct Terminal;
    explicit TerminalCanvas(std::unique_ptr<Terminal> terminal);
    std::unique_ptr<Terminal> terminal_;
};

} // namespace platform
