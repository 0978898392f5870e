#include "SourceScan.h"

#include <algorithm>
#include <limits>

#include "AsciiCase.h"

std::vector<SourceScan::Piece> SourceScan::piecesBetweenTags(std::size_t start, std::size_t end, std::wstring_view data,
                                                             bool nulDropped) const
{
    // A NUL is first taken as U+FFFD (as in raw text), then, where that does not line up, as dropped.
    if (nulDropped) {
        std::vector<Piece> pieces = piecesBetweenTags(start, end, data, false);
        const auto stop = text_.begin() + static_cast<std::ptrdiff_t>(std::min(end, text_.size()));
        if (!pieces.empty() || std::find(text_.begin() + static_cast<std::ptrdiff_t>(start), stop, L'\0') == stop)
            return pieces;
    }
    const std::wstring& t = text_;
    std::vector<Piece> pieces;
    Piece piece{start, start, 0, 0};
    std::size_t i = start, k = 0;
    while (i < end) {
        // (A '<' that no '>' closes before the end is text: "</" at the end of the page.)
        const std::size_t close = firstTag(i, std::min(end, i + 2)) == i ? tagClose(i, end) : kNone;
        if (close != kNone) {
            if (piece.end > piece.start)
                pieces.push_back(piece);
            i = close + 1;
            piece = {i, i, k, k};
            continue;
        }
        if (nulDropped && t[i] == L'\0') {
            ++i; // a NUL the parser dropped from the text
            piece.end = i;
            continue;
        }
        if (k >= data.size())
            return {};
        i = stepOver(t, i, end, data[k]);
        if (i == kNone)
            return {};
        ++k;
        piece.end = i;
        piece.dataEnd = k;
    }
    if (k != data.size())
        return {};
    if (piece.end > piece.start)
        pieces.push_back(piece);
    return pieces;
}

std::size_t SourceScan::stepOver(std::wstring_view t, std::size_t i, std::size_t end, wchar_t c)
{
    auto referenceChar = [](wchar_t r) {
        return (r >= L'a' && r <= L'z') || (r >= L'A' && r <= L'Z') || (r >= L'0' && r <= L'9') || r == L'#';
    };
    std::size_t j = i + 1;
    if (t[i] == L'&')
        while (j < end && referenceChar(t[j]))
            ++j;
    if (j > i + 1) {
        const bool semicolon = j < end && t[j] == L';';
        // A '&' in the data is the page's own unless the reference names it ("&amp;", "&#38;").
        bool ampersand = c != L'&';
        if (!ampersand) {
            const std::wstring_view name = t.substr(i + 1, j - i - 1);
            if (name == L"amp" || name == L"AMP") {
                ampersand = true;
            } else if (name.size() > 1 && name[0] == L'#') {
                const bool hex = name[1] == L'x' || name[1] == L'X';
                unsigned long value = 0;
                std::size_t n = hex ? 2 : 1;
                for (; n < name.size() && value <= 38; ++n) {
                    const wchar_t d = name[n];
                    const int digit = d >= L'0' && d <= L'9'          ? d - L'0'
                                      : hex && d >= L'a' && d <= L'f' ? d - L'a' + 10
                                      : hex && d >= L'A' && d <= L'F' ? d - L'A' + 10
                                                                      : -1;
                    if (digit < 0)
                        break;
                    value = value * (hex ? 16 : 10) + static_cast<unsigned long>(digit);
                }
                ampersand = n == name.size() && value == 38;
            }
        }
        if (ampersand)
            return semicolon ? j + 1 : j;
    }
    if (t[i] == L'\r' && c == L'\n')
        return i + 1 < end && t[i + 1] == L'\n' ? i + 2 : i + 1;
    if (t[i] == c || c == 0xFFFD)
        return i + 1;
    return kNone;
}

std::size_t SourceScan::tagClose(std::size_t at, std::size_t end) const
{
    const std::wstring& t = text_;
    auto letter = [](wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); };
    // A comment-like tag ("<!x", "<?x", "</ x") ends at its first '>'.
    std::size_t i = at + 1;
    if (i < end && t[i] == L'/')
        ++i;
    if (i >= end || !letter(t[i]))
        return t.find(L'>', at + 1) < end ? t.find(L'>', at + 1) : kNone;
    // A start or end tag, followed as the tokenizer reads it: only a value after an attribute's
    // '=' may be quoted ("<html lang="a>b">"); a quote in a name is part of the name ("</i=".>").
    enum { Name, BeforeAttribute, Attribute, AfterAttribute, BeforeValue, Quoted, Unquoted } state = Name;
    wchar_t quote = 0;
    for (; i < end; ++i) {
        const wchar_t c = t[i];
        const bool space = asciicase::isSpace(c);
        if (state == Quoted) {
            state = c == quote ? BeforeAttribute : Quoted;
            continue;
        }
        if (c == L'>' && state != BeforeValue)
            return i;
        switch (state) {
        case Name:
            state = space || c == L'/' ? BeforeAttribute : Name;
            break;
        case Unquoted:
            state = space ? BeforeAttribute : Unquoted;
            break;
        case BeforeAttribute: // (also after a '/' or a quoted value)
            state = space || c == L'/' ? BeforeAttribute : Attribute;
            break;
        case Attribute:
        case AfterAttribute:
            state = c == L'=' ? BeforeValue : c == L'/' ? BeforeAttribute : space ? AfterAttribute : Attribute;
            break;
        case BeforeValue:
            if (c == L'>')
                return i;
            if (c == L'"' || c == L'\'') {
                quote = c;
                state = Quoted;
            } else if (!space) {
                state = Unquoted;
            }
            break;
        case Quoted:
            break;
        }
    }
    return kNone;
}

void SourceScan::dropSpaceAfterTags(std::wstring_view& data, std::size_t tag, std::size_t end) const
{
    const std::wstring& t = text_;
    std::size_t count = 0;
    for (std::size_t i = tag; i < end;) {
        if (t[i] == L'<') {
            const std::size_t close = tagClose(i, end);
            if (close == kNone)
                return;
            i = close + 1;
        } else if (!asciicase::isSpace(t[i])) {
            return;
        } else {
            i += t[i] == L'\r' && i + 1 < end && t[i + 1] == L'\n' ? 2 : 1;
            ++count;
        }
    }
    if (count > data.size() ||
        !std::all_of(data.end() - static_cast<std::ptrdiff_t>(count), data.end(), asciicase::isSpace))
        return;
    data.remove_suffix(count);
}

std::size_t SourceScan::findDoctype(const std::wstring& text, std::size_t from, std::size_t limit)
{
    static const std::wstring kDoctype = L"<!doctype";
    for (std::size_t i = text.find(L"<!", from); i != std::wstring::npos && i < limit; i = text.find(L"<!", i + 1))
        if (asciicase::equal(text.substr(i, kDoctype.size()), kDoctype))
            return i;
    return kNone;
}

std::size_t SourceScan::endTagAt(std::size_t pos, const std::wstring& name) const
{
    const std::wstring& t = text_;
    if (t.compare(pos, 2, L"</") != 0 || pos + 2 + name.size() > t.size())
        return kNone;
    for (std::size_t i = 0; i < name.size(); ++i)
        if (asciicase::lower(t[pos + 2 + i]) != name[i])
            return kNone;
    std::size_t i = pos + 2 + name.size();
    while (i < t.size() && asciicase::isSpace(t[i]))
        ++i;
    return i < t.size() && t[i] == L'>' ? i + 1 : kNone;
}
