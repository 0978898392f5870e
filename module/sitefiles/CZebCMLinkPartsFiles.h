#pragma once
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "sitefiles/OwnedDocument.h"

class Document;
class Node;

// Where every file of the link-part feature lives and how it is named, the listings of the
// site-menu folder, file times, and page loading and saving. Holds nothing: every call asks the
// host again, so answers follow the current site (the templates during a TemplateRun aside).
//
// With no current site every folder and path formed on the site folder is "", never a path
// relative to the working folder, so nothing is read from or written to a stray place.
class CZebCMLinkPartsFiles {
public:
    // The calendar's id: the base name of the calendar page, the month pages and the diary's data
    // files.
    static constexpr const wchar_t* kCalendarId = L"zebsitec001table000001";
    // The site-menu folder's name, also the path the site-menu script call in pages uses.
    static constexpr const wchar_t* kSiteMenuFolderName = L"ZebSitemenu";
    // The CMS folder's name.
    static constexpr const wchar_t* kCmsFolderName = L"qcms";

    virtual ~CZebCMLinkPartsFiles();

    // While one lives on the thread, the templates are looked for, read and decoded once:
    // bringing every category up to date makes each category's page from the same template,
    // which it never writes. Runs nest; the innermost one keeps what was read.
    class TemplateRun {
    public:
        TemplateRun();
        ~TemplateRun();
        TemplateRun(const TemplateRun&) = delete;
        TemplateRun& operator=(const TemplateRun&) = delete;

    private:
        friend class CZebCMLinkPartsFiles;
        std::map<int, std::wstring> paths_;                         // getTemplatePath's answers
        std::map<std::wstring, std::optional<std::wstring>> texts_; // decoded texts; none: unreadable
        TemplateRun* outer_;
    };

    // The current site's local folder, unchanged; "" when no site is current.
    std::wstring getSiteFolder();
    // Site folder + separator unless present + "ZebSitemenu" + separator; "" without a site.
    std::wstring getSiteMenuFolder();
    // Site folder + separator unless present + "qcms" + separator; "" without a site.
    std::wstring getCmsFolder();
    // Product folder + sub-folder + "_cm/temp" + separator; "" when the host has no product folder.
    std::wstring getTempFolder();
    // The path of template n ("linkparts%02d.html") when that file exists; "" otherwise.
    std::wstring getTemplatePath(int n);
    // "zebsitec" + "%03d" + "table000001"; "" for n outside 0..999.
    std::wstring getCategoryPartId(int n);
    // The category list page path; "" for n outside 0..999 or without a site.
    std::wstring getCategoryPagePath(int n);
    // Whether the category list page exists (false for n outside 0..999).
    bool categoryPageExists(int n);
    // "zebsitec001table000001.html" (no folder).
    std::wstring getCalendarPageName();
    // The calendar page path; "" without a site.
    std::wstring getCalendarPagePath();
    // Whether the calendar page exists.
    bool calendarPageExists();
    // "zebsitec001table000001" + "%04d%02d" + ".html" (no folder, no range check).
    std::wstring getMonthPageName(int year, int month);
    // The month page path; "" without a site.
    std::wstring getMonthPagePath(int year, int month);
    // Names of the site-menu folder's "*.html" entries that contain "zebsitec001table000001", in
    // enumeration order; false (names emptied) when none.
    bool listCalendarPages(std::vector<std::wstring>& names);
    // Months ("YYYY-MM" as cut from the names, unchecked) that have a month page, ascending.
    // False and the list untouched when there are no calendar pages at all; false and the list
    // emptied when there are calendar pages but no month pages.
    bool getMonthPageMonths(std::vector<std::wstring>& months);
    // Whether a file exists at the path.
    bool fileExists(const std::wstring& path);
    // Whether a generated page is there: a file of at least one byte (an empty page, as a crash
    // while it was written can leave it, counts as missing); false for an empty path.
    bool pageExists(const std::wstring& path);
    // Whether a generated page is there, as pageExists, with its last-write time (as
    // getLastWriteTime) in time; time untouched when it is not.
    bool findPage(const std::wstring& path, std::int64_t& time);
    // Last-write time in seconds since 1970-01-01 UTC; 0 for an empty path or no file.
    std::int64_t getLastWriteTime(const std::wstring& path);
    // A generated page's last-write time as getLastWriteTime; 0 when the page is missing as
    // pageExists sees it, so that an empty page is older than any data.
    std::int64_t getPageWriteTime(const std::wstring& path);
    // "YYYY-MM" of the last-write time in local time; "" for an empty path or no file.
    std::wstring getLastWriteMonth(const std::wstring& path);

    // Cuts the month out of a diary file name: the four characters after the first
    // "zebsitec001table000001" as the year and the two after them as the month, as they stand
    // (not checked for digits). False when the name lacks the id or the id is followed by "."
    // (the calendar page or the category data file); the texts are then untouched.
    static bool cutMonthFromName(const std::wstring& name, std::wstring& yearText, std::wstring& monthText);

    // A new document holding the page at the path, released through the DOM engine's DOM when the
    // result ends; an empty document when the file is missing or cannot be decoded; null when
    // there is no DOM engine or no document can be made.
    OwnedDocument loadPageOwned(const std::wstring& path);
    // loadPageOwned of a template: during a TemplateRun its text is read and decoded only once.
    OwnedDocument loadTemplateOwned(const std::wstring& path);
    // loadPageOwned's document handed over as a raw pointer, for callers bound to the host's
    // interface: the caller deletes it through DOM. Null as loadPageOwned.
    Document* loadPage(const std::wstring& path);
    // The markup of the element with that id in the page at the path, in markup; true when it is
    // non-empty. False with the markup untouched when the page or the element is missing; false
    // with the markup emptied when the element's markup is empty.
    bool readElementMarkup(const std::wstring& path, std::wstring& markup, const std::wstring& id);
    // Writes the node's markup (a document: the whole page) to the path as UTF-8 with LF newlines
    // (in the ANSI code page when the encoder fails), whole or not at all. A null node, an empty
    // path or a path that cannot be opened for writing is skipped silently; a write error after
    // opening throws platform::FileException and leaves the old page intact.
    void savePage(Node* node, const std::wstring& path);

private:
    // getTemplatePath's answer, looked for now.
    std::wstring lookForTemplate(int n);
};
