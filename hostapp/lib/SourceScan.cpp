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

namespace {

struct LegacyReference {
    std::wstring_view name;
    wchar_t character;
};

// The named references a parser also takes without their ';' (then followed by anything: "&nbspx"
// is a no-break space and "x"), sorted; each gives a Latin-1 character.
constexpr LegacyReference kLegacyReferences[] = {
    {L"AElig", 0xC6},  {L"AMP", 0x26},    {L"Aacute", 0xC1}, {L"Acirc", 0xC2},  {L"Agrave", 0xC0}, {L"Aring", 0xC5},
    {L"Atilde", 0xC3}, {L"Auml", 0xC4},   {L"COPY", 0xA9},   {L"Ccedil", 0xC7}, {L"ETH", 0xD0},    {L"Eacute", 0xC9},
    {L"Ecirc", 0xCA},  {L"Egrave", 0xC8}, {L"Euml", 0xCB},   {L"GT", 0x3E},     {L"Iacute", 0xCD}, {L"Icirc", 0xCE},
    {L"Igrave", 0xCC}, {L"Iuml", 0xCF},   {L"LT", 0x3C},     {L"Ntilde", 0xD1}, {L"Oacute", 0xD3}, {L"Ocirc", 0xD4},
    {L"Ograve", 0xD2}, {L"Oslash", 0xD8}, {L"Otilde", 0xD5}, {L"Ouml", 0xD6},   {L"QUOT", 0x22},   {L"REG", 0xAE},
    {L"THORN", 0xDE},  {L"Uacute", 0xDA}, {L"Ucirc", 0xDB},  {L"Ugrave", 0xD9}, {L"Uuml", 0xDC},   {L"Yacute", 0xDD},
    {L"aacute", 0xE1}, {L"acirc", 0xE2},  {L"acute", 0xB4},  {L"aelig", 0xE6},  {L"agrave", 0xE0}, {L"amp", 0x26},
    {L"aring", 0xE5},  {L"atilde", 0xE3}, {L"auml", 0xE4},   {L"brvbar", 0xA6}, {L"ccedil", 0xE7}, {L"cedil", 0xB8},
    {L"cent", 0xA2},   {L"copy", 0xA9},   {L"curren", 0xA4}, {L"deg", 0xB0},    {L"divide", 0xF7}, {L"eacute", 0xE9},
    {L"ecirc", 0xEA},  {L"egrave", 0xE8}, {L"eth", 0xF0},    {L"euml", 0xEB},   {L"frac12", 0xBD}, {L"frac14", 0xBC},
    {L"frac34", 0xBE}, {L"gt", 0x3E},     {L"iacute", 0xED}, {L"icirc", 0xEE},  {L"iexcl", 0xA1},  {L"igrave", 0xEC},
    {L"iquest", 0xBF}, {L"iuml", 0xEF},   {L"laquo", 0xAB},  {L"lt", 0x3C},     {L"macr", 0xAF},   {L"micro", 0xB5},
    {L"middot", 0xB7}, {L"nbsp", 0xA0},   {L"not", 0xAC},    {L"ntilde", 0xF1}, {L"oacute", 0xF3}, {L"ocirc", 0xF4},
    {L"ograve", 0xF2}, {L"ordf", 0xAA},   {L"ordm", 0xBA},   {L"oslash", 0xF8}, {L"otilde", 0xF5}, {L"ouml", 0xF6},
    {L"para", 0xB6},   {L"plusmn", 0xB1}, {L"pound", 0xA3},  {L"quot", 0x22},   {L"raquo", 0xBB},  {L"reg", 0xAE},
    {L"sect", 0xA7},   {L"shy", 0xAD},    {L"sup1", 0xB9},   {L"sup2", 0xB2},   {L"sup3", 0xB3},   {L"szlig", 0xDF},
    {L"thorn", 0xFE},  {L"times", 0xD7},  {L"uacute", 0xFA}, {L"ucirc", 0xFB},  {L"ugrave", 0xF9}, {L"uml", 0xA8},
    {L"uuml", 0xFC},   {L"yacute", 0xFD}, {L"yen", 0xA5},    {L"yuml", 0xFF}};

// The longest legacy reference that name starts with, if any.
const LegacyReference* legacyPrefix(std::wstring_view name)
{
    for (std::size_t n = std::min<std::size_t>(name.size(), 6); n >= 2; --n) {
        const std::wstring_view head = name.substr(0, n);
        const auto* found = std::lower_bound(std::begin(kLegacyReferences), std::end(kLegacyReferences), head,
                                             [](const LegacyReference& r, std::wstring_view v) { return r.name < v; });
        if (found != std::end(kLegacyReferences) && found->name == head)
            return found;
    }
    return nullptr;
}

bool isAsciiAlnum(wchar_t r)
{
    return (r >= L'a' && r <= L'z') || (r >= L'A' && r <= L'Z') || (r >= L'0' && r <= L'9');
}

// Where a character reference at t[i] ('&') ends when it gives c, as the tokenizer reads it in
// text: a numeric one takes its digits only ("&#x1F60al" is one character and "l"), a named one
// all of its name and the ';', or, without them, the longest legacy name it starts with ("&nbspdy"
// is a no-break space and "dy"); SourceScan::kNone when no reference stands there that gives c.
std::size_t referenceEnd(std::wstring_view t, std::size_t i, std::size_t end, wchar_t c)
{
    std::size_t j = i + 1;
    if (j < end && t[j] == L'#') {
        const bool hex = j + 1 < end && (t[j + 1] == L'x' || t[j + 1] == L'X');
        j += hex ? 2 : 1;
        const std::size_t digits = j;
        unsigned long value = 0;
        for (; j < end; ++j) {
            const wchar_t d = t[j];
            const int digit = d >= L'0' && d <= L'9'          ? d - L'0'
                              : hex && d >= L'a' && d <= L'f' ? d - L'a' + 10
                              : hex && d >= L'A' && d <= L'F' ? d - L'A' + 10
                                                              : -1;
            if (digit < 0)
                break;
            if (value <= 0x10FFFF)
                value = value * (hex ? 16 : 10) + static_cast<unsigned long>(digit);
        }
        // (Any other number gives a character of its own, or U+FFFD: the data says which.)
        if (j == digits || (c == L'&') != (value == 38))
            return SourceScan::kNone;
        return j < end && t[j] == L';' ? j + 1 : j;
    }
    while (j < end && isAsciiAlnum(t[j]))
        ++j;
    if (j == i + 1)
        return SourceScan::kNone;
    const std::wstring_view name = t.substr(i + 1, j - i - 1);
    const bool semicolon = j < end && t[j] == L';';
    const LegacyReference* legacy = legacyPrefix(name);
    // A legacy name followed by more of a name is the legacy reference, unless name and ';' are a
    // reference of their own ("&notin;" is not "&not" and "in;"), which gives another character.
    if (legacy != nullptr && legacy->character == c && (legacy->name.size() < name.size() || !semicolon))
        return i + 1 + legacy->name.size();
    if (!semicolon)
        return SourceScan::kNone;
    if (legacy != nullptr && legacy->name.size() == name.size())
        return legacy->character == c ? j + 1 : SourceScan::kNone;
    // (A '&' in the data is the page's own unless a reference names it.)
    return c == L'&' ? SourceScan::kNone : j + 1;
}

} // namespace

std::size_t SourceScan::stepOver(std::wstring_view t, std::size_t i, std::size_t end, wchar_t c)
{
    if (t[i] == L'&') {
        const std::size_t after = referenceEnd(t, i, end, c);
        if (after != kNone)
            return after;
    }
    if (t[i] == L'\r' && c == L'\n')
        return i + 1 < end && t[i + 1] == L'\n' ? i + 2 : i + 1;
    if (t[i] == c || c == 0xFFFD)
        return i + 1;
    return kNone;
}

std::size_t SourceScan::cutShortTag(std::size_t start, std::size_t end) const
{
    for (std::size_t i = firstTag(start, end); i < end; i = firstTag(i, end)) {
        const std::size_t close = tagClose(i, end);
        if (close == kNone)
            return i;
        i = close + 1;
    }
    return end;
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

std::size_t SourceScan::endTagAt(std::size_t pos, std::wstring_view name) const
{
    const std::wstring& t = text_;
    if (t.compare(pos, 2, L"</") != 0 || pos + 2 + name.size() > t.size())
        return kNone;
    for (std::size_t i = 0; i < name.size(); ++i)
        if (asciicase::lower(t[pos + 2 + i]) != name[i])
            return kNone;
    // (After the name the tokenizer reads white space, a '/' or attributes, which it drops,
    // up to the '>': "</form/>".)
    const std::size_t i = pos + 2 + name.size();
    if (i < t.size() && t[i] == L'>')
        return i + 1;
    if (i >= t.size() || (!asciicase::isSpace(t[i]) && t[i] != L'/'))
        return kNone;
    const std::size_t close = tagClose(pos, t.size());
    return close == kNone ? kNone : close + 1;
}

std::size_t SourceScan::startTagAt(std::size_t pos, std::wstring_view name) const
{
    const std::wstring& t = text_;
    // (A character must follow the name: what ends it.)
    if (pos >= t.size() || t[pos] != L'<' || pos + 1 + name.size() >= t.size())
        return kNone;
    for (std::size_t i = 0; i < name.size(); ++i)
        if (asciicase::lower(t[pos + 1 + i]) != name[i])
            return kNone;
    const wchar_t after = t[pos + 1 + name.size()];
    if (after != L'>' && after != L'/' && !asciicase::isSpace(after))
        return kNone;
    const std::size_t close = tagClose(pos, t.size());
    return close == kNone ? kNone : close + 1;
}
