#pragma once
#include <string>

#include "platform/CCheckListBox.h"

namespace platform {

// A check list box that keeps its horizontal scroll extent as wide as its widest item, so that
// long item texts can be scrolled into view.
class CCheckListBoxHscrl : public CCheckListBox {
public:
    // Appends the item and widens the extent when the item is wider; returns its index.
    int AddString(const std::wstring& text) override;
    // Cells the item at index needs (check box and text); 0 for a bad index.
    int itemExtent(int index) const;
    // Cells an item with that text needs.
    static int extentOf(const std::wstring& text);
};

} // namespace platform
