#include "platform/CButton.h"

#include "platform/CDialog.h"
#include "platform/DialogIds.h"

namespace platform {

bool CButton::Click()
{
    CDialog* dialog = GetParentDialog();
    if (!dialog)
        return false;
    dialog->notify(GetDlgCtrlID(), Notification::Clicked);
    return true;
}

int CButton::mnemonicIndex(const std::wstring& text)
{
    int shown = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'&' && i + 1 < text.size()) {
            if (text[i + 1] == L'&') {
                ++i; // literal ampersand
                ++shown;
                continue;
            }
            return shown;
        }
        ++shown;
    }
    return -1;
}

wchar_t CButton::mnemonicOf(const std::wstring& text)
{
    const int index = mnemonicIndex(text);
    if (index < 0)
        return 0;
    const wchar_t c = displayText(text).at(static_cast<std::size_t>(index));
    return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}

std::wstring CButton::displayText(const std::wstring& text)
{
    std::wstring shown;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'&' && i + 1 < text.size())
            ++i;
        else if (text[i] == L'&')
            continue; // a lone trailing '&' marks nothing
        shown += text[i];
    }
    return shown;
}

} // namespace platform
