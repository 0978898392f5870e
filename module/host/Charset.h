#pragma once

// Character sets of the host's converters. The module uses Auto (0) to read and Utf8 (4) to
// write generated pages.
enum class Charset : int { Auto = 0, ShiftJis = 1, EucJp = 2, Utf16 = 3, Utf8 = 4 };

// Newline conventions of the host's encoder. Lf (4) is what generated pages are written with:
// every CR LF or lone CR of the text becomes LF. Keep (0) writes the text's newlines as they are.
enum class Newline : int { Keep = 0, CrLf = 1, Cr = 2, Lf = 4 };
