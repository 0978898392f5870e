#include <gtest/gtest.h>

#include "host/CZebCheckListBox.h"

TEST(CZebCheckListBoxTest, ResetBringsTheExtentBackToTheWidestItem)
{
    CZebCheckListBox list;
    list.resetHorizontalExtent();
    EXPECT_EQ(0, list.GetHorizontalExtent());
    list.AddString(L"「お知らせ」へのリンク");
    list.AddString(L"ab");
    // Someone set it wider (or narrower) than the items need; the reset fits it again.
    list.SetHorizontalExtent(500);
    list.resetHorizontalExtent();
    EXPECT_EQ(list.itemExtent(0), list.GetHorizontalExtent());
    list.SetHorizontalExtent(1);
    list.resetHorizontalExtent();
    EXPECT_EQ(list.itemExtent(0), list.GetHorizontalExtent());
    // Checks do not change the width.
    list.SetCheck(1, 1);
    list.resetHorizontalExtent();
    EXPECT_EQ(list.itemExtent(0), list.GetHorizontalExtent());
}
