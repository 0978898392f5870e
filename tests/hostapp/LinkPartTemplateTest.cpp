// The link-part template shipped in the host's data folder.
#include <gtest/gtest.h>

#include "OpenPage.h"
#include "host/CRuvCommon.h"
#include "host/CharacterData.h"
#include "host/Document.h"
#include "host/DomUtBase.h"
#include "host/Element.h"
#include "support/TestSupport.h"

namespace {

bool isInside(Node* node, Node* ancestor)
{
    for (Node* n = node; n != nullptr; n = n->getParentNode())
        if (n == ancestor)
            return true;
    return false;
}

TEST(LinkPartTemplateTest, CategoryElementWithHeadingAndTenSlots)
{
    unsetenv("ZEBHOST_DATA_DIR");
    const std::wstring path =
        CRuvCommon::getProductFolder(18, 0) + CRuvCommon::getProductSubFolder(112) + L"_cm/temp/linkparts00.html";
    std::unique_ptr<OpenPage> page = OpenPage::load(path);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->encoding(), "UTF-8");
    Element* part = page->document()->getElementByID(L"ZEB_CATEGORY_1");
    ASSERT_NE(part, nullptr);

    DomUtBase& dom = *page->domUtBase();
    std::vector<Element*> anchors;
    ASSERT_EQ(dom.getElementByTagId(anchors, 1, false, nullptr), 10);
    for (Element* a : anchors)
        EXPECT_TRUE(isInside(a, part));

    std::vector<CharacterData*> headings;
    ASSERT_EQ(dom.getAllPCData(headings, L"Category", true, nullptr), 1);
    EXPECT_TRUE(isInside(headings[0], part));

    std::vector<Element*> hrefs;
    EXPECT_EQ(dom.getElementByAttributrName(hrefs, L"href", nullptr), 10) << "nothing else links";
}

} // namespace
