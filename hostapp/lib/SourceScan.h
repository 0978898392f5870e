#pragma once
#include <cstddef>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

// Scans of a page's source text around the parser's tree: where tags stand in a text the parser
// ran over them, where a tag closes, an end tag of a given name, the DOCTYPE.
class SourceScan {
public:
    // No position.
    static constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();

    explicit SourceScan(const std::wstring& text) : text_(text) {}

    struct Piece {
        std::size_t start, end;         // in the source
        std::size_t dataStart, dataEnd; // in the text's data
    };

    // The stretches of source[start, end) between the tags in it, with the part of data each one
    // gives (references as one character, CR LF as LF, a character the parser does not allow as
    // U+FFFD, a NUL as U+FFFD or, where that does not line up, as none: the parser drops one in
    // text); empty when the data does not line up with the source so.
    std::vector<Piece> piecesBetweenTags(std::size_t start, std::size_t end, std::wstring_view data,
                                         bool nulDropped = true) const;

    // Where the source from i (before end) goes on after giving the data's character c: a
    // character reference gives one character, as far as the tokenizer reads it ("&nbspdy" is a
    // no-break space and "dy"; an unknown name such as "&y;" is literal text, so a '&' comes from
    // a reference only if it names '&'), CR LF and a lone CR give LF, a
    // character the parser does not allow gives U+FFFD; kNone when the source does not give c.
    static std::size_t stepOver(std::wstring_view source, std::size_t i, std::size_t end, wchar_t c);

    // The '>' that ends the tag starting at `at` before end (one inside a quoted attribute value
    // does not: <html lang="a>b">, but a quote in a tag or attribute name quotes nothing:
    // </i=".>); kNone when none does.
    std::size_t tagClose(std::size_t at, std::size_t end) const;

    // Where the first tag from start that end cuts short (no '>' closes it) begins, the tags read
    // as the tokenizer reads them ("<o<o" is one tag); end when every tag there is closed.
    std::size_t cutShortTag(std::size_t start, std::size_t end) const;

    // White space that stands after the end tags a text runs over (after </BODY> and </HTML>) is
    // not the text's: it stays with the text around those tags, which the writer copies as it
    // stands, and the parser that reads the page again puts it behind the body.
    void dropSpaceAfterTags(std::wstring_view& data, std::size_t tag, std::size_t end) const;

    std::size_t firstTag(std::size_t start, std::size_t end) const;

    static std::size_t findDoctype(const std::wstring& text, std::size_t from, std::size_t limit);

    // The end of "</name>" (any case, white space, a '/' or attributes before '>') starting at
    // pos; kNone if none.
    std::size_t endTagAt(std::size_t pos, std::wstring_view name) const;
    // The end of the start tag "<name" (any case, name given in lower case; then white space, a
    // '/' or the '>') starting at pos; kNone if none, or no '>' closes it.
    std::size_t startTagAt(std::size_t pos, std::wstring_view name) const;

private:
    const std::wstring& text_;
};

// Called for every text of a page: inline.
inline std::size_t SourceScan::firstTag(std::size_t start, std::size_t end) const
{
    const std::wstring& t = text_;
    for (std::size_t i = start; i + 1 < end; ++i) {
        if (t[i] != L'<')
            continue;
        wchar_t n = t[i + 1];
        if ((n >= L'a' && n <= L'z') || (n >= L'A' && n <= L'Z') || n == L'/' || n == L'!' || n == L'?')
            return i;
    }
    return end;
}
