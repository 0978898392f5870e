#include "platform/CCheckListBoxHscrl.h"

#include "platform/TextWidth.h"

namespace platform {

int CCheckListBoxHscrl::extentOf(const std::wstring& text)
{
    return kCheckBoxCells + textCells(text);
}

int CCheckListBoxHscrl::AddString(const std::wstring& text)
{
    const int index = CCheckListBox::AddString(text);
    const int extent = extentOf(text);
    if (extent > GetHorizontalExtent())
        SetHorizontalExtent(extent);
    return index;
}

int CCheckListBoxHscrl::itemExtent(int index) const
{
    std::wstring text;
    if (GetText(index, text) == LB_ERR)
        return 0;
    return extentOf(text);
}

} // namespace platform
