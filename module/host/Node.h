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

protected:
    Node(Type type, Document* owner);

    // Links, source spans and the editing primitives below this line are the host's own.
};
