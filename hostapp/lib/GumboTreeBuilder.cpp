#include "GumboTreeBuilder.h"
#include "DocumentStore.h"
#include "NodeSource.h"

#include <gumbo.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <limits>
#include <memory>
#include <new>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "AsciiCase.h"
#include "DocumentType.h"
#include "SourceText.h"
#include "host/CharacterData.h"
#include "host/Document.h"
#include "host/Element.h"
#include "platform/Utf8.h"

namespace {

constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();

using platform::utf8::decodeTrusted;
using platform::utf8::IndexedText;

// The tag name inside a tag's text ("<TABLE BORDER=1>" -> "TABLE", "</A>" -> "A"), as bytes.
std::string_view tagNameOf(const char* tag, std::size_t length)
{
    std::size_t i = 0;
    while (i < length && (tag[i] == '<' || tag[i] == '/'))
        ++i;
    std::size_t j = i;
    while (j < length && !asciicase::isSpace(tag[j]) && tag[j] != '/' && tag[j] != '>')
        ++j;
    return std::string_view(tag + i, j - i);
}

// Elements whose text the parser takes literally: a '<' inside their text is not a tag.
bool literalText(const Element& e)
{
    return e.isRawText() || e.is(L"textarea") || e.is(L"title");
}

class Builder {
public:
    Builder(Document& document, const SourceText* source, const IndexedText& utf8)
        : doc_(document), src_(source), utf8_(utf8), claimed_(source ? source->text.size() + 1 : 0, false)
    {
    }

    Node* convert(const GumboNode* g, Node* parent)
    {
        switch (g->type) {
        case GUMBO_NODE_ELEMENT:
        case GUMBO_NODE_TEMPLATE:
            return convertElement(g, parent);
        case GUMBO_NODE_TEXT:
        case GUMBO_NODE_WHITESPACE:
        case GUMBO_NODE_CDATA:
        case GUMBO_NODE_COMMENT:
            return convertText(g, parent);
        default:
            return nullptr;
        }
    }

    // Adds the DOCTYPE node of a page, placed among the top-level nodes by its position.
    void addDoctype(const GumboDocument& gdoc)
    {
        if (!gdoc.has_doctype)
            return;
        auto* node = DocumentStore::make<DocumentType>(doc_, &doc_, decodeTrusted(gdoc.name),
                                                       decodeTrusted(gdoc.public_identifier),
                                                       decodeTrusted(gdoc.system_identifier));
        if (src_ != nullptr) {
            const std::wstring& text = src_->text;
            // The DOCTYPE stands before the root element, outside the comments around it.
            std::size_t limit = text.size();
            if (Element* root = doc_.getDocumentElement(); root != nullptr && !NodeSource::startTag(root).empty())
                limit = NodeSource::startTag(root).start;
            std::size_t at = findDoctype(text, 0, limit);
            for (Node* c = doc_.getFirstChild(); c != nullptr && at != kNone; c = c->getNextSibling())
                if (hasSpan(c) && NodeSource::spanStart(c) <= at && at < NodeSource::spanEnd(c))
                    at = findDoctype(text, NodeSource::spanEnd(c), limit);
            if (at != kNone) {
                std::size_t close = text.find(L'>', at);
                std::size_t end = close == std::wstring::npos ? text.size() : close + 1;
                setSpan(node, at, end);
            }
        }
        Node* before = doc_.getFirstChild();
        if (hasSpan(node))
            while (before != nullptr && hasSpan(before) && NodeSource::spanStart(before) < NodeSource::spanStart(node))
                before = before->getNextSibling();
        doc_.insertBefore(node, before);
    }

    // Works out spans, tokens, verbatim-ness and gaps of everything built, top-level nodes being
    // the children of container (the document) or the given list (a fragment).
    void finish(Node* container, std::vector<Node*> topLevel)
    {
        if (src_ != nullptr) {
            for (Node* n : topLevel)
                computeSpan(n);
            // Spans may have moved nodes up to the top level.
            if (container != nullptr) {
                topLevel.clear();
                for (Node* n = container->getFirstChild(); n != nullptr; n = n->getNextSibling())
                    topLevel.push_back(n);
            }
        }
        nodes_.clear();
        subtreeEnd_.clear();
        for (Node* top : topLevel)
            number(top);
        if (src_ != nullptr)
            markDisplaced(topLevel);
        if (container != nullptr)
            NodeSource::clearChanged(container);
        if (src_ == nullptr)
            return;
        collectTokens();
        // Gaps: between siblings inside each element, and between the top-level nodes of a page.
        // Between the top-level nodes of a fragment lies only what the parser dropped (tags out
        // of place in the context): it is not inserted. Collected in document order, they need
        // no sorting unless the parser moved nodes; then they are collected and sorted as they
        // always were, so that gaps starting at one place are settled in the same order.
        if (!collectGapsInOrder(container)) {
            gaps_.clear();
            for (Node* n : nodes_)
                if (n->getNodeType() == Node::Type::Element)
                    assignGaps(n);
            std::size_t prevEnd = container != nullptr ? assignGaps(topLevel, 0) : 0;
            if (container != nullptr && container->getNodeType() == Node::Type::Document && prevEnd < src_->text.size())
                gaps_.push_back({nullptr, Gap::DocumentTrail, {src_, prevEnd, src_->text.size()}});
            std::sort(gaps_.begin(), gaps_.end(),
                      [](const Gap& a, const Gap& b) { return a.range.start < b.range.start; });
        }
        settleGaps(container);
        for (std::uint32_t i = 0; i < nodes_.size(); ++i) {
            Node* n = nodes_[i];
            if (hasSpan(n))
                NodeSource::setPure(n, isPure(n, i));
            else if (n->getNodeType() == Node::Type::Element)
                NodeSource::setSourceSpan(n, src_, 0, 0, !n->getFirstChild()); // implied and empty: writes nothing
        }
        // A host is written with its displaced nodes back inside, never copied on its own.
        for (Node* host : hosts_)
            NodeSource::setPure(host, false);
        hosts_.clear();
        if (container == nullptr)
            return;
        if (container->getNodeType() == Node::Type::Document) {
            auto* document = static_cast<Document*>(container);
            NodeSource::setSourceSpan(document, src_, 0, src_->text.size(), true);
            NodeSource::setPageSource(document, src_);
        }
    }

    std::vector<SourceText::Token> takeTokens() { return std::move(tokens_); }

private:
    // Where gumbo's pieces of the page's UTF-8 stand in the wide text.
    bool holds(const GumboStringPiece& piece) const { return utf8_.holds(piece.data, piece.length); }
    std::size_t startOf(const GumboStringPiece& piece) const { return utf8_.indexAt(piece.data); }
    std::size_t endOf(const GumboStringPiece& piece) const { return utf8_.indexAt(piece.data + piece.length); }

    // While building, a node has a span exactly when it has a source.
    static bool hasSpan(const Node* n) { return NodeSource::source(n) != nullptr; }
    void setSpan(Node* n, std::size_t start, std::size_t end) { NodeSource::setSourceSpan(n, src_, start, end, false); }

    // The document's name for a tag name spelled so in the page (or by the parser), converted
    // once per spelling rather than once per element.
    const ElementName& nameOf(std::string_view spelling)
    {
        auto found = names_.find(spelling);
        if (found != names_.end())
            return *found->second;
        const ElementName& name = DocumentStore::internName(doc_, decodeTrusted(spelling.data(), spelling.size()));
        names_.emplace(spelling, &name);
        return name;
    }

    Node* convertElement(const GumboNode* g, Node* parent)
    {
        const GumboElement& ge = g->v.element;
        std::string_view spelling;
        if (ge.original_tag.length > 0 && ge.original_tag.data != nullptr)
            spelling = tagNameOf(ge.original_tag.data, ge.original_tag.length);
        if (spelling.empty())
            spelling = gumbo_normalized_tagname(ge.tag);
        if (spelling.empty())
            spelling = "unknown";
        auto* e = DocumentStore::make<Element>(doc_, &doc_, nameOf(spelling));
        if (parent != nullptr)
            parent->appendChild(e);

        // Elements the parser made up or copied have no start tag of their own in the text.
        const unsigned copied = GUMBO_INSERTION_RECONSTRUCTED_FORMATTING_ELEMENT |
                                GUMBO_INSERTION_ADOPTION_AGENCY_CLONED | GUMBO_INSERTION_BY_PARSER;
        bool startInSource = src_ != nullptr && holds(ge.original_tag) && ge.original_tag.data[0] == '<' &&
                             (g->parse_flags & copied) == 0;
        NodeSource::Range startTag;
        if (startInSource) {
            startTag = {src_, startOf(ge.original_tag), endOf(ge.original_tag)};
            NodeSource::setStartTag(e, startTag);
        }
        // A formatting element the parser opened again (after an element that closed it without
        // its end tag, or around content its misplaced end tag would have cut off) copies the
        // start tag of the one it stands for; the writer writes that tag where the parser would
        // not open it again by itself.
        const unsigned reopened =
            GUMBO_INSERTION_RECONSTRUCTED_FORMATTING_ELEMENT | GUMBO_INSERTION_ADOPTION_AGENCY_CLONED;
        if (src_ != nullptr && (g->parse_flags & reopened) != 0 && holds(ge.original_tag) &&
            ge.original_tag.data[0] == '<')
            NodeSource::setCopiedTag(e, {src_, startOf(ge.original_tag), endOf(ge.original_tag)});
        if (startInSource && ge.tag_namespace != GUMBO_NAMESPACE_HTML && ge.original_tag.length >= 2 &&
            ge.original_tag.data[ge.original_tag.length - 2] == '/')
            NodeSource::setSelfClosed(e, true);
        NodeSource::reserveAttributes(e, ge.attributes.length);
        for (unsigned i = 0; i < ge.attributes.length; ++i) {
            const auto* a = static_cast<const GumboAttribute*>(ge.attributes.data[i]);
            NodeSource::Attribute attr;
            bool named = holds(a->original_name);
            attr.name = named ? decodeTrusted(a->original_name.data, a->original_name.length) : decodeTrusted(a->name);
            attr.value = decodeTrusted(a->value);
            if (startInSource && named) {
                attr.srcStart = startOf(a->original_name);
                attr.srcEnd = holds(a->original_value) ? endOf(a->original_value) : endOf(a->original_name);
                // An attribute merged in from a repeated tag lies outside this start tag.
                attr.fromSource = attr.srcStart > startTag.start && attr.srcEnd < startTag.end;
            }
            NodeSource::addParsedAttribute(e, std::move(attr));
        }
        if (src_ != nullptr && holds(ge.original_end_tag) && ge.original_end_tag.length > 2 &&
            ge.original_end_tag.data[1] == '/')
            claimEndTag(e, ge.original_end_tag);

        for (unsigned i = 0; i < ge.children.length; ++i)
            convert(static_cast<const GumboNode*>(ge.children.data[i]), e);
        return e;
    }

    // Gives an end tag to the element it names: the parser sometimes records one on a child it
    // implied (</TABLE> on a tbody), so the nearest open element of that name takes it.
    void claimEndTag(Element* e, const GumboStringPiece& piece)
    {
        const ElementName& named = nameOf(tagNameOf(piece.data, piece.length));
        const std::wstring& name = named.localName.empty() ? named.tagName : named.localName;
        NodeSource::Range range{src_, startOf(piece), endOf(piece)};
        if (claimed_[range.start])
            return;
        for (Node* n = e; n != nullptr && n->getNodeType() == Node::Type::Element; n = n->parentNode()) {
            auto* candidate = static_cast<Element*>(n);
            if (candidate->localName() != name)
                continue;
            if (NodeSource::endTag(candidate).empty()) {
                NodeSource::setEndTag(candidate, range);
                claimed_[range.start] = true;
            }
            return;
        }
    }

    Node* convertText(const GumboNode* g, Node* parent)
    {
        Node::Type type = Node::Type::Text;
        if (g->type == GUMBO_NODE_COMMENT)
            type = Node::Type::Comment;
        else if (g->type == GUMBO_NODE_CDATA)
            type = Node::Type::CData;
        // Kept in the document's memory: a page has thousands of texts.
        std::wstring_view data = DocumentStore::keepTextFromUtf8(doc_, g->v.text.text);
        Node* previous = parent != nullptr ? parent->getLastChild() : nullptr;
        std::size_t start = kNone, end = kNone;
        if (src_ != nullptr && holds(g->v.text.original_text)) {
            start = startOf(g->v.text.original_text);
            end = endOf(g->v.text.original_text);
            bool literal = parent != nullptr && parent->getNodeType() == Node::Type::Element &&
                           literalText(*static_cast<Element*>(parent));
            if (type == Node::Type::Text && !literal) {
                // The parser's text can run over tags it took without closing a text (</FORM>,
                // </BODY></HTML> before trailing white space, a repeated <html>): the text is
                // made of the stretches between them (else its own source stops at the first).
                std::size_t tag = firstTag(start, end);
                // A '<' that no '>' closes before the end of the text is no tag but the parser's
                // text: "</" at the end of the page.
                if (tag < end && tagClose(tag, end) == kNone)
                    tag = end;
                if (tag < end && splitAtEndTag(previous, start, tag, end, data))
                    return previous;
                if (tag < end) {
                    // One text for each stretch between the tags, when the data lines up with them.
                    std::vector<Piece> pieces = piecesBetweenTags(start, end, data);
                    if (!pieces.empty()) {
                        Node* last = nullptr;
                        for (const Piece& piece : pieces)
                            last = addText(type, data.substr(piece.dataStart, piece.dataEnd - piece.dataStart), parent,
                                           piece.start, piece.end);
                        return last;
                    }
                    dropSpaceAfterTags(data, tag, end);
                }
                end = tag;
            }
        }
        return addText(type, data, parent, start, end);
    }

    struct Piece {
        std::size_t start, end;         // in the source
        std::size_t dataStart, dataEnd; // in the text's data
    };

    // The stretches of source[start, end) between the tags in it, with the part of data each one
    // gives (references as one character, CR LF as LF, a character the parser does not allow as
    // U+FFFD); empty when the data does not line up with the source so.
    std::vector<Piece> piecesBetweenTags(std::size_t start, std::size_t end, std::wstring_view data) const
    {
        const std::wstring& t = src_->text;
        auto referenceChar = [](wchar_t c) {
            return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'#';
        };
        std::vector<Piece> pieces;
        Piece piece{start, start, 0, 0};
        std::size_t i = start, k = 0;
        while (i < end) {
            // (A '<' that no '>' closes before the end is text: "</" at the end of the page.)
            const std::size_t close = firstTag(i, std::min(end, i + 2)) == i ? tagClose(i, end) : kNone;
            if (close != kNone) {
                if (piece.end > piece.start)
                    pieces.push_back(piece);
                i = close + 1;
                piece = {i, i, k, k};
                continue;
            }
            if (k >= data.size())
                return {};
            std::size_t j = i + 1;
            if (t[i] == L'&')
                while (j < end && referenceChar(t[j]))
                    ++j;
            const bool semicolon = j < end && t[j] == L';';
            if (t[i] == L'&' && j > i + 1 && (data[k] != L'&' || semicolon))
                i = semicolon ? j + 1 : j;
            else if (t[i] == L'\r' && data[k] == L'\n')
                i += i + 1 < end && t[i + 1] == L'\n' ? 2 : 1;
            else if (t[i] == data[k] || data[k] == 0xFFFD)
                ++i;
            else
                return {};
            ++k;
            piece.end = i;
            piece.dataEnd = k;
        }
        if (k != data.size())
            return {};
        if (piece.end > piece.start)
            pieces.push_back(piece);
        return pieces;
    }

    // The '>' that ends the tag starting at `at` before end (one inside a quoted attribute value
    // does not: <html lang="a>b">); kNone when none does.
    std::size_t tagClose(std::size_t at, std::size_t end) const
    {
        const std::wstring& t = src_->text;
        wchar_t quote = 0;
        bool afterEquals = false;
        for (std::size_t i = at + 1; i < end; ++i) {
            const wchar_t c = t[i];
            if (quote != 0) {
                quote = c == quote ? 0 : quote;
            } else if (c == L'>') {
                return i;
            } else if ((c == L'"' || c == L'\'') && afterEquals) {
                quote = c;
                afterEquals = false;
            } else if (c == L'=') {
                afterEquals = true;
            } else if (!asciicase::isSpace(c)) {
                afterEquals = false;
            }
        }
        return kNone;
    }

    // White space that stands after the end tags a text runs over (after </BODY> and </HTML>) is
    // not the text's: it stays with the text around those tags, which the writer copies as it
    // stands, and the parser that reads the page again puts it behind the body.
    void dropSpaceAfterTags(std::wstring_view& data, std::size_t tag, std::size_t end) const
    {
        const std::wstring& t = src_->text;
        std::size_t count = 0;
        for (std::size_t i = tag; i < end;) {
            if (t[i] == L'<') {
                const std::size_t close = tagClose(i, end);
                if (close == kNone)
                    return;
                i = close + 1;
            } else if (!asciicase::isSpace(t[i])) {
                return;
            } else {
                i += t[i] == L'\r' && i + 1 < end && t[i + 1] == L'\n' ? 2 : 1;
                ++count;
            }
        }
        if (count > data.size() ||
            !std::all_of(data.end() - static_cast<std::ptrdiff_t>(count), data.end(), asciicase::isSpace))
            return;
        data.remove_suffix(count);
    }

    // A text node over text kept in the document.
    CharacterData* addText(Node::Type type, std::wstring_view data, Node* parent, std::size_t start, std::size_t end)
    {
        auto* c = DocumentStore::makeKeptText(doc_, type, data);
        if (parent != nullptr)
            parent->appendChild(c);
        if (start != kNone && start < end)
            setSpan(c, start, end);
        return c;
    }

    // A text that runs over the end tag of the element just before it (the parser records no
    // </FORM> and hands the white space on both sides of it to the form's parent) is split there:
    // the part before the end tag goes back into that element, which takes the end tag.
    bool splitAtEndTag(Node* previous, std::size_t start, std::size_t tag, std::size_t end, std::wstring_view data)
    {
        if (previous == nullptr || previous->getNodeType() != Node::Type::Element)
            return false;
        auto* e = static_cast<Element*>(previous);
        if (!NodeSource::endTag(e).empty() || e->isVoid() || claimed_[tag])
            return false;
        std::size_t tagEnd = endTagAt(tag, e->localName());
        if (tagEnd == kNone || tagEnd > end)
            return false;
        // Only plain text (no references, no carriage returns) maps one to one onto its data.
        const std::wstring_view head = std::wstring_view(src_->text).substr(start, tag - start);
        if (head.find_first_of(L"&\r") != std::wstring_view::npos || data.substr(0, head.size()) != head)
            return false;
        NodeSource::setEndTag(e, {src_, tag, tagEnd});
        claimed_[tag] = true;
        if (!head.empty())
            addText(Node::Type::Text, data.substr(0, head.size()), e, start, tag);
        const std::wstring_view rest = data.substr(head.size());
        if (!rest.empty())
            addText(Node::Type::Text, rest, e->parentNode(), tagEnd, firstTag(tagEnd, end));
        return true;
    }

    std::size_t firstTag(std::size_t start, std::size_t end) const
    {
        const std::wstring& t = src_->text;
        for (std::size_t i = start; i + 1 < end; ++i) {
            if (t[i] != L'<')
                continue;
            wchar_t n = t[i + 1];
            if ((n >= L'a' && n <= L'z') || (n >= L'A' && n <= L'Z') || n == L'/' || n == L'!' || n == L'?')
                return i;
        }
        return end;
    }

    static std::size_t findDoctype(const std::wstring& text, std::size_t from, std::size_t limit)
    {
        static const std::wstring kDoctype = L"<!doctype";
        for (std::size_t i = text.find(L"<!", from); i != std::wstring::npos && i < limit; i = text.find(L"<!", i + 1))
            if (asciicase::equal(text.substr(i, kDoctype.size()), kDoctype))
                return i;
        return kNone;
    }

    // Bottom-up: an element spans from its start tag (or first content) to its end tag (or last
    // content). An element without a recorded end tag takes one standing right after its content
    // (the parser records no </form>).
    bool computeSpan(Node* n)
    {
        for (Node* c = n->getFirstChild(); c != nullptr; c = c->getNextSibling())
            computeSpan(c);
        if (n->getNodeType() != Node::Type::Element)
            return hasSpan(n);
        auto* e = static_cast<Element*>(n);
        if (!NodeSource::endTag(e).empty())
            moveOutTrailing(e);
        std::size_t lo = kNone, hi = 0;
        for (Node* c = n->getFirstChild(); c != nullptr; c = c->getNextSibling())
            if (hasSpan(c)) {
                lo = std::min(lo, NodeSource::spanStart(c));
                hi = std::max(hi, NodeSource::spanEnd(c));
            }
        if (!NodeSource::startTag(e).empty()) {
            lo = std::min(lo, NodeSource::startTag(e).start);
            hi = std::max(hi, NodeSource::startTag(e).end);
        }
        if (!NodeSource::endTag(e).empty()) {
            lo = std::min(lo, NodeSource::endTag(e).start);
            hi = std::max(hi, NodeSource::endTag(e).end);
        } else if (lo != kNone && !e->isVoid()) {
            std::size_t end = endTagAt(hi, e->localName());
            if (end != kNone && !claimed_[hi]) {
                NodeSource::setEndTag(e, {src_, hi, end});
                claimed_[hi] = true;
                hi = end;
            }
        }
        if (lo == kNone)
            return false;
        setSpan(n, lo, hi);
        return true;
    }

    // Marks the children whose text stands inside the span of a sibling after them (the nearest
    // one that is not itself displaced; one without an end tag reaches as far as the parser let
    // it): the parser moved them out in front of it.
    void markDisplaced(Node* parent)
    {
        Node* host = nullptr;
        for (Node* c = parent->getLastChild(); c != nullptr; c = c->getPreviousSibling())
            markDisplaced(c, host);
    }
    void markDisplaced(const std::vector<Node*>& children)
    {
        Node* host = nullptr;
        for (auto it = children.rbegin(); it != children.rend(); ++it)
            markDisplaced(*it, host);
    }
    // One child of the walk from the last: host is the sibling after it that it may stand inside.
    void markDisplaced(Node* c, Node*& host)
    {
        if (!hasSpan(c))
            return;
        if (host != nullptr && NodeSource::spanStart(host) < NodeSource::spanStart(c) &&
            (NodeSource::spanEnd(c) <= NodeSource::spanEnd(host) ||
             (host->getNodeType() == Node::Type::Element &&
              NodeSource::endTag(static_cast<const Element*>(host)).empty()))) {
            NodeSource::setDisplaced(c, true);
            hosts_.push_back(host);
        } else {
            host = c;
        }
    }

    // Nodes the parser put at the end of an element although they stand after its end tag (white
    // space after </BODY> or </HTML>) move out behind the element, where the text has them.
    void moveOutTrailing(Element* e)
    {
        Node* parent = e->parentNode();
        if (parent == nullptr)
            return;
        std::size_t endTagEnd = NodeSource::endTag(e).end;
        while (Node* last = e->getLastChild()) {
            if (!hasSpan(last) || NodeSource::spanStart(last) < endTagEnd)
                break;
            std::size_t at = NodeSource::spanStart(last);
            Node* before = e->getNextSibling();
            while (before != nullptr && hasSpan(before) && NodeSource::spanStart(before) < at)
                before = before->getNextSibling();
            parent->insertBefore(last, before);
        }
    }

    // The end of "</name>" (any case, white space before '>') starting at pos; kNone if none.
    std::size_t endTagAt(std::size_t pos, const std::wstring& name) const
    {
        const std::wstring& t = src_->text;
        if (t.compare(pos, 2, L"</") != 0 || pos + 2 + name.size() > t.size())
            return kNone;
        for (std::size_t i = 0; i < name.size(); ++i)
            if (asciicase::lower(t[pos + 2 + i]) != name[i])
                return kNone;
        std::size_t i = pos + 2 + name.size();
        while (i < t.size() && asciicase::isSpace(t[i]))
            ++i;
        return i < t.size() && t[i] == L'>' ? i + 1 : kNone;
    }

    // Numbers the subtree in document order; returns the number of its last node. On the way
    // (one walk rather than one per step) it forgets the changes building recorded and marks the
    // displaced children of each element.
    std::uint32_t number(Node* n)
    {
        auto self = static_cast<std::uint32_t>(nodes_.size());
        nodes_.push_back(n);
        subtreeEnd_.push_back(self);
        std::uint32_t last = self;
        for (Node* c = n->getFirstChild(); c != nullptr; c = c->getNextSibling())
            last = number(c);
        subtreeEnd_[self] = last;
        NodeSource::clearChanged(n);
        if (src_ != nullptr && n->getNodeType() == Node::Type::Element)
            markDisplaced(n);
        return last;
    }

    // Lists every token with its owner, and how many tokens each subtree owns.
    void collectTokens()
    {
        std::vector<std::pair<SourceText::Token, std::uint32_t>> all;
        all.reserve(nodes_.size() + nodes_.size() / 2);
        // In document order: a node's start tag (or its own span) at the node, an element's end
        // tag after its subtree. Where the parser took the page as it stands, that is sorted by
        // start already.
        std::vector<std::uint32_t> open; // elements whose end tag is still to come, innermost last
        auto closeBefore = [&](std::uint32_t next) {
            while (!open.empty() && subtreeEnd_[open.back()] < next) {
                const auto* e = static_cast<const Element*>(nodes_[open.back()]);
                all.push_back({{NodeSource::endTag(e).start, NodeSource::endTag(e).end}, open.back()});
                open.pop_back();
            }
        };
        firstToken_.resize(nodes_.size());
        for (std::uint32_t i = 0; i < nodes_.size(); ++i) {
            closeBefore(i);
            firstToken_[i] = static_cast<std::uint32_t>(all.size());
            Node* n = nodes_[i];
            if (n->getNodeType() == Node::Type::Element) {
                auto* e = static_cast<Element*>(n);
                if (!NodeSource::startTag(e).empty())
                    all.push_back({{NodeSource::startTag(e).start, NodeSource::startTag(e).end}, i});
                if (!NodeSource::endTag(e).empty())
                    open.push_back(i);
            } else if (hasSpan(n)) {
                all.push_back({{NodeSource::spanStart(n), NodeSource::spanEnd(n)}, i});
            }
        }
        closeBefore(static_cast<std::uint32_t>(nodes_.size()));
        auto byStart = [](const auto& a, const auto& b) { return a.first.start < b.first.start; };
        tokensInOrder_ = std::is_sorted(all.begin(), all.end(), byStart);
        if (!tokensInOrder_)
            std::sort(all.begin(), all.end(), byStart);
        starts_.clear();
        owners_.clear();
        std::vector<std::uint32_t> own(nodes_.size() + 1, 0);
        for (const auto& [token, owner] : all) {
            starts_.push_back(token.start);
            owners_.push_back(owner);
            ++own[owner];
            if (!tokens_.empty() && token.start < tokens_.back().end)
                tokens_.back().end = std::max(tokens_.back().end, token.end);
            else
                tokens_.push_back(token);
        }
        // ownedBefore_[i]: tokens owned by the nodes numbered below i.
        ownedBefore_.assign(nodes_.size() + 1, 0);
        for (std::size_t i = 0; i < nodes_.size(); ++i)
            ownedBefore_[i + 1] = ownedBefore_[i] + own[i];
    }

    // Whether the node's span holds exactly the tokens of its own subtree (no text the parser
    // moved in from elsewhere, none of its own moved out).
    bool isPure(Node* n, std::uint32_t self) const
    {
        std::uint32_t last = subtreeEnd_[self];
        const std::size_t count = ownedBefore_[last + 1] - ownedBefore_[self];
        if (tokensInOrder_ && count > 0) {
            // The subtree's tokens stand together from firstToken_[self]: the span holds exactly
            // those when that is the first token at or after its start and the one after them is
            // the first at or after its end.
            const std::size_t first = firstToken_[self];
            const std::size_t after = first + count;
            return starts_[first] >= NodeSource::spanStart(n) &&
                   (first == 0 || starts_[first - 1] < NodeSource::spanStart(n)) &&
                   starts_[after - 1] < NodeSource::spanEnd(n) &&
                   (after == starts_.size() || starts_[after] >= NodeSource::spanEnd(n));
        }
        auto lo = std::lower_bound(starts_.begin(), starts_.end(), NodeSource::spanStart(n));
        // The span must hold as many tokens as the subtree owns: the count-th token from lo is
        // the first one at or after the span's end (no second search needed).
        const auto left = static_cast<std::size_t>(starts_.end() - lo);
        if (count > left || (count < left && lo[count] < NodeSource::spanEnd(n)) ||
            (count > 0 && lo[count - 1] >= NodeSource::spanEnd(n)))
            return false;
        auto hi = lo + static_cast<std::ptrdiff_t>(count);
        for (auto p = lo; p != hi; ++p) {
            std::uint32_t owner = owners_[p - starts_.begin()];
            if (owner < self || owner > last)
                return false;
        }
        return true;
    }

    void assignGaps(Node* parent)
    {
        auto* e = static_cast<Element*>(parent);
        std::vector<Node*> children;
        for (Node* c = parent->getFirstChild(); c != nullptr; c = c->getNextSibling())
            children.push_back(c);
        std::size_t start = NodeSource::startTag(e).empty() ? kNone : NodeSource::startTag(e).end;
        std::size_t prevEnd = assignGaps(children, start);
        if (!NodeSource::endTag(e).empty() && prevEnd != kNone && prevEnd < NodeSource::endTag(e).start)
            gaps_.push_back({e, Gap::InnerTrail, {src_, prevEnd, NodeSource::endTag(e).start}});
    }

    // Gives each node the text between the previous one (or start) and itself; returns where the
    // last one ends (start when none has a span, kNone when not known).
    std::size_t assignGaps(const std::vector<Node*>& children, std::size_t prevEnd)
    {
        std::size_t displacedEnd = 0;
        for (Node* c : children) {
            if (!hasSpan(c))
                continue;
            if (NodeSource::isDisplaced(c)) {
                displacedEnd = std::max(displacedEnd, NodeSource::spanEnd(c));
                // Written back where its text stands: its gap is the text since the token before it
                // there, and the siblings around it take theirs as if it were not between them.
                auto next = std::lower_bound(tokens_.begin(), tokens_.end(), NodeSource::spanStart(c),
                                             [](const SourceText::Token& t, std::size_t pos) { return t.start < pos; });
                const std::size_t from = next == tokens_.begin() ? 0 : std::prev(next)->end;
                if (from < NodeSource::spanStart(c))
                    gaps_.push_back({c, Gap::Lead, {src_, from, NodeSource::spanStart(c)}});
                continue;
            }
            if (prevEnd != kNone && prevEnd < NodeSource::spanStart(c))
                gaps_.push_back({c, Gap::Lead, {src_, prevEnd, NodeSource::spanStart(c)}});
            // (The host's displaced nodes, written inside it, may reach past its end.)
            prevEnd = std::max(prevEnd == kNone ? NodeSource::spanEnd(c) : std::max(prevEnd, NodeSource::spanEnd(c)),
                               displacedEnd);
        }
        return prevEnd;
    }

    // The gaps of every node (as assignGaps gives them) in document order: a node's lead gap at
    // the node, an element's inner trail after its subtree. True when their starts strictly
    // increase, which makes the list what sorting them by start gives; false (the list then
    // partial) otherwise.
    bool collectGapsInOrder(Node* container)
    {
        gaps_.clear();
        struct Open {
            std::uint32_t number;
            std::size_t prevEnd; // where the element's children so far end (kNone: not known)
        };
        std::vector<Open> open;
        std::size_t topPrevEnd = 0;
        bool sorted = true;
        auto add = [&](const Gap& gap) {
            if (!gaps_.empty() && gaps_.back().range.start >= gap.range.start)
                sorted = false;
            gaps_.push_back(gap);
        };
        auto closeBefore = [&](std::uint32_t next) {
            while (!open.empty() && subtreeEnd_[open.back().number] < next) {
                auto* e = static_cast<Element*>(nodes_[open.back().number]);
                const std::size_t prevEnd = open.back().prevEnd;
                if (!NodeSource::endTag(e).empty() && prevEnd != kNone && prevEnd < NodeSource::endTag(e).start)
                    add({e, Gap::InnerTrail, {src_, prevEnd, NodeSource::endTag(e).start}});
                open.pop_back();
            }
        };
        for (std::uint32_t i = 0; i < nodes_.size() && sorted; ++i) {
            closeBefore(i);
            Node* n = nodes_[i];
            std::size_t* prevEnd = !open.empty() ? &open.back().prevEnd : container != nullptr ? &topPrevEnd : nullptr;
            if (prevEnd != nullptr && hasSpan(n)) {
                if (*prevEnd != kNone && *prevEnd < NodeSource::spanStart(n))
                    add({n, Gap::Lead, {src_, *prevEnd, NodeSource::spanStart(n)}});
                *prevEnd = *prevEnd == kNone ? NodeSource::spanEnd(n) : std::max(*prevEnd, NodeSource::spanEnd(n));
            }
            if (n->getNodeType() == Node::Type::Element) {
                auto* e = static_cast<Element*>(n);
                open.push_back({i, NodeSource::startTag(e).empty() ? kNone : NodeSource::startTag(e).end});
            }
        }
        closeBefore(static_cast<std::uint32_t>(nodes_.size()));
        if (container != nullptr && container->getNodeType() == Node::Type::Document && topPrevEnd < src_->text.size())
            add({nullptr, Gap::DocumentTrail, {src_, topPrevEnd, src_->text.size()}});
        return sorted;
    }

    // Where the parser moved nodes away from their place in the text, the stretches between
    // siblings of different parents can overlap: each character of gap text goes to one gap only
    // (the one starting first), so that none is written twice. The gaps are sorted by start.
    void settleGaps(Node* container)
    {
        std::size_t covered = 0;
        for (Gap& g : gaps_) {
            g.range.start = std::max(g.range.start, covered);
            if (g.range.start >= g.range.end)
                continue;
            covered = g.range.end;
            switch (g.kind) {
            case Gap::Lead:
                NodeSource::setLeadGap(g.node, g.range);
                break;
            case Gap::InnerTrail:
                NodeSource::setInnerTrailGap(static_cast<Element*>(g.node), g.range);
                break;
            case Gap::DocumentTrail:
                NodeSource::setTrailGap(static_cast<Document*>(container), g.range);
                break;
            }
        }
        gaps_.clear();
    }

    struct Gap {
        enum Kind { Lead, InnerTrail, DocumentTrail };
        Node* node;
        Kind kind;
        NodeSource::Range range;
    };

    Document& doc_;
    const SourceText* src_;
    // Tag names by their spelling in the page's UTF-8 text (or the parser's own), which outlives
    // the builder.
    std::unordered_map<std::string_view, const ElementName*> names_;
    std::vector<Gap> gaps_;
    const IndexedText& utf8_;
    std::vector<Node*> nodes_;              // every node built, in document order (set by finish)
    std::vector<Node*> hosts_;              // nodes that displaced nodes were moved in front of
    std::vector<bool> claimed_;             // at the start of each end tag already given to an element
    std::vector<std::uint32_t> subtreeEnd_; // by node number: the number of the subtree's last node
    std::vector<std::uint32_t> ownedBefore_;
    std::vector<std::uint32_t> firstToken_; // by node number: where its subtree's tokens were listed
    bool tokensInOrder_ = false;            // the tokens came sorted as listed
    std::vector<std::size_t> starts_;
    std::vector<std::uint32_t> owners_;
    std::vector<SourceText::Token> tokens_;
};

// How deep elements may nest in a page the host builds. The tree is built, measured and written
// by recursive functions, and a page nested hundreds of thousands deep (no real page comes near a
// hundred) would exhaust the stack; such a page is refused rather than crash the program.
constexpr std::size_t kMaxDepth = 4000;

// Whether the parser's tree below root nests deeper than kMaxDepth (walked without recursion).
bool nestsTooDeep(const GumboNode* root)
{
    std::vector<std::pair<const GumboNode*, std::size_t>> pending{{root, 0}};
    while (!pending.empty()) {
        auto [node, depth] = pending.back();
        pending.pop_back();
        if (depth > kMaxDepth)
            return true;
        if (node->type != GUMBO_NODE_ELEMENT && node->type != GUMBO_NODE_TEMPLATE && node->type != GUMBO_NODE_DOCUMENT)
            continue;
        const GumboVector& children =
            node->type == GUMBO_NODE_DOCUMENT ? node->v.document.children : node->v.element.children;
        for (unsigned i = 0; i < children.length; ++i)
            pending.emplace_back(static_cast<const GumboNode*>(children.data[i]), depth + 1);
    }
    return false;
}

// The memory of one parse. The parser allocates and frees a great many small pieces (every
// token, every buffer it grows a character at a time) and frees them all when its output is
// destroyed; the small ones are carved from blocks that go at once with the arena, which took a
// fifth of the time of parsing a page. A large piece (a long text) comes from the heap and goes
// back when freed, so that a large page does not keep every buffer it outgrew.
class ParseArena {
public:
    ParseArena() = default;
    ParseArena(const ParseArena&) = delete;
    ParseArena& operator=(const ParseArena&) = delete;
    ~ParseArena()
    {
        for (void* piece : heap_)
            std::free(piece);
    }

    // The parser's allocator and deallocator (userdata is the arena).
    static void* allocate(void* userdata, std::size_t size)
    {
        // Nothing may be thrown through the parser: out of memory is a null, as malloc's.
        try {
            return static_cast<ParseArena*>(userdata)->take(size);
        } catch (const std::bad_alloc&) {
            return nullptr;
        }
    }
    static void deallocate(void* userdata, void* memory) { static_cast<ParseArena*>(userdata)->give(memory); }

    void useFor(GumboOptions& options)
    {
        options.allocator = &ParseArena::allocate;
        options.deallocator = &ParseArena::deallocate;
        options.userdata = this;
    }

private:
    // Every piece starts after a header that tells where it came from; the header keeps the
    // piece aligned as malloc's are.
    struct alignas(std::max_align_t) Header {
        std::size_t heapIndex; // kInBlock + the piece's size class, or its place in heap_
    };
    static constexpr std::size_t kInBlock = std::size_t(1) << (std::numeric_limits<std::size_t>::digits - 1);
    static constexpr std::size_t kLargePiece = 4096;
    static constexpr std::size_t kBlockSize = 64 * 1024;
    // Size classes of small pieces, in steps of the alignment.
    static constexpr std::size_t kClasses = (sizeof(Header) + kLargePiece) / alignof(Header) + 1;

    void* take(std::size_t size)
    {
        const std::size_t align = alignof(Header);
        const std::size_t need = sizeof(Header) + (size + align - 1) / align * align;
        Header* header;
        // A small piece given back is used again for one of its size: the parser frees as much as
        // it keeps (every token's buffers), and without reuse a page took fifty times its size.
        if (size <= kLargePiece && free_[need / align] != nullptr) {
            header = free_[need / align];
            free_[need / align] = *reinterpret_cast<Header**>(header + 1);
            return header + 1;
        }
        if (size > kLargePiece) {
            if (heap_.size() == heap_.capacity())
                heap_.reserve(heap_.empty() ? 16 : 2 * heap_.capacity());
            header = static_cast<Header*>(std::malloc(need));
            if (header == nullptr)
                return nullptr;
            heap_.push_back(header);
            header->heapIndex = heap_.size() - 1;
        } else {
            if (left_ < need) {
                blocks_.push_back(
                    std::make_unique_for_overwrite<std::max_align_t[]>(kBlockSize / sizeof(std::max_align_t)));
                next_ = reinterpret_cast<std::byte*>(blocks_.back().get());
                left_ = kBlockSize;
            }
            header = reinterpret_cast<Header*>(next_);
            next_ += need;
            left_ -= need;
            header->heapIndex = kInBlock + need / align;
        }
        return header + 1;
    }

    void give(void* memory)
    {
        if (memory == nullptr)
            return;
        Header* header = static_cast<Header*>(memory) - 1;
        if (header->heapIndex >= kInBlock) {
            // Kept for reuse; the piece goes with its block. Its first bytes link it in.
            const std::size_t sizeClass = header->heapIndex - kInBlock;
            *static_cast<Header**>(memory) = free_[sizeClass];
            free_[sizeClass] = header;
            return;
        }
        heap_[header->heapIndex] = nullptr;
        std::free(header);
    }

    std::vector<std::unique_ptr<std::max_align_t[]>> blocks_;
    std::byte* next_ = nullptr;
    std::size_t left_ = 0;
    std::vector<void*> heap_;
    std::array<Header*, kClasses> free_{};
};

GumboOptions parserOptions(ParseArena& arena)
{
    GumboOptions options = kGumboDefaultOptions;
    // Parse errors are not used; not collecting them saves time on messy pages.
    options.max_errors = 0;
    arena.useFor(options);
    return options;
}

} // namespace

bool GumboTreeBuilder::buildDocument(Document& document, const wchar_t* text, std::size_t length, bool keepSource)
{
    IndexedText utf8(text, length);
    ParseArena arena;
    GumboOptions options = parserOptions(arena);
    GumboOutput* output = gumbo_parse_with_options(&options, utf8.data(), utf8.size());
    if (nestsTooDeep(output->document)) {
        gumbo_destroy_output(&options, output);
        return false;
    }
    SourceText* source = nullptr;
    if (keepSource) {
        auto kept = std::make_unique<SourceText>();
        kept->text.assign(text, length);
        source = kept.get();
        NodeSource::keepSource(&document, std::move(kept));
    }
    Builder builder(document, source, utf8);
    const GumboDocument& gdoc = output->document->v.document;
    for (unsigned i = 0; i < gdoc.children.length; ++i)
        builder.convert(static_cast<const GumboNode*>(gdoc.children.data[i]), &document);
    builder.addDoctype(gdoc);
    std::vector<Node*> top;
    for (Node* n = document.getFirstChild(); n != nullptr; n = n->getNextSibling())
        top.push_back(n);
    builder.finish(&document, top);
    if (source != nullptr)
        source->tokens = builder.takeTokens();
    gumbo_destroy_output(&options, output);
    return true;
}

std::vector<Node*> GumboTreeBuilder::buildFragment(Document& document, const std::wstring& markup,
                                                   const std::wstring& contextTag)
{
    IndexedText utf8(markup.data(), markup.size());
    auto kept = std::make_unique<SourceText>();
    kept->text = markup;
    SourceText* source = kept.get();
    NodeSource::keepSource(&document, std::move(kept));

    ParseArena arena;
    GumboOptions options = parserOptions(arena);
    std::string tag;
    for (wchar_t c : asciicase::lower(contextTag))
        tag.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    GumboTag context = gumbo_tag_enum(tag.c_str());
    if (context == GUMBO_TAG_UNKNOWN || context == GUMBO_TAG_HTML)
        context = context == GUMBO_TAG_HTML ? GUMBO_TAG_BODY : GUMBO_TAG_DIV;
    options.fragment_context = context;
    options.fragment_namespace = GUMBO_NAMESPACE_HTML;
    GumboOutput* output = gumbo_parse_with_options(&options, utf8.data(), utf8.size());
    if (output->root != nullptr && nestsTooDeep(output->root)) {
        gumbo_destroy_output(&options, output);
        return {};
    }

    Builder builder(document, source, utf8);
    std::vector<Node*> top;
    const GumboNode* root = output->root;
    if (root != nullptr && (root->type == GUMBO_NODE_ELEMENT || root->type == GUMBO_NODE_TEMPLATE)) {
        const GumboVector& children = root->v.element.children;
        for (unsigned i = 0; i < children.length; ++i)
            if (Node* n = builder.convert(static_cast<const GumboNode*>(children.data[i]), nullptr))
                top.push_back(n);
    }
    builder.finish(nullptr, top);
    source->tokens = builder.takeTokens();
    gumbo_destroy_output(&options, output);
    return top;
}
