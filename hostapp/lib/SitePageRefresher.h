#pragma once
#include <map>
#include <string>
#include <string_view>
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
    // Lists the same pages as candidatePages, for listedPage and refreshListed; returns their
    // count. A site of thousands of pages is refreshed without a wide path for each.
    std::size_t listPages();
    // The path of the listed page at the index (below the count listPages returned).
    std::wstring listedPage(std::size_t index) const;

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
    // Refreshes the listed page at the index (below the count listPages returned), as
    // refreshPage does.
    Outcome refreshListed(std::size_t index);

    // Whether the text is a link-part id: zebsitec + three digits + table000001, any case.
    static bool isLinkPartId(const std::wstring& id);

private:
    // The markup of the link part's element in its generated page, as the module wrote it; ""
    // when the page or the element is missing.
    const std::wstring& generatedMarkup(const std::wstring& id);
    // The stamp of the link part's generated page, taken once, before it is read.
    const PageRefreshCache::Stamp& generatedStamp(const std::wstring& id);
    // Whether the cache knows the page's outcome; sets it then.
    bool knownFromCache(std::string_view inSite, const PageRefreshCache::Stamp& stamp, Outcome& outcome);

    std::wstring site_;
    std::string siteNative_;    // the site folder in UTF-8
    std::vector<char> listing_; // a folder's entries as the kernel hands them out, one folder at a time
    std::map<std::wstring, std::wstring> generated_;
    std::map<std::wstring, PageRefreshCache::Stamp> generatedStamps_;
    // A page listPages listed: its path in UTF-8 (in paths_) and its stamp when it was listed.
    struct Candidate {
        std::size_t at;
        std::size_t length;
        PageRefreshCache::Stamp stamp;
    };
    std::string_view native(const Candidate& candidate) const;
    // Lists the pages below the folder (a path in UTF-8) into candidates_; resolved: the folder's
    // path has no links in it.
    void walk(const std::string& folder, int depth, bool resolved);
    // The index of the listed page of that path; candidates_.size() when it was not listed.
    std::size_t findCandidate(const std::wstring& path);
    // Refreshes the page at path, with its path in UTF-8 and its stamp when listed (candidate
    // null: not listed).
    Outcome refresh(const std::wstring& path, const Candidate* candidate);

    std::vector<Candidate> candidates_; // sorted by path
    bool listedInOrder_ = true;         // the walk listed no page through a link: candidates_ is in order
    std::string paths_;                 // the listed pages' paths, one after another
    std::size_t next_ = 0;              // the candidate after the one refreshed last
    // The pages known from the cache, by their index in lastRun_.
    std::vector<std::size_t> kept_;
    bool cacheOn_ = false;
    bool cacheRead_ = false;   // the cache file was read whole; lastRun_ holds its bytes
    std::string cacheWritten_; // the bytes this refresher last wrote to the cache file
    PageRefreshCache lastRun_; // what the last refresh learned
    PageRefreshCache thisRun_; // what this one learned
};
