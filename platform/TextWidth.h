#pragma once
#include <string>
#include <vector>

namespace platform {

// Terminal cells a character takes, by the Unicode tables: 2 for East Asian wide and full-width
// characters and emoji, 0 for combining marks, zero-width and control characters, 1 otherwise.
int charCells(wchar_t c);
// Cells of a whole text (line feeds count 0).
int textCells(const std::wstring& text);

} // namespace platform

namespace platform {

// The part of text that shows in a window of `width` cells after the first `skip` cells are
// scrolled away. A wide character cut by either edge shows as a space, so the result never takes
// more than `width` cells.
std::wstring sliceCells(const std::wstring& text, int skip, int width);
// The text broken into lines of at most `width` cells: at each line feed, and wherever the next
// character would not fit (text without spaces, as Japanese is, breaks between any two
// characters). A width below 1 counts as 1.
std::vector<std::wstring> wrapCells(const std::wstring& text, int width);

} // namespace platform
