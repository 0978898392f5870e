#include "OpenPageCoreAdapter.h"

#include <cwchar>

#include "FragmentParser.h"
#include "OpenPage.h"
#include "SitePagePath.h"
#include "UrlRebaser.h"
#include "host/DomUtBase.h"
#include "host/ZebSiteMgr.h"

Document* OpenPageCoreAdapter::getActiveDocument()
{
    return live() ? page_.document() : nullptr;
}

void OpenPageCoreAdapter::updateViews(void* /*sender*/, unsigned long /*hint*/, void* /*extra*/)
{
    if (live())
        page_.countViewUpdate();
}

void OpenPageCoreAdapter::setModified(bool modified)
{
    if (live())
        page_.setModified(modified);
}

Node* OpenPageCoreAdapter::insertHtml(const wchar_t* markup, int length, std::wstring& error, bool /*flag1*/,
                                      bool /*flag2*/, bool /*flag3*/, bool /*flag4*/)
{
    if (!live()) {
        error = L"the page's core adapter is gone";
        return nullptr;
    }
    if (markup == nullptr || length == 0) {
        error = L"nothing to insert";
        return nullptr;
    }
    const std::wstring text =
        length < 0 ? std::wstring(markup) : std::wstring(markup, static_cast<std::size_t>(length));
    // Link parts name the site's files from its root; in a page below it they must climb up.
    const std::wstring site = ZebSiteMgr::getCurrentSiteName();
    const UrlRebaser rebaser(site.empty() ? std::wstring() : SitePagePath::folderInSite(site, page_.path()));
    Node* inserted = insertFragmentAtCursor(*page_.domUtBase(), rebaser.rebaseMarkup(text));
    if (inserted == nullptr)
        error = L"the markup gave nothing to insert, or the page has no place that keeps it";
    return inserted;
}

DomUtBase* OpenPageCoreAdapter::getDomUtBase()
{
    return live() ? page_.domUtBase() : nullptr;
}
