#pragma once
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

class Element;
class Node;

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
    // copySpans false writes every element structurally (tag by tag, with the gap texts between),
    // which must give the same text for an untouched tree; tests use it to check the gaps.
    explicit MarkupWriter(bool copySpans = true) : copySpans_(copySpans) {}

    // The markup of node (of a document: the whole page).
    std::wstring write(const Node& node) const;

    static void escapeText(std::wstring& out, const std::wstring& text);
    static void escapeAttribute(std::wstring& out, const std::wstring& value);

private:
    void writeNode(const Node& node, std::wstring& out) const;
    void writeChildren(const Node& parent, std::wstring& out) const;
    void writeElement(const Element& element, std::wstring& out) const;
    void writeStartTag(const Element& element, std::wstring& out) const;
    void rewriteStartTag(const Element& element, std::wstring& out) const;
    // Notes that out ends in a construct left open, which closer ends if anything follows.
    void noteOpenEnd(const std::wstring& out, std::wstring closer) const;

    bool copySpans_;
    // Per write: where in the output a construct was left open, and what closes it.
    mutable std::vector<std::pair<std::size_t, std::wstring>> openEnds_;
};
