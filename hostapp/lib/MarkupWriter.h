#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class Node;
struct SourceText;

// Writes the markup of a node and its subtree. Untouched parsed parts are copied from their
// source text; edited or created parts are written afresh. This is the one place where text and
// attribute values are escaped:
// - text: & < > as &amp; &lt; &gt;, and U+00A0 as &nbsp; (the no-break spaces of authoring tools
//   stay visible and survive any page encoding); text of script, style and the like is raw;
// - attribute values: always in double quotes, & and " as &amp; &quot;, U+00A0 as &nbsp;.
// An edited element keeps its parsed start tag and changes only the attributes that changed;
// tags the parser implied (html, head, body, tbody not in the source) are not written.
// A construct that a page cut short left open at its end (a comment, the DOCTYPE, the text of a
// script or a title) is closed when the writer puts anything after it: copied as it stood it
// would swallow what follows, or take a '>' in a later attribute value for its own end and let
// the rest of that value be read as markup.
class MarkupWriter {
public:
    // A stretch of the output that is a copy of the tracked source text: output
    // [outStart, outEnd) is source [sourceStart, sourceStart + outEnd - outStart).
    struct Copied {
        std::size_t outStart;
        std::size_t outEnd;
        std::size_t sourceStart;
    };

    // copySpans false writes every element structurally (tag by tag, with the gap texts between),
    // which must give the same text for an untouched tree; tests use it to check the gaps.
    explicit MarkupWriter(bool copySpans = true) : copySpans_(copySpans) {}

    // The markup of node (of a document: the whole page).
    std::wstring write(const Node& node) const;
    // As write, and lists in copied, in output order, the stretches of the output that are copies
    // of tracked (a page's own text, whose original bytes can then be kept); none when tracked
    // is null.
    std::wstring write(const Node& node, const SourceText* tracked, std::vector<Copied>& copied) const;

    static void escapeText(std::wstring& out, std::wstring_view text);
    static void escapeAttribute(std::wstring& out, std::wstring_view value);

private:
    std::wstring writePage(const Node& node, const SourceText* tracked, std::vector<Copied>* copied) const;

    bool copySpans_;
};
