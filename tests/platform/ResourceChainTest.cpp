#include <gtest/gtest.h>

#include "platform/ResourceChain.h"

namespace {

using platform::ResourceChain;
using platform::ResourceTable;

TEST(ResourceChainTest, LookupsGoThroughRegisteredTablesNewestFirst)
{
    ResourceTable first;
    first.strings[1] = L"first one";
    first.strings[2] = L"first two";
    first.dialogs[10].caption = L"first dialog";
    ResourceTable second;
    second.strings[2] = L"second two";

    std::wstring text = L"untouched";
    EXPECT_FALSE(ResourceChain::loadString(1, text));
    EXPECT_EQ(text, L"untouched");
    EXPECT_EQ(ResourceChain::findDialog(10), nullptr);

    ResourceChain::registerTable(&first);
    ResourceChain::registerTable(&second);
    ASSERT_TRUE(ResourceChain::loadString(1, text));
    EXPECT_EQ(text, L"first one");
    ASSERT_TRUE(ResourceChain::loadString(2, text));
    EXPECT_EQ(text, L"second two");
    ASSERT_NE(ResourceChain::findDialog(10), nullptr);
    EXPECT_EQ(ResourceChain::findDialog(10)->caption, L"first dialog");

    ResourceChain::unregisterTable(&second);
    ASSERT_TRUE(ResourceChain::loadString(2, text));
    EXPECT_EQ(text, L"first two");
    ResourceChain::unregisterTable(&second); // not registered any more: no effect
    ResourceChain::unregisterTable(&first);
    EXPECT_FALSE(ResourceChain::loadString(1, text));
    EXPECT_EQ(ResourceChain::findDialog(10), nullptr);
    ResourceChain::registerTable(nullptr);
    EXPECT_FALSE(ResourceChain::loadString(1, text));
}

} // namespace
