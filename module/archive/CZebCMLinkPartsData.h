#pragma once
#include <string>
#include <vector>

// Names and lists the CMS's data files, reads the few values the link parts need from them, and
// decides whether a generated page is older than the data file it is made from. Writes nothing;
// reads the disk afresh on every call.
class CZebCMLinkPartsData {
public:
    virtual ~CZebCMLinkPartsData();

    // Names of the CMS folder's "*.xml" entries that contain "zebsitec001table000001"; false when
    // none (or no CMS folder).
    bool listContentFiles(std::vector<std::wstring>& names);
    // CMS folder + "zebsitec001table000001" + "%04d%02d" + ".xml" (no range check).
    std::wstring getMonthDataPath(int year, int month);
    // CMS folder + "zebsitec%03dtable000001.xml"; "" for n outside 0..999.
    std::wstring getCategoryDataPath(int n);
    // Links and titles of the category's entries in file order, at most limit + 1 of them; both
    // empty when the file is missing.
    void readCategoryEntries(int n, std::vector<std::wstring>& links, std::vector<std::wstring>& titles,
                             int limit);
    // Exactly 31 slots: slot d - 1 holds the link of day d's entry, "" when none.
    void readMonthDayLinks(int year, int month, std::vector<std::wstring>& dayLinks);
    // Whether the month page is older than its month data file (false when either is missing
    // in a way that cannot make it stale).
    bool isMonthPageStale(int year, int month);
    // Month texts whose month page is missing or older than its data file, ascending; false (the
    // list untouched) when there is no diary data file at all.
    bool collectStaleMonths(std::vector<std::wstring>& months);
    // Whether the category list page is older than the category data file.
    bool isCategoryPageStale(int n);
};
