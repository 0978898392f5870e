#pragma once
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "host/CharacterData.h"
#include "host/Document.h"
#include "host/Element.h"

// The host's way into a document's own memory: nodes carved from the document's blocks, its one
// copy of each tag name, texts kept in its memory, and copies of parsed trees. The tree builders
// and readers make their nodes here; the module never sees it (the document keeps all of it
// privately, and this class is its friend).
class DocumentStore {
public:
    // Makes a node of the document in the document's own memory; returns it. Nodes live as long
    // as their document, so they are carved from blocks that go with it: a page or data file
    // makes thousands of nodes, and allocating and freeing each on its own was a large part of
    // reading one.
    template <class T, class... Args>
    static T* make(Document& document, Args&&... args)
    {
        return document.make<T>(std::forward<Args>(args)...);
    }
    // Memory of size bytes, aligned, from the document's blocks: it goes with the document.
    static void* allocate(Document& document, std::size_t size, std::size_t alignment)
    {
        return document.allocateNode(size, alignment);
    }
    // The document's one copy of a tag name, as written; valid as long as the document.
    static const ElementName& internName(Document& document, std::wstring_view tagName)
    {
        return document.internName(tagName);
    }
    // A new element named by one of the document's names (internName), not yet in the tree.
    static Element* createElement(Document& document, const ElementName& name) { return document.createElement(name); }
    // A new node of the type (Text, Comment or CData) whose characters were kept in the
    // document's memory (keepText, keepTextFromUtf8), not yet in the tree.
    static CharacterData* makeKeptText(Document& document, Node::Type type, std::wstring_view kept)
    {
        return document.make<CharacterData>(type, &document, CharacterData::InDocument{kept});
    }
    // A new comment node (owned by the document, not yet in the tree).
    static CharacterData* createComment(Document& document, const std::wstring& text)
    {
        return document.createComment(text);
    }
    // A new text node of UTF-8 text (invalid sequences become U+FFFD), its characters kept in the
    // document's own memory rather than allocated one text at a time; not yet in the tree.
    static CharacterData* createTextNodeFromUtf8(Document& document, std::string_view utf8)
    {
        return document.createTextNodeFromUtf8(utf8);
    }
    // A new text node whose UTF-8 text stays where it is, in memory the document holds (hold),
    // until it is first read; not yet in the tree.
    static CharacterData* createTextNodeKeepingUtf8(Document& document, std::string_view utf8)
    {
        return document.createTextNodeKeepingUtf8(utf8);
    }
    // Appends child, a node just made (in no tree, without children), as parent's last child,
    // without appendChild's checks: for the host's readers, which make nodes by the thousand.
    static void appendMade(Node* parent, Node* child) { Document::appendMade(parent, child); }
    // Keeps memory alive for as long as the document: what its kept UTF-8 texts point into.
    static void hold(Document& document, std::shared_ptr<const void> memory) { document.hold(std::move(memory)); }
    // A copy of text, or UTF-8 converted (invalid sequences become U+FFFD), in the document's own
    // memory, valid as long as the document: what texts of nodes made in bulk are kept in.
    static std::wstring_view keepText(Document& document, std::wstring_view text) { return document.keepText(text); }
    static std::wstring_view keepTextFromUtf8(Document& document, std::string_view utf8)
    {
        return document.keepTextFromUtf8(utf8);
    }
    // Replaces the document's content with a copy of source's tree as parsed: every node with its
    // source stretches, gaps and flags, over copies of its source texts, so that the copy writes
    // and edits exactly as the original would. False (the content then being partial) when source
    // holds a node of a kind that is not copied.
    static bool copyParsedTree(Document& document, const Document& source) { return document.copyParsedTree(source); }
};
