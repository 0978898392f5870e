#include <gtest/gtest.h>

#include "platform/CCheckListBox.h"

using namespace platform;

TEST(CCheckListBoxTest, BadIndexesAnswerTheListError)
{
    CCheckListBox list;
    list.AddString(L"only");
    std::wstring text = L"untouched";
    for (int bad : {-1, 1, 1000}) {
        EXPECT_EQ(CCheckListBox::LB_ERR, list.GetText(bad, text));
        EXPECT_EQ(CCheckListBox::LB_ERR, list.GetCheck(bad));
        EXPECT_EQ(CCheckListBox::LB_ERR, list.SetItemData(bad, 1));
        EXPECT_EQ(static_cast<std::uintptr_t>(CCheckListBox::LB_ERR), list.GetItemData(bad));
        EXPECT_EQ(CCheckListBox::LB_ERR, list.SetCurSel(bad));
        list.SetCheck(bad, CCheckListBox::Checked);
    }
    EXPECT_EQ(L"untouched", text);
    list.SetCheck(0, 3); // not a state
    EXPECT_EQ(CCheckListBox::Unchecked, list.GetCheck(0));
}
