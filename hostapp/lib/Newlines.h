#pragma once
#include <string>
#include <string_view>

#include "host/Charset.h"

// The line breaks of a text: which convention it follows, and the text written in another.
class Newlines {
public:
    // The text's newline convention: CrLf, Lf or Cr when every line break is of that kind; Keep
    // when the text has none or mixes them.
    static Newline detect(const std::wstring& text);

    // The text with every line break (CR LF, lone CR, lone LF) written in the convention; Keep
    // gives the text unchanged.
    static std::wstring apply(const std::wstring& text, Newline newline);

    // Whether apply would change the text (a page that already uses the convention
    // throughout need not be copied).
    static bool changes(std::wstring_view text, Newline newline);
};
