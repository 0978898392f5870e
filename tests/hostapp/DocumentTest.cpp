#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "DomTestDocs.h"
#include "host/CDOMEngineer.h"

using namespace domtest;

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
