#pragma once
#include <cstddef>
#include <memory>
#include <span>
#include <vector>

#include "host/Document.h"
#include "host/Element.h"
#include "host/Node.h"

struct SourceText;

// The host's record of where each node of a parsed page stands in the text it was parsed from,
// and of the edits since: what the tree builders set and the markup writer reads so that an
// untouched node is written as its own text. The module never sees it: the DOM classes keep the
// record privately and this class, their friend, is the host's only way to it.
class NodeSource {
public:
    // A stretch of a source text: [start, end) in characters. Null source: none.
    using Range = Node::SourceRange;
    // One attribute of an element: its name as written, its value (entities decoded) and, for a
    // parsed one, the stretch of its source text (name to the end of the value) inside the tag.
    using Attribute = Element::Attribute;

    // The source text the node was parsed from; null for a created node.
    static const SourceText* source(const Node* node) { return node->source_; }
    // The stretch the node spans in its source text.
    static std::size_t spanStart(const Node* node) { return node->spanStart_; }
    static std::size_t spanEnd(const Node* node) { return node->spanEnd_; }
    // Sets the parse results (used by the tree builders).
    static void setSourceSpan(Node* node, const SourceText* source, std::size_t start, std::size_t end, bool pure)
    {
        node->source_ = source;
        node->spanStart_ = start;
        node->spanEnd_ = end;
        node->pure_ = pure;
    }
    static void setPure(Node* node, bool pure) { node->pure_ = pure; }
    // The text between the node's previous sibling (or its parent's start tag) and the node.
    static const Range& leadGap(const Node* node) { return node->leadGap_; }
    static void setLeadGap(Node* node, const Range& gap) { node->leadGap_ = gap; }
    // Whether the node may be written as a plain copy of its source span: parsed, its span holds
    // exactly its own subtree's source, and nothing in the subtree changed since.
    static bool isVerbatim(const Node* node)
    {
        return node->source_ != nullptr && node->pure_ && !node->subtreeChanged_;
    }
    // Whether anything in the subtree (the node itself, an attribute, a child list) changed.
    static bool subtreeChanged(const Node* node) { return node->subtreeChanged_; }
    // Records that something below the node changed (a child list, a descendant).
    static void markSubtreeChanged(Node* node) { node->markSubtreeChanged(); }
    // Forgets recorded changes (after a fresh parse).
    static void clearChanged(Node* node) { node->changed_ = node->subtreeChanged_ = false; }
    // Whether the parser put the node in front of its next sibling although its text stands
    // inside that sibling's (content a table's rows could not hold, moved out before the table).
    // The writer puts such a node back where its text stands when it writes that sibling.
    static bool isDisplaced(const Node* node) { return node->displaced_; }
    static void setDisplaced(Node* node, bool displaced) { node->displaced_ = displaced; }
    // The sibling a displaced node was moved out of: the next one past other displaced nodes,
    // when its text, in the same source, starts before the node's; null when none or not displaced.
    static Node* displacedFrom(const Node* node)
    {
        if (!node->displaced_)
            return nullptr;
        Node* host = node->getNextSibling();
        while (host != nullptr && host->displaced_)
            host = host->getNextSibling();
        return host != nullptr && host->source_ == node->source_ && host->spanStart_ < node->spanStart_ ? host
                                                                                                        : nullptr;
    }
    // Whether the parser put the node behind its previous sibling although its text stands inside
    // that sibling's (template content a row cannot hold: "<template><tr>x<td>" puts the text after
    // the row). The writer puts such a node back where its text stands when it writes that sibling.
    static bool isMovedBehind(const Node* node) { return node->movedBehind_; }
    static void setMovedBehind(Node* node, bool moved) { node->movedBehind_ = moved; }

    // The element's attributes in order.
    static std::span<const Attribute> attributes(const Element* element)
    {
        return {element->attrs_, element->attrCount_};
    }
    // Adds a parsed attribute (used by the tree builders; keeps a duplicate name out).
    static void addParsedAttribute(Element* element, Attribute attribute);
    // Makes room for count attributes in one allocation (the tree builder knows how many come).
    static void reserveAttributes(Element* element, std::size_t count) { element->reserveAttributes(count); }
    // The stretches of parsed attributes removed since (the writer leaves them out of the tag).
    static const std::vector<Range>& removedAttributes(const Element* element) { return element->removedAttrs_; }
    static bool attributesChanged(const Element* element) { return element->attrsChanged_; }
    // Source stretches of the start and end tags; empty when the tag was not in the source.
    static const Range& startTag(const Element* element) { return element->startTag_; }
    static const Range& endTag(const Element* element) { return element->endTag_; }
    static void setStartTag(Element* element, const Range& range) { element->startTag_ = range; }
    static void setEndTag(Element* element, const Range& range) { element->endTag_ = range; }
    // For a formatting element the parser opened again, the start tag it copied; empty for every
    // other element.
    static const Range& copiedTag(const Element* element) { return element->copiedTag_; }
    static void setCopiedTag(Element* element, const Range& range) { element->copiedTag_ = range; }
    // Whether the start tag also ended the element (an SVG or MathML element written "<x/>").
    static bool isSelfClosed(const Element* element) { return element->selfClosed_; }
    static void setSelfClosed(Element* element, bool selfClosed) { element->selfClosed_ = selfClosed; }
    // The text between the element's last child and its end tag.
    static const Range& innerTrailGap(const Element* element) { return element->innerTrail_; }
    static void setInnerTrailGap(Element* element, const Range& gap) { element->innerTrail_ = gap; }

    // Keeps a source text for the document's nodes parsed from it; returns it.
    static const SourceText* keepSource(Document* document, std::unique_ptr<SourceText> source);
    // The text of the page as loaded; null when none was kept.
    static const SourceText* pageSource(const Document* document) { return document->pageSource_; }
    static void setPageSource(Document* document, const SourceText* source) { document->pageSource_ = source; }
    // The text after the document's last top-level node.
    static const Range& trailGap(const Document* document) { return document->trailGap_; }
    static void setTrailGap(Document* document, const Range& gap) { document->trailGap_ = gap; }
};
