#include "platform/TextWidth.h"

#include <utf8proc.h>

namespace platform {

int charCells(wchar_t c)
{
    // utf8proc follows the current Unicode tables (East Asian width, emoji presentation, combining
    // marks); it counts control characters 0 and anything outside Unicode 1.
    return utf8proc_charwidth(static_cast<utf8proc_int32_t>(c));
}

int textCells(const std::wstring& text)
{
    int cells = 0;
    for (wchar_t c : text)
        cells += charCells(c);
    return cells;
}

} // namespace platform

namespace platform {

std::wstring sliceCells(const std::wstring& text, int skip, int width)
{
    std::wstring out;
    int column = 0; // cell where the next character starts
    int used = 0;
    for (wchar_t c : text) {
        const int cells = charCells(c);
        const int start = column;
        column += cells;
        if (column <= skip) {
            continue;
        }
        if (start < skip) {
            // Cut by the left edge: its visible half shows blank.
            const int visible = column - skip;
            for (int i = 0; i < visible && used < width; ++i, ++used)
                out += L' ';
            continue;
        }
        if (used + cells > width) {
            while (used < width) {
                out += L' ';
                ++used;
            }
            break;
        }
        out += c;
        used += cells;
    }
    return out;
}

} // namespace platform

namespace platform {

std::vector<std::wstring> wrapCells(const std::wstring& text, int width)
{
    if (width < 1)
        width = 1;
    std::vector<std::wstring> lines(1);
    int used = 0;
    for (wchar_t c : text) {
        if (c == L'\n') {
            lines.emplace_back();
            used = 0;
            continue;
        }
        if (c == L'\r')
            continue;
        const int cells = charCells(c);
        if (used + cells > width && used > 0) {
            lines.emplace_back();
            used = 0;
        }
        lines.back() += c;
        used += cells;
    }
    return lines;
}

} // namespace platform
