#include "plugin/CZebTmplCImpl.h"

#include <new>

#include "linkparts/CZebCMData.h"
#include "linkparts/CZebCMSelectDlg.h"

void CZebTmplCImpl::showLinkPartDialog()
{
    // What OK applied stays applied; the dialog's result tells nothing more.
    CZebCMSelectDlg dialog(nullptr);
    dialog.DoModal();
}

void CZebTmplCImpl::updateLinkParts(const std::vector<std::wstring>& categoryNames, void* /*unused*/)
{
    CZebCMData registry(true);
    registry.updateCategories(categoryNames);
}

bool CZebTmplCImpl::forwardText(void* target, const std::wstring& text, void* /*unused*/)
{
    if (!target || text.empty())
        return false;
    static_cast<CZebTextSink*>(target)->receiveText(text.c_str());
    return true;
}

CZebTmplCIF* createInterface()
{
    // The host deletes the object through its virtual destructor.
    return new (std::nothrow) CZebTmplCImpl();
}
