#pragma once
#include <string>
#include <vector>

class CharacterData;
class Document;
class Element;
class Node;

// Searches and edits on one document, and that document's layout cursor (the insertion point).
//
// Meanings chosen by this host:
// - Searches append to `out` (which they empty first), in document order, and return the count.
//   A null root (or start node) searches the whole document; otherwise the root and its subtree.
// - Attribute names match case-insensitively. In the ...AndValue and ...AndPartOfValue searches
//   the flag `ignoreCase` means "compare the value ignoring (ASCII) case".
// - removeAllChild(node, true, true) takes the node and its subtree out of the tree.
// - removeElement(node, element, false, true) unwraps the element: its children take its place.
// - insertParent(node, el) puts el in the node's place with the node inside it.
// - createElementbyId(1) makes an A element (owned by the document, not yet in the tree).
// - getAllPCData(out, text, flag, root): text nodes whose data equals text exactly; every text
//   node when text is empty; flag is unused (the module always passes true).
// - The layout cursor is a node and an offset: a child index in an element, a character index
//   in a text node. setLayoutCurorEx(node, true) puts it right after the node, false right
//   before it.
class DomUtBase {
public:
    explicit DomUtBase(Document* document);
    virtual ~DomUtBase();

    // The document worked on; never null for a usable object.
    Document* getDocument() const;

    // Elements of a tag kind (Element::kAnchor = 1); flag unused.
    int getElementByTagId(std::vector<Element*>& out, int kind, bool flag, Node* from);
    // Elements that carry the attribute.
    int getElementByAttributrName(std::vector<Element*>& out, const std::wstring& name, Node* root);
    // Elements whose attribute equals value.
    int getElementByAttributrNameAndValue(std::vector<Element*>& out, const std::wstring& name,
                                          const std::wstring& value, bool ignoreCase, Node* root);
    // Elements whose attribute contains value.
    int getElementByAttributrNameAndPartOfValue(std::vector<Element*>& out, const std::wstring& name,
                                                const std::wstring& value, bool ignoreCase, Node* root);
    // Text nodes whose data equals text (all text nodes for an empty text).
    int getAllPCData(std::vector<CharacterData*>& out, const std::wstring& text, bool flag, Node* root);

    // Replaces the element's content by one text node holding text. Null element: nothing.
    void setOnlyTextUnderElement(Element* element, const std::wstring& text);
    // See the class comment. Null node: nothing.
    void removeAllChild(Node* node, bool removeSelf, bool deep);
    // See the class comment. Null element: nothing.
    void removeElement(Node* node, Element* element, bool removeChildren, bool keepContent);
    // See the class comment. Null node or element: nothing.
    void insertParent(Node* node, Element* element);
    // A new element of the kind (1 = A); null for an unknown kind.
    Element* createElementbyId(int kind);

    // The cursor's node (null when there is no cursor) and, in offset, its offset.
    Node* getLayoutCursor(int& offset) const;
    // Sets the cursor; a null node clears it.
    void setLayoutCursor(Node* node, int offset);
    // Puts the cursor right after (true) or right before (false) the node; null clears it.
    void setLayoutCurorEx(Node* node, bool after);

protected:
    Document* document_;
    Node* cursorNode_ = nullptr;
    int cursorOffset_ = 0;
};
