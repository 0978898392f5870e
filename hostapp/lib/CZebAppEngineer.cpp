#include "host/CZebAppEngineer.h"

#include "HostApplication.h"
#include "OpenPage.h"

namespace {

struct ApplicationState {
    OpenPage* page = nullptr;
    CZebRefreshTarget* refreshTarget = nullptr;
};

ApplicationState& state()
{
    static ApplicationState instance;
    return instance;
}

} // namespace

CZebRefreshTarget::~CZebRefreshTarget() = default;

void setOpenPage(OpenPage* page)
{
    state().page = page;
}

OpenPage* getOpenPage()
{
    return state().page;
}

void setRefreshTarget(CZebRefreshTarget* target)
{
    state().refreshTarget = target;
}

CZebAppEngineer* CZebAppEngineer::getInstance()
{
    static CZebAppEngineer instance;
    return &instance;
}

CZebAppEngineer::~CZebAppEngineer() = default;

bool CZebAppEngineer::isAnyHtmlDocOpened() const
{
    return state().page != nullptr && state().page->document() != nullptr;
}

CZebRefreshTarget* CZebAppEngineer::getRefreshTarget()
{
    return state().refreshTarget;
}
