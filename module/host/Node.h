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

protected:
    Node(Type type, Document* owner);

    // Links, source spans and the editing primitives below this line are the host's own.
public:
    // A stretch of a source text: [start, end) in characters. Null source: none.
    struct SourceRange {
        const SourceText* source = nullptr;
        std::size_t start = 0;
        std::size_t end = 0;
        bool empty() const { return source == nullptr || start >= end; }
    };

    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;

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

    // The source text the node was parsed from (null for a created node), the stretch it spans
    // there, and the text between its previous sibling (or its parent's start tag) and itself.
    const SourceText* source() const { return source_; }
    const SourceRange& leadGap() const { return leadGap_; }
    void setLeadGap(const SourceRange& gap) { leadGap_ = gap; }
    std::size_t spanStart() const { return spanStart_; }
    std::size_t spanEnd() const { return spanEnd_; }
    // Whether the node may be written as a plain copy of its source span: parsed, its span holds
    // exactly its own subtree's source, and nothing in the subtree changed since.
    bool isVerbatim() const { return source_ != nullptr && pure_ && !subtreeChanged_; }
    // Whether anything in the subtree (the node itself, an attribute, a child list) changed.
    bool subtreeChanged() const { return subtreeChanged_; }

    // Records that the node's own content changed; it and its ancestors are written afresh.
    void markChanged();
    // Records that something below the node changed (a child list, a descendant).
    void markSubtreeChanged();
    // Sets the parse results (used by the tree builder).
    void setSourceSpan(const SourceText* source, std::size_t start, std::size_t end, bool pure);
    void setPure(bool pure) { pure_ = pure; }
    // Whether the parser put the node in front of its next sibling although its text stands
    // inside that sibling's (content a table's rows could not hold, moved out before the table).
    // The writer puts such a node back where its text stands when it writes that sibling.
    bool isDisplaced() const { return displaced_; }
    void setDisplaced(bool displaced) { displaced_ = displaced; }
    // Forgets recorded changes (after a fresh parse).
    void clearChanged() { changed_ = subtreeChanged_ = false; }

protected:
    // Copies parsed trees field by field (a page parsed before is copied, not parsed again).
    friend class Document;
    bool changed_ = false;

private:
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
    bool subtreeChanged_ = false;
};
