#include <gtest/gtest.h>

#include "DomTestDocs.h"
#include "host/DOMImpl.h"
#include "host/DomUtil.h"
#include "host/Element.h"

using domtest::DocPtr;

TEST(DomUtilTest, SetMetaExWithoutARootElementFails)
{
    DocPtr doc(DOMImpl::createDocument(L"HTML"));
    DomUtil util(doc.get(), nullptr);
    EXPECT_FALSE(util.setMetaEx(L"HTTP-EQUIV", L"Content-Type", L"text/html; charset=UTF-8", false, nullptr, false));
    // A created page without a head gets one.
    Element* html = doc->createElement(L"html");
    doc->appendChild(html);
    html->appendChild(doc->createElement(L"body"));
    EXPECT_TRUE(util.setMetaEx(L"HTTP-EQUIV", L"Content-Type", L"text/html; charset=UTF-8", false, nullptr, false));
    EXPECT_EQ(doc->getMarkup(), L"<html><head><meta HTTP-EQUIV=\"Content-Type\" content=\"text/html; "
                                L"charset=UTF-8\"></head><body></body></html>");
}
