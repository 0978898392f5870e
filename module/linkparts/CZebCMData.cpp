#include "linkparts/CZebCMData.h"

#include <cwctype>
#include <memory>

#include "content/CZebCMCategoryXmlData.h"
#include "generation/CZebCMLinkParts.h"
#include "host/CZebAppEngineer.h"
#include "host/CZebCoreAdapterIF.h"
#include "host/CZebTmplWzCoreAdapter.h"
#include "host/DomUtBase.h"
#include "host/Element.h"
#include "host/FileUtil.h"
#include "platform/Wtoi.h"
#include "sitefiles/CZebCMLinkPartsFiles.h"

namespace {

const wchar_t kLinkPartPrefix[] = L"zebsitec";
const wchar_t kSiteMenuTableId[] = L"zebsitemenutable000000000001";
const wchar_t kLayoutCellClass[] = L"zeb-lb-tb1-cell3";
const wchar_t kLayoutContentsId[] = L"_ZEB_LAYOUT_CONTENTS";
// Hint for updateViews after the page's link parts changed.
constexpr unsigned long kViewHintLinkParts = 0x10000004;

std::wstring lowerCase(std::wstring text)
{
    for (wchar_t& c : text)
        c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    return text;
}

// The open page's core interface, with its document and DomUtBase; empty when no page is open or
// the page lacks either. The interface is deleted when the result goes, before the adapter that
// made it and that it works through (members end in reverse order).
struct ActivePage {
    std::unique_ptr<CZebTmplWzCoreAdapter> adapter;
    std::unique_ptr<CZebCoreAdapterIF> core;
    DomUtBase* domUtBase = nullptr;

    explicit operator bool() const { return core && domUtBase; }
};

ActivePage openActivePage()
{
    ActivePage page;
    CZebAppEngineer* app = CZebAppEngineer::getInstance();
    if (!app || !app->isAnyHtmlDocOpened())
        return page;
    page.adapter = std::make_unique<CZebTmplWzCoreAdapter>();
    page.core.reset(page.adapter->getActiveCoreAdapterIF());
    if (!page.core || !page.core->getActiveDocument())
        return page;
    page.domUtBase = page.core->getDomUtBase();
    return page;
}

} // namespace

CZebCMData::CZebCMData(bool scanPage)
{
    if (scanPage) {
        collectLinkPartElements(linkPartElements);
        readLinkPartIds(linkPartIds);
    }
}

CZebCMData::~CZebCMData() = default;

void CZebCMData::collectLinkPartElements(std::vector<Element*>& out)
{
    out.clear();
    ActivePage page = openActivePage();
    if (!page)
        return;
    page.domUtBase->getElementByAttributrNameAndPartOfValue(out, L"ID", kLinkPartPrefix, true, nullptr);
}

void CZebCMData::readLinkPartIds(std::vector<std::wstring>& out)
{
    out.clear();
    for (Element* element : linkPartElements) {
        if (!element)
            continue;
        const std::wstring id = element->getAttribute(L"ID");
        if (!id.empty())
            out.push_back(lowerCase(id));
    }
}

bool CZebCMData::hasLinkPartFor(int number, const std::vector<std::wstring>& ids)
{
    for (const std::wstring& entry : ids) {
        if (entry.empty())
            continue;
        const std::wstring id = lowerCase(entry);
        const std::size_t c = id.find(L'c');
        if (c == std::wstring::npos || c == 0)
            continue;
        if (platform::wtoi(id.substr(c + 1, 3)) == number)
            return true;
    }
    return false;
}

bool CZebCMData::containsName(const std::wstring& name, const std::vector<std::wstring>& list)
{
    for (const std::wstring& entry : list) {
        if (!entry.empty() && entry == name)
            return true;
    }
    return false;
}

void CZebCMData::readCategories(std::vector<std::wstring>& names, std::vector<std::wstring>& numids)
{
    names.clear();
    numids.clear();
    CZebCMLinkPartsFiles files;
    const std::wstring site = files.getSiteFolder();
    // Without a site there is no category list; an empty folder must not turn into a path
    // relative to wherever the host happens to run.
    if (site.empty())
        return;
    const std::wstring path = addLastYenMark(addLastYenMark(site) + L"qcms") + L"qccl.xml";
    CZebCMCategoryXmlData reader(path);
    for (CZebCMCategoryXmlData::CCategory* record = reader.getFirst(); record; record = reader.getNext()) {
        if (platform::wtoi(record->numid) >= 0 && !record->name.empty()) {
            names.push_back(record->name);
            numids.push_back(record->numid);
        }
    }
}

void CZebCMData::updateCategories(const std::vector<std::wstring>& requested)
{
    std::vector<std::wstring> names;
    std::vector<std::wstring> numids;
    readCategories(names, numids);
    // Every category's page is made from the same template: it is read once.
    const CZebCMLinkPartsFiles::TemplateRun templates;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const int number = platform::wtoi(numids.at(i));
        for (const std::wstring& name : requested) {
            if (name == names[i]) {
                CZebCMLinkParts builder(number, names[i]);
                builder.update();
                break;
            }
        }
    }
    if (CZebAppEngineer* app = CZebAppEngineer::getInstance()) {
        if (CZebRefreshTarget* target = app->getRefreshTarget())
            target->refresh();
    }
}

Element* CZebCMData::enclosingLinkPart(Node* node) const
{
    // The outermost: every link part goes, so a cursor in one nested inside another must leave
    // both.
    Element* outermost = nullptr;
    for (Node* at = node; at; at = at->getParentNode()) {
        for (Element* element : linkPartElements) {
            if (element && static_cast<Node*>(element) == at)
                outermost = element;
        }
    }
    return outermost;
}

void CZebCMData::applySelection(const std::vector<std::wstring>& chosen)
{
    ActivePage page = openActivePage();
    if (!page)
        return;
    DomUtBase* dom = page.domUtBase;

    int rememberedOffset = 0;
    Node* remembered = dom->getLayoutCursor(rememberedOffset);
    if (!remembered) {
        std::vector<Element*> found;
        dom->getElementByAttributrNameAndValue(found, L"class", kLayoutCellClass, false, nullptr);
        if (found.empty())
            dom->getElementByAttributrNameAndValue(found, L"id", kLayoutContentsId, false, nullptr);
        if (!found.empty()) {
            remembered = found.front();
            rememberedOffset = 0;
        }
        dom->setLayoutCursor(remembered, rememberedOffset);
    }

    // A cursor inside an old link part would go out of the page with it, and the new parts with
    // it; it moves to the place where that part stands.
    if (Element* enclosing = enclosingLinkPart(remembered)) {
        dom->setLayoutCurorEx(enclosing, false);
        remembered = dom->getLayoutCursor(rememberedOffset);
    }

    std::vector<std::wstring> names;
    std::vector<std::wstring> numids;
    readCategories(names, numids);

    for (Element* element : linkPartElements)
        dom->removeAllChild(element, true, true);

    std::vector<Element*> menuTables;
    dom->getElementByAttributrNameAndPartOfValue(menuTables, L"id", kSiteMenuTableId, false, nullptr);
    // Link parts go right behind the site-menu table. The cursor is put right after the table
    // rather than at the start of the node that follows it: when that node is an element, its
    // start is inside it, and when there is none, there is nothing to stand at.
    if (!menuTables.empty())
        dom->setLayoutCurorEx(menuTables.front(), true);

    Node* lastInserted = nullptr;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (!containsName(names[i], chosen))
            continue;
        CZebCMLinkParts builder(platform::wtoi(numids.at(i)), names[i]);
        const std::wstring markup = builder.makeLinkPart();
        if (!markup.empty()) {
            std::wstring error;
            if (Node* inserted = page.core->insertHtml(markup.c_str(), static_cast<int>(markup.size()), error, true,
                                                       true, true, false))
                lastInserted = inserted;
        }
        // The next link part follows this one (for the same reason as above, right after it).
        if (lastInserted)
            dom->setLayoutCurorEx(lastInserted, true);
    }

    if (remembered)
        dom->setLayoutCursor(remembered, rememberedOffset);

    page.core->setModified(true);
    page.core->updateViews(nullptr, kViewHintLinkParts, nullptr);
}
