// Fuzz target: the bytes of a page file, loaded as the module loads pages (decoded from the
// file's own encoding, parsed into a host document) and written back.
//
// Properties:
// - an untouched document writes back exactly the decoded text;
// - after a few edits (chosen from the input) the document still writes, the edited markup
//   parses back to a document that writes it back unchanged, and a text or attribute value set
//   by an edit never parses back as an element (it is escaped);
// - encoding the markup for saving never fails for UTF-8 and does not crash for the page's own
//   encoding.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "NodeSource.h"
#include "host/CharacterData.h"
#include "host/CodeConv.h"
#include "host/DOMImpl.h"
#include "host/Document.h"
#include "host/DomUtil.h"
#include "host/Element.h"

using fuzzsupport::check;

namespace {

// Hostile values hold a zebfuzz element; written correctly they never parse back into one.
const std::wstring kHostileText = L"a<zebfuzz x=\"1\">&amp;'\"</zebfuzz>";
const std::wstring kHostileValue = L"\"><zebfuzz onload='x'>&\"";

std::size_t zebfuzzElements(Document& document)
{
    std::size_t n = 0;
    for (Node* node = document.getFirstChild(); node != nullptr; node = node->nextInTree(&document))
        if (node->getNodeType() == Node::Type::Element && static_cast<Element*>(node)->localName() == L"zebfuzz")
            ++n;
    return n;
}

// A small deterministic generator seeded from the input, so a crash reproduces from its file.
struct Choices {
    std::uint64_t state;
    explicit Choices(const std::uint8_t* data, std::size_t size) : state(1469598103934665603ull)
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

std::unique_ptr<Document> parse(const std::wstring& text)
{
    std::unique_ptr<Document> document(DOMImpl::createDocument(L"HTML"));
    check(document != nullptr, "a document can be made");
    check(document->createNodes(text.c_str(), text.size(), nullptr, true), "createNodes takes the text");
    return document;
}

bool insideRawText(Node* node)
{
    for (Node* p = node->getParentNode(); p != nullptr; p = p->getParentNode())
        if (p->getNodeType() == Node::Type::Element && static_cast<Element*>(p)->isRawText())
            return true;
    return false;
}

// Applies a handful of edits of the kinds the module makes; hostile values go only where the
// writer must escape them (not into the text of script, style and the like).
void edit(Document& document, Choices& choices)
{
    DomUtil util(&document, nullptr);
    const int rounds = 1 + static_cast<int>(choices.next(6));
    for (int round = 0; round < rounds; ++round) {
        std::vector<Element*> all;
        for (Node* n = document.getFirstChild(); n != nullptr; n = n->nextInTree(&document))
            if (n->getNodeType() == Node::Type::Element)
                all.push_back(static_cast<Element*>(n));
        std::vector<CharacterData*> texts;
        util.getAllPCData(texts, L"", true, nullptr);
        std::vector<Element*> anchors;
        util.getElementByTagId(anchors, Element::kAnchor, false, nullptr);

        switch (choices.next(9)) {
        case 0: // an attribute value with quotes and markup
            if (!all.empty()) {
                Element* e = all[choices.next(all.size())];
                e->setAttribute(choices.next(2) ? L"title" : L"HREF", kHostileValue);
            }
            break;
        case 1: // an attribute goes
            if (!all.empty()) {
                Element* e = all[choices.next(all.size())];
                if (!NodeSource::attributes(e).empty())
                    e->removeAttribute(std::wstring(NodeSource::attributes(e).front().name));
            }
            break;
        case 2: // a text with markup characters
            if (!texts.empty()) {
                CharacterData* t = texts[choices.next(texts.size())];
                if (!insideRawText(t))
                    t->setData(kHostileText);
            }
            break;
        case 3: // an element and its subtree go, or only its children
            if (!all.empty())
                util.removeAllChild(all[choices.next(all.size())], choices.next(2) == 0, true);
            break;
        case 4: // a text is wrapped in a new anchor (a calendar day gaining its link)
            if (!texts.empty()) {
                Element* a = util.createElementbyId(Element::kAnchor);
                a->setAttribute(L"HREF", L"../day.html?a=1&b=\"2\"");
                util.insertParent(texts[choices.next(texts.size())], a);
            }
            break;
        case 5: // an anchor is unwrapped (a day losing its link)
            if (!anchors.empty()) {
                Element* a = anchors[choices.next(anchors.size())];
                util.removeElement(a, a, false, true);
            }
            break;
        case 6: // an element's content becomes one text
            if (!all.empty()) {
                Element* e = all[choices.next(all.size())];
                if (!e->isRawText() && !e->isVoid())
                    util.setOnlyTextUnderElement(e, kHostileText);
            }
            break;
        case 7: // the content-type declaration of a calendar page
            util.setMetaEx(L"HTTP-EQUIV", L"Content-Type", L"text/html; charset=UTF-8", false, nullptr, false);
            break;
        case 8: // an element's markup alone, as a link part is taken
            if (!all.empty()) {
                Element* e = all[choices.next(all.size())];
                e->prepareMarkup();
                (void)e->getMarkup();
            }
            break;
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::wstring text;
    std::string encoding;
    if (!fuzzsupport::decodePage(data, size, text, encoding))
        return 0;

    // The untouched round trip.
    std::unique_ptr<Document> document = parse(text);
    const std::wstring untouched = document->getMarkup();
    check(untouched == text, "an untouched page writes back exactly", untouched);

    // Edits, then the edited markup parsed again writes back unchanged.
    Choices choices(data, size);
    const std::size_t elementsBefore = zebfuzzElements(*document);
    edit(*document, choices);
    const std::wstring edited = document->getMarkup();
    std::unique_ptr<Document> again = parse(edited);
    check(again->getMarkup() == edited, "edited markup round-trips", edited);
    check(zebfuzzElements(*again) <= elementsBefore, "edited values are escaped", edited);

    // Saving: generated pages are UTF-8 with LF; an edited page goes back in its own encoding.
    CodeConv encoder;
    check(encoder.Export(edited.c_str(), edited.size(), Charset::Utf8, Newline::Lf) != nullptr,
          "UTF-8 encoding never fails");
    Charset own = encoding == "CP932"                ? Charset::ShiftJis
                  : encoding == "EUC-JP-MS"          ? Charset::EucJp
                  : encoding.rfind("UTF-16", 0) == 0 ? Charset::Utf16
                                                     : Charset::Utf8;
    encoder.Export(edited.c_str(), edited.size(), own, Newline::Keep);
    return 0;
}
