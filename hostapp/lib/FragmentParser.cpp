#include "FragmentParser.h"
#include "NodeSource.h"

#include <map>
#include <optional>
#include <vector>

#include "GumboTreeBuilder.h"
#include "SourceText.h"
#include "TreeOutline.h"
#include "host/CharacterData.h"
#include "host/Document.h"
#include "host/DomUtBase.h"
#include "host/Element.h"

namespace {

// At most this many places are tried for one insertion: each try writes and parses the page.
constexpr int kMaxTries = 32;

// A place for the nodes: before ref inside parent (ref null: at the end).
struct Place {
    Node* parent;
    Node* ref;
};

// How many elements of each name a fragment holds.
std::map<std::wstring, int> elementCounts(const std::vector<Node*>& nodes)
{
    std::map<std::wstring, int> counts;
    for (Node* top : nodes)
        for (Node* n = top; n != nullptr; n = n->nextInTree(top))
            if (n->getNodeType() == Node::Type::Element)
                ++counts[static_cast<Element*>(n)->localName()];
    return counts;
}

// The markup parsed for each context element it is tried in.
class Fragments {
public:
    Fragments(Document& document, const std::wstring& markup) : document_(document), markup_(markup) {}

    // The nodes of the markup parsed in parent's context; empty when it holds none, or when the
    // context drops or turns into text an element that the markup holds in a neutral place (in
    // a script or a title it is all text, in a select its tables are dropped).
    const std::vector<Node*>& in(const Node& parent)
    {
        const std::wstring context = parent.getNodeType() == Node::Type::Element
                                         ? static_cast<const Element&>(parent).localName()
                                         : std::wstring(L"body");
        auto found = parsed_.find(context);
        if (found != parsed_.end())
            return found->second;
        std::vector<Node*> nodes = GumboTreeBuilder::buildFragment(document_, markup_, context);
        if (!nodes.empty()) {
            if (!neutral_) {
                neutral_ = elementCounts(GumboTreeBuilder::buildFragment(document_, markup_, L"div"));
            }
            std::map<std::wstring, int> counts = elementCounts(nodes);
            for (const auto& [name, count] : *neutral_)
                if (counts[name] < count) {
                    nodes.clear();
                    break;
                }
        }
        return parsed_.emplace(context, std::move(nodes)).first->second;
    }

private:
    Document& document_;
    const std::wstring& markup_;
    std::map<std::wstring, std::vector<Node*>> parsed_;
    std::optional<std::map<std::wstring, int>> neutral_;
};

// Whether the element stands inside an svg or math element. The tree keeps no namespaces, and
// there a name such as td may be a foreign element, whose content a table or a block leaves.
bool inForeignContent(const Element& element)
{
    for (const Node* n = element.parentNode(); n != nullptr && n->getNodeType() == Node::Type::Element;
         n = n->parentNode())
        if (static_cast<const Element*>(n)->is(L"svg") || static_cast<const Element*>(n)->is(L"math"))
            return true;
    return false;
}

// Whether the parser takes markup put at a place inside parent as it is, without closing or
// moving anything for it: no element between the place and the nearest scope boundary (a table
// cell, a caption, a button, the body...) ends itself for a block, moves content out, makes its
// content text or is foreign content. The writer ends what the nodes around the place leave
// open, so such a place needs no try.
bool takesMarkupAsItIs(const Node& parent)
{
    static const wchar_t* const kSensitive[] = {
        L"p",        L"li",       L"dd",    L"dt",      L"a",        L"nobr",   L"form",     L"h1",
        L"h2",       L"h3",       L"h4",    L"h5",      L"h6",       L"select", L"option",   L"optgroup",
        L"datalist", L"table",    L"tbody", L"thead",   L"tfoot",    L"tr",     L"colgroup", L"ruby",
        L"rb",       L"rt",       L"rp",    L"rtc",     L"svg",      L"math",   L"head",     L"html",
        L"frameset", L"noscript", L"pre",   L"listing", L"textarea", L"title",  L"plaintext"};
    for (const Node* n = &parent; n != nullptr; n = n->parentNode()) {
        if (n->getNodeType() != Node::Type::Element)
            return false;
        const auto& e = static_cast<const Element&>(*n);
        // (Content moved out of a table is still parsed as the table's.)
        if (e.isRawText() || e.isVoid() || NodeSource::isDisplaced(&e))
            return false;
        for (const wchar_t* name : kSensitive)
            if (e.is(name))
                return false;
        // (Content after the end tag of the body, which the parser still puts in the body,
        // stands behind the body in the tree.)
        if (e.is(L"body") && !NodeSource::endTag(&e).empty() && NodeSource::endTag(&e).end < NodeSource::spanEnd(&e))
            return false;
        // (The content of a template parses by its first element: a table before a tr changes it.)
        if (e.is(L"template"))
            return false;
        if (e.is(L"body") || e.is(L"td") || e.is(L"th") || e.is(L"caption"))
            return !inForeignContent(e);
        // (These bound the scope of end tags but not a table's: inside one moved out of a table,
        // a table still ends the table.)
        if (e.is(L"button") || e.is(L"object") || e.is(L"applet") || e.is(L"marquee")) {
            for (const Node* up = n->parentNode(); up != nullptr; up = up->parentNode())
                if (NodeSource::isDisplaced(up))
                    return false;
            return !inForeignContent(e);
        }
    }
    return false;
}

// Whether the node is a text copied from a page that ends in "</": the parser took it as text
// there, but whatever follows it would make it a tag.
bool endsInOpenEndTag(const Node& node)
{
    if (node.getNodeType() != Node::Type::Text || NodeSource::source(&node) == nullptr)
        return false;
    const std::wstring& text = NodeSource::source(&node)->text;
    return NodeSource::spanEnd(&node) == text.size() && text.size() >= 2 &&
           text.compare(text.size() - 2, 2, L"</") == 0;
}

// Whether what stands before the place leaves the parser in a state that the writer can end with
// end tags: not inside text it takes literally (a script, style, title or plaintext without its
// end tag, a "</" at the end of the page), not among nodes the parser moved out of a table, and
// not after a form left open (a </form> the parser ignored inside a table in it clears the
// parser's form pointer, and a </form> written later is ignored too: "<form><table></form>\n").
bool endableBefore(const Place& place)
{
    const Node* before = place.ref != nullptr ? place.ref->getPreviousSibling() : place.parent->getLastChild();
    // At the start of an element, what stands before the element (before an implied body: the
    // head's last content).
    for (const Node* up = place.parent; before == nullptr && up != nullptr; up = up->parentNode())
        before = up->getPreviousSibling();
    if (before != nullptr && before->getPreviousSibling() != nullptr &&
        NodeSource::isDisplaced(before->getPreviousSibling()))
        return false;
    for (const Node* n = before; n != nullptr; n = n->getLastChild())
        if (endsInOpenEndTag(*n))
            return false;
    // (A last descendant that is a table with nodes moved out in front of it may end, in the
    // source, in one of them: "<e><table><plaintext>".)
    for (const Node* n = before; n != nullptr && n->getNodeType() == Node::Type::Element; n = n->getLastChild()) {
        const auto& e = static_cast<const Element&>(*n);
        if (NodeSource::isDisplaced(n) ||
            (n->getPreviousSibling() != nullptr && NodeSource::isDisplaced(n->getPreviousSibling())) ||
            (NodeSource::endTag(&e).empty() && (e.isRawText() || e.is(L"textarea") || e.is(L"title") || e.is(L"form"))))
            return false;
    }
    return true;
}

// Whether the page has a plaintext whose text the parser put into a formatting element it opened
// again (no tag can say so inside plaintext; ending that element before it, as the writer does
// around inserted nodes, loses it).
bool reopensInPlaintext(const Document& document)
{
    for (const Node* n = document.getFirstChild(); n != nullptr; n = n->nextInTree(&document)) {
        if (n->getNodeType() != Node::Type::Element || !static_cast<const Element*>(n)->is(L"plaintext"))
            continue;
        const Node* first = n->getFirstChild();
        if (first != nullptr && first->getNodeType() == Node::Type::Element &&
            !NodeSource::copiedTag(static_cast<const Element*>(first)).empty())
            return true;
    }
    return false;
}

// Whether the place lies between nodes the parser moved out of a table and the table, or between
// a row of template content and nodes the parser moved behind it: they are written inside it, so
// nothing can be put between them.
bool amidDisplaced(const Place& place)
{
    const Node* before = place.ref != nullptr ? place.ref->getPreviousSibling() : place.parent->getLastChild();
    return (before != nullptr && NodeSource::isDisplaced(before)) ||
           (place.ref != nullptr && NodeSource::isMovedBehind(place.ref));
}

// The places to try after the first: after each ancestor of the first place's parent, from the
// nearest out (after the head, the start of the body), then before each earlier node of the
// first parent, from the nearest back, and so on out.
std::vector<Place> otherPlaces(const Place& first, Document& document)
{
    std::vector<Place> places;
    for (Node* child = first.parent; child != nullptr && child->parentNode() != nullptr; child = child->parentNode()) {
        if (child->parentNode() == &document && document.getDocumentElement() != nullptr)
            break;
        places.push_back({child->parentNode(), child->getNextSibling()});
        // What follows the head is the body.
        if (child->getNodeType() == Node::Type::Element && static_cast<Element*>(child)->is(L"head") &&
            document.getBody() != nullptr)
            places.push_back({document.getBody(), document.getBody()->getFirstChild()});
    }
    Place at = first;
    while (at.parent != nullptr && at.parent != &document) {
        Node* before = at.ref != nullptr ? at.ref->getPreviousSibling() : at.parent->getLastChild();
        for (; before != nullptr; before = before->getPreviousSibling())
            places.push_back({at.parent, before});
        at = {at.parent->parentNode(), at.parent};
    }
    return places;
}

} // namespace

Node* insertFragmentAtCursor(DomUtBase& util, const std::wstring& markup)
{
    Document* document = util.getDocument();
    if (document == nullptr)
        return nullptr;
    int offset = 0;
    Node* cursor = util.getLayoutCursor(offset);
    if (cursor != nullptr && (!cursor->isAttached() || cursor->getNodeType() == Node::Type::Document))
        cursor = nullptr;

    Place place{nullptr, nullptr};
    CharacterData* split = nullptr;
    if (cursor == nullptr) {
        place.parent = document->getBody();
        if (place.parent == nullptr)
            place.parent = document->getDocumentElement();
        if (place.parent == nullptr)
            place.parent = document;
    } else if (cursor->getNodeType() == Node::Type::Element) {
        place = {cursor, cursor->childAt(offset)};
    } else {
        place.parent = cursor->parentNode();
        auto size = cursor->getNodeType() == Node::Type::Doctype
                        ? 0
                        : static_cast<int>(static_cast<CharacterData*>(cursor)->getData().size());
        if (offset <= 0)
            place.ref = cursor;
        else if (offset >= size)
            place.ref = cursor->getNextSibling();
        else if (cursor->getNodeType() == Node::Type::Text)
            split = static_cast<CharacterData*>(cursor);
        else
            place.ref = cursor->getNextSibling(); // inside a comment: after it
    }
    if (place.parent == nullptr)
        return nullptr;
    // Beside the html element (at the DOCTYPE, at a comment outside it) the parser would put the
    // nodes into the body: the nearest place there is its start, or, after the html element, its end.
    if (place.parent == document && document->getBody() != nullptr) {
        bool beforeRoot = false;
        for (Node* n = place.ref; n != nullptr && !beforeRoot; n = n->getNextSibling())
            beforeRoot = n == document->getDocumentElement();
        place = {document->getBody(), beforeRoot ? document->getBody()->getFirstChild() : nullptr};
        split = nullptr;
    }

    // The nodes go to the first place where the page, written and parsed again, has them as
    // inserted; none when no place keeps them, unless the page does not read back as its tree
    // even without them (then the first place that keeps the markup's elements is as good as any).
    Fragments fragments(*document, markup);
    std::vector<Place> places{place};
    std::optional<bool> readsBackAlready;
    int tries = 0;
    // (A document that was not parsed from a page is written afresh, without the tags a parser
    // implies: there is nothing to try it against.)
    const bool parsedPage = NodeSource::pageSource(document) != nullptr;
    for (std::size_t i = 0; i < places.size() && tries < kMaxTries; ++i) {
        const std::vector<Node*>& nodes = fragments.in(*places[i].parent);
        if (i == 0 && split != nullptr && !nodes.empty())
            places[0].ref = split->splitText(static_cast<std::size_t>(offset));
        if (i == 0 && parsedPage)
            for (const Place& other : otherPlaces(places[0], *document))
                places.push_back(other);
        if (nodes.empty() || amidDisplaced(places[i]))
            continue;
        const bool plain = !parsedPage || (takesMarkupAsItIs(*places[i].parent) && endableBefore(places[i]) &&
                                           !reopensInPlaintext(*document));
        // (Asked of the page as it was parsed: once nodes were put in and taken out again, the
        // writer no longer copies the places they touched, and the answer would be about that.)
        if (!plain && !readsBackAlready)
            readsBackAlready = TreeOutline::readsBack(*document);
        // (The nodes put in mark the place's parent and its ancestors changed, up to the first
        // one marked already: taken out again, those are unmarked, so that the next try writes
        // the page as it would be written without this one.)
        std::vector<Node*> unmarked;
        for (Node* n = places[i].parent; n != nullptr && !NodeSource::subtreeChanged(n); n = n->parentNode())
            unmarked.push_back(n);
        for (Node* n : nodes)
            places[i].parent->insertBefore(n, places[i].ref);
        ++tries;
        bool keep = plain || TreeOutline::readsBack(*document);
        if (!keep) {
            for (Node* n : nodes)
                places[i].parent->removeChild(n);
            for (Node* n : unmarked)
                NodeSource::clearChanged(n);
            keep = !*readsBackAlready;
            if (keep)
                for (Node* n : nodes)
                    places[i].parent->insertBefore(n, places[i].ref);
        }
        if (keep) {
            util.setLayoutCurorEx(nodes.back(), true);
            return nodes.front();
        }
    }
    return nullptr;
}
