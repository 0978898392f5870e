#include "platform/TextWidth.h"

#include <cstdint>
#include <mutex>
#include <string>

#include "platform/SideLibrary.h"

namespace platform {

namespace {

using CharWidth = int (*)(std::int32_t);

// The text library's width function, loaded once per process; null when it cannot be.
CharWidth charWidth()
{
    static std::once_flag once;
    static CharWidth found = nullptr;
    std::call_once(once, [] {
        std::string why;
        found = reinterpret_cast<CharWidth>(SideLibrary::symbol("libzebhosttext.so", "zebhostCharWidth", why));
    });
    return found;
}

} // namespace

int charCells(wchar_t c)
{
    // The Unicode tables' widths (East Asian width, emoji presentation, combining marks) come from
    // the text library, loaded by the first dialog laid out. Without it (an installation missing
    // the library) every printable character takes one cell.
    if (const CharWidth width = charWidth())
        return width(static_cast<std::int32_t>(c));
    return c < 0x20 || (c >= 0x7F && c < 0xA0) ? 0 : 1;
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
