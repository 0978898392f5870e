#include "platform/DialogBackEnd.h"

#include "platform/CCheckListBox.h"
#include "platform/CDialog.h"

namespace platform {

DialogBackEnd::~DialogBackEnd() = default;

void DialogBackEnd::dialogClosing(CDialog& dialog, int result)
{
    outcome_ = DialogOutcome{};
    outcome_.result = result;
    outcome_.helpShown = helpShownInRun_;
    helpShownInRun_ = 0;
    const DialogTemplate* tmpl = dialog.dialogTemplate();
    if (!tmpl)
        return;
    for (const ControlTemplate& control : tmpl->controls) {
        auto* list = dynamic_cast<CCheckListBox*>(dialog.GetDlgItem(control.id));
        if (!list)
            continue;
        for (const CCheckListBox::Item& item : list->items())
            outcome_.items.push_back({item.text, item.check, item.data});
        break;
    }
}

} // namespace platform
