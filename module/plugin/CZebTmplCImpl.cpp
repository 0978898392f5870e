#include "plugin/CZebTmplCImpl.h"

#include <new>

void CZebTmplCImpl::showLinkPartDialog()
{
    // Runs the link-part selection dialog modally; wired when the dialog lands.
}

void CZebTmplCImpl::updateLinkParts(const std::vector<std::wstring>& /*categoryNames*/, void* /*unused*/)
{
    // Hands the names to a link-part registry's update; wired when the registry lands.
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
