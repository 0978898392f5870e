#include "generation/CZebCMLinkParts.h"

#include <memory>
#include <vector>

#include "archive/CZebCMLinkPartsData.h"
#include "host/CDOMEngineer.h"
#include "host/CZebCalendarGenerator.h"
#include "host/CZebDllFunctionEngineer.h"
#include "host/CharacterData.h"
#include "host/DOM.h"
#include "host/DOMImpl.h"
#include "host/Document.h"
#include "host/DomUtBase.h"
#include "host/DomUtBaseCore.h"
#include "host/DomUtil.h"
#include "host/Element.h"
#include "host/FileUtil.h"
#include "platform/Wtoi.h"
#include "sitefiles/CZebCMLinkPartsFiles.h"

namespace {

// The element a node hangs under, when that parent is an element; null otherwise.
Element* parentElement(Node* node)
{
    Node* parent = node->getParentNode();
    if (!parent || parent->getNodeType() != Node::Type::Element)
        return nullptr;
    return static_cast<Element*>(parent);
}

bool isAnchor(const Element* element)
{
    return element && element->getElementID() == Element::kAnchor;
}

} // namespace

CZebCMLinkParts::CZebCMLinkParts(int numid, const std::wstring& name)
    : numid(numid), name(name), dom(nullptr), currentYear(-1), currentMonth(-1), markupWanted(true)
{
    CStringYears::currentMonth(currentYear, currentMonth);
    currentMonthValue = CStringYears(currentYear, currentMonth);
    calendarMarker = L"ZEB_CAL_Q";
    calendarId = CZebCMLinkPartsFiles::kCalendarId;
    if (CDOMEngineer* engine = CDOMEngineer::getInstance())
        dom = engine->getDOM();
}

CZebCMLinkParts::~CZebCMLinkParts() = default;

// ---- dispatch ----

std::wstring CZebCMLinkParts::makeLinkPart()
{
    if (numid == 1)
        return regenerateArchive();
    if (numid > 1)
        return makeCategoryLinkPart(numid);
    if (numid == 0)
        return makeCategoryLinkPart(0);
    return std::wstring();
}

void CZebCMLinkParts::update()
{
    // The same decisions and writes as makeLinkPart; only the reads that serve nothing but the
    // markup are left out (a no-op update would otherwise parse every current page).
    struct Restore {
        bool& flag;
        ~Restore() { flag = true; }
    } restore{markupWanted};
    markupWanted = false;
    makeLinkPart();
}

// ---- category link part ----

std::wstring CZebCMLinkParts::makeCategoryLinkPart(int numid)
{
    CZebCMLinkPartsFiles files;
    CZebCMLinkPartsData data;
    // A number outside 0..999 has no link-part id, so a link part made for it would carry none:
    // no later scan of the page could find it, and every OK of the dialog would add another copy
    // that nothing ever removes. Such a category has no link part.
    if (files.getCategoryPartId(numid).empty())
        return std::wstring();
    const std::wstring pagePath = files.getCategoryPagePath(numid);

    if (data.isCategoryPageCurrent(numid)) {
        std::wstring markup;
        if (markupWanted && files.readElementMarkup(pagePath, markup, files.getCategoryPartId(numid)))
            return markup;
        return std::wstring();
    }

    const OwnedDocument owned = files.loadTemplateOwned(files.getTemplatePath(0));
    Document* document = owned.get();
    if (!document)
        return std::wstring();

    Element* element = document->getElementByID(L"ZEB_CATEGORY_1");
    if (!element)
        return std::wstring();

    fillCategoryTemplate(element, document, numid);
    element->prepareMarkup();
    std::wstring markup = markupWanted ? element->getMarkup() : std::wstring();
    files.savePage(document, pagePath);
    return markup;
}

Element* CZebCMLinkParts::fillCategoryTemplate(Element* element, Document* document, int numid)
{
    DomUtBase util(document);
    std::vector<Element*> anchors;
    util.getElementByTagId(anchors, Element::kAnchor, true, nullptr);
    const int slots = static_cast<int>(anchors.size());

    std::vector<std::wstring> links;
    std::vector<std::wstring> titles;
    CZebCMLinkPartsData().readCategoryEntries(numid, links, titles, slots);
    const int entries = static_cast<int>(links.size());

    for (int i = 0; i < slots; ++i) {
        Element* anchor = anchors.at(i);
        if (!anchor)
            continue;
        if (i < entries) {
            DomUtBaseCore::setOrRemoveAttr(anchor, L"HREF", links.at(i));
            util.setOnlyTextUnderElement(anchor, titles.at(i));
        } else {
            // Surplus slots must show no link.
            util.removeAllChild(anchor, true, true);
        }
    }

    element->setAttribute(L"id", CZebCMLinkPartsFiles().getCategoryPartId(numid));

    std::vector<CharacterData*> captions;
    util.getAllPCData(captions, L"Category", true, nullptr);
    if (!captions.empty() && captions.front())
        captions.front()->setData(name);
    return element;
}

// ---- calendar pages ----

namespace {

// The calendar of a month built by the host's calendar generator inside document; null when the
// host has no function table, no generator function, or the generator makes nothing.
Element* generateCalendar(int year, int month, const std::wstring& marker, Document* document, DOM* dom)
{
    CZebDllFunctionEngineer* functions = CZebDllFunctionEngineer::getInstance();
    if (!functions)
        return nullptr;
    CZebDllFunctionEngineer::Function function =
        functions->GetFunctionAddr(CZebDllFunctionEngineer::kCalendarGenerator);
    if (!function)
        return nullptr;
    // The factory hands over a new generator; it lives for this one call.
    std::unique_ptr<CZebCalendarGenerator> generator(reinterpret_cast<ZebCalendarGeneratorFactory>(function)());
    if (!generator)
        return nullptr;
    return generator->buildCalendar(year, month, marker, 1, document, dom);
}

} // namespace

std::wstring CZebCMLinkParts::makeCalendarPage(int year, int month, std::wstring pagePath, bool create,
                                               const std::wstring& position)
{
    CZebCMLinkPartsFiles files;
    const OwnedDocument owned =
        create ? OwnedDocument(DOMImpl::createDocument(L"HTML"), DocumentRelease{dom}) : files.loadPageOwned(pagePath);
    Document* document = owned.get();
    if (!document)
        return std::wstring();

    Element* calendar =
        create ? generateCalendar(year, month, calendarMarker, document, dom) : document->getElementByID(calendarId);
    // A page to refresh that holds no calendar (emptied, cut short or edited by hand) is made
    // anew: refreshed in place it would write nothing and stay broken, found stale on every run.
    if (!calendar && !create)
        return makeCalendarPage(year, month, std::move(pagePath), true, position);
    if (!calendar)
        return std::wstring();

    fillCalendar(calendar, document, position);
    calendar->prepareMarkup();
    // Taken before the content type is declared, so the markup carries no meta element.
    std::wstring markup = markupWanted ? calendar->getMarkup() : std::wstring();

    DomUtil util(document, nullptr);
    util.setMetaEx(L"HTTP-EQUIV", L"Content-Type", std::wstring(L"text/html;") + L" charset=" + L"UTF-8", false,
                   nullptr, false);
    files.savePage(document, pagePath);

    // The calendar page shows the current month, which thereby always has its own month page too.
    if (getBaseFname(pagePath) == calendarId) {
        const std::wstring monthPath = files.getMonthPagePath(year, month);
        if (!monthPath.empty())
            files.savePage(document, monthPath);
    }
    return markup;
}

Element* CZebCMLinkParts::fillCalendar(Element* root, Document* document, const std::wstring& position)
{
    CZebCMLinkPartsFiles files;
    DomUtBase util(document);

    std::vector<Element*> summaries;
    util.getElementByAttributrName(summaries, L"summary", root);
    const CStringYears shown(summaries.empty() || !summaries.front() ? std::wstring()
                                                                     : summaries.front()->getAttribute(L"summary"));

    // An invalid month has no day slots at all; its day numbers are then left as they are.
    std::vector<std::wstring> dayLinks;
    if (shown.isValid())
        CZebCMLinkPartsData().readMonthDayLinks(shown.year, shown.month, dayLinks);

    auto targetOf = [&](const CStringYears& neighbour) {
        return neighbour.sameText(currentMonthValue) ? files.getCalendarPageName()
                                                     : files.getMonthPageName(neighbour.year, neighbour.month);
    };
    const CStringYears previous = shown - 1;
    const CStringYears next = shown + 1;

    if (position == L"mid" || position == L"last")
        setMenuOnclick(root, document, L"prev", targetOf(previous));
    else
        setMenuOnclick(root, document, L"prev", std::wstring());
    if (position == L"mid" || position == L"1st")
        setMenuOnclick(root, document, L"next", targetOf(next));
    else
        setMenuOnclick(root, document, L"next", std::wstring());

    if (dayLinks.empty())
        return root;

    // Every short number in the page is a day of the calendar: the published pages rely on it.
    std::vector<CharacterData*> texts;
    util.getAllPCData(texts, std::wstring(), true, nullptr);
    for (CharacterData* text : texts) {
        if (!text)
            continue;
        const std::wstring data = text->getData();
        if (data.size() != 1 && data.size() != 2)
            continue;
        const int day = platform::wtoi(data);
        if (day < 1 || day > 31)
            continue;
        const std::wstring& link = dayLinks.at(day - 1);
        Element* parent = parentElement(text);
        if (!link.empty()) {
            if (isAnchor(parent)) {
                DomUtBaseCore::setOrRemoveAttr(parent, L"HREF", link);
            } else {
                Element* anchor = util.createElementbyId(Element::kAnchor);
                DomUtBaseCore::setOrRemoveAttr(anchor, L"HREF", link);
                util.insertParent(text, anchor);
            }
        } else if (isAnchor(parent)) {
            util.removeElement(parent, parent, false, true);
        }
    }
    return root;
}

void CZebCMLinkParts::setMenuOnclick(Element* root, Document* document, const std::wstring& nameValue,
                                     const std::wstring& target)
{
    DomUtBase util(document);
    std::vector<Element*> found;
    util.getElementByAttributrNameAndValue(found, L"name", nameValue, true, root);
    if (found.empty() || !found.front())
        return;
    Element* control = found.front();
    if (target.empty())
        control->removeAttribute(L"onclick");
    else
        DomUtBaseCore::setAttributeValue(control, L"onclick",
                                         std::wstring(L"getZebSiteMenu('") + CZebCMLinkPartsFiles::kSiteMenuFolderName +
                                             L"/" + target + L"','" + CZebCMLinkPartsFiles::kCalendarId + L"');");
}
