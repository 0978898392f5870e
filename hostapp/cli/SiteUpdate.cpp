#include "SiteUpdate.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <optional>

#include "HostApplication.h"
#include "LinkPartTemplate.h"
#include "ModuleLoader.h"
#include "RebuildScope.h"
#include "SiteContext.h"
#include "SitePageRefresher.h"
#include "WriteLog.h"
#include "host/CZebAppEngineer.h"
#include "platform/FileException.h"
#include "platform/PageWriter.h"
#include "platform/Path.h"
#include "platform/TextConv.h"
#include "platform/Wtoi.h"

namespace {

// Counts the module's refresh requests.
class RefreshCounter : public CZebRefreshTarget {
public:
    void refresh() override { ++count; }
    int count = 0;
};

// The link-part ids with their category names, for messages: "zebsitec000table000001 (お知らせ)".
std::string describeParts(const SiteContext& site, const std::vector<std::wstring>& ids)
{
    std::string out;
    for (const std::wstring& id : ids) {
        const std::wstring name = site.nameOf(platform::wtoi(id.substr(8, 3)));
        out += (out.empty() ? "" : ", ") + platform::toUtf8(id) +
               (name.empty() ? std::string() : " (" + platform::printable(name) + ")");
    }
    return out;
}

// Refreshes the link parts of every page of the site from the generated pages. Prints each page
// refreshed and its parts; returns the number of pages that could not be refreshed, and counts
// the pages refreshed in refreshed.
int refreshPages(const SiteContext& site, bool verbose, int& refreshed)
{
    SitePageRefresher refresher(site.folder());
    refresher.useCache();
    const std::size_t pages = refresher.listPages();
    int failures = 0;
    int carrying = 0;
    int read = 0;
    for (std::size_t i = 0; i < pages; ++i) {
        const SitePageRefresher::Outcome outcome = refresher.refreshListed(i);
        carrying += outcome.carriesLinkParts ? 1 : 0;
        read += outcome.read ? 1 : 0;
        if (outcome.error.empty() && !outcome.written && outcome.missing.empty())
            continue;
        const std::string shown = site.display(refresher.listedPage(i));
        if (!outcome.error.empty()) {
            std::fprintf(stderr, "zebhost: %s: not refreshed: %s\n", shown.c_str(), outcome.error.c_str());
            ++failures;
        } else if (outcome.written) {
            ++refreshed;
            say("%s %s: %s\n", platform::PageWriter::isDryRun() ? "would refresh" : "refreshed", shown.c_str(),
                describeParts(site, outcome.changed).c_str());
        }
        if (!outcome.missing.empty())
            std::fprintf(stderr, "zebhost: warning: %s: no generated page holds %s; left as it is\n", shown.c_str(),
                         describeParts(site, outcome.missing).c_str());
    }
    // What was learnt spares the next run reading the pages; without it, that run reads them all.
    try {
        refresher.saveCache();
    } catch (const platform::FileException& e) {
        std::fprintf(stderr, "zebhost: warning: %s: not written: %s\n", site.display(refresher.cacheFile()).c_str(),
                     e.reason().c_str());
    }
    if (verbose)
        say("  %d of %zu pages carry link parts; %d read\n", carrying, pages, read);
    return failures;
}

// The requested categories (the diary aside, which needs no template) whose list page the update
// did not write and that is missing, empty or older than its data file (a rebuild: any not
// written): they got no link part.
std::vector<std::wstring> categoriesWithoutListPage(const SiteContext& site, const std::vector<std::wstring>& names,
                                                    const std::vector<std::wstring>& written, bool rebuild)
{
    auto stat = [](const std::wstring& path, struct stat& st) {
        return ::stat(platform::nativePath(path).c_str(), &st) == 0;
    };
    std::vector<std::wstring> out;
    for (const SiteCategory& category : site.categories()) {
        if (category.number == 1 || category.number > 999 ||
            std::find(names.begin(), names.end(), category.name) == names.end() ||
            std::find(out.begin(), out.end(), category.name) != out.end())
            continue;
        const std::wstring base = platform::formatW(L"zebsitec%03dtable000001", category.number);
        const std::wstring pagePath = site.folder() + L"/ZebSitemenu/" + base + L".html";
        if (std::find(written.begin(), written.end(), pagePath) != written.end())
            continue;
        if (rebuild) {
            out.push_back(category.name);
            continue;
        }
        struct stat page {};
        struct stat data {};
        const bool hasPage = stat(pagePath, page) && page.st_size > 0;
        const bool hasData = stat(site.folder() + L"/qcms/" + base + L".xml", data);
        if (!hasPage || (hasData && page.st_mtime < data.st_mtime))
            out.push_back(category.name);
    }
    return out;
}

// Says once when the link-part template cannot serve; returns whether a requested category got
// no list page because of it.
bool reportTemplate(const SiteContext& site, const std::vector<std::wstring>& names,
                    const std::vector<std::wstring>& written, bool rebuild)
{
    bool needsTemplate = false;
    for (const SiteCategory& category : site.categories())
        needsTemplate = needsTemplate ||
                        (category.number != 1 && std::find(names.begin(), names.end(), category.name) != names.end());
    const std::string problem = needsTemplate ? LinkPartTemplate::problem() : std::string();
    if (problem.empty())
        return false;
    const std::string path = platform::toUtf8(LinkPartTemplate::path());
    std::string unmade;
    for (const std::wstring& name : categoriesWithoutListPage(site, names, written, rebuild))
        unmade += (unmade.empty() ? "" : ", ") + platform::printable(name);
    if (unmade.empty()) {
        std::fprintf(stderr, "zebhost: warning: %s: link-part template %s; no category link part can be made\n",
                     path.c_str(), problem.c_str());
        return false;
    }
    std::fprintf(stderr, "zebhost: %s: link-part template %s; no link part for %s\n", path.c_str(), problem.c_str(),
                 unmade.c_str());
    return true;
}

} // namespace

SiteUpdate::Outcome SiteUpdate::run(const GlobalOptions& options, const ModuleLoader& loader, const Request& request)
{
    Outcome outcome;
    SiteContext site;
    if (!site.open(options.siteDir, false)) {
        std::fprintf(stderr, "zebhost: %s\n", site.error().c_str());
        return outcome.failed(kExitFailed);
    }
    std::vector<std::wstring> names;
    for (const std::string& arg : request.names) {
        const std::wstring name = platform::fromUtf8(arg);
        if (site.positionOf(name) < 0) {
            std::fprintf(stderr, "zebhost: %s: no category named \"%s\"\n",
                         site.display(site.categoryListPath()).c_str(), arg.c_str());
            return outcome.failed(kExitFailed);
        }
        names.push_back(name);
    }
    if (names.empty()) {
        for (const SiteCategory& category : site.categories())
            names.push_back(category.name);
    }
    // A dry run leaves a missing site-menu folder missing; its pages are kept in memory.
    if (!request.dryRun && !site.makeSiteMenuFolder()) {
        std::fprintf(stderr, "zebhost: %s\n", site.error().c_str());
        return outcome.failed(kExitFailed);
    }
    const platform::PageWriter::DryRun dryRun(request.dryRun);
    std::optional<RebuildScope> rebuild;
    if (request.rebuild) {
        std::vector<int> numbers;
        for (const SiteCategory& category : site.categories())
            if (std::find(names.begin(), names.end(), category.name) != names.end())
                numbers.push_back(category.number);
        rebuild.emplace(site.folder() + L"/ZebSitemenu", numbers);
    }

    std::unique_ptr<CZebTmplCIF> module = loader.createInterface();
    if (!module) {
        std::fputs("zebhost: the module gave no interface object\n", stderr);
        return outcome.failed(kExitModuleError);
    }
    RefreshCounter refresh;
    setRefreshTarget(&refresh);
    int failures = 0;
    std::vector<std::wstring> written;
    {
        WriteLog log;
        try {
            // The pages are flushed to disk together when the module is done.
            platform::PageWriter::Batch batch;
            module->updateLinkParts(names, nullptr);
        } catch (const platform::FileException& e) {
            // A write error ends the run (the module catches nothing). What was written before it
            // is said all the same; the error itself is the host's one line on the way out.
            setRefreshTarget(nullptr);
            log.report(site, options.verbose, e.path());
            throw;
        }
        setRefreshTarget(nullptr);
        failures = log.report(site, options.verbose);
        outcome.pagesWritten = log.writtenCount();
        for (const WriteLog::Entry& entry : log.entries())
            if (entry.written)
                written.push_back(entry.path);
    }
    rebuild.reset();
    failures += reportTemplate(site, names, written, request.rebuild) ? 1 : 0;
    // The module asks for a refresh when it is done: the published pages take up what changed.
    if (refresh.count > 0 && request.refreshPages)
        failures += refreshPages(site, options.verbose, outcome.pagesRefreshed);
    outcome.exitCode = failures > 0 ? kExitFailed : kExitOk;
    return outcome;
}
