#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/CWnd.h"

namespace platform {

// A list box whose items carry a check box. Item operations use the list's own error value
// (-1, LB_ERR) for an index outside the list rather than raising.
class CCheckListBox : public CWnd {
public:
    // Check states.
    enum : int { Unchecked = 0, Checked = 1, Indeterminate = 2 };
    static constexpr int LB_ERR = -1;

    struct Item {
        std::wstring text;
        int check = Unchecked;
        std::uintptr_t data = 0;
    };

    // Appends an item (unchecked, data 0, in the order added: the list is never sorted);
    // returns its index.
    virtual int AddString(const std::wstring& text);
    // Removes every item.
    void ResetContent();
    // The number of items.
    int GetCount() const;
    // Copies the item's text to text; its length, or LB_ERR (text untouched) for a bad index.
    int GetText(int index, std::wstring& text) const;
    // Sets the item's check state (0, 1 or 2); nothing for a bad index or another state.
    void SetCheck(int index, int state);
    // The item's check state; LB_ERR for a bad index.
    int GetCheck(int index) const;
    // Sets the item's data; 0, or LB_ERR for a bad index.
    int SetItemData(int index, std::uintptr_t data);
    // The item's data; LB_ERR (as an unsigned value) for a bad index.
    std::uintptr_t GetItemData(int index) const;
    // The current (caret) item; LB_ERR when the list is empty.
    int GetCurSel() const;
    // Makes index the current item; LB_ERR for a bad index (the current item stays).
    int SetCurSel(int index);
    // Width in cells the list can scroll horizontally across.
    int GetHorizontalExtent() const { return horizontalExtent_; }
    // Sets that width (negative values count as 0).
    void SetHorizontalExtent(int cells);
    // The items, for drawing and for reports.
    const std::vector<Item>& items() const { return items_; }

    // Cells an item's check box and the gap after it take in front of its text.
    static constexpr int kCheckBoxCells = 4;

protected:
    void attach(CDialog* dialog, const ControlTemplate* control) override;

private:
    bool valid(int index) const { return index >= 0 && index < GetCount(); }

    std::vector<Item> items_;
    int current_ = LB_ERR;
    int horizontalExtent_ = 0;
};

} // namespace platform
