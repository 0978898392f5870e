#pragma once
#include <string>
#include <string_view>

#include "host/Node.h"

// A text node (also the base of comments' data) of the host's document tree.
class CharacterData : public Node {
public:
    ~CharacterData() override;
    // The text (entities decoded); "" when empty.
    std::wstring getData() const;
    // Replaces the text; the node is serialized afresh (escaped) from then on.
    virtual void setData(const std::wstring& text);

    // The text without a copy (what getData returns).
    std::wstring_view data() const
    {
        if (utf8_.data() != nullptr)
            return keepUtf8AsWide();
        return inDocument_.data() != nullptr ? inDocument_ : std::wstring_view(data_);
    }
    // Splits the text at offset (0 < offset < size): this node keeps the part before it, a new
    // text node placed right after it takes the rest. Both halves of an untouched parsed text keep
    // writing their own source text (references as written). Returns the new node; null when the
    // offset does not fall inside the text.
    CharacterData* splitText(std::size_t offset);

private:
    // Made by its document only (Document::createTextNode; DocumentStore for the host's builders).
    friend class Document;
    friend class DocumentStore;

    // A node of type Text, Comment or CData holding data.
    CharacterData(Type type, Document* owner, const std::wstring& data);
    CharacterData(Type type, Document* owner, std::wstring&& data);
    // A text whose characters live in its document's own memory, which outlives the node
    // (Document::createTextNodeFromUtf8): a data file's texts need no allocation each.
    struct InDocument {
        std::wstring_view text;
    };
    CharacterData(Type type, Document* owner, InDocument data);
    // A text held as UTF-8 in memory its document keeps (Document::createTextNodeKeepingUtf8),
    // converted when it is first read: most texts of a data file are never read.
    struct InDocumentUtf8 {
        std::string_view text;
    };
    CharacterData(Type type, Document* owner, InDocumentUtf8 data);
    // Converts the UTF-8 text into the document's memory, where it stays; returns it.
    std::wstring_view keepUtf8AsWide() const;

    std::wstring data_;
    // The text when it lives in the document; data_ is empty then.
    mutable std::wstring_view inDocument_;
    // The text while it is UTF-8 not yet converted (null otherwise); inDocument_ takes it over.
    mutable std::string_view utf8_;
};
