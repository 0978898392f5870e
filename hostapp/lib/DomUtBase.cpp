#include "host/DomUtBase.h"
#include "NodeSource.h"

#include <algorithm>

#include "AsciiCase.h"
#include "host/CharacterData.h"
#include "host/Document.h"
#include "host/Element.h"

namespace {

// Calls visit on root (the whole document when null) and every node below it, in document order.
template <class Visit>
void forEachNode(Document* document, Node* root, Visit visit)
{
    Node* top = root != nullptr ? root : document;
    if (top == nullptr)
        return;
    for (Node* n = top; n != nullptr; n = n->nextInTree(top))
        visit(n);
}

template <class Match>
int collectElements(std::vector<Element*>& out, Document* document, Node* root, Match match)
{
    out.clear();
    forEachNode(document, root, [&](Node* n) {
        if (n->getNodeType() == Node::Type::Element && match(*static_cast<Element*>(n)))
            out.push_back(static_cast<Element*>(n));
    });
    return static_cast<int>(out.size());
}

} // namespace

DomUtBase::DomUtBase(Document* document) : document_(document) {}

DomUtBase::~DomUtBase() = default;

Document* DomUtBase::getDocument() const
{
    return document_;
}

int DomUtBase::getElementByTagId(std::vector<Element*>& out, int kind, bool /*flag*/, Node* from)
{
    return collectElements(out, document_, from, [&](const Element& e) { return e.getElementID() == kind; });
}

int DomUtBase::getElementByAttributrName(std::vector<Element*>& out, const std::wstring& name, Node* root)
{
    return collectElements(out, document_, root, [&](const Element& e) { return e.hasAttribute(name); });
}

int DomUtBase::getElementByAttributrNameAndValue(std::vector<Element*>& out, const std::wstring& name,
                                                 const std::wstring& value, bool ignoreCase, Node* root)
{
    return collectElements(out, document_, root, [&](const Element& e) {
        if (!e.hasAttribute(name))
            return false;
        std::wstring v = e.getAttribute(name);
        return ignoreCase ? asciicase::equal(v, value) : v == value;
    });
}

int DomUtBase::getElementByAttributrNameAndPartOfValue(std::vector<Element*>& out, const std::wstring& name,
                                                       const std::wstring& value, bool ignoreCase, Node* root)
{
    return collectElements(out, document_, root, [&](const Element& e) {
        return e.hasAttribute(name) && asciicase::contains(e.getAttribute(name), value, ignoreCase);
    });
}

int DomUtBase::getAllPCData(std::vector<CharacterData*>& out, const std::wstring& text, bool /*flag*/, Node* root)
{
    out.clear();
    forEachNode(document_, root, [&](Node* n) {
        if (n->getNodeType() != Node::Type::Text)
            return;
        auto* t = static_cast<CharacterData*>(n);
        if (text.empty() || t->getData() == text)
            out.push_back(t);
    });
    return static_cast<int>(out.size());
}

void DomUtBase::setOnlyTextUnderElement(Element* element, const std::wstring& text)
{
    if (element == nullptr || document_ == nullptr)
        return;
    // Already so: leave the text as it was written.
    Node* only = element->getFirstChild();
    if (only != nullptr && only->getNextSibling() == nullptr && only->getNodeType() == Node::Type::Text &&
        static_cast<CharacterData*>(only)->getData() == text)
        return;
    while (Node* child = element->getFirstChild())
        detach(child);
    element->appendChild(document_->createTextNode(text));
}

void DomUtBase::removeAllChild(Node* node, bool removeSelf, bool /*deep*/)
{
    if (node == nullptr)
        return;
    if (removeSelf) {
        detach(node);
        return;
    }
    while (Node* child = node->getFirstChild())
        detach(child);
}

void DomUtBase::removeElement(Node* node, Element* element, bool removeChildren, bool /*keepContent*/)
{
    Node* target = element != nullptr ? element : node;
    if (target == nullptr)
        return;
    if (removeChildren || target->parentNode() == nullptr) {
        detach(target);
        return;
    }
    unwrap(target);
}

void DomUtBase::insertParent(Node* node, Element* element)
{
    if (node == nullptr || element == nullptr || node->isAncestorOrSelf(element) || element->isAncestorOrSelf(node))
        return;
    Node* parent = node->parentNode();
    if (parent == nullptr)
        return;
    if (element->parentNode() != nullptr)
        detach(element);
    // The new parent stands where the node stood: it takes over the text before the node.
    NodeSource::setLeadGap(element, NodeSource::leadGap(node));
    NodeSource::setLeadGap(node, {});
    // One node replaces another: cursor indexes in the parent stay right.
    parent->insertBefore(element, node);
    element->appendChild(node);
}

Element* DomUtBase::createElementbyId(int kind)
{
    if (kind != Element::kAnchor || document_ == nullptr)
        return nullptr;
    return document_->createElement(L"a");
}

Node* DomUtBase::getLayoutCursor(int& offset) const
{
    offset = 0;
    if (cursorNode_ == nullptr)
        return nullptr;
    int limit = cursorNode_->getNodeType() == Node::Type::Element || cursorNode_->getNodeType() == Node::Type::Document
                    ? cursorNode_->childCount()
                    : static_cast<int>(cursorNode_->getNodeType() == Node::Type::Text ||
                                               cursorNode_->getNodeType() == Node::Type::Comment ||
                                               cursorNode_->getNodeType() == Node::Type::CData
                                           ? static_cast<CharacterData*>(cursorNode_)->getData().size()
                                           : 0);
    offset = std::clamp(cursorOffset_, 0, limit);
    return cursorNode_;
}

void DomUtBase::setLayoutCursor(Node* node, int offset)
{
    cursorNode_ = node;
    cursorOffset_ = node != nullptr ? std::max(offset, 0) : 0;
}

void DomUtBase::setLayoutCurorEx(Node* node, bool after)
{
    Node* parent = node != nullptr ? node->parentNode() : nullptr;
    if (parent == nullptr) {
        setLayoutCursor(nullptr, 0);
        return;
    }
    setLayoutCursor(parent, node->indexInParent() + (after ? 1 : 0));
}

namespace {

// The text after a table left open that the table read, as the next sibling's lead gap or the
// parent's inner trail, is left out.
void dropReadInOpenTable(Node& table)
{
    const std::size_t end = NodeSource::spanEnd(&table);
    if (Node* next = table.getNextSibling()) {
        const NodeSource::Range& gap = NodeSource::leadGap(next);
        if (gap.source == NodeSource::source(&table) && gap.start >= end)
            NodeSource::setLeadGap(next, {});
    } else if (Node* parent = table.parentNode(); parent != nullptr && parent->getNodeType() == Node::Type::Element) {
        auto* e = static_cast<Element*>(parent);
        const NodeSource::Range& trail = NodeSource::innerTrailGap(e);
        if (trail.source == NodeSource::source(&table) && trail.start >= end)
            NodeSource::setInnerTrailGap(e, {});
    }
}

// Hands a removed node's gap on: to the node moved out of a table that comes first in the text,
// when there is one; else to the next node, or, when there is none, to the end of the holder; in
// each case only to one that holds no gap yet.
void handOnGap(const NodeSource::Range& gap, Node* movedFirst, Node* next, Node& holder)
{
    if (movedFirst != nullptr) {
        if (NodeSource::leadGap(movedFirst).empty())
            NodeSource::setLeadGap(movedFirst, gap);
    } else if (next != nullptr && NodeSource::leadGap(next).empty())
        NodeSource::setLeadGap(next, gap);
    else if (next == nullptr && holder.getNodeType() == Node::Type::Element &&
             NodeSource::innerTrailGap(static_cast<Element*>(&holder)).empty())
        NodeSource::setInnerTrailGap(static_cast<Element*>(&holder), gap);
}

} // namespace

void DomUtBase::detach(Node* node)
{
    Node* parent = node->parentNode();
    if (parent == nullptr)
        return;
    int index = node->indexInParent();
    if (cursorNode_ != nullptr) {
        if (node->isAncestorOrSelf(cursorNode_)) {
            cursorNode_ = parent;
            cursorOffset_ = index;
        } else if (cursorNode_ == parent && cursorOffset_ > index) {
            --cursorOffset_;
        }
    }
    // A table the page leaves open (no end tag) read the text after its content up to its next
    // sibling, whose start tag ended it, or up to its parent's end: the tags it ignored there go
    // with it (in the body, an end tag of the body the table ignored would end the body:
    // "<table></body><table>" without the first table).
    if (node->getNodeType() == Node::Type::Element && static_cast<Element*>(node)->is(L"table") &&
        NodeSource::endTag(static_cast<Element*>(node)).empty() && NodeSource::source(node) != nullptr)
        dropReadInOpenTable(*node);
    // The text in front of the node that no node owns (tags the parser ignored, or whose only
    // effect was on the html element, such as a repeated <html lang=..>) stands before what
    // follows and stays: the next sibling, or else the end of the parent, takes it when it has none.
    NodeSource::Range gap = NodeSource::leadGap(node);
    // (Not what stands inside a node the parser moved out in front of a table around it, which the
    // gap spans there: a tag a select ignored is the select's, written with it.
    // "<table><td></td><select><p>\n<td>" without the second cell wrote the <p> twice.)
    const std::size_t gapStart = gap.start;
    for (Node* a = parent; !gap.empty() && a != nullptr; a = a->parentNode())
        for (Node* d = a->getPreviousSibling(); d != nullptr && NodeSource::isDisplaced(d); d = d->getPreviousSibling())
            if (NodeSource::source(d) == gap.source && NodeSource::spanStart(d) >= gapStart &&
                NodeSource::spanStart(d) < gap.end)
                gap.start = std::min(std::max(gap.start, NodeSource::spanEnd(d)), gap.end);
    // (A node the parser moved out in front of it whose text stands after that text comes first:
    // "<template></br><table><button>" without the table.)
    Node* movedOut = nullptr;
    for (Node* d = node->getPreviousSibling(); !gap.empty() && d != nullptr && NodeSource::isDisplaced(d);
         d = d->getPreviousSibling())
        if (NodeSource::displacedFrom(d) == node && NodeSource::source(d) == gap.source &&
            NodeSource::spanStart(d) >= gap.end &&
            (movedOut == nullptr || NodeSource::spanStart(d) < NodeSource::spanStart(movedOut)))
            movedOut = d;
    Node* host = NodeSource::displacedFrom(node);
    // The host's node that follows the node in the text (a node moved out in front of a table
    // stands inside the table's text).
    Node* after = nullptr;
    if (host != nullptr)
        for (Node* n = host->getFirstChild(); n != nullptr && after == nullptr; n = n->nextInTree(host))
            if (NodeSource::source(n) == NodeSource::source(node) &&
                NodeSource::spanStart(n) >= NodeSource::spanEnd(node))
                after = n;
    if (!gap.empty() && host != nullptr && gap.source == NodeSource::source(host) &&
        gap.start > NodeSource::spanStart(host)) {
        // (Such a node's gap stands inside the table too: it goes to the table's node that follows
        // in the text, or to the table's end, not in front of the table: "<table></body><select>".
        // A node moved out of the table after it whose text comes first takes it before either:
        // "<table></form></br><textarea>" without the br, where the </form> would follow the
        // textarea's text.)
        Node* movedAfter = nullptr;
        for (Node* d = node->getNextSibling(); d != nullptr && d != host; d = d->getNextSibling())
            if (NodeSource::displacedFrom(d) == host && NodeSource::source(d) == gap.source &&
                NodeSource::spanStart(d) >= NodeSource::spanEnd(node) &&
                (after == nullptr || NodeSource::spanStart(d) < NodeSource::spanStart(after)) &&
                (movedAfter == nullptr || NodeSource::spanStart(d) < NodeSource::spanStart(movedAfter)))
                movedAfter = d;
        handOnGap(gap, movedAfter, after, *host);
    } else if (movedOut != nullptr && NodeSource::leadGap(movedOut).empty()) {
        NodeSource::setLeadGap(movedOut, gap);
    } else if (!gap.empty()) {
        Node* next = node->getNextSibling();
        // (A node the parser moved out in front of the parent whose text stands between that text
        // and the next sibling comes first: "<table></div><colgroup><a><textarea>" without the
        // column group, where the </div> would follow the text area's text.)
        Node* movedFromParent = nullptr;
        for (Node* d = parent->getPreviousSibling(); d != nullptr && NodeSource::isDisplaced(d);
             d = d->getPreviousSibling())
            if (NodeSource::displacedFrom(d) == parent && NodeSource::source(d) == gap.source &&
                NodeSource::spanStart(d) >= gap.end &&
                (next == nullptr || NodeSource::source(next) != gap.source ||
                 NodeSource::spanStart(d) < NodeSource::spanStart(next)) &&
                (movedFromParent == nullptr || NodeSource::spanStart(d) < NodeSource::spanStart(movedFromParent)))
                movedFromParent = d;
        handOnGap(gap, movedFromParent, next, *parent);
    }
    // A node the parser moved out in front of a table has its text inside the table, which the
    // writer can then no longer copy as the source had it. (So has what it holds.)
    Node* moved = node;
    while (moved != nullptr && moved->getNodeType() == Node::Type::Element &&
           NodeSource::displacedFrom(moved) == nullptr)
        moved = moved->parentNode();
    if (Node* movedFrom = moved != nullptr ? NodeSource::displacedFrom(moved) : nullptr) {
        NodeSource::markSubtreeChanged(movedFrom);
        // So is the parent of the host's node that follows it in the text, whose gap held its
        // text: among the children of an untouched element the writer takes the output to go on
        // as the source did.
        // That gap spans the node's text, and what the parser ignored inside the node went to it
        // ("<table><select><p> <td>": the <p>): it goes with the node, the gap keeping only what
        // stands on one side of it. (With no such node, the host's inner trail holds it:
        // "<table><select><p> </table>".)
        auto without = [node](NodeSource::Range gap) {
            if (gap.source == NodeSource::source(node) && gap.start < NodeSource::spanEnd(node) &&
                gap.end > NodeSource::spanStart(node)) {
                if (gap.start >= NodeSource::spanStart(node))
                    gap.start = std::min(NodeSource::spanEnd(node), gap.end);
                else if (gap.end <= NodeSource::spanEnd(node))
                    gap.end = NodeSource::spanStart(node);
            }
            return gap;
        };
        Node* next = movedFrom == host ? after : nullptr;
        for (Node* n = movedFrom->getFirstChild(); n != nullptr && next == nullptr && movedFrom != host;
             n = n->nextInTree(movedFrom))
            if (NodeSource::source(n) == NodeSource::source(node) &&
                NodeSource::spanStart(n) >= NodeSource::spanEnd(node))
                next = n;
        if (next != nullptr) {
            NodeSource::markSubtreeChanged(next->parentNode());
            NodeSource::setLeadGap(next, without(NodeSource::leadGap(next)));
        } else if (movedFrom->getNodeType() == Node::Type::Element) {
            auto* e = static_cast<Element*>(movedFrom);
            NodeSource::setInnerTrailGap(e, without(NodeSource::innerTrailGap(e)));
        }
    }
    // An empty copy that the parser made of a formatting element, which has no text of its own, it
    // made while rebuilding misnested formatting around what follows: that sibling can no longer
    // be read as the source had it (the writer then ends what was left open before it).
    if (node->getNodeType() == Node::Type::Element && node->getFirstChild() == nullptr &&
        !NodeSource::copiedTag(static_cast<Element*>(node)).empty() &&
        NodeSource::startTag(static_cast<Element*>(node)).empty() && node->getNextSibling() != nullptr)
        NodeSource::markSubtreeChanged(node->getNextSibling());
    parent->removeChild(node);
}

void DomUtBase::unwrap(Node* element)
{
    Node* parent = element->parentNode();
    int index = element->indexInParent();
    int count = element->childCount();
    bool cursorInside = cursorNode_ == element;
    int inner = cursorOffset_;
    // The element's tags go; the text around them stays with the nodes that remain.
    Node* first = element->getFirstChild();
    NodeSource::Range gap = NodeSource::leadGap(element);
    if (first != nullptr) {
        const NodeSource::Range& own = NodeSource::leadGap(first);
        if (own.empty())
            NodeSource::setLeadGap(first, gap);
        else if (gap.source == own.source && gap.start <= own.start)
            NodeSource::setLeadGap(first, {gap.source, gap.start, own.end});
    }
    if (element->getNodeType() == Node::Type::Element) {
        const NodeSource::Range& trail = NodeSource::innerTrailGap(static_cast<Element*>(element));
        Node* next = element->getNextSibling();
        if (!trail.empty() && next != nullptr) {
            const NodeSource::Range& own = NodeSource::leadGap(next);
            if (own.empty())
                NodeSource::setLeadGap(next, trail);
            else if (own.source == trail.source && trail.start <= own.start)
                NodeSource::setLeadGap(next, {trail.source, trail.start, own.end});
        }
    }
    while (Node* child = element->getFirstChild())
        parent->insertBefore(child, element);
    if (cursorNode_ == parent && cursorOffset_ > index)
        cursorOffset_ += count; // placed after the element: now after its children as well
    parent->removeChild(element);
    if (cursorNode_ == parent && cursorOffset_ > index + count)
        --cursorOffset_;
    if (cursorInside) {
        cursorNode_ = parent;
        cursorOffset_ = index + std::clamp(inner, 0, count);
    }
}
