#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "DomTestDocs.h"
#include "ParsedPageCache.h"
#include "host/CDOMEngineer.h"

using namespace domtest;
using testsupport::U;

TEST(DocumentTest, AccessorsOnAParsedPage)
{
    DocPtr doc = load(page("authoring.html"));
    ASSERT_NE(doc->getHead(), nullptr);
    ASSERT_NE(doc->getBody(), nullptr);
    EXPECT_EQ(doc->getDocumentElement()->getTagName(), L"HTML");
    EXPECT_EQ(doc->getBody()->getAttribute(L"bgcolor"), L"#FFFFFF");
    EXPECT_TRUE(doc->getBody()->hasAttribute(L"Text"));
    EXPECT_EQ(doc->getBody()->getAttribute(L"missing"), L"");
    EXPECT_EQ(tag(*doc, L"title")->getTextData(), L"会社案内 & News");
    EXPECT_EQ(tag(*doc, L"small")->getTextData(), L"Copyright \u00A9 2008 Example Co., Ltd. All rights reserved.");
    EXPECT_EQ(tag(*doc, L"a")->getElementID(), Element::kAnchor);
    EXPECT_EQ(tag(*doc, L"td")->getElementID(), Element::kUnknown);
    // Exact match on the id only.
    EXPECT_NE(doc->getElementByID(L"_ZEB_LAYOUT_CONTENTS"), nullptr);
    EXPECT_EQ(doc->getElementByID(L"_zeb_layout_contents"), nullptr);
    EXPECT_EQ(doc->getElementByID(L""), nullptr);
}

TEST(DocumentTest, FactoriesAndEngine)
{
    EXPECT_EQ(DOMImpl::createDocument(L"XML"), nullptr);
    ASSERT_NE(CDOMEngineer::getInstance(), nullptr);
    EXPECT_EQ(CDOMEngineer::getInstance(), CDOMEngineer::getInstance());
    ASSERT_NE(CDOMEngineer::getInstance()->getDOM(), nullptr);
    CDOMEngineer::getInstance()->getDOM()->deleteDocument(nullptr);
}

// Documents hand their memory on to the next ones on their thread: one made on a thread that has
// ended, and pages made one after another, each keep their own nodes.
TEST(DocumentTest, DocumentsMadeOneAfterAnotherKeepTheirOwnNodes)
{
    DocPtr fromThread;
    std::thread([&] { fromThread = load(page("authoring.html")); }).join();
    const std::wstring markup = fromThread->getMarkup();
    for (int i = 0; i < 3; ++i) {
        DocPtr doc = load(L"<p>" + std::to_wstring(i) + L"</p>");
        fromThread.reset();
        EXPECT_EQ(tag(*doc, L"p")->getTextData(), std::to_wstring(i));
        fromThread = load(page("authoring.html"));
        EXPECT_EQ(fromThread->getMarkup(), markup);
    }
}

// Documents share their tag names up to a number and a length; past either a document keeps its
// own. Every element keeps its spelling and kind either way, after the document that named it
// first is gone too, and a name made on a thread that has ended stays good.
TEST(DocumentTest, TagNamesKeepSpellingAndKindSharedOrNot)
{
    std::wstring markup = L"<BR><br><Span>x</Span><" + std::wstring(40, L'q') + L">";
    std::vector<std::wstring> expected = {L"html", L"head", L"body", L"BR", L"br", L"Span", std::wstring(40, L'q')};
    for (int i = 0; i < 1100; ++i) {
        markup += L"<n" + std::to_wstring(i) + L">";
        expected.push_back(L"n" + std::to_wstring(i));
    }
    DocPtr first;
    std::thread([&] { first = load(markup); }).join();
    DocPtr second = load(markup);
    first.reset();
    std::vector<std::wstring> names;
    for (Node* n = second->getFirstChild(); n != nullptr; n = n->nextInTree(second.get()))
        if (n->getNodeType() == Node::Type::Element)
            names.push_back(static_cast<Element*>(n)->getTagName());
    EXPECT_EQ(names, expected);
    EXPECT_TRUE(tag(*second, L"br")->isVoid());
    EXPECT_TRUE(tag(*second, L"br", 1)->isVoid());
    EXPECT_EQ(tag(*second, L"span")->localName(), L"span");
}

// A document runs no destructor for a node that holds no memory of its own; every node that does
// (attributes, even all removed again; a text replaced or split into memory of its own; a
// doctype) must still give it back when the document goes. A leak shows in the sanitizer build.
TEST(DocumentTest, NodesHoldingMemoryGiveItBackWithTheirDocument)
{
    DocPtr doc = load(L"<!DOCTYPE html><html><body><p class=\"a long class name\" id=x>short</p>"
                      L"<!-- a comment long enough to need memory --><div>a text long enough to need memory</div>"
                      L"</body></html>");
    Element* p = tag(*doc, L"p");
    ASSERT_NE(p, nullptr);
    Element* bare = doc->createElement(L"span");
    bare->setAttribute(L"data-long-attribute-name", L"and a long value");
    bare->removeAttribute(L"data-long-attribute-name");
    p->appendChild(bare);
    auto* text = static_cast<CharacterData*>(tag(*doc, L"div")->getFirstChild());
    ASSERT_NE(text, nullptr);
    ASSERT_NE(text->splitText(6), nullptr);
    text->setData(L"replaced by a text long enough to need memory");
    p->appendChild(doc->createTextNode(L"made with a text long enough to need memory"));
    p->appendChild(doc->createTextNode(L"ab"));
    EXPECT_EQ(p->getTextData(), L"shortmade with a text long enough to need memoryab");
    EXPECT_EQ(text->getData(), L"replaced by a text long enough to need memory");
}

// An attribute's characters live in its document; a value set over a parsed, copied or created
// one takes their place when it is no longer, else characters of its own. Each row: a page, the
// element (first of the tag), the edits ("name=value" sets, "-name" removes), what the attribute
// reads then and how the element is written. The page is parsed three times so that the third
// is a copy of the kept parse; every row runs on the first parse and on that copy.
TEST(DocumentTest, AttributesSetOverParsedOrCopiedValuesReadBackWhole)
{
    struct Case {
        const char* description;
        const wchar_t* page;
        std::vector<std::wstring> edits;
        const wchar_t* name;
        const wchar_t* value;
        const wchar_t* written;
    };
    const Case cases[] = {
        {"shorter value", L"<p class=\"a long class\">x</p>", {L"class=ab"}, L"CLASS", L"ab", L"<p class=\"ab\">x</p>"},
        {"longer value",
         L"<p class=ab>x</p>",
         {L"class=a long class"},
         L"class",
         L"a long class",
         L"<p class=\"a long class\">x</p>"},
        {"same length", L"<p id=abc>x</p>", {L"id=xyz"}, L"id", L"xyz", L"<p id=\"xyz\">x</p>"},
        {"emptied, then set again",
         L"<p title=words>x</p>",
         {L"title=", L"title=more words"},
         L"title",
         L"more words",
         L"<p title=\"more words\">x</p>"},
        {"shorter, then longer than the first",
         L"<p title=words>x</p>",
         {L"title=w", L"title=wordswords"},
         L"title",
         L"wordswords",
         L"<p title=\"wordswords\">x</p>"},
        {"removed, then set again",
         L"<p id=a class=first>x</p>",
         {L"-class", L"class=second"},
         L"class",
         L"second",
         L"<p id=a class=\"second\">x</p>"},
        {"removed twice", L"<p id=a class=c>x</p>", {L"-class", L"-class"}, L"class", L"", L"<p id=a>x</p>"},
        {"added, then set shorter",
         L"<p>x</p>",
         {L"data-long-name=a long value", L"DATA-LONG-NAME=v"},
         L"data-long-name",
         L"v",
         L"<p data-long-name=\"v\">x</p>"},
        {"many attributes (looked up by index): one removed, set again, another set",
         L"<p a1=1 a2=2 a3=3 a4=4 a5=5 a6=6 a7=7 a8=8 a9=9 a10=10 a11=11 a12=12 a13=13 a14=14 a15=15 a16=16 a17=17 "
         L"a18=18>x</p>",
         {L"-a5", L"a5=again", L"a18=x"},
         L"a5",
         L"again",
         L"a4=4 a6=6 a7=7 a8=8 a9=9 a10=10 a11=11 a12=12 a13=13 a14=14 a15=15 a16=16 a17=17 a18=\"x\" a5=\"again\">"},
        {"entity decoded, then set",
         L"<p title=\"a&amp;b\">x</p>",
         {L"title=a&"},
         L"title",
         L"a&",
         L"<p title=\"a&amp;\">x</p>"},
    };
    for (const Case& c : cases) {
        ParsedPageCache::instance().clear();
        const std::wstring text = std::wstring(L"<html><body>") + c.page + L"</body></html>";
        DocPtr parsed = load(text);
        DocPtr offered = load(text);
        DocPtr copied = load(text);
        for (Document* doc : {parsed.get(), copied.get()}) {
            Element* p = tag(*doc, L"p");
            ASSERT_NE(p, nullptr) << c.description;
            for (const std::wstring& edit : c.edits) {
                if (edit[0] == L'-') {
                    p->removeAttribute(edit.substr(1));
                } else {
                    const std::size_t eq = edit.find(L'=');
                    p->setAttribute(edit.substr(0, eq), edit.substr(eq + 1));
                }
            }
            EXPECT_EQ(U(p->getAttribute(c.name)), U(c.value)) << c.description;
            const std::wstring markup = doc->getMarkup();
            EXPECT_NE(markup.find(c.written), std::wstring::npos) << c.description << ": " << U(markup);
        }
        // The edits reached neither the kept parse nor a copy made after them, and the copy
        // outlives the kept parse.
        DocPtr again = load(text);
        EXPECT_EQ(U(again->getMarkup()), U(text)) << c.description;
        ParsedPageCache::instance().clear();
        offered.reset();
        EXPECT_EQ(U(tag(*copied, L"p")->getAttribute(c.name)), U(c.value)) << c.description << " (source gone)";
    }
    ParsedPageCache::instance().clear();
}

// A made element's attributes outgrow their first room and keep their order through removals.
TEST(DocumentTest, AttributesAddedOneByOneKeepTheirOrder)
{
    DocPtr doc = load(L"<html><body></body></html>");
    Element* div = doc->createElement(L"div");
    for (int i = 1; i <= 9; ++i)
        div->setAttribute(L"data-attribute-" + std::to_wstring(i), L"value number " + std::to_wstring(i));
    div->removeAttribute(L"data-attribute-2");
    div->removeAttribute(L"data-attribute-9");
    div->setAttribute(L"data-attribute-2", L"back");
    doc->getBody()->appendChild(div);
    std::wstring expected = L"<div";
    for (int i : {1, 3, 4, 5, 6, 7, 8})
        expected += L" data-attribute-" + std::to_wstring(i) + L"=\"value number " + std::to_wstring(i) + L"\"";
    expected += L" data-attribute-2=\"back\"></div>";
    EXPECT_EQ(U(structural(*doc)).find(U(expected)) != std::string::npos, true) << U(structural(*doc));
    EXPECT_EQ(U(div->getAttribute(L"DATA-attribute-8")), "value number 8");
    EXPECT_FALSE(div->hasAttribute(L"data-attribute-9"));
}
