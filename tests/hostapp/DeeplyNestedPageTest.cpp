#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "DomTestDocs.h"
#include "host/CZebXmlData.h"
#include "host/CharacterData.h"
#include "host/Element.h"
#include "support/TestSupport.h"

// Pages and XML files nested very deep. Building such a tree was quadratic (every node added
// walked up to the root twice), and the recursive building and writing of a page ran out of
// stack and crashed the program some ten thousand levels down.
namespace {

std::wstring nested(const std::wstring& open, const std::wstring& close, int depth, const std::wstring& inner)
{
    std::wstring text;
    text.reserve((open.size() + close.size()) * depth + inner.size());
    for (int i = 0; i < depth; ++i)
        text += open;
    text += inner;
    for (int i = 0; i < depth; ++i)
        text += close;
    return text;
}

double secondsOf(const std::chrono::steady_clock::time_point& start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

TEST(DeeplyNestedPageTest, LoadsWritesAndEditsUpToTheLimit)
{
    const std::wstring page =
        L"<!DOCTYPE html><html><body>" + nested(L"<div>", L"</div>", 3900, L"deep") + L"</body></html>";
    const auto start = std::chrono::steady_clock::now();
    domtest::DocPtr doc = domtest::load(page);
    ASSERT_NE(doc->getBody(), nullptr);
    EXPECT_EQ(doc->getMarkup(), page);
    // An edit at the bottom is written afresh all the way up.
    Node* n = doc->getBody();
    while (n->getFirstChild() != nullptr)
        n = n->getFirstChild();
    ASSERT_EQ(n->getNodeType(), Node::Type::Text);
    static_cast<CharacterData*>(n)->setData(L"a<b");
    std::wstring expected = page;
    expected.replace(expected.find(L"deep"), 4, L"a&lt;b");
    EXPECT_EQ(doc->getMarkup(), expected);
    EXPECT_LT(secondsOf(start), 20.0);
}

TEST(DeeplyNestedPageTest, DeeperPageIsRefusedNotACrash)
{
    const std::wstring page = L"<html><body>" + nested(L"<div>", L"</div>", 6000, L"deep") + L"</body></html>";
    domtest::DocPtr doc(DOMImpl::createDocument(L"HTML"));
    EXPECT_FALSE(doc->createNodes(page.c_str(), page.size(), nullptr, true));
    EXPECT_EQ(doc->getFirstChild(), nullptr);
}

TEST(DeeplyNestedPageTest, DeepXmlIsReadInLinearTime)
{
    testsupport::TempDir dir;
    const std::string path = dir / "deep.xml";
    testsupport::writeFile(path,
                           testsupport::U(L"<partinfo><contentpart><title>" + nested(L"<b>", L"</b>", 100000, L"deep") +
                                          L"</title></contentpart></partinfo>"));
    const auto start = std::chrono::steady_clock::now();
    CZebXmlData xml(L"partinfo");
    ASSERT_TRUE(xml.CreateNodeData(testsupport::W(path)));
    Element* list = xml.GetChildElement(xml.GetRootNode(), L"partinfo");
    ASSERT_NE(list, nullptr);
    Element* entry = xml.GetChildElement(list, L"contentpart");
    ASSERT_NE(entry, nullptr);
    Element* title = xml.GetChildElement(entry, L"title");
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->getTextData(), L"deep");
    xml.DestroyNodeData(nullptr);
    EXPECT_LT(secondsOf(start), 20.0);
}
