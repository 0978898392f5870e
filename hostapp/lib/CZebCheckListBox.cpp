#include "host/CZebCheckListBox.h"

CZebCheckListBox::~CZebCheckListBox() = default;

void CZebCheckListBox::resetHorizontalExtent()
{
    int widest = 0;
    for (int i = 0; i < GetCount(); ++i) {
        const int extent = itemExtent(i);
        if (extent > widest)
            widest = extent;
    }
    SetHorizontalExtent(widest);
}
