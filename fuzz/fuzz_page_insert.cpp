// Fuzz target: a part inserted at a point of a page, chosen from the input, as the link-part
// dialog inserts one (and, now and then, an element of the page removed first, as the dialog
// removes the old parts).
//
// Properties:
// - the page, written and parsed again, gives the edited tree (the part where it was put);
// - the part is in the page once, or, when no place in the page keeps it, the page is as it was;
// - every character of the page's text is still in the written page, in order (an insertion
//   adds text, it never loses or rewrites any);
// - writing is repeatable: the same document writes the same markup twice.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "DocumentType.h"
#include "FragmentParser.h"
#include "FuzzSupport.h"
#include "MarkupWriter.h"
#include "NodeSource.h"
#include "TreeOutline.h"
#include "host/CharacterData.h"
#include "host/DOMImpl.h"
#include "host/Document.h"
#include "host/DomUtil.h"
#include "host/Element.h"

using fuzzsupport::check;

namespace {

const std::wstring kPart =
    L"<table id=\"zebsitec001table000001\" summary=\"x\">\n<tr><td><a href=\"a.html\">A</a> <b>new</b>"
    L"</td></tr>\n</table>";

// A small deterministic generator seeded from the input, so a failure reproduces from its file.
struct Choices {
    std::uint64_t state = 1469598103934665603ull;
    Choices(const std::uint8_t* data, std::size_t size)
    {
        for (std::size_t i = 0; i < size; ++i)
            state = (state ^ data[i]) * 1099511628211ull;
    }
    std::size_t next(std::size_t bound)
    {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return bound == 0 ? 0 : static_cast<std::size_t>((state >> 33) % bound);
    }
};

std::size_t partsIn(Document& document)
{
    std::size_t n = 0;
    for (Node* node = document.getFirstChild(); node != nullptr; node = node->nextInTree(&document))
        if (node->getNodeType() == Node::Type::Element &&
            static_cast<Element*>(node)->getAttribute(L"id") == L"zebsitec001table000001")
            ++n;
    return n;
}

// Whether the subtree holds the element that a formatting element the parser opened again inside
// a plaintext copies ("<p><a>x</p><plaintext>y" puts y in a copy of the link): no markup lists an
// element for reopening without making one, so without it the page cannot say the copy.
bool holdsOriginalReopenedInPlaintext(Document& document, Node& gone)
{
    for (Node* n = document.getFirstChild(); n != nullptr; n = n->nextInTree(&document)) {
        const auto* e = n->getNodeType() == Node::Type::Element ? static_cast<Element*>(n) : nullptr;
        if (e == nullptr || NodeSource::copiedTag(e).empty() || e->parentNode() == nullptr ||
            e->parentNode()->getNodeType() != Node::Type::Element ||
            !static_cast<const Element*>(e->parentNode())->is(L"plaintext"))
            continue;
        for (Node* g = &gone; g != nullptr; g = g->nextInTree(&gone))
            if (g->getNodeType() == Node::Type::Element &&
                NodeSource::startTag(static_cast<Element*>(g)).start == NodeSource::copiedTag(e).start)
                return true;
    }
    return false;
}

// The tree written the plain way: every element with its start and end tag (none for a void
// one), text escaped (raw in raw-text elements), nothing copied from a source.
void writePlain(std::wstring& out, const Node& parent)
{
    for (const Node* c = parent.getFirstChild(); c != nullptr; c = c->getNextSibling()) {
        switch (c->getNodeType()) {
        case Node::Type::Element: {
            const auto* e = static_cast<const Element*>(c);
            out += L'<' + e->localName();
            for (const NodeSource::Attribute& a : NodeSource::attributes(e)) {
                out += L' ';
                out += a.name;
                out += L"=\"";
                MarkupWriter::escapeAttribute(out, a.value);
                out += L'"';
            }
            out += L'>';
            writePlain(out, *c);
            if (!e->isVoid())
                out += L"</" + e->localName() + L'>';
            break;
        }
        case Node::Type::Text: {
            const std::wstring& data = static_cast<const CharacterData*>(c)->getData();
            if (parent.getNodeType() == Node::Type::Element && static_cast<const Element&>(parent).isRawText())
                out += data;
            else
                MarkupWriter::escapeText(out, data);
            break;
        }
        case Node::Type::Comment:
            out += L"<!--" + static_cast<const CharacterData*>(c)->getData() + L"-->";
            break;
        case Node::Type::Doctype:
            out += static_cast<const DocumentType*>(c)->declaration();
            break;
        default:
            break;
        }
    }
}

// The deepest node of `edited` under which the element children of `parsed` no longer match it
// (name by name, then outline by outline); null when the two outlines are the same.
const Node* whereTreesPart(const Node& edited, const Node& parsed)
{
    if (TreeOutline::of(edited) == TreeOutline::of(parsed))
        return nullptr;
    const Node* a = edited.getFirstChild();
    const Node* b = parsed.getFirstChild();
    for (;; a = a->getNextSibling(), b = b->getNextSibling()) {
        while (a != nullptr && a->getNodeType() != Node::Type::Element)
            a = a->getNextSibling();
        while (b != nullptr && b->getNodeType() != Node::Type::Element)
            b = b->getNextSibling();
        if (a == nullptr || b == nullptr ||
            static_cast<const Element*>(a)->localName() != static_cast<const Element*>(b)->localName())
            return &edited;
        if (const Node* deeper = whereTreesPart(*a, *b))
            return deeper;
    }
}

// Whether the edited tree near `place` (the parent of a removed node) is taken for one that no
// markup gives: written the plain way, the page does not read back, and the trees part at `place`,
// inside it or at an element around it. A removal can leave such a tree: what the parser made only
// by moving nodes (out of a table, in rebuilding misnested formatting) stays where it was put, with
// what made it gone ("<p><table><p>" without the table: a paragraph in a paragraph;
// "<td><p><table><li>" without the inner table: a list item in a paragraph; "<h2><a><h2><a>"
// without the first link: a heading in a heading). (This passes over, too, a tree that only markup
// making the parser rebuild misnested formatting gives: h2(a h2(a)) is "<h2><a><h2></a>".)
bool noMarkupSays(const Document& document, const Node& place)
{
    std::wstring plain;
    writePlain(plain, document);
    std::unique_ptr<Document> again(DOMImpl::createDocument(L"HTML"));
    if (!again->createNodes(plain.c_str(), plain.size(), nullptr, true))
        return false;
    const Node* parted = whereTreesPart(document, *again);
    if (parted == nullptr)
        return false;
    for (const Node* n = &place; n != nullptr; n = n->parentNode())
        if (n == parted)
            return true;
    for (const Node* n = parted; n != nullptr; n = n->parentNode())
        if (n == &place)
            return true;
    return false;
}

// How much of text stands in out, in order (all of it when nothing was lost).
std::size_t keptInOrder(const std::wstring& text, const std::wstring& out)
{
    std::size_t at = 0;
    for (wchar_t c : out)
        if (at < text.size() && c == text[at])
            ++at;
    return at;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::wstring text;
    std::string encoding;
    if (!fuzzsupport::decodePage(data, size, text, encoding))
        return 0;
    std::unique_ptr<Document> document(DOMImpl::createDocument(L"HTML"));
    check(document != nullptr, "a document can be made");
    if (text.empty() || !document->createNodes(text.c_str(), text.size(), nullptr, true))
        return 0;
    if (partsIn(*document) != 0)
        return 0; // the part's id must be new to count it

    Choices choices(data, size);
    std::vector<Node*> nodes;
    for (Node* n = document->getFirstChild(); n != nullptr; n = n->nextInTree(document.get()))
        nodes.push_back(n);
    DomUtil util(document.get(), nullptr);
    bool removed = false;
    const Node* removedFrom = nullptr;
    if (!nodes.empty() && choices.next(4) == 0) {
        Node* gone = nodes[choices.next(nodes.size())];
        // (Not the element that a copy in a plaintext copies: no markup lists an element for
        // reopening without making one, so the page cannot say the copy without it; the plain
        // markup below would not tell, the copy standing elsewhere.)
        if (gone->getNodeType() == Node::Type::Element && !holdsOriginalReopenedInPlaintext(*document, *gone)) {
            removedFrom = gone->parentNode();
            util.removeAllChild(gone, true, true);
            removed = true;
        }
    }
    // The cursor: at a child index of an element, or at a character of a text.
    if (!nodes.empty() && choices.next(8) != 0) {
        Node* at = nodes[choices.next(nodes.size())];
        if (at->isAttached()) {
            const int limit = at->getNodeType() == Node::Type::Text
                                  ? static_cast<int>(static_cast<CharacterData*>(at)->getData().size())
                                  : at->childCount();
            util.setLayoutCursor(at, static_cast<int>(choices.next(static_cast<std::size_t>(limit) + 1)));
        }
    }
    const std::wstring before = TreeOutline::of(*document);
    const bool readBefore = TreeOutline::readsBack(*document);
    if (removed && !readBefore) {
        // (A removal may leave a tree that no markup gives: then there is nothing to check.)
        if (noMarkupSays(*document, *removedFrom))
            return 0;
        fuzzsupport::fail("the page reads back after a removal", document->getMarkup());
    }

    Node* inserted = insertFragmentAtCursor(util, kPart);
    const std::wstring written = document->getMarkup();
    check(document->getMarkup() == written, "writing is repeatable", written);
    if (inserted == nullptr) {
        check(TreeOutline::of(*document) == before, "a part that found no place leaves the tree as it was", written);
        return 0;
    }
    check(partsIn(*document) == 1, "the part is in the page once", written);
    if (!TreeOutline::readsBack(*document)) {
        std::unique_ptr<Document> again(DOMImpl::createDocument(L"HTML"));
        again->createNodes(written.c_str(), written.size(), nullptr, true);
        // Where the outlines part, and the markup written.
        const std::wstring edited = TreeOutline::of(*document), parsed = TreeOutline::of(*again);
        std::size_t at = 0;
        while (at < edited.size() && at < parsed.size() && edited[at] == parsed[at])
            ++at;
        const std::size_t from = at > 300 ? at - 300 : 0;
        fuzzsupport::fail("the saved page parses to the edited tree", L"edited: " + edited.substr(from, 500) +
                                                                          L"\nparsed: " + parsed.substr(from, 500) +
                                                                          L"\nwritten: " + written);
    }
    if (!removed) {
        const std::size_t kept = keptInOrder(text, written);
        check(kept == text.size(), "the page's text is kept in order",
              L"lost from: " + text.substr(kept, 80) + L"\nwritten: " + written);
    }
    return 0;
}
