#include "SourceSpanPass.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "DocumentFactory.h"
#include "DocumentStore.h"
#include "NodeSource.h"
#include "SourceText.h"
#include "support/TestSupport.h"

namespace {

// A tree built by hand as the builder leaves it: elements with the tags the parser recorded,
// texts with their own characters.
struct HandTree {
    std::unique_ptr<Document> doc = DocumentFactory::create();
    const SourceText* src = nullptr;

    explicit HandTree(const std::wstring& text)
    {
        auto kept = std::make_unique<SourceText>();
        kept->text = text;
        src = NodeSource::keepSource(doc.get(), std::move(kept));
    }
    // An element under parent with its start tag at [s, s2) and its end tag at [e, e2) (none when
    // e == e2).
    Element* element(Node* parent, const wchar_t* name, std::size_t s, std::size_t s2, std::size_t e = 0,
                     std::size_t e2 = 0)
    {
        Element* el = DocumentStore::createElement(*doc, DocumentStore::internName(*doc, name));
        NodeSource::setStartTag(el, {src, s, s2});
        if (e2 > e)
            NodeSource::setEndTag(el, {src, e, e2});
        parent->appendChild(el);
        return el;
    }
    void text(Node* parent, std::size_t s, std::size_t e)
    {
        auto* t = DocumentStore::createTextNodeFromUtf8(*doc, testsupport::U(src->text.substr(s, e - s)));
        NodeSource::setSourceSpan(t, src, s, e, false);
        parent->appendChild(t);
    }
};

// The nodes under parent: each with its name, span, end tag, lead gap, P when pure, D when
// displaced, and its children in braces.
std::string outline(const Node& parent)
{
    auto range = [](const NodeSource::Range& r) {
        return "[" + std::to_string(r.start) + "," + std::to_string(r.end) + ")";
    };
    std::string out;
    for (const Node* n = parent.getFirstChild(); n != nullptr; n = n->getNextSibling()) {
        const auto* e = n->getNodeType() == Node::Type::Element ? static_cast<const Element*>(n) : nullptr;
        out += e != nullptr ? testsupport::U(e->getTagName()) : "#text";
        out += range({nullptr, NodeSource::spanStart(n), NodeSource::spanEnd(n)});
        if (e != nullptr && !NodeSource::endTag(e).empty())
            out += " end" + range(NodeSource::endTag(e));
        if (!NodeSource::leadGap(n).empty())
            out += " gap" + range(NodeSource::leadGap(n));
        out += NodeSource::isVerbatim(n) ? " P" : "";
        out += NodeSource::isDisplaced(n) ? " D" : "";
        out += n->getFirstChild() != nullptr ? "{" + outline(*n) + "}" : "";
        out += n->getNextSibling() != nullptr ? " " : "";
    }
    return out;
}

TEST(SourceSpanPassTest, SpansEndTagsGapsAndDisplacedNodesOfHandBuiltTrees)
{
    struct Case {
        const char* description;
        const wchar_t* text;
        std::function<void(HandTree&)> build;
        const char* expected;
    };
    const Case cases[] = {
        {"an element spans from its start tag to its end tag", L"<p>a<b>x</b></p>",
         [](HandTree& t) {
             Element* p = t.element(t.doc.get(), L"p", 0, 3, 12, 16);
             t.text(p, 3, 4);
             t.text(t.element(p, L"b", 4, 7, 8, 12), 7, 8);
         },
         "p[0,16) end[12,16) P{#text[3,4) P b[4,12) end[8,12) P{#text[7,8) P}}"},
        {"an end tag the parser did not record is taken from right after the content", L"<form>x</FORM >",
         [](HandTree& t) { t.text(t.element(t.doc.get(), L"form", 0, 6), 6, 7); },
         "form[0,15) end[7,15) P{#text[6,7) P}"},
        {"text between siblings is the lead gap of the next", L"<i>a</i> <!--x--><i>b</i>",
         [](HandTree& t) {
             t.text(t.element(t.doc.get(), L"i", 0, 3, 4, 8), 3, 4);
             t.text(t.element(t.doc.get(), L"i", 17, 20, 21, 25), 20, 21);
         },
         "i[0,8) end[4,8) P{#text[3,4) P} i[17,25) end[21,25) gap[8,17) P{#text[20,21) P}"},
        {"a node moved out in front of the element its text stands in is displaced", L"<table><a>1</a></table>",
         [](HandTree& t) {
             t.text(t.element(t.doc.get(), L"a", 7, 10, 11, 15), 10, 11);
             t.element(t.doc.get(), L"table", 0, 7, 15, 23);
         },
         "a[7,15) end[11,15) P D{#text[10,11) P} table[0,23) end[15,23)"},
        {"a node put at the end of an element but standing after its end tag moves out behind it", L"<b>x</b>y",
         [](HandTree& t) {
             Element* b = t.element(t.doc.get(), L"b", 0, 3, 4, 8);
             t.text(b, 3, 4);
             t.text(b, 8, 9);
         },
         "b[0,8) end[4,8) P{#text[3,4) P} #text[8,9) P"},
    };
    for (const Case& c : cases) {
        HandTree tree(c.text);
        c.build(tree);
        std::vector<Node*> top;
        for (Node* n = tree.doc->getFirstChild(); n != nullptr; n = n->getNextSibling())
            top.push_back(n);
        std::vector<bool> claimed(tree.src->text.size() + 1, false);
        SourceSpanPass::run(tree.doc.get(), top, tree.src, claimed);
        EXPECT_EQ(outline(*tree.doc), c.expected) << c.description;
    }
}

} // namespace
