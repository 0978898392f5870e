#include "platform/TextWidth.h"

namespace platform {

namespace {

struct Range {
    char32_t first, last;
};

// Zero-width: combining marks, zero-width spaces and joiners, the kana voicing marks.
constexpr Range kZero[] = {
    {0x0300, 0x036F}, {0x0483, 0x0489}, {0x0591, 0x05BD}, {0x0610, 0x061A}, {0x064B, 0x065F},
    {0x200B, 0x200F}, {0x202A, 0x202E}, {0x2060, 0x2064}, {0x20D0, 0x20FF}, {0x302A, 0x302D},
    {0x3099, 0x309A}, {0xFE00, 0xFE0F}, {0xFE20, 0xFE2F}, {0xFEFF, 0xFEFF}, {0xE0100, 0xE01EF},
};

// East Asian Wide and Fullwidth blocks.
constexpr Range kWide[] = {
    {0x1100, 0x115F},   {0x231A, 0x231B},   {0x2329, 0x232A},   {0x2E80, 0x303E},
    {0x3041, 0x33FF},   {0x3400, 0x4DBF},   {0x4E00, 0x9FFF},   {0xA000, 0xA4CF},
    {0xA960, 0xA97F},   {0xAC00, 0xD7A3},   {0xF900, 0xFAFF},   {0xFE10, 0xFE19},
    {0xFE30, 0xFE6F},   {0xFF00, 0xFF60},   {0xFFE0, 0xFFE6},   {0x1F300, 0x1F64F},
    {0x1F900, 0x1F9FF}, {0x20000, 0x2FFFD}, {0x30000, 0x3FFFD},
};

template <std::size_t N>
bool inRanges(char32_t c, const Range (&ranges)[N])
{
    for (const Range& r : ranges) {
        if (c >= r.first && c <= r.last)
            return true;
    }
    return false;
}

} // namespace

int charCells(wchar_t wc)
{
    const char32_t c = static_cast<char32_t>(wc);
    if (c < 0x20 || (c >= 0x7F && c < 0xA0))
        return 0;
    if (inRanges(c, kZero))
        return 0;
    if (inRanges(c, kWide))
        return 2;
    return 1;
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
