#pragma once
#include <string>

class DomUtBase;
class Node;

// Parses markup as a fragment in the context of the layout cursor's element (the text node's
// parent when the cursor is in a text node; the body when there is no cursor, or when the cursor's
// node has left the tree) and inserts the nodes at the cursor, splitting a text node at the
// cursor's character offset. Where the page, written and parsed again, would not have the nodes
// there (in a script, a title or a select the markup is text or dropped; a table or a paragraph
// moves a block out), the nodes go to the nearest place that keeps them: after the cursor's
// element, after its parent and so on out, else before the nodes in front of the cursor. The
// cursor then stands right after the inserted nodes. Returns the first inserted node; null when
// the markup holds no node or the page has no place that keeps it.
Node* insertFragmentAtCursor(DomUtBase& util, const std::wstring& markup);
