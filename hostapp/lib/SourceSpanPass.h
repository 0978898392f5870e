#pragma once
#include <vector>

#include "SourceText.h"

class Node;

// The source-span pass of building a page: once the tree is built from the parser's output, with
// the source ranges the parser gave (tags, texts), it works out each node's span in the source
// text, the end tags the parser did not record, the nodes the parser moved away from their text
// (displaced), which nodes are copies of their span (pure), the gap text between nodes and the
// page's tokens.
class SourceSpanPass {
public:
    // Runs the pass over the nodes built, the top-level ones being the children of container (a
    // document) or topLevel (a fragment, container null); source is the text they were built from
    // (null when it is not kept: the pass then only forgets the changes building recorded) and
    // claimed, by position in it, marks the end tags already given to an element. Returns the
    // source's tokens (none without a source).
    static std::vector<SourceText::Token> run(Node* container, std::vector<Node*> topLevel, const SourceText* source,
                                              std::vector<bool>& claimed);
};
