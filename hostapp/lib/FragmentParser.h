#pragma once
#include <string>

class DomUtBase;
class Node;

// Parses markup as a fragment in the context of the layout cursor's element (the text node's
// parent when the cursor is in a text node; the body when there is no cursor, or when the cursor's
// node has left the tree) and inserts the nodes at the cursor, splitting a text node at the
// cursor's character offset. The cursor then stands right after the inserted nodes. Returns the
// first inserted node; null when the markup holds no node or the document has nowhere to put it.
Node* insertFragmentAtCursor(DomUtBase& util, const std::wstring& markup);
