#include "MarkupWriter.h"
#include "NodeSource.h"

#include <algorithm>
#include <vector>

#include "AsciiCase.h"
#include "DocumentType.h"
#include "ImpliedMarkup.h"
#include "MarkupOutput.h"
#include "SourceScan.h"
#include "SourceText.h"
#include "host/CharacterData.h"
#include "host/Document.h"
#include "host/Element.h"

namespace {

// (A script or style in an svg or math element is no raw text: its text is escaped.)
bool inRawText(const Node& node)
{
    const Node* parent = node.parentNode();
    return parent != nullptr && parent->getNodeType() == Node::Type::Element &&
           static_cast<const Element*>(parent)->isRawText() &&
           !MarkupOutput::inForeignContent(*static_cast<const Element*>(parent));
}

const Node* hostOf(const Node& child);

// Whether the element is a br or p that the parser made for a stray end tag ("</br>", "</p>"),
// which is all its text.
bool madeByEndTag(const Element& e)
{
    const NodeSource::Range& end = NodeSource::endTag(&e);
    return !end.empty() && end.start == NodeSource::spanStart(&e) && (e.is(L"br") || e.is(L"p"));
}

// The node whose text stands last in n's: its last child, or a child the parser put before it (a
// template puts what its row cannot hold after the row: "<template><tr><b><td>" ends in the
// cell), or a node it moved out in front of n from the end of n's text ("<table><xmp>" puts the
// xmp before the table); null when none.
const Node* lastInText(const Node& n)
{
    const Node* last = n.getLastChild();
    for (const Node* c = last != nullptr ? last->getPreviousSibling() : nullptr; c != nullptr;
         c = c->getPreviousSibling())
        if (!NodeSource::isDisplaced(c) && NodeSource::spanEnd(c) > NodeSource::spanEnd(last))
            last = c;
    for (const Node* d = n.getPreviousSibling(); d != nullptr && NodeSource::isDisplaced(d);
         d = d->getPreviousSibling())
        if (hostOf(*d) == &n && (last == nullptr || NodeSource::spanEnd(d) > NodeSource::spanEnd(last)))
            last = d;
    return last;
}

// Where the text between from and to that no node owns starts to stand in front of to: past the
// last token there, of a node removed since (what the parser ignored in front of it, or inside it,
// went with it).
std::size_t pastRemoved(const SourceText& source, std::size_t from, std::size_t to)
{
    for (auto it = source.firstTokenEndingAfter(from); it != source.tokens.end() && it->end <= to; ++it)
        from = it->end;
    return from;
}

// The walk over the tree: each node copied from its source or written afresh, on the output.
class Writer : public MarkupOutput {
public:
    using MarkupOutput::MarkupOutput;

    void writeNode(const Node& node);

private:
    // (Out of line, as writeText: the walk recurses through writeNode once per
    // level of the tree, and a page may nest thousands deep; what only a page or a leaf needs
    // stays out of that frame.)
    [[gnu::noinline]] void writeDocument(const Document& document);
    [[gnu::noinline]] void writeText(const Node& node);
    // A text in raw text, a comment, a CDATA section or a DOCTYPE, written afresh.
    [[gnu::noinline]] void writeLeaf(const Node& node);
    void writeChildren(const Node& parent);
    void writeDisplaced(std::size_t before);
    [[gnu::noinline]] void writeEndTagsBeforeDisplaced(const Node& d);
    [[gnu::noinline]] void holdEndsInTableGone(const Node& orphan);
    [[gnu::noinline]] const NodeSource::Range& templateTrail(const Element& e);
    [[gnu::noinline]] static bool lostColumns(const Element& e);
    [[gnu::noinline]] static bool inTemplateThatLostColumns(const Node& node);
    [[gnu::noinline]] bool leftOutInLostColumns(const Node& child);
    [[gnu::noinline]] bool readInTableLeft(const NodeSource::Range& trail) const;
    void writeEndTagsBefore(const Node& child)
    {
        writeEndTagsBefore(NodeSource::source(&child), NodeSource::spanStart(&child), NodeSource::leadGap(&child));
    }
    void writeEndTagsBefore(const SourceText* source, std::size_t before, const NodeSource::Range& gap);
    void writeElement(const Element& element);
    // An element made afresh whose children are made afresh too (a calendar's table, a list of
    // links): true, having written it, when it is one.
    [[gnu::noinline]] bool writeCreated(const Element& e);
    [[gnu::noinline]] void writeSelectTail(const Element& e);
    [[gnu::noinline]] bool endClosedAtStart(const Element& e);
    [[gnu::noinline]] void writeCopiedStart(const Element& e);
    // Ends what the output left open, after the gap text read inside it: where the output goes on
    // past a removed node, that node may have ended them in the parser.
    [[gnu::noinline]] void endSkipped()
    {
        writeGapReadInside();
        closeLeftOpen();
    }

    // The node (the html element, or an empty body) before which the text no node owns that the
    // parser read before it, ahead_, is written (and then not where its gap stands).
    const Node* trailBefore_ = nullptr;
    NodeSource::Range ahead_;
};

void Writer::writeDocument(const Document& document)
{
    // A page of nothing but text the parser ignored (stray end tags, white space; a DOCTYPE or
    // comments before them) implies an html element that spans nothing: the parser read the
    // text before it opened the body, so the text goes before the html element and what is
    // put into its body, not after it, where a "</p>" would make a paragraph.
    // (Not a tag the page cuts short at its end: whatever followed would join it.)
    const NodeSource::Range& trail = NodeSource::trailGap(&document);
    const Element* html = document.getDocumentElement();
    const Element* body = document.getBody();
    auto upToCutShortTag = [&] {
        return NodeSource::Range{trail.source, trail.start,
                                 SourceScan(trail.source->text).cutShortTag(trail.start, trail.end)};
    };
    if (html != nullptr && !trail.empty() && NodeSource::source(html) == trail.source &&
        NodeSource::spanStart(html) == NodeSource::spanEnd(html)) {
        trailBefore_ = html;
        ahead_ = upToCutShortTag();
    } else if (body != nullptr && NodeSource::source(body) != nullptr && NodeSource::startTag(body).empty() &&
               NodeSource::spanStart(body) == NodeSource::spanEnd(body)) {
        // Likewise the text after the head's content of a page whose body the parser made empty
        // ("<script>s</script></p><tr>", up to the html's end tag if any): the parser read it, and
        // ignored it, before the body. It goes where it stands, before what is put into the body,
        // which it would otherwise follow.
        trailBefore_ = body;
        if (!NodeSource::endTag(html).empty())
            ahead_ = NodeSource::innerTrailGap(html);
        else if (!trail.empty() && trail.source == NodeSource::source(html) && trail.start == NodeSource::spanEnd(html))
            ahead_ = upToCutShortTag();
    }
    writeChildren(document);
    // The text after everything was read inside what the source left open there. Where the
    // output does not go on to it as the source did, what it left open is ended first, as before
    // any node: a removed node may have ended it ("<math><meta><html>" without the meta would have
    // the parser read the html tag inside the math, as an element). So after a node the parser had
    // moved out of a table removed since, read in the table ("<nobr><table><h2></nobr>" without
    // the table, where "</nobr>" would have the parser rebuild the nobr in the h2).
    const bool skips = !trail.empty() && !leftOpen_.empty() &&
                       (afterMovedOut_ || !(at_.source == trail.source && at_.end <= trail.start &&
                                            !trail.source->hasTokenIn(at_.end, trail.start)));
    // (End tags of the html or body there that a table ignored, where the table is gone or the
    // output ends it first, are left out, as inside a node moved out of a table that is gone: but
    // only where content stands after the body, which such a tag would put back inside. Else the
    // page keeps them, harmless there.)
    const bool inTableLeft = (skips || afterMovedOut_) && !trail.empty() &&
                             ((html != nullptr && html->getNextSibling() != nullptr) ||
                              (body != nullptr && body->getNextSibling() != nullptr)) &&
                             readInTableLeft(trail);
    if (skips)
        endSkipped();
    orphanDepth_ += inTableLeft ? 1 : 0;
    copyGap(trail);
    orphanDepth_ -= inTableLeft ? 1 : 0;
}

// Whether the text after everything was read inside a table that the output leaves before it: one
// the output left open (which the source left open at its end), which it ends first, or one
// removed since, which a node the output ends in had been moved out of, unless the table's end tag
// stands between them. The table had ignored the end tags of the html and body there, which at the
// top of the page the parser would take for the element's own end, putting back inside it what
// came before ("</html><table>x</html>" without the table, or without its row, which has the
// output end the table).
bool Writer::readInTableLeft(const NodeSource::Range& trail) const
{
    for (const Element* e : leftOpen_)
        if (e->is(L"table"))
            return true;
    if (!afterMovedOut_ || at_.source != trail.source)
        return false;
    const SourceScan scan(trail.source->text);
    for (auto it = trail.source->firstTokenEndingAfter(at_.end);
         it != trail.source->tokens.end() && it->start < trail.start; ++it)
        if (scan.endTagAt(it->start, L"table") != SourceScan::kNone)
            return false;
    return true;
}

void Writer::writeLeaf(const Node& node)
{
    switch (node.getNodeType()) {
    case Node::Type::Text: // (in raw text)
        fresh() += static_cast<const CharacterData&>(node).data();
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
    default: // (a processing instruction is not kept; the document and elements are not leaves)
        break;
    }
}

void Writer::writeNode(const Node& node)
{
    if (node.getNodeType() == Node::Type::Text && !inRawText(node)) {
        writeText(node);
        return;
    }
    if (NodeSource::source(&node) == nullptr && node.getNodeType() == Node::Type::Element &&
        writeCreated(static_cast<const Element&>(node)))
        return;
    bool container = node.getNodeType() == Node::Type::Element || node.getNodeType() == Node::Type::Document;
    // (Nor is an element whose start tag, or a descendant's, must carry the attributes of a lost
    // repeated tag.)
    bool carriesMerged = false;
    for (const Element* e : ownMerged_)
        for (const Node* n = e; n != nullptr && !carriesMerged; n = n->parentNode())
            carriesMerged = n == &node;
    // (Nor an implied element that its content would no longer make, now first in a template.)
    const bool lostImplied = node.getNodeType() == Node::Type::Element &&
                             NodeSource::startTag(static_cast<const Element*>(&node)).empty() &&
                             !ImpliedMarkup::impliedAgain(static_cast<const Element&>(node));
    if (NodeSource::isVerbatim(&node) && (copySpans_ || !container) && !carriesMerged && !lostImplied &&
        (orphanDepth_ == 0 || !container)) {
        // What the copy leaves open: the element, if its end tag is left out, and so on down its
        // descendants whose text stands last.
        keepOpen_.clear();
        for (const Node* n = &node; n != nullptr && n->getNodeType() == Node::Type::Element &&
                                    NodeSource::spanEnd(n) > NodeSource::spanStart(n);
             n = lastInText(*n)) {
            const auto& e = static_cast<const Element&>(*n);
            // (A form's end tag that stands before content of the form leaves open what holds it;
            // the end tag of the body or html leaves open what the content left open.)
            if (ImpliedMarkup::writesItsEnd(e) && !(ImpliedMarkup::endsBeforeContent(e) && e.is(L"form")) &&
                !ImpliedMarkup::endLeavesInnerOpen(e))
                break;
            // (Nor a form the parser closed at its start tag in a table: an end tag written for it
            // would clear the form pointer.)
            if (!ImpliedMarkup::writesItsEnd(e) && !ImpliedMarkup::closedAtStart(e))
                keepOpen_.push_back(&e);
        }
        if (followFormatting(node)) {
            // A paragraph that a stray "</p>" made is made only where the parser takes the end tag
            // (not in template content that starts with text or has lost its first row, which
            // ignores it): written apart from its parent, it gets its start tag too. ("<p></p>"
            // makes a paragraph wherever "</p>" did: no paragraph was open there. Not in an svg or
            // math element, where the parser puts a p for "</p>" and "<p>" ends the element.)
            if (node.getNodeType() == Node::Type::Element && static_cast<const Element&>(node).is(L"p") &&
                NodeSource::startTag(static_cast<const Element*>(&node)).empty() &&
                !NodeSource::endTag(static_cast<const Element*>(&node)).empty() &&
                !inForeignContent(static_cast<const Element&>(node)))
                fresh() += L"<p>";
            copy(NodeSource::source(&node), NodeSource::spanStart(&node), NodeSource::spanEnd(&node));
            noteOpenEnd(ImpliedMarkup::closerOfOpenEnd(node));
            leftOpen_.insert(leftOpen_.end(), keepOpen_.begin(), keepOpen_.end());
            keepOpen_.clear();
            return;
        }
        keepOpen_.clear();
    }
    switch (node.getNodeType()) {
    case Node::Type::Document:
        writeDocument(static_cast<const Document&>(node));
        break;
    case Node::Type::Element:
        writeElement(static_cast<const Element&>(node));
        break;
    default:
        writeLeaf(node);
        break;
    }
}

bool Writer::writeCreated(const Element& e)
{
    for (const Node* c = e.getFirstChild(); c != nullptr; c = c->getNextSibling())
        if (NodeSource::source(c) != nullptr)
            return false;
    // What writeElement and writeChildren do for such an element, less what only a node with a
    // source needs: no node here has a gap, an early end tag or a place the parser moved it to,
    // none is a host of displaced nodes (those of the element's host were written before the
    // first node made afresh), and each writes its own end. What the output tells the parser
    // (the formatting elements it lists, what is left open) is followed as for any node.
    writeStartTag(e);
    enterFormatting(e);
    stack_.push_back(&e);
    if (e.getFirstChild() != nullptr || !e.isVoid()) {
        parentArrivedAfresh_.push_back(arrivedAfresh_);
        for (const Node* c = e.getFirstChild(); c != nullptr; c = c->getNextSibling()) {
            writeDisplaced(std::wstring::npos);
            if (orphanDepth_ > 0)
                unlistAtNext_ = true;
            arriveAt(*c);
            writeNode(*c);
        }
        parentArrivedAfresh_.pop_back();
        if (!e.isVoid()) {
            closeLeftOpen();
            endTag(e);
        }
    }
    stack_.pop_back();
    dropLeftOpen();
    leaveFormatting(e, !e.isVoid());
    return true;
}

// A text outside raw text. (Apart from writeNode, which recurses: its locals would take stack
// space at every level of a deep page.)
void Writer::writeText(const Node& node)
{
    separateFromLastText(node);
    const SourceText* source = NodeSource::source(&node);
    if (NodeSource::isVerbatim(&node) && !(NodeSource::spanEnd(&node) - NodeSource::spanStart(&node) >
                                               static_cast<const CharacterData&>(node).data().size() &&
                                           inTemplateThatLostColumns(node))) {
        std::size_t start = NodeSource::spanStart(&node);
        if (start < NodeSource::spanEnd(&node) && !(at_.source == source && at_.end == start) &&
            startsAsReference(source->text[start]))
            ++start;
        copy(source, start, NodeSource::spanEnd(&node));
    } else {
        const std::wstring_view data = static_cast<const CharacterData&>(node).data();
        const bool reference = !data.empty() && startsAsReference(data[0]);
        MarkupWriter::escapeText(fresh(), data.substr(reference ? 1 : 0));
        standAfter(node);
    }
    noteTextWritten(node);
}

// The node that a displaced child was moved in front of, when it is still there (a later
// sibling past other displaced ones, whose text starts before the child's), or that a child moved
// behind stands inside (an earlier sibling past other moved ones, whose text holds the child's
// start); null when there is none.
const Node* hostOf(const Node& child)
{
    if (NodeSource::isMovedBehind(&child)) {
        const Node* host = child.getPreviousSibling();
        while (host != nullptr && NodeSource::isMovedBehind(host))
            host = host->getPreviousSibling();
        if (host == nullptr || NodeSource::source(host) != NodeSource::source(&child) || NodeSource::isVerbatim(host) ||
            NodeSource::spanStart(host) >= NodeSource::spanStart(&child) ||
            NodeSource::spanEnd(host) <= NodeSource::spanStart(&child))
            return nullptr;
        return host;
    }
    const Node* host = NodeSource::displacedFrom(&child);
    return host != nullptr && !NodeSource::isVerbatim(host) ? host : nullptr;
}

void Writer::writeChildren(const Node& parent)
{
    const Node* opener = parent.getNodeType() == Node::Type::Element
                             ? ImpliedMarkup::openerNeeded(static_cast<const Element&>(parent))
                             : nullptr;
    bool movedOut = false;
    for (const Node* n = &parent; n != nullptr && !movedOut; n = n->parentNode())
        movedOut = NodeSource::isDisplaced(n) || NodeSource::isMovedBehind(n);
    // Where the parent's own text written so far ends.
    std::size_t ownEnd = std::wstring::npos;
    if (movedOut && parent.getNodeType() == Node::Type::Element && NodeSource::source(&parent) != nullptr) {
        const NodeSource::Range& tag = NodeSource::startTag(static_cast<const Element*>(&parent));
        ownEnd = tag.empty() ? NodeSource::spanStart(&parent) : tag.end;
    }
    for (const Node* c = parent.getFirstChild(); c != nullptr; c = c->getNextSibling()) {
        if (std::find(writtenAhead_.begin(), writtenAhead_.end(), c) != writtenAhead_.end())
            continue;
        if (const Node* host = hostOf(*c)) {
            // Written inside its host; the text before the host that its gap holds goes here.
            if (!NodeSource::isMovedBehind(c) && !NodeSource::leadGap(c).empty() &&
                NodeSource::leadGap(c).start < NodeSource::spanStart(host)) {
                arriveAt(*c);
                copyGap(NodeSource::leadGap(c), 0, NodeSource::spanStart(host));
            }
            continue;
        }
        writeDisplaced(NodeSource::source(c) != nullptr ? NodeSource::spanStart(c) : std::wstring::npos);
        if (!aheadEnds_.empty() && NodeSource::isDisplaced(c))
            holdEndsInTableGone(*c);
        writeEndTagsBefore(*c);
        // Inside a node the parser moved out of a table (or behind a row), the tags it ignored there
        // belong to the gaps of the table's own nodes, which are written elsewhere: they go where
        // they stand.
        if (movedOut && ownEnd != std::wstring::npos && NodeSource::source(c) == NodeSource::source(&parent)) {
            const SourceText* source = NodeSource::source(c);
            const std::size_t from = pastRemoved(
                *source, at_.source == NodeSource::source(c) ? std::max(ownEnd, at_.end) : ownEnd, startOf(*c));
            if (from < startOf(*c))
                copyIgnoredInTable(source, from, startOf(*c));
        }
        // An implied element has no start of its own: its content arrives. (One that holds nothing
        // from the source, a body the parser made at the page end, writes nothing at all: what
        // the output left open stays open, for the page end to end. A br or p that a stray end tag
        // made is no implied element: that tag is its start.)
        const bool implied = c->getNodeType() == Node::Type::Element && NodeSource::source(c) != nullptr &&
                             (!NodeSource::isVerbatim(c) || NodeSource::spanStart(c) == NodeSource::spanEnd(c)) &&
                             NodeSource::startTag(static_cast<const Element*>(c)).empty() &&
                             !madeByEndTag(static_cast<const Element&>(*c));
        // (A text starting with white space needs the body opened only where the output does not
        // go on as the source did, which opened the body before it.)
        const bool opensBody = c == opener && (c->getNodeType() != Node::Type::Text || !continuesTo(*c));
        if (orphanDepth_ > 0)
            unlistAtNext_ = true;
        if (!implied)
            arriveAt(*c);
        if (c == trailBefore_) {
            copyGap(ahead_);
            gapWrittenAhead_.push_back(ahead_);
        }
        // A node the parser had moved out of a table removed since was read inside the table, which
        // ended what it left open: the output does not go on from it as the source did. Inside it,
        // read in the body now, white space makes the parser open listed formatting elements
        // again, which in the table it did not: it is written node by node, the list looked at
        // before each. (So is the text in front of it, which stood in the table too.)
        const bool orphan = NodeSource::isDisplaced(c);
        orphanDepth_ += orphan ? 1 : 0;
        if (NodeSource::leadGap(c).empty() || !leftOutInLostColumns(*c))
            writeGap(*c);
        if (opensBody)
            fresh() += static_cast<const Element&>(parent).is(L"head") ? L"<head>" : L"<body>";
        writeNode(*c);
        orphanDepth_ -= orphan ? 1 : 0;
        if (orphan)
            afterMovedOut_ = true;
        if (ownEnd != std::wstring::npos && NodeSource::source(c) == NodeSource::source(&parent))
            ownEnd = std::max(ownEnd, NodeSource::spanEnd(c));
    }
}

// Writes the early end tags (of the elements being written), and the comments after them, that
// stand before position `before` of source (where a child or an end tag stands), with the text of
// gap (the child's lead gap, the element's inner trail) in front of them.
void Writer::writeEndTagsBefore(const SourceText* source, std::size_t before, const NodeSource::Range& gap)
{
    for (;;) {
        AheadEnd* first = nullptr;
        for (AheadEnd& a : aheadEnds_)
            if (!a.written && !a.inTableGone && a.tag.source == source && a.tag.start < before &&
                (first == nullptr || a.tag.start < first->tag.start))
                first = &a;
        const Node* comment = nullptr;
        for (const Node* n : aheadNodes_)
            if (NodeSource::spanStart(n) < before &&
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
        // The gap text in front of the end tag (a tag the parser ignored) goes first.
        const std::size_t at = first != nullptr ? first->tag.start : NodeSource::spanStart(comment);
        // (Where the output reaches it past a removed node, which may have ended what the output
        // left open, that is ended first: "<table><i><table></table></html><p>" without the inner
        // table, which ended the outer one.)
        if (!leftOpen_.empty() && at_.source == source && at_.end < at && source->hasTokenIn(at_.end, at))
            endSkipped();
        if (gap.source == source && gap.start < at) {
            const bool passed = at_.source == gap.source && at_.end > gap.start;
            copyGap(gap, passed ? at_.end : 0, at);
        }
        if (first != nullptr) {
            copy(first->tag);
            first->written = true;
        } else {
            writeGap(*comment);
            // The parser put the comment behind the body (or the html) for an end tag of it in
            // front: when the output does not go on from there, that tag went with a removed node,
            // and one is written.
            if (at_.source != NodeSource::source(comment) || at_.end != NodeSource::spanStart(comment)) {
                const Node* parent = comment->parentNode();
                fresh() += parent != nullptr && parent->getNodeType() == Node::Type::Element ? L"</body>" : L"</html>";
            }
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
        if (!aheadEnds_.empty())
            writeEndTagsBeforeDisplaced(d);
        // What the parser ignored inside the host in front of it (a stray end tag) goes first,
        // whichever gap holds it (the gap of the host's next own child may).
        // (Not what stands in front of a node removed since, between here and it: that went with
        // the node.)
        // (Where that is past a node removed since, which may have ended what the output left open,
        // that is ended first: "<table><d><tr></>x" without the row, whose start tag ended the d.)
        if (at_.source == NodeSource::source(&d) && at_.end < NodeSource::spanStart(&d)) {
            const SourceText* source = at_.source;
            const std::size_t from = pastRemoved(*source, at_.end, NodeSource::spanStart(&d));
            if (from != at_.end && !leftOpen_.empty())
                endSkipped();
            source->forEachGapStretch(from, NodeSource::spanStart(&d),
                                      [&](std::size_t start, std::size_t end) { copy(source, start, end); });
        }
        // (What the output left open in the host stays open around it, where the source goes on
        // to it: the parser moves it out without ending anything.)
        // (Not what a node moved out before it left open: the start tag that followed in the source
        // ended that, or it would hold this one: "<table><tr><p><p>".)
        std::vector<const Element*> open;
        if (continuesTo(d))
            for (const Element* e : leftOpen_) {
                bool movedOut = false;
                for (const Node* n = e; n != nullptr && !movedOut; n = n->parentNode())
                    movedOut = NodeSource::isDisplaced(n);
                if (!movedOut)
                    open.push_back(e);
            }
        arriveAt(d);
        writeGap(d);
        writeNode(d);
        leftOpen_.insert(leftOpen_.begin(), open.begin(), open.end());
    }
    // The gap text of the next one starts in front of the host and holds what the parser ignored
    // inside it (stray end tags) before the host's own content at `before`: that part goes here.
    if (nextDisplaced_ < displaced_.size() && before != std::wstring::npos) {
        const NodeSource::Range& gap = NodeSource::leadGap(displaced_[nextDisplaced_]);
        if (at_.source == gap.source && at_.end > gap.start && at_.end < before)
            copyGap(gap, at_.end, before);
    }
}

// An early end tag of the body or html that stands in front of a displaced node (after what the
// output wrote last) goes first, with the text no node owns in front of it: written where the
// table's next own child stands, it would follow the node ("<table><col></body><div><col>").
void Writer::writeEndTagsBeforeDisplaced(const Node& d)
{
    const SourceText* source = NodeSource::source(&d);
    const std::size_t start = NodeSource::spanStart(&d);
    NodeSource::Range inFront{};
    if (at_.source == source && at_.end < start)
        inFront = {source, pastRemoved(*source, at_.end, start), start};
    writeEndTagsBefore(source, start, inFront);
}

// A node the parser had moved out of a table that is gone, written in the element it stands in,
// whose early end tag stands in front of it: the parser took the node into the element, so the end
// tag stood in the table, which ignored it (one standing before the table would have had the
// parser put the table and the node behind the element). Written there now, it would end the
// element before the node ("<table><col></body><div>" without the table): it waits for the
// element's end, where the parser reads it the same.
void Writer::holdEndsInTableGone(const Node& orphan)
{
    for (AheadEnd& a : aheadEnds_)
        if (!a.written && a.tag.source == NodeSource::source(&orphan) && a.tag.start < NodeSource::spanStart(&orphan))
            a.inTableGone = true;
}

// Whether the template's content started with a column, which had the parser ignore all but
// columns (and white space), and no column is left: what it ignored would be its content now.
bool Writer::lostColumns(const Element& e)
{
    for (const Node* c = e.getFirstChild(); c != nullptr; c = c->getNextSibling())
        if (c->getNodeType() == Node::Type::Element && static_cast<const Element*>(c)->is(L"col"))
            return false;
    if (NodeSource::source(&e) == nullptr || NodeSource::startTag(&e).empty())
        return false;
    const SourceText& source = *NodeSource::source(&e);
    const SourceScan scan(source.text);
    // (The template's first start tag in the source, past texts and comments.)
    for (auto it = source.firstTokenEndingAfter(NodeSource::startTag(&e).end);
         it != source.tokens.end() && it->start < NodeSource::spanEnd(&e); ++it) {
        const wchar_t letter = it->end - it->start > 1 ? asciicase::lower(source.text[it->start + 1]) : L' ';
        if (source.text[it->start] == L'<' && letter >= L'a' && letter <= L'z')
            return scan.startTagAt(it->start, L"col") != SourceScan::kNone;
    }
    return false;
}

// The inner trail of a template, as written: none where the template lost its columns. The text
// and tags there were ignored; written after no column they would be the template's content
// ("<template><col>x" without the column), and no markup makes an empty template ignore them.
// The output then stands after the trail, as if it had copied it.
const NodeSource::Range& Writer::templateTrail(const Element& e)
{
    static const NodeSource::Range kNoTrail{};
    if (!lostColumns(e))
        return NodeSource::innerTrailGap(&e);
    at_ = NodeSource::innerTrailGap(&e);
    return kNoTrail;
}

// Whether the lead gap of a child of a template that lost its columns is left out: the tags and
// text there the column content ignored ("<template><col><pre><!--c-->" without the column, where
// the <pre> would hold the comment). The output then stands after it, as if it had copied it.
bool Writer::leftOutInLostColumns(const Node& child)
{
    if (!inTemplateThatLostColumns(child))
        return false;
    at_ = NodeSource::leadGap(&child);
    return true;
}

// Whether the node stands in a template that lost its columns. (A text there whose source holds
// more than its data is written afresh: the parser's white space ran over the characters it
// ignored, "<template><col> x y", which copied would be the template's text now.)
bool Writer::inTemplateThatLostColumns(const Node& node)
{
    const Node* parent = node.parentNode();
    return parent != nullptr && parent->getNodeType() == Node::Type::Element &&
           static_cast<const Element*>(parent)->is(L"template") && lostColumns(*static_cast<const Element*>(parent));
}

// In a node moved out of a table that is gone: an element the parser closed at its start tag in the
// table is ended by an end tag, as read in the body now it would hold what follows; true when so.
bool Writer::endClosedAtStart(const Element& e)
{
    if (!ImpliedMarkup::closedAtStart(e))
        return false;
    // (The end tag clears the parser's form pointer: the <form> tags it had ignored are left out.)
    if (!formsUnderPointer_.empty())
        leaveOutFormsSetBy(e);
    endTag(e);
    return true;
}

// A formatting element the parser opened again: its start tag (the one it copies) where the
// parser no longer opens it by itself.
void Writer::writeCopiedStart(const Element& e)
{
    // Opened again by the parser, which does so by itself only while the element it copies
    // is listed and not open, and only for content that makes it (text, most start tags; not
    // a block written first in it, which the listed one is then ended for); else its start
    // tag is written here. (What the output left open is settled first: ending it changes
    // the list.)
    arriveAt(e);
    bool reopened = reopenedByParser(e);
    // (Content the element starts with in the source made it, or the parser copied it for an
    // end tag: only new content is looked at. Without content, nothing makes it here where an
    // edit took the content away, or where the output did not go on to its parent as the
    // source did, or before a sibling new or changed since: the parser opens a copy again only
    // for content, and an empty one came from its rebuilding of misnested formatting around
    // what followed in the source.)
    // (A copy whose content starts with another copy, which the parser opens again for the same
    // content, starts as that one's content does, or as that one does when it is empty.)
    const Element* innermost = &e;
    const Node* first = e.getFirstChild();
    while (first != nullptr && first->getNodeType() == Node::Type::Element &&
           NodeSource::startTag(static_cast<const Element*>(first)).empty() &&
           !NodeSource::copiedTag(static_cast<const Element*>(first)).empty()) {
        innermost = static_cast<const Element*>(first);
        first = first->getFirstChild();
    }
    const bool startsAfresh = first == nullptr ? (NodeSource::subtreeChanged(innermost) &&
                                                  NodeSource::spanEnd(innermost) > NodeSource::spanStart(innermost)) ||
                                                     parentArrivedAfresh_.back() || beforeChangedSibling(*innermost)
                                               : NodeSource::source(first) != NodeSource::source(&e) ||
                                                     NodeSource::spanStart(first) > NodeSource::spanStart(&e);
    if (reopened && startsAfresh && !ImpliedMarkup::reopensFormatting(first) && unlistClosedFrom(e))
        reopened = false;
    if (!reopened) {
        const NodeSource::Range at = at_;
        copy(NodeSource::copiedTag(&e));
        at_ = at;
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
    for (const Node* d = e.getNextSibling(); d != nullptr && NodeSource::isMovedBehind(d); d = d->getNextSibling())
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
        writeCopiedStart(e);
    } else {
        writeStartTag(e);
    }
    enterFormatting(e);
    stack_.push_back(&e);
    // The end tag of the body or html, which the parser takes without ending anything, or of a
    // form, which leaves open what is open in it, may stand before content of the element (white
    // space, text the parser put back in, content of an element left open in the form): it is
    // written where it stands.
    const bool early = ImpliedMarkup::endsBeforeContent(e);
    const std::size_t aheadNodesBefore = aheadNodes_.size();
    if (early)
        aheadEnds_.push_back({NodeSource::endTag(&e), false});
    if (e.is(L"body") || e.is(L"html")) {
        const Node* after = e.getNextSibling() != nullptr ? e.getNextSibling()
                            : e.parentNode() != nullptr   ? e.parentNode()->getNextSibling()
                                                          : nullptr;
        // (Nodes inserted between the element and such a comment do not hide it: it is still
        // written where it stands, in front of the content the parser put back.)
        for (const Node* n = after; n != nullptr; n = n->getNextSibling())
            if (n->getNodeType() == Node::Type::Comment && NodeSource::source(n) == NodeSource::source(&e) &&
                NodeSource::spanStart(n) < NodeSource::spanEnd(&e) &&
                NodeSource::spanStart(n) > NodeSource::spanStart(&e))
                aheadNodes_.push_back(n);
    }
    if (!(created && e.isVoid() && e.getFirstChild() == nullptr)) {
        parentArrivedAfresh_.push_back(arrivedAfresh_);
        writeChildren(e);
        parentArrivedAfresh_.pop_back();
        writeDisplaced(host                             ? std::wstring::npos
                       : NodeSource::endTag(&e).empty() ? NodeSource::spanEnd(&e)
                                                        : NodeSource::endTag(&e).start);
        // (The gap text before the end tag may stand after a removed node, which may have ended
        // what the output left open: going on with that text, the output does not go on where
        // the source did.)
        const NodeSource::Range& trail = NodeSource::innerTrailGap(&e).empty() || !e.is(L"template")
                                             ? NodeSource::innerTrailGap(&e)
                                             : templateTrail(e);
        const bool skipsToTrail =
            !trail.empty() &&
            (at_.source != trail.source || (at_.end <= trail.start && trail.source->hasTokenIn(at_.end, trail.start)));
        // (What the output left open, the removed node may have ended before that text: it is
        // ended first. "<dt><math><form><hr><td>" without the hr: the <td> would be the form's.)
        // (So after a node the parser had moved out of a table removed since, read in the table.)
        if ((skipsToTrail || (afterMovedOut_ && !trail.empty())) && !leftOpen_.empty())
            endSkipped();
        // (An early end tag of the body or html may stand before this one: "<m></html></m>".)
        if (!NodeSource::endTag(&e).empty())
            writeEndTagsBefore(NodeSource::source(&e), NodeSource::endTag(&e).start, trail);
        writeGap(trail, NodeSource::endTag(&e).empty() ? trail.end : NodeSource::endTag(&e).start);
        // (Where the parser moved nodes out of a table, gaps overlap and each character goes to the
        // gap that starts first: a tag it ignored between a moved element's last content and its
        // end tag may be the gap of the table's next node. Written here, where the output goes on
        // to it, it is skipped there.)
        if (!NodeSource::endTag(&e).empty() && at_.source == NodeSource::source(&e) &&
            at_.end < NodeSource::endTag(&e).start && !at_.source->hasTokenIn(at_.end, NodeSource::endTag(&e).start))
            copyGap({at_.source, at_.end, NodeSource::endTag(&e).start});
        if (!NodeSource::endTag(&e).empty()) {
            // The end tag ends what the content left open, as it did in the source; where the
            // content changed, the elements are ended one by one first.
            // (An end tag the parser took before the content it ends stays where the source has
            // it in relation to that content: written after it, as always.)
            // (Not where the end tag was written before content: what the content left open after
            // it stays open.)
            const NodeSource::Range& end = NodeSource::endTag(&e);
            if (!(early && aheadEnds_.back().written) && NodeSource::subtreeChanged(&e) &&
                (skipsToTrail || at_.source != end.source ||
                 (at_.end <= end.start && end.source->hasTokenIn(at_.end, end.start)))) {
                if (!leftOpen_.empty())
                    leaveFormsToEndTags(e);
                closeLeftOpen();
                unlistAtNext_ = true;
            }
            if (!(early && aheadEnds_.back().written))
                copy(end);
        } else if (created && !e.isVoid()) {
            closeLeftOpen();
            endTag(e);
        } else if (!created) {
            writeSelectTail(e);
        }
    }
    bool endWrittenAhead = false;
    if (early) {
        endWrittenAhead = aheadEnds_.back().written;
        aheadEnds_.pop_back();
    }
    aheadNodes_.resize(aheadNodesBefore);
    stack_.pop_back();
    // (A cell left open keeps its mark on the list until it ends.)
    // (Its end tag ends what its content left open first; one written before content does not.)
    // (Not a form the parser closed at its start tag in a table; where the table is gone, that is
    // ended by its end tag now.)
    const bool leftOpen = !ImpliedMarkup::writesItsEnd(e) && out_.size() > outputBefore &&
                          !(orphanDepth_ > 0 ? endClosedAtStart(e) : ImpliedMarkup::closedAtStart(e));
    // (The end tag of the body or html leaves open what the content left open.)
    if (ImpliedMarkup::writesItsEnd(e) && !endWrittenAhead &&
        (leftOpen_.empty() || !ImpliedMarkup::endLeavesInnerOpen(e)))
        dropLeftOpen();
    if (!leftOpen || !endsScopeWhenLeft(e))
        leaveFormatting(e, ImpliedMarkup::writesItsEnd(e) && !e.isVoid());
    if (leftOpen)
        leftOpen_.insert(leftOpen_.begin(), &e);

    if (host) {
        displaced_ = std::move(outerGroup);
        nextDisplaced_ = outerNext;
    }
}

// The tags a select without an end tag ignored after its content, up to the tag that ended it (and
// the end tags a noscript in the head ignored there): a token of the element that its inner trail
// spans (no gap holds it), written where an end tag would stand. (Not a token of a child removed
// since, which also stood last.)
void Writer::writeSelectTail(const Element& e)
{
    const NodeSource::Range& trail = NodeSource::innerTrailGap(&e);
    if (trail.empty() || trail.end != NodeSource::spanEnd(&e) || !(e.is(L"select") || e.is(L"noscript")))
        return;
    const auto tail = trail.source->firstTokenEndingAfter(trail.start);
    if (tail != trail.source->tokens.end() && tail->start == trail.start && tail->end == trail.end)
        copy(trail.source, trail.start, trail.end);
}

} // namespace

std::wstring MarkupWriter::write(const Node& node) const
{
    return writePage(node, nullptr, nullptr);
}

std::wstring MarkupWriter::write(const Node& node, const SourceText* tracked, std::vector<Copied>& copied) const
{
    return writePage(node, tracked, tracked != nullptr ? &copied : nullptr);
}

std::wstring MarkupWriter::writePage(const Node& node, const SourceText* tracked, std::vector<Copied>* copied) const
{
    if (copied != nullptr)
        copied->clear();
    Writer writer(copySpans_, node, tracked, copied);
    writer.writeNode(node);
    std::vector<const Element*> lost = writer.lostMergedAttributes();
    if (lost.empty())
        return writer.take();
    // A removed node took a repeated tag of the html or body element with it, whose attributes
    // the element still has: its own start tag carries them this time.
    if (copied != nullptr)
        copied->clear();
    Writer again(copySpans_, node, tracked, copied);
    again.writeMergedAttributes(std::move(lost));
    again.writeNode(node);
    return again.take();
}

namespace {

// The reference a character is written as in text or in an attribute value ("&", a no-break
// space and, in text, "<" and ">", in an attribute value '"'); null for a character written as
// it is.
const wchar_t* escapeReferenceFor(wchar_t c, bool attribute)
{
    switch (c) {
    case L'&':
        return L"&amp;";
    case 0xA0:
        return L"&nbsp;";
    case L'<':
        return attribute ? nullptr : L"&lt;";
    case L'>':
        return attribute ? nullptr : L"&gt;";
    case L'"':
        return attribute ? L"&quot;" : nullptr;
    default:
        return nullptr;
    }
}

// Appends text with its characters written as references where they must be; the stretches
// between them are appended whole.
void escapeInto(std::wstring& out, std::wstring_view text, bool attribute)
{
    std::size_t from = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        // Letters, digits and most punctuation need no look: everything that may need a
        // reference is '"', '&', '<', '>' or the no-break space.
        const wchar_t c = text[i];
        if ((c > L'>' && c != 0xA0) || (c != L'"' && c != L'&' && c < L'<'))
            continue;
        const wchar_t* reference = escapeReferenceFor(c, attribute);
        if (reference == nullptr)
            continue;
        out.append(text, from, i - from);
        out += reference;
        from = i + 1;
    }
    out.append(text, from);
}

} // namespace

void MarkupWriter::escapeText(std::wstring& out, std::wstring_view text)
{
    escapeInto(out, text, false);
}

void MarkupWriter::escapeAttribute(std::wstring& out, std::wstring_view value)
{
    escapeInto(out, value, true);
}
