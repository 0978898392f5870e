#include <gtest/gtest.h>

#include "DomTestDocs.h"

using namespace domtest;

TEST(NodeTest, TreeOperationsRefuseWhatWouldBreakTheTree)
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
