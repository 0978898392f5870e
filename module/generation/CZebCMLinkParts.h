#pragma once
#include <string>
#include <vector>

#include "generation/CStringYears.h"

class DOM;
class Document;
class Element;

// The builder of one category's link part: the category list page, or for the diary (category
// 1) the calendar page and its month pages, and the markup of the link-part element. Made for one
// request; every document it loads or creates is deleted before the operation returns.
class CZebCMLinkParts {
public:
    CZebCMLinkParts(int numid, const std::wstring& name);
    virtual ~CZebCMLinkParts();

    // Dispatch: the link part's markup ("" when none could be built).
    std::wstring makeLinkPart();
    // Brings the category's generated pages up to date: writes what makeLinkPart writes, in the
    // same order, but reads no current page only to produce markup it would drop.
    void update();

    // Category link part: the markup of the category's element, rebuilt from the template when
    // the list page is missing or stale; "" on failure.
    std::wstring makeCategoryLinkPart(int numid);
    // Fills the template's link-part element with the category's entries; returns element.
    Element* fillCategoryTemplate(Element* element, Document* document, int numid);

    // Calendar pages: builds (create) or refreshes one calendar page; the calendar's markup or "".
    std::wstring makeCalendarPage(int year, int month, std::wstring pagePath, bool create,
                                  const std::wstring& position);
    // Day links and navigation of a calendar element; returns root.
    Element* fillCalendar(Element* root, Document* document, const std::wstring& position);
    // Sets (target non-empty) or removes the onclick of the first element under root named
    // nameValue.
    void setMenuOnclick(Element* root, Document* document, const std::wstring& nameValue, const std::wstring& target);

    // Archive regeneration: rebuilds the diary's missing or stale pages as ArchivePlan lays them
    // out; the current month's calendar markup (or the stored one) or "".
    std::wstring regenerateArchive();

    int numid;
    std::wstring name;
    DOM* dom;
    int currentYear;
    int currentMonth;
    CStringYears currentMonthValue;
    std::wstring calendarMarker;
    std::wstring calendarId;
    // Whether the caller wants the link part's markup; false during update(). Without it the
    // operations above return "", no markup is serialized, and a page that is current is neither
    // loaded nor parsed; every page is written as it would be with it.
    bool markupWanted;
};
