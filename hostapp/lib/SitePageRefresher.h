#pragma once
#include <map>
#include <string>
#include <vector>

// Brings the link parts of the site's published pages in line with the generated pages: every
// element of a page whose id is a link-part id (zebsitec + three digits + table000001, any case)
// is replaced, in place, by the element with that id in ZebSitemenu/<id>.html (a category's list
// page; for the diary, the calendar page), with its relative URLs rebased to the page's folder.
// Only parts that differ are replaced; the rest of the page keeps its bytes, encoding and
// newlines, and a page whose bytes come out the same is not written.
//
// Each generated page is read once per refresher; make a new one after the generated pages
// change.
class SitePageRefresher {
public:
    // siteFolder: the site's folder (symlinks resolved, as SitePagePath resolves pages).
    explicit SitePageRefresher(std::wstring siteFolder);

    // The pages that may carry link parts: files named .html or .htm below the site folder,
    // outside qcms/ and ZebSitemenu/, by the host's page rule, each once, in path order.
    // Symlinked folders are not entered. Empty when the folder cannot be read.
    std::vector<std::wstring> candidatePages() const;

    struct Outcome {
        bool carriesLinkParts = false;     // the page holds link-part elements
        bool written = false;              // the page file was rewritten
        std::vector<std::wstring> changed; // ids of the parts replaced, in page order
        std::vector<std::wstring> missing; // ids with no element in a generated page (left as they are)
        std::string error;                 // why the page was not refreshed; "" when nothing went wrong
    };
    // Refreshes one page (a path the page rule accepts). A page without the text "zebsitec" is not
    // parsed. The error is set when the rule refuses the page or it cannot be read or written.
    Outcome refreshPage(const std::wstring& path);

    // Whether the text is a link-part id: zebsitec + three digits + table000001, any case.
    static bool isLinkPartId(const std::wstring& id);

private:
    // The markup of the link part's element in its generated page, as the module wrote it; ""
    // when the page or the element is missing.
    const std::wstring& generatedMarkup(const std::wstring& id);

    std::wstring site_;
    std::map<std::wstring, std::wstring> generated_;
};
