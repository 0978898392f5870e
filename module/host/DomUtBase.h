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
// - Attribute names match case-insensitively (ASCII). In the ...AndValue and ...AndPartOfValue
//   searches the flag `ignoreCase` means "compare the value ignoring (ASCII) case"; false compares
//   exactly. An empty part of a value is contained in every value of the attribute.
// - getElementByTagId(out, 1, flag, from): the A elements (any case); flag unused.
// - removeAllChild(node, true, deep) takes the node and its subtree out of the tree;
//   removeAllChild(node, false, deep) takes out the node's children and keeps the node. deep is
//   unused. Removed nodes stay owned by the document (handles to them stay valid).
// - removeElement(node, element, false, keep) unwraps the element: its children take its place.
//   removeElement(node, element, true, keep) takes the element and its subtree out. A null
//   element acts on node. keep is unused.
// - insertParent(node, el) puts el in the node's place with the node inside it (as its last
//   child); nothing when node has no parent, or el is node, one of its ancestors or inside it.
// - createElementbyId(1) makes an A element (owned by the document, not yet in the tree); other
//   kinds give null.
// - getAllPCData(out, text, flag, root): text nodes whose data equals text exactly; every text
//   node when text is empty; flag is unused (the module always passes true). Comments are not
//   text nodes.
// - setOnlyTextUnderElement(el, text): el's children are taken out and one text node holds text.
// - The layout cursor is a node and an offset: a child index in an element, a character index
//   in a text node (read back clamped to the node's size). setLayoutCurorEx(node, true) puts it
//   right after the node, false right before it. When an edit of this object takes the cursor's
//   node out of the tree, the cursor moves to where that node stood; indexes after a removed or
//   unwrapped node follow the change. A cursor whose node was taken out by other means is
//   reported as it is; insertion at it goes to the end of the body.
class DomUtBase {
public:
    explicit DomUtBase(Document* document);
    virtual ~DomUtBase();

    // The document worked on; never null for a usable object.
    Document* getDocument() const;

    // Elements of a tag kind (Element::kAnchor = 1); flag unused.
    int getElementByTagId(std::vector<Element*>& out, int kind, bool flag, Node* from);
    // Elements that carry the attribute. ("Attributr" in these three names is the host's own
    // spelling of its interface, kept so that module code reads as written against it.)
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
    // ("Curor" is the host interface's own spelling, kept deliberately.)
    void setLayoutCurorEx(Node* node, bool after);

protected:
    // Takes node out of its parent, moving the cursor out of it first.
    void detach(Node* node);
    // Puts the children of element in its place and takes it out.
    void unwrap(Node* element);

    Document* document_;
    Node* cursorNode_ = nullptr;
    int cursorOffset_ = 0;
};
