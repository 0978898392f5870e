#include "host/CZebTmplWzCoreAdapter.h"

#include "HostApplication.h"
#include "OpenPage.h"
#include "OpenPageCoreAdapter.h"

CZebTmplWzCoreAdapter::CZebTmplWzCoreAdapter() : lifetime_(std::make_shared<const int>(0)) {}

CZebTmplWzCoreAdapter::~CZebTmplWzCoreAdapter() = default;

CZebCoreAdapterIF* CZebTmplWzCoreAdapter::getActiveCoreAdapterIF()
{
    OpenPage* page = getOpenPage();
    if (page == nullptr)
        return nullptr;
    // The caller owns the interface and deletes it through its virtual destructor.
    return new OpenPageCoreAdapter(*page, lifetime_);
}
