#include <gtest/gtest.h>

#include <string>

#include "DomTestDocs.h"
#include "host/CDOMEngineer.h"

using namespace domtest;

TEST(Document, accessorsOnAParsedPage)
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

TEST(Document, factoriesAndEngine)
{
    EXPECT_EQ(DOMImpl::createDocument(L"XML"), nullptr);
    ASSERT_NE(CDOMEngineer::getInstance(), nullptr);
    EXPECT_EQ(CDOMEngineer::getInstance(), CDOMEngineer::getInstance());
    ASSERT_NE(CDOMEngineer::getInstance()->getDOM(), nullptr);
    CDOMEngineer::getInstance()->getDOM()->deleteDocument(nullptr);
}

TEST(Node, treeOperationsRefuseWhatWouldBreakTheTree)
{
    DocPtr doc = load(L"<div id=a><p id=b>x</p></div><div id=c></div>");
    DocPtr other = load(L"<p id=z>z</p>");
    Element* a = doc->getElementByID(L"a");
    Element* b = doc->getElementByID(L"b");
    Element* c = doc->getElementByID(L"c");
    EXPECT_EQ(b->appendChild(a), nullptr) << "an ancestor into its descendant";
    EXPECT_EQ(a->appendChild(a), nullptr);
    EXPECT_EQ(a->appendChild(nullptr), nullptr);
    EXPECT_EQ(a->appendChild(other->getElementByID(L"z")), nullptr) << "a node of another document";
    EXPECT_EQ(a->insertBefore(doc->createElement(L"i"), c), nullptr) << "ref not a child";
    EXPECT_EQ(a->removeChild(c), nullptr);
    EXPECT_EQ(c->appendChild(b), b);
    EXPECT_EQ(b->getParentNode(), c);
    EXPECT_EQ(a->getFirstChild(), nullptr);
    EXPECT_EQ(doc->getMarkup(), L"<div id=a></div><div id=c><p id=b>x</p></div>");
    EXPECT_EQ(c->insertBefore(a, b), a) << "moves a into c, before b";
    EXPECT_EQ(doc->getMarkup(), L"<div id=c><div id=a></div><p id=b>x</p></div>");
    EXPECT_EQ(a->getNextSibling(), b);
    EXPECT_EQ(b->getPreviousSibling(), a);
    EXPECT_EQ(c->getLastChild(), b);
}
