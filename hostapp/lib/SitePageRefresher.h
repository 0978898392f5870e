#pragma once
#include <map>
#include <string>
#include <vector>

#include "PageRefreshCache.h"

// Brings the link parts of the site's published pages in line with the generated pages: every
// element of a page whose id is a link-part id (zebsitec + three digits + table000001, any case)
// is replaced, in place, by the element with that id in ZebSitemenu/<id>.html (a category's list
// page; for the diary, the calendar page), with its relative URLs rebased to the page's folder.
// Only parts that differ are replaced; the rest of the page keeps its bytes, encoding and
// newlines, and a page whose bytes come out the same is not written.
//
// Each generated page is read once per refresher; make a new one after the generated pages
// change.
//
// With its cache on, the refresher remembers what each page held (ZebSitemenu/.zebhost-pages) and
// passes over a page whose outcome cannot have changed: one unchanged since the last refresh that
// carries no link part, or whose parts were all current then against generated pages that are
// unchanged too. Any change of the page or of one of those generated pages has it read again.
class SitePageRefresher {
public:
    // siteFolder: the site's folder (symlinks resolved, as SitePagePath resolves pages).
    explicit SitePageRefresher(std::wstring siteFolder);

    // The pages that may carry link parts: files named .html or .htm below the site folder,
    // outside qcms/ and ZebSitemenu/, by the host's page rule, each once, in path order.
    // Symlinked folders are not entered. Empty when the folder cannot be read. refreshPage takes
    // these paths as judged.
    std::vector<std::wstring> candidatePages();

    // Takes what the last refresh of the site learned from the cache file, if it is there and
    // whole; later refreshes consult it and note what they learn for saveCache.
    void useCache();
    // Writes what this refresher's pages taught it (the pages refreshed, and no others) to the
    // cache file, atomically, unless it holds exactly that already. Throws
    // platform::FileException when the write fails after the file was opened; does nothing when
    // the cache is not on or in a dry run.
    void saveCache();
    // The site's cache file.
    std::wstring cacheFile() const;

    struct Outcome {
        bool read = false;                 // the page's file was read (not known from the cache)
        bool carriesLinkParts = false;     // the page holds link-part elements
        bool written = false;              // the page file was rewritten
        std::vector<std::wstring> changed; // ids of the parts replaced, in page order
        std::vector<std::wstring> missing; // ids with no element in a generated page (left as they are)
        std::string error;                 // why the page was not refreshed; "" when nothing went wrong
    };
    // Refreshes one page (a path the page rule accepts, or one candidatePages gave). A page
    // without the text "zebsitec" is not parsed. The error is set when the rule refuses the page
    // or it cannot be read or written.
    Outcome refreshPage(const std::wstring& path);

    // Whether the text is a link-part id: zebsitec + three digits + table000001, any case.
    static bool isLinkPartId(const std::wstring& id);

private:
    // The markup of the link part's element in its generated page, as the module wrote it; ""
    // when the page or the element is missing.
    const std::wstring& generatedMarkup(const std::wstring& id);
    // The stamp of the link part's generated page, taken once, before it is read.
    const PageRefreshCache::Stamp& generatedStamp(const std::wstring& id);
    // Whether the cache knows the page's outcome; sets it then.
    bool knownFromCache(const std::string& inSite, const PageRefreshCache::Stamp& stamp, Outcome& outcome);

    std::wstring site_;
    std::string siteNative_; // the site folder in UTF-8
    std::map<std::wstring, std::wstring> generated_;
    std::map<std::wstring, PageRefreshCache::Stamp> generatedStamps_;
    // A page candidatePages listed: its path and its stamp when it was listed.
    struct Candidate {
        std::string native; // in UTF-8
        std::wstring path;
        PageRefreshCache::Stamp stamp;
    };
    // Lists the pages below the folder (a path in UTF-8) into candidates_; resolved: the folder's
    // path has no links in it.
    void walk(const std::string& folder, int depth, bool resolved);
    // The listed page of that path; null when it was not listed.
    const Candidate* findCandidate(const std::wstring& path);

    std::vector<Candidate> candidates_; // sorted by path
    std::size_t next_ = 0;              // the candidate after the one refreshed last
    std::vector<std::string> kept_;     // the pages known from the cache, by their path in the site
    bool cacheOn_ = false;
    std::string cacheBytes_;   // the cache file as it was read
    PageRefreshCache lastRun_; // what the last refresh learned
    PageRefreshCache thisRun_; // what this one learned
};
