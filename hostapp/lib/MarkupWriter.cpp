#include "MarkupWriter.h"
#include "NodeSource.h"

#include <algorithm>
#include <vector>

#include "DocumentType.h"
#include "SourceText.h"
#include "host/CharacterData.h"
#include "host/Document.h"
#include "host/Element.h"

namespace {

void appendAttribute(std::wstring& out, const NodeSource::Attribute& a)
{
    out += a.name;
    out += L"=\"";
    MarkupWriter::escapeAttribute(out, a.value);
    out += L'"';
}

bool inRawText(const Node& node)
{
    const Node* parent = node.parentNode();
    return parent != nullptr && parent->getNodeType() == Node::Type::Element &&
           static_cast<const Element*>(parent)->isRawText();
}

// What closes a comment whose text (from its "<!--") the page cut short, so that it keeps its
// data: "" when the text ends it. A comment ends at "-->", "--!>", or right away at "<!-->" or
// "<!--->"; at the end of the page a trailing "-", "--" or "--!" is not part of its data.
std::wstring commentCloser(const std::wstring& text, std::size_t start, std::size_t end)
{
    enum { Start, StartDash, Body, EndDash, End, Bang } state = Start;
    for (std::size_t i = start + 4; i < end; ++i) {
        const wchar_t c = text[i];
        switch (state) {
        case Start:
        case StartDash:
            if (c == L'>')
                return i + 1 == end ? L"" : L"-->";
            state = c == L'-' ? (state == Start ? StartDash : End) : Body;
            break;
        case Body:
            state = c == L'-' ? EndDash : Body;
            break;
        case EndDash:
            state = c == L'-' ? End : Body;
            break;
        case End:
            if (c == L'>')
                return i + 1 == end ? L"" : L"-->";
            state = c == L'!' ? Bang : c == L'-' ? End : Body;
            break;
        case Bang:
            if (c == L'>')
                return i + 1 == end ? L"" : L"-->";
            state = c == L'-' ? EndDash : Body;
            break;
        }
    }
    switch (state) {
    case StartDash:
    case EndDash:
        return L"->";
    case End:
    case Bang:
        return L">";
    default:
        return L"-->";
    }
}

// What closes the construct that a parsed node's source text leaves open at the node's end;
// "" when nothing is left open. A node reaching the end of its source may end there inside a
// comment or the DOCTYPE of its last descendants. (Elements left open are the writer's to close.)
std::wstring closerOfOpenEnd(const Node& node)
{
    const Node* n = &node;
    while (n != nullptr && NodeSource::source(n) != nullptr) {
        const std::wstring& text = NodeSource::source(n)->text;
        const std::size_t start = NodeSource::spanStart(n), end = NodeSource::spanEnd(n);
        switch (n->getNodeType()) {
        case Node::Type::Comment:
            if (text.compare(start, 4, L"<!--") == 0)
                return commentCloser(text, start, end);
            [[fallthrough]];
        case Node::Type::Doctype:
        case Node::Type::ProcessingInstruction:
            return end > start && text[end - 1] == L'>' ? L"" : L">";
        case Node::Type::CData:
            return end >= start + 3 && text.compare(end - 3, 3, L"]]>") == 0 ? L"" : L"]]>";
        case Node::Type::Text:
            return L"";
        case Node::Type::Element:
        case Node::Type::Document:
            break;
        }
        const Node* last = n->getLastChild();
        if (last == nullptr || NodeSource::spanEnd(last) != end)
            return L"";
        n = last;
    }
    return L"";
}

// Whether what the writer writes of the element ends it: an end tag (its own, or one written
// afresh for a created element), or a start tag that ends it too.
bool writesItsEnd(const Element& e)
{
    return !NodeSource::endTag(&e).empty() || e.isVoid() || NodeSource::isSelfClosed(&e) ||
           NodeSource::source(&e) == nullptr;
}

// Whether the parser makes the implied element again from its content: html, head and body
// always, a tbody when its content starts with a row or a cell, a tr with a cell, a colgroup
// with a col.
bool impliedAgain(const Element& e)
{
    const bool tbody = e.is(L"tbody"), tr = e.is(L"tr");
    if (!tbody && !tr && !e.is(L"colgroup"))
        return true;
    for (const Node* c = e.getFirstChild(); c != nullptr; c = c->getNextSibling()) {
        if (c->getNodeType() == Node::Type::Text &&
            static_cast<const CharacterData*>(c)->data().find_first_not_of(L" \t\n\r\f") == std::wstring_view::npos)
            continue;
        if (c->getNodeType() != Node::Type::Element)
            return false;
        const auto& first = static_cast<const Element&>(*c);
        const bool cell = first.is(L"td") || first.is(L"th");
        return tbody ? cell || first.is(L"tr") : tr ? cell : first.is(L"col");
    }
    return false;
}

// The child of an implied body before which the output must write "<body>": the first one that
// is not white space, when the parser would not take its markup as the start of the body. After
// the head a parser puts head content (meta, script, ...) into the head, a comment beside the
// body and drops an end tag such as "</p>" (which inside the body makes an empty p); in the page
// something before that node opened the body, and when an edit removed it, nothing does. Null
// when the body need not be written.
const Node* bodyOpenerNeeded(const Element& body)
{
    if (!body.is(L"body") || !NodeSource::startTag(&body).empty() || NodeSource::source(&body) == nullptr ||
        NodeSource::attributesChanged(&body) || !NodeSource::subtreeChanged(&body))
        return nullptr;
    for (const Node* c = body.getFirstChild(); c != nullptr; c = c->getNextSibling()) {
        if (c->getNodeType() == Node::Type::Text) {
            const std::wstring_view data = static_cast<const CharacterData*>(c)->data();
            if (data.find_first_not_of(L" \t\n\r\f") == std::wstring_view::npos)
                continue;
            return nullptr;
        }
        if (c->getNodeType() != Node::Type::Element)
            return c;
        const auto& e = static_cast<const Element&>(*c);
        if (NodeSource::startTag(&e).empty() && NodeSource::source(&e) != nullptr)
            return NodeSource::copiedTag(&e).empty() && !e.is(L"br") ? c : nullptr;
        static constexpr std::wstring_view kHeadContent[] = {L"base",  L"basefont", L"bgsound",  L"link",
                                                             L"meta",  L"noframes", L"noscript", L"script",
                                                             L"style", L"template", L"title"};
        for (std::wstring_view name : kHeadContent)
            if (e.is(name))
                return c;
        return nullptr;
    }
    return nullptr;
}

// One write: the output, the stretches of it copied from the tracked source, and what the
// parser reading the output will have open at its end.
//
// The parser must read the output as the tree. Where the writer copies the source on, the source
// says the rest as it always did. Where it does not (a node was inserted, removed or moved, or a
// created node comes next), it tells the parser what the source left to be implied:
// - elements the output left open (an element whose end tag the source leaves out, its last
//   descendants likewise) are closed by end tags before anything else is written there;
// - formatting elements that the parser would open again around new content (one the source
//   closed without its end tag, "<p><b>x</p>") are ended by their end tags, and where the source
//   relied on the parser opening one again, the writer writes that start tag itself;
// - a node the parser moved out in front of a table is written where its text stands, inside
//   the table.
class Writer {
public:
    Writer(bool copySpans, const Node& root, const SourceText* tracked, std::vector<MarkupWriter::Copied>* copied)
        : copySpans_(copySpans), tracked_(tracked), copied_(copied)
    {
        // The output starts where the root's text starts.
        at_ = {NodeSource::source(&root), NodeSource::spanStart(&root), NodeSource::spanStart(&root)};
        wholePage_ = root.getNodeType() == Node::Type::Document;
    }

    std::wstring take()
    {
        pending_.clear();
        return std::move(out_);
    }

    void writeNode(const Node& node);

private:
    // An entry of the parser's list of open formatting elements (or a scope mark): the element and
    // the start tag that the elements it reopens copy.
    struct Formatting {
        const Element* element; // null for a scope mark
        NodeSource::Range tag;
    };

    // The output, for appending written-afresh text: closers still pending go first.
    std::wstring& fresh()
    {
        for (const std::wstring& closer : pending_)
            out_ += closer;
        pending_.clear();
        at_ = {};
        return out_;
    }

    // Appends source[start, end) as it stands.
    void copy(const SourceText* source, std::size_t start, std::size_t end)
    {
        if (start >= end)
            return;
        std::wstring& out = fresh();
        if (source == tracked_ && copied_ != nullptr) {
            if (!copied_->empty() && copied_->back().outEnd == out.size() &&
                copied_->back().sourceStart + (copied_->back().outEnd - copied_->back().outStart) == start)
                copied_->back().outEnd += end - start;
            else
                copied_->push_back({out.size(), out.size() + (end - start), start});
        }
        out.append(source->text, start, end - start);
        at_ = {source, start, end};
    }

    void copy(const NodeSource::Range& range)
    {
        if (!range.empty())
            copy(range.source, range.start, range.end);
    }

    // The gap text of range from `from` on: what lies there outside every node's own stretch.
    void copyGap(const NodeSource::Range& range, std::size_t from = 0, std::size_t to = std::wstring::npos)
    {
        if (range.empty())
            return;
        range.source->forEachGapStretch(std::max(range.start, from), std::min(range.end, to),
                                        [&](std::size_t start, std::size_t end) { copy(range.source, start, end); });
    }

    // A text or comment written afresh leaves the parser as its source did: the output stands
    // where the source of a parsed one ends.
    void standAfter(const Node& node)
    {
        if (NodeSource::source(&node) != nullptr)
            at_ = {NodeSource::source(&node), NodeSource::spanEnd(&node), NodeSource::spanEnd(&node)};
    }

    // Notes that the output ends in a construct left open, which closer ends if anything follows.
    void noteOpenEnd(std::wstring closer)
    {
        if (!closer.empty())
            pending_.push_back(std::move(closer));
    }

    // The gap text before node, but for what the output has passed already (written back before
    // it, displaced nodes are written inside its gap).
    void writeGap(const NodeSource::Range& gap, std::size_t leadsTo)
    {
        const bool passed = at_.source == gap.source && at_.end > gap.start && at_.end <= leadsTo;
        copyGap(gap, passed ? at_.end : 0);
    }
    void writeGap(const Node& node) { writeGap(NodeSource::leadGap(&node), NodeSource::spanStart(&node)); }

    // Where the output of node begins in its source: its gap text, else its own text; npos for a
    // node written afresh.
    static std::size_t startOf(const Node& node)
    {
        if (NodeSource::source(&node) == nullptr)
            return std::wstring::npos;
        const NodeSource::Range& gap = NodeSource::leadGap(&node);
        return !gap.empty() && gap.source == NodeSource::source(&node) ? gap.start : NodeSource::spanStart(&node);
    }

    // Called before the output of node begins: unless the output so far ends where the source
    // continues with node, ends what the output left open that the source relied on the parser
    // to end.
    void arriveAt(const Node& node)
    {
        std::size_t from = startOf(node);
        // Past the start of the gap text (displaced nodes written back inside it), the source
        // continues if nothing stands between here and the node itself.
        if (from != std::wstring::npos && at_.source == NodeSource::source(&node) && at_.end > from)
            from = NodeSource::spanStart(&node);
        // Among the children of an untouched element the output is the source as it was.
        const Node* parent = node.parentNode();
        const bool untouched =
            parent != nullptr && !NodeSource::subtreeChanged(parent) && NodeSource::source(&node) != nullptr;
        const bool continues = untouched || (from != std::wstring::npos && at_.source == NodeSource::source(&node) &&
                                             at_.end <= from && !NodeSource::source(&node)->hasTokenIn(at_.end, from));
        if (!continues) {
            closeLeftOpen();
            endForeignFormatting(NodeSource::source(&node));
        }
        leftOpen_.clear();
    }

    void closeLeftOpen();
    void endForeignFormatting(const SourceText* source);
    void endTag(const Element& e);
    void enterFormatting(const Element& e);
    void leaveFormatting(const Element& e, bool ended);
    bool reopenedByParser(const Element& e) const;
    bool followFormatting(const Node& node);
    bool follow(const Node& node);
    bool onStack(const Element* e) const { return std::find(stack_.begin(), stack_.end(), e) != stack_.end(); }
    std::size_t afterLastMark() const;

    void writeChildren(const Node& parent);
    void writeDisplaced(std::size_t before);
    void writeEndTagsBefore(const Node& child);
    void writeElement(const Element& element);
    void writeStartTag(const Element& element);
    void rewriteStartTag(const Element& element);

    bool copySpans_;
    const SourceText* tracked_;
    std::vector<MarkupWriter::Copied>* copied_;
    std::wstring out_;
    std::vector<std::wstring> pending_;
    // Whether the output is a whole page, whose formatting elements the writer follows from the
    // start (of a part of a page it does not know which ones the parser has listed before it).
    bool wholePage_ = false;
    // The stretch of source the output last copied (no source after text written afresh).
    NodeSource::Range at_;
    // Elements the output left open beyond those being written, outermost first.
    std::vector<const Element*> leftOpen_;
    // The elements being written, outermost first.
    std::vector<const Element*> stack_;
    // The parser's list of formatting elements as the output so far leaves it.
    std::vector<Formatting> formatting_;
    // Nodes to be written back inside the element being written, where their text stands, by
    // position; next_ is the first not yet written.
    std::vector<const Node*> displaced_;
    std::size_t nextDisplaced_ = 0;
    // End tags of body and html that stand before content of theirs, outermost first.
    struct AheadEnd {
        NodeSource::Range tag;
        bool written;
    };
    std::vector<AheadEnd> aheadEnds_;
    // Comments after the body or html whose text stands before content of the element (the
    // parser puts it back in): written where they stand, and then not again.
    std::vector<const Node*> aheadNodes_;
    std::vector<const Node*> writtenAhead_;
};

void Writer::closeLeftOpen()
{
    for (auto it = leftOpen_.rbegin(); it != leftOpen_.rend(); ++it) {
        const Element& e = **it;
        // plaintext takes everything after it as text: nothing can end it.
        if (e.is(L"plaintext"))
            continue;
        if (e.isFormatting()) {
            // An end tag ends the last formatting element of its name: another one of that name,
            // closed but still listed, goes first.
            for (std::size_t i = formatting_.size(); i-- > afterLastMark();) {
                const Element* listed = formatting_[i].element;
                if (listed == &e || listed->localName() != e.localName())
                    continue;
                if (onStack(listed))
                    break;
                endTag(*listed);
                formatting_.erase(formatting_.begin() + static_cast<std::ptrdiff_t>(i));
            }
        }
        endTag(e);
        leaveFormatting(e, true);
    }
    leftOpen_.clear();
}

// Ends the formatting elements that the parser would open again around what comes next although
// they come from another text than it (or it is written afresh): new content must not take on
// the page's, nor the page the new content's.
void Writer::endForeignFormatting(const SourceText* source)
{
    for (std::size_t i = formatting_.size(); i-- > afterLastMark();) {
        const Element* listed = formatting_[i].element;
        if (onStack(listed) || (source != nullptr && NodeSource::source(listed) == source))
            continue;
        // The parser ends the last one of the name; a later one of that name that is open is an
        // ancestor, which must stay.
        bool later = false;
        for (std::size_t j = i + 1; j < formatting_.size(); ++j)
            later = later || (formatting_[j].element->localName() == listed->localName());
        if (later)
            continue;
        endTag(*listed);
        formatting_.erase(formatting_.begin() + static_cast<std::ptrdiff_t>(i));
    }
}

void Writer::endTag(const Element& e)
{
    fresh() += L"</" + e.getTagName() + L">";
}

std::size_t Writer::afterLastMark() const
{
    for (std::size_t i = formatting_.size(); i-- > 0;)
        if (formatting_[i].element == nullptr)
            return i + 1;
    return 0;
}

// The parser's list as an element's start (its tag, or its being opened again) changes it.
void Writer::enterFormatting(const Element& e)
{
    if (e.isFormattingScope()) {
        formatting_.push_back({nullptr, {}});
    } else if (e.isFormatting()) {
        const NodeSource::Range& tag =
            NodeSource::copiedTag(&e).empty() ? NodeSource::startTag(&e) : NodeSource::copiedTag(&e);
        // Opened again, it takes the place of the one it copies.
        for (std::size_t i = formatting_.size(); i-- > afterLastMark();)
            if (!NodeSource::copiedTag(&e).empty() && formatting_[i].tag.source == tag.source &&
                formatting_[i].tag.start == tag.start) {
                formatting_.erase(formatting_.begin() + static_cast<std::ptrdiff_t>(i));
                break;
            }
        formatting_.push_back({&e, tag});
    }
}

// ... and as its end does: its end tag takes it off the list; ending a cell, caption or template
// (by its end tag or not) and the end tag of an applet, object or marquee clear the list to the
// scope mark.
void Writer::leaveFormatting(const Element& e, bool ended)
{
    if (e.isFormattingScope()) {
        if (ended || e.is(L"td") || e.is(L"th") || e.is(L"caption") || e.is(L"template")) {
            const std::size_t mark = afterLastMark();
            if (mark > 0)
                formatting_.resize(mark - 1);
        }
    } else if (e.isFormatting() && ended) {
        for (std::size_t i = formatting_.size(); i-- > afterLastMark();)
            if (formatting_[i].element->localName() == e.localName()) {
                formatting_.erase(formatting_.begin() + static_cast<std::ptrdiff_t>(i));
                break;
            }
    }
}

// What a copied subtree does to the list.
// Whether the parser opens a copied formatting element again by itself where the output stands:
// the element it copies is listed (after the last scope mark) and not open. Of a part of a page
// the writer cannot tell, and leaves it to the parser as the source did.
bool Writer::reopenedByParser(const Element& e) const
{
    if (!wholePage_)
        return true;
    for (std::size_t i = afterLastMark(); i < formatting_.size(); ++i)
        if (formatting_[i].tag.source == NodeSource::copiedTag(&e).source &&
            formatting_[i].tag.start == NodeSource::copiedTag(&e).start && !onStack(formatting_[i].element))
            return true;
    return false;
}

// What a copied subtree does to the list; false, with the list as it stood, when the subtree holds
// a formatting element that the parser would no longer open again by itself (its tag must then be
// written, so the subtree cannot be copied).
bool Writer::followFormatting(const Node& node)
{
    if (node.getNodeType() != Node::Type::Element)
        return true;
    const std::vector<Formatting> before = formatting_;
    const std::size_t depth = stack_.size();
    bool kept = follow(node);
    stack_.resize(depth);
    if (!kept)
        formatting_ = before;
    return kept;
}

bool Writer::follow(const Node& node)
{
    if (node.getNodeType() != Node::Type::Element)
        return true;
    const auto& e = static_cast<const Element&>(node);
    if (!NodeSource::copiedTag(&e).empty() && NodeSource::startTag(&e).empty() && !reopenedByParser(e))
        return false;
    if (!NodeSource::startTag(&e).empty() || !NodeSource::copiedTag(&e).empty())
        enterFormatting(e);
    stack_.push_back(&e);
    // The end tag of the body or html, which the parser takes without ending anything, may stand
    // before content of the element (white space, text the parser put back in): it is written
    // where it stands.
    const bool early = (e.is(L"body") || e.is(L"html")) && !NodeSource::endTag(&e).empty() &&
                       NodeSource::endTag(&e).end < NodeSource::spanEnd(&e);
    if (early)
        aheadEnds_.push_back({NodeSource::endTag(&e), false});
    for (const Node* c = node.getFirstChild(); c != nullptr; c = c->getNextSibling())
        if (!follow(*c))
            return false;
    stack_.pop_back();
    leaveFormatting(e, !NodeSource::endTag(&e).empty());
    return true;
}

void Writer::writeNode(const Node& node)
{
    bool container = node.getNodeType() == Node::Type::Element || node.getNodeType() == Node::Type::Document;
    if (NodeSource::isVerbatim(&node) && (copySpans_ || !container) && followFormatting(node)) {
        copy(NodeSource::source(&node), NodeSource::spanStart(&node), NodeSource::spanEnd(&node));
        noteOpenEnd(closerOfOpenEnd(node));
        // What the copy leaves open: the element, if its end tag is left out, and so on down its
        // last descendants.
        for (const Node* n = &node; n != nullptr && n->getNodeType() == Node::Type::Element &&
                                    NodeSource::spanEnd(n) > NodeSource::spanStart(n);
             n = n->getLastChild()) {
            const auto& e = static_cast<const Element&>(*n);
            if (writesItsEnd(e))
                break;
            leftOpen_.push_back(&e);
        }
        return;
    }
    switch (node.getNodeType()) {
    case Node::Type::Document:
        writeChildren(node);
        copyGap(NodeSource::trailGap(&static_cast<const Document&>(node)));
        break;
    case Node::Type::Element:
        writeElement(static_cast<const Element&>(node));
        break;
    case Node::Type::Text:
        if (inRawText(node))
            fresh() += static_cast<const CharacterData&>(node).getData();
        else
            MarkupWriter::escapeText(fresh(), static_cast<const CharacterData&>(node).getData());
        standAfter(node);
        break;
    case Node::Type::Comment:
        fresh() += L"<!--" + static_cast<const CharacterData&>(node).getData() + L"-->";
        standAfter(node);
        break;
    case Node::Type::CData:
        fresh() += L"<![CDATA[" + static_cast<const CharacterData&>(node).getData() + L"]]>";
        break;
    case Node::Type::Doctype:
        fresh() += static_cast<const DocumentType&>(node).declaration();
        break;
    case Node::Type::ProcessingInstruction:
        break;
    }
}

// The node that a displaced child was moved in front of, when it is still there (a later
// sibling past other displaced ones, whose text starts before the child's); null when there is
// none.
const Node* hostOf(const Node& child)
{
    if (!NodeSource::isDisplaced(&child))
        return nullptr;
    const Node* host = child.getNextSibling();
    while (host != nullptr && NodeSource::isDisplaced(host))
        host = host->getNextSibling();
    if (host == nullptr || NodeSource::source(host) != NodeSource::source(&child) || NodeSource::isVerbatim(host) ||
        NodeSource::spanStart(host) >= NodeSource::spanStart(&child))
        return nullptr;
    return host;
}

void Writer::writeChildren(const Node& parent)
{
    const Node* bodyOpener =
        parent.getNodeType() == Node::Type::Element ? bodyOpenerNeeded(static_cast<const Element&>(parent)) : nullptr;
    for (const Node* c = parent.getFirstChild(); c != nullptr; c = c->getNextSibling()) {
        if (std::find(writtenAhead_.begin(), writtenAhead_.end(), c) != writtenAhead_.end())
            continue;
        if (const Node* host = hostOf(*c)) {
            // Written inside its host; the text before the host that its gap holds goes here.
            if (!NodeSource::leadGap(c).empty() && NodeSource::leadGap(c).start < NodeSource::spanStart(host)) {
                arriveAt(*c);
                copyGap(NodeSource::leadGap(c), 0, NodeSource::spanStart(host));
            }
            continue;
        }
        writeDisplaced(NodeSource::source(c) != nullptr ? NodeSource::spanStart(c) : std::wstring::npos);
        writeEndTagsBefore(*c);
        // An implied element has no start of its own: its content arrives.
        const bool implied = c->getNodeType() == Node::Type::Element && NodeSource::source(c) != nullptr &&
                             !NodeSource::isVerbatim(c) && NodeSource::startTag(static_cast<const Element*>(c)).empty();
        if (!implied)
            arriveAt(*c);
        writeGap(*c);
        if (c == bodyOpener)
            fresh() += L"<body>";
        writeNode(*c);
    }
}

// Writes the early end tags (of the elements being written), and the comments after them, that
// stand before child in its source.
void Writer::writeEndTagsBefore(const Node& child)
{
    const SourceText* source = NodeSource::source(&child);
    for (;;) {
        AheadEnd* first = nullptr;
        for (AheadEnd& a : aheadEnds_)
            if (!a.written && a.tag.source == source && a.tag.start < NodeSource::spanStart(&child) &&
                (first == nullptr || a.tag.start < first->tag.start))
                first = &a;
        const Node* comment = nullptr;
        for (const Node* n : aheadNodes_)
            if (NodeSource::spanStart(n) < NodeSource::spanStart(&child) &&
                std::find(writtenAhead_.begin(), writtenAhead_.end(), n) == writtenAhead_.end() &&
                (comment == nullptr || NodeSource::spanStart(n) < NodeSource::spanStart(comment)))
                comment = n;
        if (comment != nullptr && source == NodeSource::source(comment) &&
            (first == nullptr || NodeSource::spanStart(comment) < first->tag.start))
            first = nullptr;
        else
            comment = nullptr;
        if (first == nullptr && comment == nullptr)
            return;
        // The child's gap text in front of the end tag (a tag the parser ignored) goes first.
        const std::size_t at = first != nullptr ? first->tag.start : NodeSource::spanStart(comment);
        const NodeSource::Range& gap = NodeSource::leadGap(&child);
        if (gap.source == source && gap.start < at) {
            const bool passed = at_.source == gap.source && at_.end > gap.start;
            copyGap(gap, passed ? at_.end : 0, at);
        }
        if (first != nullptr) {
            copy(first->tag);
            first->written = true;
        } else {
            writeGap(*comment);
            writeNode(*comment);
            writtenAhead_.push_back(comment);
        }
    }
}

// Writes the displaced nodes whose text stands before position `before` of their host's source,
// with the part of their gap text that lies inside the host.
void Writer::writeDisplaced(std::size_t before)
{
    while (nextDisplaced_ < displaced_.size() && NodeSource::spanStart(displaced_[nextDisplaced_]) < before) {
        const Node& d = *displaced_[nextDisplaced_++];
        arriveAt(d);
        writeGap(d);
        writeNode(d);
    }
    // The gap text of the next one starts in front of the host and holds what the parser ignored
    // inside it (stray end tags) before the host's own content at `before`: that part goes here.
    if (nextDisplaced_ < displaced_.size() && before != std::wstring::npos) {
        const NodeSource::Range& gap = NodeSource::leadGap(displaced_[nextDisplaced_]);
        if (at_.source == gap.source && at_.end > gap.start && at_.end < before)
            copyGap(gap, at_.end, before);
    }
}

void Writer::writeElement(const Element& e)
{
    const bool created = NodeSource::source(&e) == nullptr;
    // A host: the displaced siblings in front of it are written where their text stands inside.
    std::vector<const Node*> group;
    for (const Node* d = e.getPreviousSibling(); d != nullptr && NodeSource::isDisplaced(d);
         d = d->getPreviousSibling())
        if (hostOf(*d) == &e)
            group.push_back(d);
    const bool host = !group.empty();
    std::vector<const Node*> outerGroup;
    const std::size_t outerNext = nextDisplaced_;
    if (host) {
        std::sort(group.begin(), group.end(),
                  [](const Node* a, const Node* b) { return NodeSource::spanStart(a) < NodeSource::spanStart(b); });
        outerGroup.swap(displaced_);
        displaced_ = std::move(group);
        nextDisplaced_ = 0;
    }

    const std::size_t outputBefore = out_.size();
    if (!NodeSource::copiedTag(&e).empty() && NodeSource::startTag(&e).empty()) {
        // Opened again by the parser, which does so by itself only while the element it copies
        // is listed and not open; else its start tag is written here. (What the output left open
        // is settled first: ending it changes the list.)
        arriveAt(e);
        if (!reopenedByParser(e)) {
            const NodeSource::Range at = at_;
            copy(NodeSource::copiedTag(&e));
            at_ = at;
        }
    } else {
        writeStartTag(e);
    }
    enterFormatting(e);
    stack_.push_back(&e);
    // The end tag of the body or html, which the parser takes without ending anything, may stand
    // before content of the element (white space, text the parser put back in): it is written
    // where it stands.
    const bool early = (e.is(L"body") || e.is(L"html")) && !NodeSource::endTag(&e).empty() &&
                       NodeSource::endTag(&e).end < NodeSource::spanEnd(&e);
    const std::size_t aheadNodesBefore = aheadNodes_.size();
    if (early)
        aheadEnds_.push_back({NodeSource::endTag(&e), false});
    if (e.is(L"body") || e.is(L"html")) {
        const Node* after = e.getNextSibling() != nullptr ? e.getNextSibling()
                            : e.parentNode() != nullptr   ? e.parentNode()->getNextSibling()
                                                          : nullptr;
        for (const Node* n = after; n != nullptr && NodeSource::source(n) == NodeSource::source(&e);
             n = n->getNextSibling())
            if (n->getNodeType() == Node::Type::Comment && NodeSource::spanStart(n) < NodeSource::spanEnd(&e) &&
                NodeSource::spanStart(n) > NodeSource::spanStart(&e))
                aheadNodes_.push_back(n);
    }
    if (!(created && e.isVoid() && e.getFirstChild() == nullptr)) {
        writeChildren(e);
        writeDisplaced(host                             ? std::wstring::npos
                       : NodeSource::endTag(&e).empty() ? NodeSource::spanEnd(&e)
                                                        : NodeSource::endTag(&e).start);
        writeGap(NodeSource::innerTrailGap(&e),
                 NodeSource::endTag(&e).empty() ? NodeSource::innerTrailGap(&e).end : NodeSource::endTag(&e).start);
        if (!NodeSource::endTag(&e).empty()) {
            // The end tag ends what the content left open, as it did in the source; where the
            // content changed, the elements are ended one by one first.
            // (An end tag the parser took before the content it ends stays where the source has
            // it in relation to that content: written after it, as always.)
            const NodeSource::Range& end = NodeSource::endTag(&e);
            if (NodeSource::subtreeChanged(&e) &&
                (at_.source != end.source || (at_.end <= end.start && end.source->hasTokenIn(at_.end, end.start))))
                closeLeftOpen();
            if (!(early && aheadEnds_.back().written))
                copy(end);
        } else if (created && !e.isVoid()) {
            closeLeftOpen();
            endTag(e);
        }
    }
    if (early)
        aheadEnds_.pop_back();
    aheadNodes_.resize(aheadNodesBefore);
    stack_.pop_back();
    leaveFormatting(e, writesItsEnd(e) && !e.isVoid());
    if (writesItsEnd(e))
        leftOpen_.clear();
    else if (out_.size() > outputBefore)
        leftOpen_.insert(leftOpen_.begin(), &e);

    if (host) {
        displaced_ = std::move(outerGroup);
        nextDisplaced_ = outerNext;
    }
}

void Writer::writeStartTag(const Element& e)
{
    if (!NodeSource::startTag(&e).empty()) {
        if (NodeSource::attributesChanged(&e))
            rewriteStartTag(e);
        else
            copy(NodeSource::startTag(&e));
        return;
    }
    // An implied tag stays unwritten until it carries something of its own, or until nothing
    // in it makes the parser imply it again (a tbody whose rows were removed).
    if (NodeSource::source(&e) != nullptr && !NodeSource::attributesChanged(&e) && impliedAgain(e))
        return;
    std::wstring& out = fresh();
    out += L'<' + e.getTagName();
    for (const auto& a : NodeSource::attributes(&e)) {
        out += L' ';
        appendAttribute(out, a);
    }
    out += L'>';
}

// The parsed start tag with only the changed attributes replaced, the removed ones cut out (with
// the white space before them) and the added ones put after the last attribute.
void Writer::rewriteStartTag(const Element& e)
{
    const NodeSource::Range& tag = NodeSource::startTag(&e);
    const std::wstring& text = tag.source->text;
    struct Edit {
        std::size_t start, end;
        std::wstring with;
    };
    std::vector<Edit> edits;
    std::size_t insertAt = tag.start + 1 + e.getTagName().size();
    for (const auto& a : NodeSource::attributes(&e))
        if (a.fromSource)
            insertAt = std::max(insertAt, a.srcEnd);
    for (const auto& r : NodeSource::removedAttributes(&e)) {
        if (r.source != tag.source || r.start < tag.start || r.end > tag.end)
            continue;
        insertAt = std::max(insertAt, r.end);
        std::size_t start = r.start;
        while (start > tag.start + 1 && (text[start - 1] == L' ' || text[start - 1] == L'\t' ||
                                         text[start - 1] == L'\n' || text[start - 1] == L'\r'))
            --start;
        edits.push_back({start, r.end, L""});
    }
    std::wstring added;
    for (const auto& a : NodeSource::attributes(&e)) {
        if (a.fromSource && a.changed) {
            std::wstring written;
            appendAttribute(written, a);
            edits.push_back({a.srcStart, a.srcEnd, written});
        } else if (!a.fromSource) {
            added += L' ';
            appendAttribute(added, a);
        }
    }
    insertAt = std::min(insertAt, tag.end - 1);
    if (!added.empty())
        edits.push_back({insertAt, insertAt, added});
    std::sort(edits.begin(), edits.end(), [](const Edit& a, const Edit& b) { return a.start < b.start; });
    std::size_t pos = tag.start;
    for (const auto& ed : edits) {
        if (ed.start < pos)
            continue;
        copy(tag.source, pos, ed.start);
        fresh() += ed.with;
        pos = ed.end;
    }
    copy(tag.source, pos, tag.end);
}

} // namespace

std::wstring MarkupWriter::write(const Node& node) const
{
    Writer writer(copySpans_, node, nullptr, nullptr);
    writer.writeNode(node);
    return writer.take();
}

std::wstring MarkupWriter::write(const Node& node, const SourceText* tracked, std::vector<Copied>& copied) const
{
    copied.clear();
    Writer writer(copySpans_, node, tracked, tracked != nullptr ? &copied : nullptr);
    writer.writeNode(node);
    return writer.take();
}

void MarkupWriter::escapeText(std::wstring& out, const std::wstring& text)
{
    for (wchar_t c : text) {
        switch (c) {
        case L'&':
            out += L"&amp;";
            break;
        case L'<':
            out += L"&lt;";
            break;
        case L'>':
            out += L"&gt;";
            break;
        case 0xA0:
            out += L"&nbsp;";
            break;
        default:
            out += c;
        }
    }
}

void MarkupWriter::escapeAttribute(std::wstring& out, const std::wstring& value)
{
    for (wchar_t c : value) {
        switch (c) {
        case L'&':
            out += L"&amp;";
            break;
        case L'"':
            out += L"&quot;";
            break;
        case 0xA0:
            out += L"&nbsp;";
            break;
        default:
            out += c;
        }
    }
}
