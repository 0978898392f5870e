#pragma once
#include <cstddef>
#include <string>

class Document;
struct SourceText;

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
    Node* getNextSibling() const { return next_; }
    // The previous node at the same level; null when this is the first one or detached.
    Node* getPreviousSibling() const { return prev_; }
    // The first child; null when there is none.
    Node* getFirstChild() const { return first_; }
    // The last child; null when there is none.
    Node* getLastChild() const { return last_; }
    // The kind of node.
    Type getNodeType() const { return type_; }
    // The document this node belongs to (of a document: itself); null for a node of no document.
    Document* getOwnerDocument() const { return owner_; }

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

    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;

    // Walks of the tree for the host's own components.
    // The parent node (as getParentNode, callable on a const node).
    Node* parentNode() const { return parent_; }
    // The next node in document order inside root's subtree; null after the last one.
    Node* nextInTree(const Node* root) const;
    // Whether the node is in its document's tree (reaches the document through its parents).
    bool isAttached() const;
    // The position of the node among its parent's children; 0 when detached.
    int indexInParent() const;
    // The child at index; null when out of range.
    Node* childAt(int index) const;
    // The number of children.
    int childCount() const;
    // Whether this node is other or one of other's ancestors.
    bool isAncestorOrSelf(const Node* other) const;

protected:
    Node(Type type, Document* owner);

    // A stretch of a source text: [start, end) in characters. Null source: none.
    struct SourceRange {
        const SourceText* source = nullptr;
        std::size_t start = 0;
        std::size_t end = 0;
        bool empty() const { return source == nullptr || start >= end; }
    };

    // Records that the node's own content changed; it and its ancestors are written afresh.
    void markChanged();
    // Records that something below the node changed (a child list, a descendant).
    void markSubtreeChanged();

    // Copies parsed trees field by field (a page parsed before is copied, not parsed again).
    friend class Document;
    bool changed_ = false;

private:
    // The host's record of the node's place in its source text and of the edits since, read and
    // written by the host's NodeSource.
    friend class NodeSource;

    void unlink();
    void linkBefore(Node* parent, Node* ref);

    Type type_;
    Document* owner_;
    Node* parent_ = nullptr;
    Node* prev_ = nullptr;
    Node* next_ = nullptr;
    Node* first_ = nullptr;
    Node* last_ = nullptr;
    const SourceText* source_ = nullptr;
    std::size_t spanStart_ = 0;
    std::size_t spanEnd_ = 0;
    SourceRange leadGap_;
    bool pure_ = false;
    bool displaced_ = false;
    bool movedBehind_ = false;
    bool subtreeChanged_ = false;
};
