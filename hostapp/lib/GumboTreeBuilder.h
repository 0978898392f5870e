#pragma once
#include <cstddef>
#include <string>
#include <vector>

class Document;
class Node;

// Builds the host's tree from the gumbo HTML5 parser's output. With the source kept, every node
// records where it stood in the text (its span, its tags, its attributes, the gap text before
// it), so that the writer can give untouched parts back exactly as they were written.
class GumboTreeBuilder {
public:
    // Parses a page into document (whose old children are already detached). keepSource false
    // records no positions: every node is then written afresh. False, with nothing built, when
    // the page nests elements deeper than the host handles (thousands of levels).
    static bool buildDocument(Document& document, const wchar_t* text, std::size_t length, bool keepSource);
    // Parses markup as a fragment whose context element has the given tag name (an unknown name
    // parses in a div's context). Returns the top-level nodes, detached and owned by document;
    // empty when the markup holds nothing or nests too deep.
    static std::vector<Node*> buildFragment(Document& document, const std::wstring& markup,
                                            const std::wstring& contextTag);
};
