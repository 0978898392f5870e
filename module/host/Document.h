#pragma once
#include <cstddef>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "host/DocumentFragment.h"

class CharacterData;
class Element;
struct ElementName;

// A page held by the host: created by DOMImpl::createDocument, released by DOM::deleteDocument.
// The document owns every node in it.
class Document : public DocumentFragment {
public:
    ~Document() override;
    // Builds the tree from a page's text (HTML5 parsing), replacing any content. length counts
    // characters; context is unused (null); keepSource true keeps the source text so that
    // untouched nodes serialize back byte for byte. Returns false when text is null, and when the
    // page nests elements thousands deep or has a start tag of more than 256 attributes (the
    // document is then left empty).
    bool createNodes(const wchar_t* text, std::size_t length, void* context, bool keepSource);
    // The root html element; null for an empty document.
    Element* getDocumentElement() const;
    // The body element; null when the document has none.
    Element* getBody() const;
    // The head element; null when the document has none.
    Element* getHead() const;
    // A new element of this document (tag name in lower case), not yet in the tree (owned by the
    // document); null for an empty name.
    Element* createElement(const std::wstring& tagName);
    // A new text node of this document, not yet in the tree (owned by the document).
    CharacterData* createTextNode(const std::wstring& text);

    // As createElement and createTextNode, taking over the text (the host's readers hand over
    // texts they made).
    Element* createElement(std::wstring&& tagName);
    CharacterData* createTextNode(std::wstring&& text);

private:
    // Documents are made by the host (DocumentFactory, and DOMImpl::createDocument for the
    // module); the host reaches the document's memory and names through DocumentStore and the
    // record of its source texts through NodeSource.
    friend class DocumentFactory;
    friend class DocumentStore;
    friend class NodeSource;

    Document();
    // A new comment node (owned by the document, not yet in the tree).
    CharacterData* createComment(const std::wstring& text);
    // The one copy of a tag name, as written, that the document's elements share: the process's
    // (for the usual names) or the document's own; valid as long as the document at least.
    const ElementName& internName(std::wstring_view tagName);
    // A new element named by one of this document's names (internName), not yet in the tree.
    Element* createElement(const ElementName& name);
    // A new text node of UTF-8 text (invalid sequences become U+FFFD), its characters kept in the
    // document's own memory rather than allocated one text at a time; not yet in the tree.
    CharacterData* createTextNodeFromUtf8(std::string_view utf8);
    // The same, its text left as UTF-8 where it is (memory the document holds, see hold) until
    // it is first read.
    CharacterData* createTextNodeKeepingUtf8(std::string_view utf8);
    // Appends child, a node just made for this document (in no tree, without children), as
    // parent's last child: what appendChild does, without the checks a node made that way
    // cannot fail.
    static void appendMade(Node* parent, Node* child)
    {
        child->linkBefore(parent, nullptr);
        parent->markSubtreeChanged();
    }
    // Keeps memory alive for as long as the document (a parsed file whose texts nodes view).
    void hold(std::shared_ptr<const void> memory) { held_.push_back(std::move(memory)); }
    // A copy of text, or UTF-8 converted (invalid sequences become U+FFFD), in the document's own
    // memory, valid as long as the document: what texts of nodes made in bulk are kept in.
    std::wstring_view keepText(std::wstring_view text);
    std::wstring_view keepTextFromUtf8(std::string_view utf8);
    // Takes ownership of a node made for this document; returns it.
    template <class T>
    T* adopt(std::unique_ptr<T> node)
    {
        T* raw = node.get();
        owned_.push_back(std::move(node));
        return raw;
    }
    // Makes a node of this document in the document's own memory; returns it. Nodes live as long
    // as their document, so they are carved from blocks that go with it: a page or data file
    // makes thousands of nodes, and allocating and freeing each on its own was a large part of
    // reading one.
    template <class T, class... Args>
    T* make(Args&&... args)
    {
        if (arenaNodes_.size() == arenaNodes_.capacity())
            arenaNodes_.reserve(arenaNodes_.empty() ? 64 : arenaNodes_.capacity() * 2);
        // Placement: the memory belongs to the arena, the node is destroyed by ~Document.
        T* node = ::new (allocateNode(sizeof(T), alignof(T))) T(std::forward<Args>(args)...);
        arenaNodes_.push_back(node);
        return node;
    }
    // Replaces the content with a copy of source's tree as parsed: every node with its source
    // stretches, gaps and flags, over copies of its source texts, so that the copy writes and
    // edits exactly as the original would. False (the content then being partial) when source
    // holds a node of a kind that is not copied.
    bool copyParsedTree(const Document& source);

    // A copy of from (and its subtree) made in this document, linked as the last child of parent;
    // null for a node of a kind that is not copied.
    Node* copyNode(const Node& from, Node* parent,
                   const std::vector<std::pair<const SourceText*, const SourceText*>>& sources);

    // Memory of size bytes, aligned, from the document's blocks.
    void* allocateNode(std::size_t size, std::size_t alignment);

    // Declared first, so that the blocks, and the memory held, outlive every node in them.
    std::vector<std::shared_ptr<const void>> held_;
    struct ArenaBlock {
        std::unique_ptr<std::byte[]> memory;
        std::size_t size;
    };
    std::vector<ArenaBlock> arenaBlocks_;
    std::byte* arenaNext_ = nullptr;
    std::size_t arenaLeft_ = 0;
    std::vector<Node*> arenaNodes_;
    std::vector<std::unique_ptr<Node>> owned_;
    // Tag names by spelling that the process does not share (see internName); the keys view the
    // names' own text.
    std::unordered_map<std::wstring_view, std::unique_ptr<ElementName>> names_;
    std::vector<std::unique_ptr<SourceText>> sources_;
    const SourceText* pageSource_ = nullptr;
    SourceRange trailGap_;
};
