#include <gtest/gtest.h>

#include "platform/CCheckListBoxHscrl.h"

using namespace platform;

TEST(CCheckListBoxHscrlTest, AddingWidensTheExtentToTheWidestItem)
{
    CCheckListBoxHscrl list;
    list.AddString(L"ab");
    EXPECT_EQ(CCheckListBox::kCheckBoxCells + 2, list.GetHorizontalExtent());
    list.AddString(L"カレンダー型「日記」へのリンク"); // 15 wide characters
    EXPECT_EQ(CCheckListBox::kCheckBoxCells + 30, list.GetHorizontalExtent());
    list.AddString(L"x");
    EXPECT_EQ(CCheckListBox::kCheckBoxCells + 30, list.GetHorizontalExtent());
    EXPECT_EQ(CCheckListBox::kCheckBoxCells + 1, list.itemExtent(2));
    EXPECT_EQ(0, list.itemExtent(3));
    list.ResetContent();
    EXPECT_EQ(0, list.GetHorizontalExtent());
}
