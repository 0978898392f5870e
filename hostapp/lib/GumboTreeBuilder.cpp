#include "GumboTreeBuilder.h"
#include "DocumentStore.h"
#include "NodeSource.h"

#include <gumbo.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <limits>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "AsciiCase.h"
#include "DocumentType.h"
#include "ParseArena.h"
#include "SourceScan.h"
#include "SourceSpanPass.h"
#include "SourceText.h"
#include "host/CharacterData.h"
#include "host/Document.h"
#include "host/Element.h"
#include "platform/Utf8.h"

namespace {

constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();

using platform::utf8::decodeTrusted;
using platform::utf8::IndexedText;

// A parser's NUL-terminated text as bytes; null is "".
std::string_view utf8View(const char* text)
{
    return text != nullptr ? std::string_view(text) : std::string_view();
}

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

    // Works out spans, tokens, verbatim-ness and gaps of everything built (SourceSpanPass).
    void finish(Node* container, std::vector<Node*> topLevel)
    {
        claimEndTagsOfOtherNames();
        tokens_ = SourceSpanPass::run(container, std::move(topLevel), src_, claimed_);
    }
    std::vector<SourceText::Token> takeTokens() { return std::move(tokens_); }
    std::vector<std::size_t> takeFormStarts()
    {
        std::sort(formStarts_.begin(), formStarts_.end());
        return std::move(formStarts_);
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
            std::size_t at = SourceScan::findDoctype(text, 0, limit);
            for (Node* c = doc_.getFirstChild(); c != nullptr && at != kNone; c = c->getNextSibling())
                if (hasSpan(c) && NodeSource::spanStart(c) <= at && at < NodeSource::spanEnd(c))
                    at = SourceScan::findDoctype(text, NodeSource::spanEnd(c), limit);
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

private:
    // Where gumbo's pieces of the page's UTF-8 stand in the wide text.
    bool holds(const GumboStringPiece& piece) const { return utf8_.holds(piece.data, piece.length); }
    std::size_t startOf(const GumboStringPiece& piece) const { return utf8_.indexAt(piece.data); }
    std::size_t endOf(const GumboStringPiece& piece) const { return utf8_.indexAt(piece.data + piece.length); }

    SourceScan scan() const { return SourceScan(src_->text); }

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

    // The parser's record of a tag starts at any "</>" in front of it (which it drops without a
    // token): the tag itself starts after them.
    static GumboStringPiece withoutEmptyEndTags(GumboStringPiece piece)
    {
        while (piece.data != nullptr && piece.length > 3 && piece.data[0] == '<' && piece.data[1] == '/' &&
               piece.data[2] == '>') {
            piece.data += 3;
            piece.length -= 3;
        }
        return piece;
    }

    Node* convertElement(const GumboNode* g, Node* parent)
    {
        Element* e = makeElement(g, parent);
        for (unsigned i = 0; i < g->v.element.children.length; ++i)
            convert(static_cast<const GumboNode*>(g->v.element.children.data[i]), e);
        return e;
    }

    // The element with its tags and attributes, without its children. (Apart from the recursion
    // over the children, so that its locals do not take stack space at every level of a deep
    // page.)
    [[gnu::noinline]] Element* makeElement(const GumboNode* g, Node* parent)
    {
        const GumboElement& ge = g->v.element;
        const GumboStringPiece originalTag = withoutEmptyEndTags(ge.original_tag);
        const GumboStringPiece originalEndTag = withoutEmptyEndTags(ge.original_end_tag);
        std::string_view spelling;
        if (originalTag.length > 0 && originalTag.data != nullptr)
            spelling = tagNameOf(originalTag.data, originalTag.length);
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
        bool startInSource =
            src_ != nullptr && holds(originalTag) && originalTag.data[0] == '<' && (g->parse_flags & copied) == 0;
        NodeSource::Range startTag;
        if (startInSource) {
            startTag = {src_, startOf(originalTag), endOf(originalTag)};
            NodeSource::setStartTag(e, startTag);
            if (e->is(L"plaintext"))
                plaintextFrom_ = std::min(plaintextFrom_, startTag.end);
            if (ge.tag == GUMBO_TAG_FORM && !inTemplate(parent))
                formStarts_.push_back(startTag.start);
        }
        // A formatting element the parser opened again (after an element that closed it without
        // its end tag, or around content its misplaced end tag would have cut off) copies the
        // start tag of the one it stands for; the writer writes that tag where the parser would
        // not open it again by itself.
        const unsigned reopened =
            GUMBO_INSERTION_RECONSTRUCTED_FORMATTING_ELEMENT | GUMBO_INSERTION_ADOPTION_AGENCY_CLONED;
        if (src_ != nullptr && (g->parse_flags & reopened) != 0 && holds(originalTag) && originalTag.data[0] == '<')
            NodeSource::setCopiedTag(e, {src_, startOf(originalTag), endOf(originalTag)});
        if (startInSource && ge.tag_namespace != GUMBO_NAMESPACE_HTML && originalTag.length >= 2 &&
            originalTag.data[originalTag.length - 2] == '/')
            NodeSource::setSelfClosed(e, true);
        NodeSource::reserveAttributes(e, ge.attributes.length);
        for (unsigned i = 0; i < ge.attributes.length; ++i) {
            const auto* a = static_cast<const GumboAttribute*>(ge.attributes.data[i]);
            NodeSource::Attribute attr;
            bool named = holds(a->original_name);
            attr.name = DocumentStore::keepTextFromUtf8(
                doc_, named ? std::string_view(a->original_name.data, a->original_name.length) : utf8View(a->name));
            attr.value = DocumentStore::keepTextFromUtf8(doc_, utf8View(a->value));
            if (src_ != nullptr && named) {
                attr.srcStart = startOf(a->original_name);
                attr.srcEnd = holds(a->original_value) ? endOf(a->original_value) : endOf(a->original_name);
                // An attribute merged in from a repeated tag lies outside this start tag (or the
                // start tag was implied).
                attr.fromSource = startInSource && attr.srcStart > startTag.start && attr.srcEnd < startTag.end;
            }
            NodeSource::addParsedAttribute(e, std::move(attr));
        }
        // A select ended by the start tag of another select (which the parser takes as "</select>")
        // has that tag for its end tag: without it the tag would make a select.
        if (startInSource && ge.tag == GUMBO_TAG_SELECT && originalEndTag.length == 0 &&
            ge.end_pos.offset > ge.start_pos.offset) {
            const char* at = originalTag.data + (ge.end_pos.offset - ge.start_pos.offset);
            if (utf8_.holds(at, 1)) {
                const std::size_t i = utf8_.indexAt(at);
                const std::size_t end = scan().startTagAt(i, L"select");
                if (end != kNone)
                    NodeSource::setEndTag(e, {src_, i, end});
            }
        }
        if (src_ != nullptr && holds(originalEndTag) && originalEndTag.length > 2 && originalEndTag.data[1] == '/')
            claimEndTag(e, originalEndTag, ge.tag == GUMBO_TAG_UNKNOWN, ge.tag_namespace != GUMBO_NAMESPACE_HTML);
        return e;
    }

    static bool inTemplate(const Node* n)
    {
        for (; n != nullptr && n->getNodeType() == Node::Type::Element; n = n->parentNode())
            if (static_cast<const Element*>(n)->is(L"template"))
                return true;
        return false;
    }

    // Gives an end tag to the element it names: the parser records it on every element it ends
    // with it (</TABLE> on an implied tbody too), so the element of that name takes it, or, when
    // none recorded it, the nearest one of the name around e once the tree is built. (Not at
    // once: an element that the parser moved out in front of a table, which it ended with the
    // end tag of a row, stands in the tree inside other rows: "<table><tr><td><table><tr><q></tr>".)
    // The parser ends the innermost element of a name it does not know with the end tag of any
    // such name, and a heading with that of any heading: there e keeps it.
    void claimEndTag(Element* e, const GumboStringPiece& piece, bool unknown, bool foreign)
    {
        const std::string_view tagName = tagNameOf(piece.data, piece.length);
        const ElementName& named = nameOf(tagName);
        const std::wstring& name = named.localName.empty() ? named.tagName : named.localName;
        NodeSource::Range range{src_, startOf(piece), endOf(piece)};
        // The parser may record the end tag of a row on an element of that name in an SVG or MathML
        // element moved out of the row too, which it closed on the way: the row's it is.
        // ("<table><tr><math><tr></tr>": without the row the math's tr would stay open.)
        if (claimed_[range.start] && !foreign && e->localName() == name && NodeSource::endTag(e).empty()) {
            auto it = std::find_if(foreignClaims_.begin(), foreignClaims_.end(),
                                   [&](const Element* f) { return NodeSource::endTag(f).start == range.start; });
            if (it != foreignClaims_.end()) {
                NodeSource::setEndTag(*it, {});
                NodeSource::setEndTag(e, range);
                foreignClaims_.erase(it);
            }
        }
        if (claimed_[range.start])
            return;
        // The end tag of a heading ends the heading open innermost, of whatever level: "</h1>"
        // after "<h1><h2>" ends the h2, on which the parser records it.
        auto heading = [](const std::wstring& n) {
            return n.size() == 2 && n[0] == L'h' && n[1] >= L'1' && n[1] <= L'6';
        };
        // So too the end tag of a name the parser does not know, for the innermost element of such
        // a name: "</v>" after "<v><x>" ends the x. (The name is looked up whole: the tokenizer
        // reads a NUL in it as U+FFFD, so "</head\0>" names no head.)
        const bool unknownName =
            unknown && gumbo_tagn_enum(tagName.data(), static_cast<unsigned>(tagName.size())) == GUMBO_TAG_UNKNOWN;
        if (((heading(name) && heading(e->localName())) || unknownName) && NodeSource::endTag(e).empty()) {
            NodeSource::setEndTag(e, range);
            claimed_[range.start] = true;
            return;
        }
        if (e->localName() == name) {
            if (NodeSource::endTag(e).empty()) {
                NodeSource::setEndTag(e, range);
                claimed_[range.start] = true;
                if (foreign)
                    foreignClaims_.push_back(e);
            }
            return;
        }
        unclaimed_.push_back({e, range, &name});
    }

    // The end tags recorded only on elements they do not name go to the nearest element of
    // their name around.
    void claimEndTagsOfOtherNames()
    {
        for (const UnclaimedEndTag& u : unclaimed_) {
            if (claimed_[u.tag.start])
                continue;
            for (Node* n = u.recordedOn; n != nullptr && n->getNodeType() == Node::Type::Element; n = n->parentNode()) {
                auto* candidate = static_cast<Element*>(n);
                if (candidate->localName() != *u.name)
                    continue;
                if (NodeSource::endTag(candidate).empty()) {
                    NodeSource::setEndTag(candidate, u.tag);
                    claimed_[u.tag.start] = true;
                }
                break;
            }
        }
        unclaimed_.clear();
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
            // The parser starts a text that starts with a CR LF at the LF: the CR is the text's too.
            if (type == Node::Type::Text && start > 0 && src_->text[start] == L'\n' && src_->text[start - 1] == L'\r' &&
                !data.empty() && data.front() == L'\n')
                --start;
            // The parser records a comment that the page cuts short after a carriage return
            // without it, although the comment's data holds the line break (or, a comment whose
            // data it dropped, without the '>' that would end it).
            if (type == Node::Type::Comment && end + 1 == src_->text.size() && src_->text[end] == L'\r' &&
                (lineBreaks(start, end) < static_cast<std::size_t>(std::count(data.begin(), data.end(), L'\n')) ||
                 end == start || src_->text[end - 1] != L'>'))
                end = src_->text.size();
            // (After a plaintext's start tag all is text, also in a formatting element the parser
            // opened again inside it. A script or style in an svg or math element is no raw text.)
            bool literal =
                (parent != nullptr && parent->getNodeType() == Node::Type::Element &&
                 literalText(*static_cast<Element*>(parent)) && g->parent != nullptr &&
                 g->parent->type == GUMBO_NODE_ELEMENT && g->parent->v.element.tag_namespace == GUMBO_NAMESPACE_HTML) ||
                start >= plaintextFrom_;
            if (type == Node::Type::Text && !literal) {
                // The parser's text can run over tags it took without closing a text (</FORM>,
                // </BODY></HTML> before trailing white space, a repeated <html>): the text is
                // made of the stretches between them (else its own source stops at the first).
                std::size_t tag = scan().firstTag(start, end);
                // "</" at the end of the page is no tag but the parser's text.
                if (tag + 2 == end && end == src_->text.size() && src_->text[tag + 1] == L'/')
                    tag = end;
                // (Nor is a tag the page cuts short at its end, which the parser dropped: the text
                // stops in front of it, "t<head>\n<!DOCTYPE" is "t" and "\n".)
                else if (tag < end && end == src_->text.size()) {
                    const std::size_t cut = scan().cutShortTag(start, end);
                    if (!(cut + 2 == end && src_->text[cut + 1] == L'/'))
                        end = cut;
                }
                if (tag < end && splitAtEndTag(previous, start, tag, end, data))
                    return previous;
                if (tag < end) {
                    // One text for each stretch between the tags, when the data lines up with them.
                    std::vector<SourceScan::Piece> pieces = scan().piecesBetweenTags(start, end, data);
                    if (!pieces.empty()) {
                        Node* last = nullptr;
                        for (const SourceScan::Piece& piece : pieces)
                            last = addText(type, data.substr(piece.dataStart, piece.dataEnd - piece.dataStart), parent,
                                           piece.start, piece.end);
                        return last;
                    }
                    scan().dropSpaceAfterTags(data, tag, end);
                }
                end = tag;
            }
        }
        return addText(type, data, parent, start, end);
    }

    // The line breaks in source[start, end), a CR LF counting once.
    std::size_t lineBreaks(std::size_t start, std::size_t end) const
    {
        std::size_t n = 0;
        for (std::size_t i = start; i < end; ++i)
            if (src_->text[i] == L'\n' ? i == start || src_->text[i - 1] != L'\r' : src_->text[i] == L'\r')
                ++n;
        return n;
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
        // The end tag may follow tags the parser ignored ("</>", "</a>" with no a open, "<td>"
        // outside a table): the text ran over them. (Not over the body's or html's end tag,
        // which it took.)
        std::size_t endTag = tag;
        while (endTag < end && scan().endTagAt(endTag, e->localName()) == kNone &&
               scan().endTagAt(endTag, L"body") == kNone && scan().endTagAt(endTag, L"html") == kNone) {
            const std::size_t close = scan().tagClose(endTag, end);
            endTag = close == kNone ? end : scan().firstTag(close + 1, end);
        }
        if (!NodeSource::endTag(e).empty() || e->isVoid() || endTag >= end || claimed_[endTag])
            return false;
        std::size_t tagEnd = scan().endTagAt(endTag, e->localName());
        if (tagEnd == kNone || tagEnd > end)
            return false;
        // How much of the data the text before the end tag gives: plain text (no references, no
        // carriage returns, no dropped tags, no characters the parser replaced) maps one to one
        // onto its data; other text is lined up with it, a text for each stretch between tags
        // (also where the text runs over more tags after the end tag: "</FORM></>x").
        const std::wstring_view head = std::wstring_view(src_->text).substr(start, tag - start);
        std::vector<SourceScan::Piece> pieces;
        if (endTag != tag || head.find_first_of(L"&\r") != std::wstring_view::npos ||
            data.substr(0, head.size()) != head || scan().firstTag(tagEnd, end) < end) {
            pieces = scan().piecesBetweenTags(start, end, data);
            if (pieces.empty())
                return false;
        } else {
            if (!head.empty())
                pieces.push_back({start, tag, 0, head.size()});
            if (head.size() < data.size())
                pieces.push_back({tagEnd, end, head.size(), data.size()});
        }
        NodeSource::setEndTag(e, {src_, endTag, tagEnd});
        claimed_[endTag] = true;
        for (const SourceScan::Piece& piece : pieces)
            addText(Node::Type::Text, data.substr(piece.dataStart, piece.dataEnd - piece.dataStart),
                    piece.start < endTag ? e : e->parentNode(), piece.start, piece.end);
        return true;
    }

    Document& doc_;
    const SourceText* src_;
    // Tag names by their spelling in the page's UTF-8 text (or the parser's own), which outlives
    // the builder.
    std::unordered_map<std::string_view, const ElementName*> names_;
    const IndexedText& utf8_;
    std::vector<bool> claimed_;         // at the start of each end tag already given to an element
    std::size_t plaintextFrom_ = kNone; // where the text of a plaintext starts, which runs to the end
    struct UnclaimedEndTag {
        Element* recordedOn;
        NodeSource::Range tag;
        const std::wstring* name; // (the document's)
    };
    std::vector<UnclaimedEndTag> unclaimed_;
    std::vector<Element*> foreignClaims_; // SVG and MathML elements given an end tag of their name
    std::vector<SourceText::Token> tokens_;
    std::vector<std::size_t> formStarts_; // of the forms outside template content
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
    if (source != nullptr) {
        source->tokens = builder.takeTokens();
        source->formStarts = builder.takeFormStarts();
    }
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
