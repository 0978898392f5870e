#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "host/Node.h"

// A tag name as a document keeps it: one per spelling, shared by every element of that name, so
// that an element carries no name of its own and what the name makes of it is worked out once.
struct ElementName {
    // Sets localName and kind from tagName.
    explicit ElementName(std::wstring name);
    std::wstring tagName;   // as written (lower case for a created element)
    std::wstring localName; // the lower-case name; empty when tagName is in lower case
    // What the name makes of an element: void (br, img, ...), raw text (script, style, ...), an
    // anchor, a formatting element (a, b, font, ...), a bound of reopened formatting (td, ...), the
    // root of foreign content (svg, math), an element of it that holds HTML (foreignObject, mi, ...),
    // a start tag after which the parser does not open closed formatting elements again (div, p, ...).
    enum : unsigned {
        kVoid = 1,
        kRawText = 2,
        kAnchor = 4,
        kFormatting = 8,
        kFormattingScope = 16,
        kForeignRoot = 32,
        kHtmlInForeign = 64,
        kKeepsFormattingClosed = 128
    };
    unsigned kind = 0;
};

// An element of the host's document tree. Attribute names compare case-insensitively; an
// attribute keeps the spelling it was written with.
class Element : public Node {
public:
    // Tag kinds as getElementID reports them; 0 for every tag without a kind of its own.
    enum : int { kUnknown = 0, kAnchor = 1 };

    ~Element() override;
    // The attribute's value; "" when the element has no such attribute.
    std::wstring getAttribute(const std::wstring& name) const;
    // Sets the attribute, adding it when absent (keeps the existing spelling of its name).
    void setAttribute(const std::wstring& name, const std::wstring& value);
    // Removes the attribute; does nothing when absent.
    void removeAttribute(const std::wstring& name);
    // Whether the element has the attribute (even with an empty value).
    bool hasAttribute(const std::wstring& name) const;
    // The text content of the element's subtree (texts joined in document order); "" when none.
    std::wstring getTextData() const;
    // The element's tag kind: kAnchor (1) for A, kUnknown (0) otherwise.
    int getElementID() const;
    // The tag name as written in the source, or lower case for a created element.
    std::wstring getTagName() const;

    // Read-only queries of the tag name, for the host's parser and writer.
    // The shared name: elements of one document and spelling share one.
    const ElementName& name() const { return *name_; }
    // The tag name in lower case (what comparisons use).
    const std::wstring& localName() const { return name_->localName.empty() ? name_->tagName : name_->localName; }
    // Whether the tag name equals name (given in lower case), ignoring case. Inline, with the
    // length of a literal known where it is called: the tree builder asks it of every text's parent.
    bool is(std::wstring_view name) const { return std::wstring_view(localName()) == name; }
    // Elements that never have content or an end tag (br, img, meta, ...).
    bool isVoid() const;
    // Elements whose text is kept raw: not escaped when written (script, style, ...).
    bool isRawText() const;
    // Formatting elements (a, b, font, ...): the parser opens them again after an element that
    // closed them without their end tag.
    bool isFormatting() const { return (name_->kind & ElementName::kFormatting) != 0; }
    // Elements that bound the formatting elements reopened inside them (td, th, caption,
    // applet, object, marquee, template).
    bool isFormattingScope() const { return (name_->kind & ElementName::kFormattingScope) != 0; }

private:
    // Made by its document only (Document::createElement; DocumentStore for the host's builders),
    // which also copies parsed trees field by field.
    friend class Document;

    // An element of owner named tagName (the owner keeps the name; a null owner, the element).
    Element(Document* owner, const std::wstring& tagName);
    Element(Document* owner, std::wstring&& tagName);
    // An element named by a name that lives at least as long as the element (Document::internName).
    Element(Document* owner, const ElementName& name);

    // The host's record of the tags' and attributes' places in the source text.
    friend class NodeSource;

    // One attribute: its name as written, its value (entities decoded) and, for a parsed one, the
    // stretch of its source text (name to the end of the value) inside the start tag. Name and
    // value view characters kept for the element (keepAttributeText), each attribute's its own:
    // a page's attributes are thousands of short texts, and allocating and freeing each was a
    // large part of building and dropping a page.
    struct Attribute {
        std::wstring_view name;
        std::wstring_view value;
        std::size_t srcStart = 0;
        std::size_t srcEnd = 0;
        bool fromSource = false;
        bool changed = false;
    };

    Attribute* findAttribute(std::wstring_view name);
    const Attribute* findAttribute(std::wstring_view name) const;
    // Adds an attribute whose name the element does not have yet.
    void appendAttribute(Attribute attribute);
    // Makes room for count attributes in all.
    void reserveAttributes(std::size_t count);

    // The name of an element of owner: the owner's copy, or one of the element's own.
    const ElementName* nameIn(Document* owner, std::wstring_view tagName);
    // A copy of text that lives as long as the element: in the owner document's memory, or for an
    // element of no document in ownTexts_.
    std::wstring_view keepAttributeText(std::wstring_view text);

    const ElementName* name_;
    std::unique_ptr<ElementName> ownName_;                              // only for an element of no document
    std::unique_ptr<std::vector<std::unique_ptr<wchar_t[]>>> ownTexts_; // the same
    std::unique_ptr<Attribute[]> ownAttrs_;                             // the same
    // The attributes in order: attrCount_ of them in room for attrRoom_, carved from the owner
    // document's memory (ownAttrs_ for an element of no document), so that an element's
    // attributes, like its name, are nothing to allocate or free one element at a time.
    Attribute* attrs_ = nullptr;
    std::uint32_t attrCount_ = 0;
    std::uint32_t attrRoom_ = 0;
    // Positions in attrs_ by lower-case name, made once an element has many attributes, so that
    // building an element of n attributes is not quadratic in n; null until then, and again after a
    // removal shifts the positions.
    mutable std::unique_ptr<std::unordered_map<std::wstring, std::size_t>> attrIndex_;
    std::vector<Node::SourceRange> removedAttrs_;
    SourceRange startTag_;
    SourceRange endTag_;
    SourceRange innerTrail_;
    SourceRange copiedTag_;
    bool attrsChanged_ = false;
    bool selfClosed_ = false;
};
