#pragma once

#include "platform/CCheckListBoxHscrl.h"

// The host's check list control: a check list box with a horizontal scroll extent that can be
// brought back to fit its items.
class CZebCheckListBox : public platform::CCheckListBoxHscrl {
public:
    ~CZebCheckListBox() override;
    // Sets the horizontal extent to the widest item's; 0 for an empty list.
    void resetHorizontalExtent();
};
