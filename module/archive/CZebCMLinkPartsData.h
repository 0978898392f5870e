#pragma once
#include <string>
#include <vector>

// Names and lists the CMS's data files, reads the few values the link parts need from them, and
// decides whether a generated page is older than the data file it is made from. Writes nothing;
// reads the disk afresh on every call.
class CZebCMLinkPartsData {
public:
    virtual ~CZebCMLinkPartsData();

    // Names of the CMS folder's "*.xml" entries that contain "zebsitec001table000001", in
    // enumeration order; false (names emptied) when none or when there is no site.
    bool listContentFiles(std::vector<std::wstring>& names);
    // CMS folder + "zebsitec001table000001" + "%04d%02d" + ".xml" (no range check); "" without a
    // site.
    std::wstring getMonthDataPath(int year, int month);
    // CMS folder + "zebsitec%03dtable000001.xml"; "" for n outside 0..999 or without a site.
    std::wstring getCategoryDataPath(int n);
    // Links and titles (parallel) of the category's entries in file order, at most limit + 1 of
    // them; both empty when the file is missing or n is outside 0..999.
    void readCategoryEntries(int n, std::vector<std::wstring>& links, std::vector<std::wstring>& titles, int limit);
    // Exactly 31 slots: slot d - 1 holds the link of day d's entry, "" when none (all "" when
    // the month data file is missing). Of consecutive entries on one day the first counts; a
    // later run of that day, after another day came between, replaces it.
    void readMonthDayLinks(int year, int month, std::vector<std::wstring>& dayLinks);
    // Whether the month page's last-write time is strictly earlier than its month data file's
    // (a missing file counts as time 0): true for a missing page with data, false without data.
    bool isMonthPageStale(int year, int month);
    // Month texts ("YYYY-MM" cut from the data file names) whose month page is missing or older
    // than its data file, ascending. False with the list untouched when there is no diary data
    // file at all; false with the list emptied when no month is stale.
    bool collectStaleMonths(std::vector<std::wstring>& months);
    // Whether the category list page is older than the category data file, as isMonthPageStale;
    // false for n outside 0..999.
    bool isCategoryPageStale(int n);
    // Whether the category list page is there (as CZebCMLinkPartsFiles::pageExists) and not
    // stale: both from one look at the page. False for n outside 0..999.
    bool isCategoryPageCurrent(int n);
};
