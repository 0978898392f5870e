#include "platform/CCheckListBox.h"

namespace platform {

void CCheckListBox::attach(CDialog* dialog, const ControlTemplate* control)
{
    CWnd::attach(dialog, control);
    // A new window starts empty, as a freshly created list does.
    ResetContent();
}

int CCheckListBox::AddString(const std::wstring& text)
{
    items_.push_back(Item{text, Unchecked, 0});
    if (current_ == LB_ERR)
        current_ = 0;
    return GetCount() - 1;
}

void CCheckListBox::ResetContent()
{
    items_.clear();
    current_ = LB_ERR;
    horizontalExtent_ = 0;
}

int CCheckListBox::GetCount() const
{
    return static_cast<int>(items_.size());
}

int CCheckListBox::GetText(int index, std::wstring& text) const
{
    if (!valid(index))
        return LB_ERR;
    text = items_[static_cast<std::size_t>(index)].text;
    return static_cast<int>(text.size());
}

void CCheckListBox::SetCheck(int index, int state)
{
    if (!valid(index) || state < Unchecked || state > Indeterminate)
        return;
    items_[static_cast<std::size_t>(index)].check = state;
}

int CCheckListBox::GetCheck(int index) const
{
    return valid(index) ? items_[static_cast<std::size_t>(index)].check : LB_ERR;
}

int CCheckListBox::SetItemData(int index, std::uintptr_t data)
{
    if (!valid(index))
        return LB_ERR;
    items_[static_cast<std::size_t>(index)].data = data;
    return 0;
}

std::uintptr_t CCheckListBox::GetItemData(int index) const
{
    return valid(index) ? items_[static_cast<std::size_t>(index)].data : static_cast<std::uintptr_t>(LB_ERR);
}

int CCheckListBox::GetCurSel() const
{
    return items_.empty() ? LB_ERR : current_;
}

int CCheckListBox::SetCurSel(int index)
{
    if (!valid(index))
        return LB_ERR;
    current_ = index;
    return index;
}

void CCheckListBox::SetHorizontalExtent(int cells)
{
    horizontalExtent_ = cells < 0 ? 0 : cells;
}

} // namespace platform
