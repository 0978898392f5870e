#pragma once
#include <string>

#include "host/Node.h"

// A text node (also the base of comments' data) of the host's document tree.
class CharacterData : public Node {
public:
    ~CharacterData() override;
    // The text (entities decoded); "" when empty.
    std::wstring getData() const;
    // Replaces the text; the node is serialized afresh (escaped) from then on.
    virtual void setData(const std::wstring& text);

    // The host's own part: a node of type Text, Comment or CData holding data.
    CharacterData(Type type, Document* owner, const std::wstring& data);
    CharacterData(Type type, Document* owner, std::wstring&& data);
    // The text without a copy (what getData returns).
    const std::wstring& data() const { return data_; }
    // Splits the text at offset (0 < offset < size): this node keeps the part before it, a new
    // text node placed right after it takes the rest. Both halves of an untouched parsed text keep
    // writing their own source text (references as written). Returns the new node; null when the
    // offset does not fall inside the text.
    CharacterData* splitText(std::size_t offset);

private:
    std::wstring data_;
};
