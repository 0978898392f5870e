#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "module/ModuleTestSite.h"
#include "support/TestSupport.h"

class Document;

// Helpers shared by the link-part builder tests: content files, the template folder, a log of
// page writes, and a view of a written page.
namespace linkpartstest {

// The diary's calendar page in the site-menu folder.
inline const std::string kCalendarPage = "zebsitec001table000001.html";

// One content entry of a content parts file.
struct Entry {
    std::string title;
    std::string creationtime; // "2008/04/07 10:00:00"
    std::string link;
};

// A content parts file holding the entries.
std::string partsFile(const std::vector<Entry>& entries);

// A site with both the CMS folder and the site-menu folder, current for the object's life.
class Site : public testsupport::TempSite {
public:
    Site();
    // Writes the month data file of a diary month (entries on the given days, link "dYYYYMMDD.html")
    // with the given last-write time.
    void writeMonthData(int year, int month, const std::vector<int>& days, std::int64_t mtime) const;
    // Writes the category data file of category n with count entries ("Title i", "c<n>-<i>.html").
    void writeCategoryData(int n, int count, std::int64_t mtime) const;
    // The month page name "zebsitec001table000001YYYYMM.html".
    static std::string monthPage(int year, int month);
};

// Points the host's product data folder at a temporary folder for the object's life.
class TemplateFolder {
public:
    TemplateFolder();
    ~TemplateFolder();
    TemplateFolder(const TemplateFolder&) = delete;
    TemplateFolder& operator=(const TemplateFolder&) = delete;
    // Writes linkparts00.html.
    void write(const std::string& html) const;

private:
    testsupport::TempDir dir_;
    std::optional<std::string> previous_;
};

// Records, in order, every page the platform's page writer handles, for the object's life.
class WriteLog {
public:
    struct Write {
        std::string name; // file name alone
        bool written;
        std::string reason; // why not, when not written
    };
    WriteLog();
    ~WriteLog();
    WriteLog(const WriteLog&) = delete;
    WriteLog& operator=(const WriteLog&) = delete;
    // File names that were written, in order.
    std::vector<std::string> written() const;
    const std::vector<Write>& all() const { return writes_; }

private:
    std::vector<Write> writes_;
};

// Fixes the platform clock for the object's life.
class FixedClock {
public:
    explicit FixedClock(std::int64_t moment);
    ~FixedClock();
    FixedClock(const FixedClock&) = delete;
    FixedClock& operator=(const FixedClock&) = delete;
};

// A page file loaded into a host document, with the questions the tests ask of it.
class PageView {
public:
    explicit PageView(const std::string& path);
    ~PageView();
    PageView(const PageView&) = delete;
    PageView& operator=(const PageView&) = delete;

    // The onclick of the first element named name; nullopt when it has none (or no such element).
    std::optional<std::wstring> onclick(const std::wstring& name) const;
    // The position the navigation shows: "1st", "mid", "last" or "1stlast".
    std::wstring position() const;
    // The first "summary" attribute value; "" when none.
    std::wstring summary() const;
    // The href of the anchor around the first text node holding exactly text; "" when that text
    // is not inside an anchor; "<missing>" when there is no such text.
    std::wstring linkAround(const std::wstring& text) const;
    // Whether a meta element declares Content-Type "text/html; charset=UTF-8".
    bool declaresUtf8() const;
    // Whether an element with that id exists.
    bool hasId(const std::wstring& id) const;
    Document* document() const { return document_; }

private:
    Document* document_;
};

// The onclick text that targets a page of the site-menu folder.
std::wstring onclickFor(const std::wstring& pageName);

} // namespace linkpartstest
