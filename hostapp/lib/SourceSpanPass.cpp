#include "SourceSpanPass.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <limits>
#include <utility>

#include "AsciiCase.h"
#include "ImpliedMarkup.h"
#include "NodeSource.h"
#include "SourceScan.h"
#include "host/Document.h"
#include "host/Element.h"

namespace {

constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();

// Sorts a list that is mostly in order already, as a page's tokens are when the parser moved a few
// nodes: its ascending runs are merged pairwise, about linear for a few runs where a full sort
// costs n log n. Equal items keep their order. Many runs (a page the parser took apart) go to a
// full sort, which is then as cheap.
template <class T, class Less>
void sortMostlyInOrder(std::vector<T>& items, Less less)
{
    std::vector<std::size_t> bounds{0};
    for (std::size_t i = 1; i < items.size(); ++i) {
        if (!less(items[i], items[i - 1]))
            continue;
        if (bounds.size() == 64) {
            std::stable_sort(items.begin(), items.end(), less);
            return;
        }
        bounds.push_back(i);
    }
    bounds.push_back(items.size());
    while (bounds.size() > 2) {
        std::size_t kept = 1;
        for (std::size_t r = 0; r + 2 < bounds.size(); r += 2) {
            std::inplace_merge(items.begin() + static_cast<std::ptrdiff_t>(bounds[r]),
                               items.begin() + static_cast<std::ptrdiff_t>(bounds[r + 1]),
                               items.begin() + static_cast<std::ptrdiff_t>(bounds[r + 2]), less);
            bounds[kept++] = bounds[r + 2];
        }
        if ((bounds.size() - 1) % 2 == 1)
            bounds[kept++] = bounds.back();
        bounds.resize(kept);
    }
}

class Pass {
public:
    Pass(const SourceText* source, std::vector<bool>& claimed) : src_(source), claimed_(claimed) {}

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
                if (container->getNodeType() == Node::Type::Document)
                    reachPageEnd(*container);
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
    // While building, a node has a span exactly when it has a source.
    static bool hasSpan(const Node* n) { return NodeSource::source(n) != nullptr; }
    void setSpan(Node* n, std::size_t start, std::size_t end) { NodeSource::setSourceSpan(n, src_, start, end, false); }

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
        // (A head whose last child is a template left open did not end at the "</head>" after it:
        // the template's content ignored it, "<template><colgroup></head>". It stays with the
        // template, which takes what follows to the page end.)
        if (!NodeSource::endTag(e).empty() && e->is(L"head") && endsInTemplateLeftOpen(*e))
            NodeSource::setEndTag(e, {});
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
        } else if (lo != kNone && !e->isVoid() && !endsInsideScopeBoundary(*e) && !endIgnoredOverSpecial(*e)) {
            std::size_t end = SourceScan(src_->text).endTagAt(hi, e->localName());
            if (end != kNone && !claimed_[hi]) {
                NodeSource::setEndTag(e, {src_, hi, end});
                claimed_[hi] = true;
                hi = end;
            }
        }
        if (lo != kNone && NodeSource::endTag(e).empty() && (e->is(L"select") || e->is(L"noscript"))) {
            const std::size_t end =
                e->is(L"select") ? ignoredInSelectEnd(hi, readInTable(*e)) : ignoredInHeadNoscriptEnd(*e, hi);
            if (end > hi)
                selectTails_.push_back({e, {hi, end}});
            hi = end;
        }
        if (lo == kNone)
            return false;
        setSpan(n, lo, hi);
        return true;
    }

    static bool endsInTemplateLeftOpen(const Element& e)
    {
        const Node* last = e.getLastChild();
        if (last == nullptr || last->getNodeType() != Node::Type::Element)
            return false;
        const auto& t = static_cast<const Element&>(*last);
        return t.is(L"template") && NodeSource::endTag(&t).empty() && !NodeSource::startTag(&t).empty() &&
               NodeSource::startTag(&t).start < NodeSource::endTag(&e).start;
    }

    // Where the tags the parser ignored in a select after its content end: at the tag that ended
    // the select ("<select><r><input>"; in a table, a table's tag too: "<td><select><r><table>").
    // They stand in the select, and go with it when it is removed (written after it, the <r> would
    // make an element, a <table> a table). From hi, the select's content end; hi when none follow,
    // or when the page ends first (which reachPageEnd sees to).
    std::size_t ignoredInSelectEnd(std::size_t hi, bool inTable) const
    {
        // (The first five end it anywhere; a template's tags make elements in the select or end
        // one around it: never ignored.)
        constexpr std::size_t kEndsAnywhere = 5;
        static constexpr std::wstring_view kEnds[] = {L"select",  L"input", L"keygen", L"textarea", L"template",
                                                      L"caption", L"table", L"tbody",  L"tfoot",    L"thead",
                                                      L"tr",      L"td",    L"th"};
        const std::size_t ends = inTable ? std::size(kEnds) : kEndsAnywhere;
        const std::wstring& t = src_->text;
        const SourceScan scan(t);
        for (std::size_t at = hi; at < t.size();) {
            // (Text and comments there would be the select's content: only tags stand there.)
            if (scan.firstTag(at, t.size()) != at)
                return hi;
            const std::size_t close = scan.tagClose(at, t.size());
            if (close == SourceScan::kNone)
                return hi;
            const bool endTag = t[at + 1] == L'/';
            for (std::size_t k = 0; k < ends; ++k)
                if ((endTag ? scan.endTagAt(at, kEnds[k]) : scan.startTagAt(at, kEnds[k])) != SourceScan::kNone)
                    return at;
            at = close + 1;
        }
        return hi;
    }

    // Where the tags the parser ignored in a noscript in the head after its content end (end tags,
    // <head> and <noscript>): at the first thing that is not such a tag (which ended the noscript,
    // or is its content). They
    // stand in the noscript, and go with it when it is removed (after it, "</p>" would end the head
    // and make a paragraph). From hi, the noscript's content end; hi when none follow.
    std::size_t ignoredInHeadNoscriptEnd(const Element& noscript, std::size_t hi) const
    {
        if (!ImpliedMarkup::noscriptInHead(noscript))
            return hi;
        const std::wstring& t = src_->text;
        const SourceScan scan(t);
        std::size_t end = hi;
        // (</br> is read as <br>, which ends the noscript. Of start tags it ignores <head> and
        // <noscript>. Nothing follows a noscript that reaches the page end: firstTag then says so
        // by the page's end itself.)
        while (end < t.size() && scan.firstTag(end, t.size()) == end &&
               (t[end + 1] == L'/' ? scan.endTagAt(end, L"noscript") == SourceScan::kNone &&
                                         scan.endTagAt(end, L"br") == SourceScan::kNone
                                   : scan.startTagAt(end, L"head") != SourceScan::kNone ||
                                         scan.startTagAt(end, L"noscript") != SourceScan::kNone)) {
            const std::size_t close = scan.tagClose(end, t.size());
            if (close == SourceScan::kNone)
                break;
            end = close + 1;
        }
        return end;
    }

    // Whether the parser read the select's start tag inside a table (in a cell or caption, or moved
    // out in front of a table, itself or an element around it), where a table's tags end the
    // select; elsewhere it ignores them. (Template content is read apart from a table around it.)
    static bool readInTable(const Element& select)
    {
        const std::size_t at = NodeSource::startTag(&select).start;
        for (const Node* n = &select; n != nullptr && n->getNodeType() == Node::Type::Element; n = n->parentNode()) {
            const auto& e = static_cast<const Element&>(*n);
            if (n != &select && (e.is(L"td") || e.is(L"th") || e.is(L"caption")))
                return true;
            if (e.is(L"template"))
                return false;
            // (Moved out in front of a table: a later sibling, the table, starts before it.)
            for (const Node* s = n->getNextSibling(); s != nullptr; s = s->getNextSibling())
                if (s->getNodeType() == Node::Type::Element && static_cast<const Element*>(s)->is(L"table") &&
                    !NodeSource::startTag(static_cast<const Element*>(s)).empty() &&
                    NodeSource::startTag(static_cast<const Element*>(s)).start < at)
                    return true;
        }
        return false;
    }

    // A start tag the parser ignored after the last content of an element the page leaves open
    // at its end (a tag in a select) stands inside that element: its span, and those of the
    // elements around it, reach the end of the page, so that the text is its inner trail (and goes
    // with it when it is removed) rather than text after everything, where it would make an
    // element. (End tags ignored there stay after everything, where they are still ignored: an
    // ignored </form> written back inside a table would keep the form from being ended. Not those
    // ignored in a select or template left open, which ignores any tag it does not take: after
    // everything, where a removal of the select puts them, "</p>" would make a paragraph.)
    void reachPageEnd(Node& document)
    {
        Element* open = nullptr;
        bool ignoresAll = false;
        // (Down the children whose text stands last: a select moved out in front of a table may.)
        auto lastInText = [](Node* parent) {
            Node* last = parent->getLastChild();
            for (Node* c = last; c != nullptr; c = c->getPreviousSibling())
                if (hasSpan(c) && (!hasSpan(last) || NodeSource::spanEnd(c) > NodeSource::spanEnd(last)))
                    last = c;
            return last;
        };
        for (Node* n = document.getLastChild(); n != nullptr && n->getNodeType() == Node::Type::Element && hasSpan(n);
             n = lastInText(n)) {
            auto* e = static_cast<Element*>(n);
            // (Nor a noscript in the head, which anything but its content ends; the end tags it
            // ignored after its content are its own already.)
            if (NodeSource::endTag(e).empty() && !NodeSource::startTag(e).empty() && !e->isVoid() && !e->is(L"html") &&
                !e->is(L"body") && !ImpliedMarkup::noscriptInHead(*e)) {
                open = e;
                ignoresAll = ignoresAll || e->is(L"select") || e->is(L"template");
            }
        }
        const std::wstring& t = src_->text;
        if (open == nullptr || NodeSource::spanEnd(open) >= t.size())
            return;
        // (Not over a tag the page cuts short at its end, which the parser dropped: written
        // inside, whatever follows would join it. It stays at the end.)
        const SourceScan scan(t);
        const std::size_t end = scan.cutShortTag(NodeSource::spanEnd(open), t.size());
        bool startTag = false;
        // (Each tag before end is closed before end.)
        for (std::size_t i = scan.firstTag(NodeSource::spanEnd(open), end); i < end && !startTag;
             i = scan.firstTag(scan.tagClose(i, end) + 1, end))
            startTag = ignoresAll || (t[i + 1] != L'/' && t[i + 1] != L'!' && t[i + 1] != L'?');
        // So does text a template ignored there (its content, a column group's, takes none:
        // "<template><col>x"); removed with the template, it would be the body's.
        if (!startTag && open->is(L"template") && ignoresTextAtEnd(*open, end))
            startTag = true;
        if (!startTag)
            return;
        for (Node* n = document.getFirstChild(); n != nullptr; n = n->getNextSibling())
            if (hasSpan(n) && NodeSource::spanEnd(n) > NodeSource::spanEnd(open))
                return; // (something stands after it in the text)
        for (Node* n = open; n != &document && n != nullptr; n = n->parentNode())
            if (hasSpan(n))
                setSpan(n, NodeSource::spanStart(n), std::max(NodeSource::spanEnd(n), end));
    }

    // Where the text before an element's first child starts to be that child's gap: after the start
    // tag; for an implied element whose end tag stands before its content (an early "</html>"), at
    // that end tag, so that what the parser ignored between it and the content is still some
    // node's gap ("</html><head><title>"); kNone for any other implied element, whose text before
    // its content is the gap of the element itself.
    static std::size_t contentStart(const Element* e)
    {
        if (!NodeSource::startTag(e).empty())
            return NodeSource::startTag(e).end;
        return !NodeSource::endTag(e).empty() && NodeSource::endTag(e).start == NodeSource::spanStart(e)
                   ? NodeSource::spanStart(e)
                   : kNone;
    }

    // Whether there is text other than white space between the end of e's span and end, outside
    // the tags there.
    bool ignoresTextAtEnd(const Element& e, std::size_t end) const
    {
        const std::wstring& t = src_->text;
        const SourceScan scan(t);
        for (std::size_t i = NodeSource::spanEnd(&e); i < end;) {
            const std::size_t tag = scan.firstTag(i, end);
            for (; i < tag; ++i)
                if (!asciicase::isSpace(t[i]))
                    return true;
            if (tag >= end)
                return false;
            const std::size_t close = scan.tagClose(tag, end);
            if (close == SourceScan::kNone)
                return false;
            i = close + 1;
        }
        return false;
    }

    // The end of an element's content: its end tag, or without one, the end of its span.
    static std::size_t contentEnd(const Element* e)
    {
        return NodeSource::endTag(e).empty() ? NodeSource::spanEnd(e) : NodeSource::endTag(e).start;
    }

    // Whether the element's content ends inside an element left open that bounds the scope of
    // end tags (a table, a cell, a template, ...) or ignores them (a select): an end tag of the
    // element standing right after it is one the parser ignored ("<form><table></form>",
    // "<a><select></a>").
    // Whether the parser ignored an end tag of the element's name standing after its content: it
    // takes such a tag (of a name it does not know, or of an element such as a span) only when no
    // element of the kinds it treats as special (a block, a heading, a cell, a button...) is open
    // inside it ("<x><h2></x>" leaves the x open, "</x>" ignored).
    static bool endIgnoredOverSpecial(const Element& e)
    {
        constexpr unsigned kSpecial = ElementName::kKeepsFormattingClosed | ElementName::kFormattingScope;
        const unsigned kind = e.name().kind;
        if ((kind & (kSpecial | ElementName::kFormatting | ElementName::kForeignRoot)) != 0 || e.is(L"button") ||
            e.is(L"select") || e.is(L"textarea") || e.is(L"br"))
            return false;
        for (const Node* n = e.parentNode(); n != nullptr && n->getNodeType() == Node::Type::Element;
             n = n->parentNode())
            if ((static_cast<const Element*>(n)->name().kind & ElementName::kForeignRoot) != 0)
                return false; // (foreign content ends its elements otherwise)
        for (const Node* n = e.getLastChild(); n != nullptr && n->getNodeType() == Node::Type::Element;
             n = n->getLastChild()) {
            const auto& c = static_cast<const Element&>(*n);
            if (!NodeSource::endTag(&c).empty() || c.isVoid())
                return false;
            if ((c.name().kind & kSpecial) != 0 || c.is(L"button") || c.is(L"select"))
                return true;
        }
        return false;
    }

    static bool endsInsideScopeBoundary(const Element& e)
    {
        for (const Node* n = e.getLastChild(); n != nullptr && n->getNodeType() == Node::Type::Element;
             n = n->getLastChild()) {
            const auto& c = static_cast<const Element&>(*n);
            if (NodeSource::endTag(&c).empty() &&
                (c.is(L"table") || c.is(L"td") || c.is(L"th") || c.is(L"caption") || c.is(L"template") ||
                 c.is(L"applet") || c.is(L"object") || c.is(L"marquee") || c.is(L"select")))
                return true;
        }
        return false;
    }

    // Marks the children whose text stands inside the span of a sibling after them (the nearest
    // one that is not itself displaced; one without an end tag reaches as far as the parser let
    // it): the parser moved them out in front of it.
    void markDisplaced(Node* parent)
    {
        Node* host = nullptr;
        for (Node* c = parent->getLastChild(); c != nullptr; c = c->getPreviousSibling())
            markDisplaced(c, host);
        if (static_cast<Element*>(parent)->is(L"template"))
            markMovedBehind(*parent);
    }

    // Marks the children of template content whose text stands inside the span of a sibling
    // before them (the nearest one not itself moved): what a row there cannot hold, the parser
    // puts after the template's last child ("<template><tr>x<td>" puts the text after the row).
    void markMovedBehind(Node& parent)
    {
        Node* host = nullptr;
        for (Node* c = parent.getFirstChild(); c != nullptr; c = c->getNextSibling()) {
            if (!hasSpan(c) || NodeSource::isDisplaced(c))
                continue;
            if (host != nullptr && NodeSource::spanStart(host) < NodeSource::spanStart(c) &&
                NodeSource::spanStart(c) < NodeSource::spanEnd(host)) {
                NodeSource::setMovedBehind(c, true);
                hosts_.push_back(host);
            } else {
                host = c;
            }
        }
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
    // space after </BODY> or </HTML>) move out behind the element, where the text has them. (Not
    // a body or head the parser made only after an early </HTML>: they are the html element's.)
    void moveOutTrailing(Element* e)
    {
        Node* parent = e->parentNode();
        if (parent == nullptr)
            return;
        std::size_t endTagEnd = NodeSource::endTag(e).end;
        // (The nodes keep the order the parser gave them among themselves: content it moved out
        // in front of a table stays in front of it, although its text stands inside.)
        const Node* moved = nullptr;
        while (Node* last = e->getLastChild()) {
            if (!hasSpan(last) || NodeSource::spanStart(last) < endTagEnd)
                break;
            if (e->is(L"html") && last->getNodeType() == Node::Type::Element &&
                (static_cast<Element*>(last)->is(L"body") || static_cast<Element*>(last)->is(L"head") ||
                 static_cast<Element*>(last)->is(L"frameset")))
                break;
            std::size_t at = NodeSource::spanStart(last);
            Node* before = e->getNextSibling();
            while (before != nullptr && before != moved && hasSpan(before) && NodeSource::spanStart(before) < at)
                before = before->getNextSibling();
            parent->insertBefore(last, before);
            moved = last;
        }
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
                if (!NodeSource::endTag(e).empty())
                    all.push_back({{NodeSource::endTag(e).start, NodeSource::endTag(e).end}, open.back()});
                else
                    all.push_back({selectTail(e), open.back()});
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
                if (!NodeSource::endTag(e).empty() || selectTail(e).end > selectTail(e).start)
                    open.push_back(i);
            } else if (hasSpan(n)) {
                all.push_back({{NodeSource::spanStart(n), NodeSource::spanEnd(n)}, i});
            }
        }
        closeBefore(static_cast<std::uint32_t>(nodes_.size()));
        auto byStart = [](const auto& a, const auto& b) { return a.first.start < b.first.start; };
        tokensInOrder_ = std::is_sorted(all.begin(), all.end(), byStart);
        if (!tokensInOrder_)
            sortMostlyInOrder(all, byStart);
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
        std::size_t prevEnd = assignGaps(children, contentStart(e));
        if (hasSpan(e) && prevEnd != kNone && prevEnd < contentEnd(e))
            gaps_.push_back({e, Gap::InnerTrail, {src_, prevEnd, contentEnd(e)}});
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
                if (hasSpan(e) && prevEnd != kNone && prevEnd < contentEnd(e))
                    add({e, Gap::InnerTrail, {src_, prevEnd, contentEnd(e)}});
                open.pop_back();
            }
        };
        for (std::uint32_t i = 0; i < nodes_.size() && sorted; ++i) {
            closeBefore(i);
            Node* n = nodes_[i];
            // (A node moved out in front of a table takes its gap where its text stands: sorted.)
            if (NodeSource::isDisplaced(n))
                return false;
            std::size_t* prevEnd = !open.empty() ? &open.back().prevEnd : container != nullptr ? &topPrevEnd : nullptr;
            if (prevEnd != nullptr && hasSpan(n)) {
                if (*prevEnd != kNone && *prevEnd < NodeSource::spanStart(n))
                    add({n, Gap::Lead, {src_, *prevEnd, NodeSource::spanStart(n)}});
                *prevEnd = *prevEnd == kNone ? NodeSource::spanEnd(n) : std::max(*prevEnd, NodeSource::spanEnd(n));
            }
            if (n->getNodeType() == Node::Type::Element) {
                auto* e = static_cast<Element*>(n);
                open.push_back({i, contentStart(e)});
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
            // (A select's inner trail that is the token of tags it ignored after its content keeps
            // it whole, under the gap of a table's next node that starts in front of the select,
            // moved out before the table: the select's writing copies that token, which no gap
            // writes, "<table><select><option><s><tr>".)
            if (g.range.start < covered && g.kind == Gap::InnerTrail &&
                isSelectTail(static_cast<const Element*>(g.node), g.range)) {
                NodeSource::setInnerTrailGap(static_cast<Element*>(g.node), g.range);
                covered = std::max(covered, g.range.end);
                continue;
            }
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

    const SourceText* src_;
    std::vector<bool>& claimed_; // at the start of each end tag already given to an element
    std::vector<Gap> gaps_;
    std::vector<Node*> nodes_;              // every node built, in document order (set by finish)
    std::vector<Node*> hosts_;              // nodes that displaced nodes were moved in front of
    std::vector<std::uint32_t> subtreeEnd_; // by node number: the number of the subtree's last node
    std::vector<std::uint32_t> ownedBefore_;
    std::vector<std::uint32_t> firstToken_; // by node number: where its subtree's tokens were listed
    bool tokensInOrder_ = false;            // the tokens came sorted as listed
    std::vector<std::size_t> starts_;
    std::vector<std::uint32_t> owners_;
    std::vector<SourceText::Token> tokens_;
    // The tags the parser ignored in a select (or a noscript in the head) after its content, by
    // element (a token of it).
    std::vector<std::pair<const Element*, SourceText::Token>> selectTails_;
    SourceText::Token selectTail(const Element* e) const
    {
        for (const auto& [select, tail] : selectTails_)
            if (select == e)
                return tail;
        return {0, 0};
    }
    bool isSelectTail(const Element* e, const NodeSource::Range& range) const
    {
        const SourceText::Token tail = selectTail(e);
        return tail.end > tail.start && tail.start == range.start && tail.end == range.end;
    }
};

} // namespace

std::vector<SourceText::Token> SourceSpanPass::run(Node* container, std::vector<Node*> topLevel,
                                                   const SourceText* source, std::vector<bool>& claimed)
{
    Pass pass(source, claimed);
    pass.finish(container, std::move(topLevel));
    return pass.takeTokens();
}
