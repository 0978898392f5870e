#include "ParsedPageCache.h"
#include "NodeSource.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "host/DomUtBase.h"
#include "hostapp/DomTestDocs.h"

using domtest::DocPtr;
using domtest::load;
using domtest::structural;
using testsupport::U;

namespace {

// A line per node in document order: kind, name or text, attributes, source stretches and flags.
std::wstring dump(Document& doc)
{
    std::wstring out;
    auto range = [](const NodeSource::Range& r) {
        return r.source == nullptr ? std::wstring(L"-") : std::to_wstring(r.start) + L".." + std::to_wstring(r.end);
    };
    for (Node* n = &doc; n != nullptr; n = n->nextInTree(&doc)) {
        out += std::to_wstring(static_cast<int>(n->getNodeType())) + L" " + std::to_wstring(NodeSource::spanStart(n)) +
               L".." + std::to_wstring(NodeSource::spanEnd(n)) + L" gap " + range(NodeSource::leadGap(n)) +
               (NodeSource::isVerbatim(n) ? L" v" : L" -") + (NodeSource::subtreeChanged(n) ? L" c" : L" -");
        if (n->getNodeType() == Node::Type::Element) {
            auto* e = static_cast<Element*>(n);
            out += L" <" + e->getTagName() + L"> " + range(NodeSource::startTag(e)) + L" " +
                   range(NodeSource::endTag(e)) + L" " + range(NodeSource::innerTrailGap(e));
            for (const auto& a : NodeSource::attributes(e))
                out += L" " + std::wstring(a.name) + L"=" + std::wstring(a.value) + L"@" + std::to_wstring(a.srcStart) +
                       L".." + std::to_wstring(a.srcEnd);
        } else if (n->getNodeType() != Node::Type::Document && n->getNodeType() != Node::Type::Doctype) {
            out += L" [" + static_cast<CharacterData*>(n)->getData() + L"]";
        }
        out += L"\n";
    }
    return out;
}

// The same edits, made on any document of the same text.
void edit(Document& doc)
{
    DomUtBase util(&doc);
    std::vector<Element*> elements;
    for (Node* n = doc.getFirstChild(); n != nullptr; n = n->nextInTree(&doc))
        if (n->getNodeType() == Node::Type::Element)
            elements.push_back(static_cast<Element*>(n));
    // A parsed value set shorter (written over its characters, which must be the copy's own).
    for (Element* e : elements)
        if (!NodeSource::attributes(e).empty() && NodeSource::attributes(e).back().value.size() > 1) {
            e->setAttribute(std::wstring(NodeSource::attributes(e).back().name), L"-");
            break;
        }
    for (std::size_t i = 0; i < elements.size(); i += 3)
        elements[i]->setAttribute(L"data-n", std::to_wstring(i));
    for (Element* e : elements)
        if (!NodeSource::attributes(e).empty()) {
            e->removeAttribute(std::wstring(NodeSource::attributes(e).front().name));
            break;
        }
    for (Node* n = doc.getFirstChild(); n != nullptr; n = n->nextInTree(&doc))
        if (n->getNodeType() == Node::Type::Text) {
            static_cast<CharacterData*>(n)->setData(L"<edited> & more");
            break;
        }
    if (Element* body = doc.getBody())
        body->appendChild(doc.createTextNode(L"tail"));
}

struct Page {
    const char* description;
    std::wstring text;
};

std::vector<Page> pages()
{
    return {
        {"authoring page", domtest::page("authoring.html")},
        {"Japanese page", domtest::page("japanese.html")},
        {"modern page", domtest::page("modern.html")},
        {"implied tags, upper case, a table without tbody",
         L"<P CLASS=x>one<TABLE BORDER=1><TR><TD>cell</TABLE>\r\n<!-- note -->  <a href='a&amp;b'>link</A>"},
        {"DOCTYPE and white space around the root",
         L"  <!DOCTYPE html>\n<html><head><title>t</title></head>\n<body>b</body></html>\n\n"},
        {"cut short inside a comment", L"<html><body><p>text<!-- open"},
        {"script and a form without end tag",
         L"<body><form><input name=q></form  ><script>if (a<b) x();</script>after"},
        {"empty", L""},
    };
}

// A text parsed the third time comes from the cache; the copy must be the parse in every respect:
// its markup, its structure, its source stretches and flags, and what the same edits make of it.
TEST(ParsedPageCacheTest, CopyOfAParseIsThatParseInEveryRespect)
{
    for (const Page& page : pages()) {
        ParsedPageCache::instance().clear();
        DocPtr parsed = load(page.text);
        DocPtr offered = load(page.text);
        ASSERT_NE(ParsedPageCache::instance().find(page.text.data(), page.text.size(), true), nullptr)
            << page.description << ": kept after the second parse";
        DocPtr copied = load(page.text);

        EXPECT_EQ(U(copied->getMarkup()), U(parsed->getMarkup())) << page.description;
        EXPECT_EQ(U(structural(*copied)), U(structural(*parsed))) << page.description;
        EXPECT_EQ(U(dump(*copied)), U(dump(*parsed))) << page.description;

        edit(*parsed);
        edit(*copied);
        EXPECT_EQ(U(copied->getMarkup()), U(parsed->getMarkup())) << page.description << " (edited)";
        EXPECT_EQ(U(structural(*copied)), U(structural(*parsed))) << page.description << " (edited)";

        // Edits of one copy do not reach the kept parse.
        DocPtr again = load(page.text);
        EXPECT_EQ(U(again->getMarkup()), U(offered->getMarkup())) << page.description << " (copied again)";
    }
}

TEST(ParsedPageCacheTest, KeepsOnlyTextsSeenTwiceAndMatchesThemWhole)
{
    ParsedPageCache& cache = ParsedPageCache::instance();
    cache.clear();
    const std::wstring text = L"<p>template</p>";
    DocPtr first = load(text);
    EXPECT_EQ(cache.find(text.data(), text.size(), true), nullptr) << "seen once";
    DocPtr second = load(text);
    EXPECT_NE(cache.find(text.data(), text.size(), true), nullptr) << "seen twice";
    EXPECT_EQ(cache.find(text.data(), text.size(), false), nullptr) << "parsed with the source kept only";

    const std::wstring other = L"<p>templatf</p>"; // same length, one character apart
    EXPECT_EQ(cache.find(other.data(), other.size(), true), nullptr);
    DocPtr parsedOther = load(other);
    EXPECT_EQ(U(parsedOther->getMarkup()), U(other));

    const std::wstring large = L"<p>" + std::wstring(70 * 1024, L'x') + L"</p>";
    DocPtr a = load(large);
    DocPtr b = load(large);
    EXPECT_EQ(cache.find(large.data(), large.size(), true), nullptr) << "a large page is not kept";
    cache.clear();
}

} // namespace
