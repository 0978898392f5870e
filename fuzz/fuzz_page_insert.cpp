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

#include "FragmentParser.h"
#include "FuzzSupport.h"
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

// Whether gone is a table in a paragraph (in quirks mode) with a block that the parser moved out in
// front of it (or in what it moved out): without the table the block stands in the paragraph,
// where no markup can put it ("<p><table><p>", "<p><table><y><p>").
bool leavesBlockInParagraph(Node& gone)
{
    static const wchar_t* const kBlocks[] = {
        L"p",          L"div",    L"form",     L"ul",      L"ol",      L"dl",      L"h1",     L"h2",       L"h3",
        L"h4",         L"h5",     L"h6",       L"pre",     L"hr",      L"li",      L"dd",     L"dt",       L"address",
        L"blockquote", L"center", L"section",  L"article", L"aside",   L"nav",     L"header", L"footer",   L"main",
        L"menu",       L"dir",    L"fieldset", L"figure",  L"details", L"listing", L"xmp",    L"plaintext"};
    const Node* parent = gone.parentNode();
    if (parent == nullptr || parent->getNodeType() != Node::Type::Element ||
        !static_cast<const Element*>(parent)->is(L"p"))
        return false;
    for (Node* d = gone.getPreviousSibling(); d != nullptr && NodeSource::isDisplaced(d); d = d->getPreviousSibling())
        for (Node* n = d; n != nullptr; n = n->nextInTree(d))
            if (n->getNodeType() == Node::Type::Element)
                for (const wchar_t* name : kBlocks)
                    if (static_cast<Element*>(n)->is(name))
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
    if (!nodes.empty() && choices.next(4) == 0) {
        Node* gone = nodes[choices.next(nodes.size())];
        // (A page without html, head or body, or without the frameset that stands for the body,
        // cannot be written: a parser makes them. Nor one without the element that a copy in a
        // plaintext copies, or with a block in a paragraph.)
        const auto* e = gone->getNodeType() == Node::Type::Element ? static_cast<Element*>(gone) : nullptr;
        const bool bodyFrameset = e != nullptr && e->is(L"frameset") && e->parentNode() != nullptr &&
                                  e->parentNode()->getNodeType() == Node::Type::Element &&
                                  static_cast<const Element*>(e->parentNode())->is(L"html");
        if (e != nullptr && !e->is(L"html") && !e->is(L"head") && !e->is(L"body") && !bodyFrameset &&
            !holdsOriginalReopenedInPlaintext(*document, *gone) && !leavesBlockInParagraph(*gone)) {
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
    if (removed)
        check(readBefore, "the page reads back after a removal", document->getMarkup());

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
