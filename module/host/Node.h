#pragma once
#include <string>

class Document;

// A node of the host's document tree. The document owns its nodes; every pointer handed out is a
// non-owning handle that stays valid until the node is removed or the document is deleted.
//
// Virtual slots, in order: destructor, getParentNode, getMarkup, prepareMarkup.
class Node {
public:
    enum class Type { Document, Element, Text, Comment, Doctype, CData, ProcessingInstruction };

    virtual ~Node();
    // The parent node; null for a document or a detached node.
    virtual Node* getParentNode();
    // The markup of the node and its subtree (of a document: the whole page). An untouched node
    // gives back its original source text; an edited one is serialized afresh.
    virtual std::wstring getMarkup();
    // Called on an element just before its getMarkup; brings derived state up to date.
    virtual void prepareMarkup();

    // The next node at the same level; null when this is the last one or detached.
    Node* getNextSibling() const;
    // The previous node at the same level; null when this is the first one or detached.
    Node* getPreviousSibling() const;
    // The first child; null when there is none.
    Node* getFirstChild() const;
    // The last child; null when there is none.
    Node* getLastChild() const;
    // The kind of node.
    Type getNodeType() const;
    // The document this node belongs to; null for a node of no document.
    Document* getOwnerDocument() const;

    // Tree building and editing for the host's own components (readers, generators, tests).
    // Nodes come from Document::createElement / createTextNode and stay owned by the document.
    // Appends child (detaching it from where it was) as the last child; returns child, or null
    // when child is null or would become its own ancestor.
    Node* appendChild(Node* child);
    // Inserts child before ref (ref null: at the end); returns child, or null as appendChild.
    Node* insertBefore(Node* child, Node* ref);
    // Detaches child from this node (it stays owned by the document); returns child, or null
    // when it is not a child of this node.
    Node* removeChild(Node* child);

protected:
    Node(Type type, Document* owner);

    // Links, source spans and the editing primitives below this line are the host's own.
};
