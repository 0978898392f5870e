#include <cstdio>

#include "Commands.h"
#include "HostApplication.h"
#include "ModuleLoader.h"
#include "SiteContext.h"
#include "WriteLog.h"
#include "host/CZebAppEngineer.h"
#include "platform/FileException.h"
#include "platform/TextConv.h"

namespace {

// Counts the module's refresh requests.
class RefreshCounter : public CZebRefreshTarget {
public:
    void refresh() override { ++count; }
    int count = 0;
};

int run(CommandContext& context)
{
    SiteContext site;
    if (!site.open(context.options.siteDir, false)) {
        std::fprintf(stderr, "zebhost: %s\n", site.error().c_str());
        return kExitFailed;
    }
    std::vector<std::wstring> names;
    for (const std::string& arg : context.args) {
        if (arg.size() > 1 && arg[0] == '-') {
            std::fprintf(stderr, "zebhost: update: unknown option %s\n", arg.c_str());
            return kExitUsage;
        }
        const std::wstring name = platform::fromUtf8(arg);
        if (site.positionOf(name) < 0) {
            std::fprintf(stderr, "zebhost: %s: no category named \"%s\"\n",
                         site.display(site.categoryListPath()).c_str(), arg.c_str());
            return kExitFailed;
        }
        names.push_back(name);
    }
    if (names.empty()) {
        for (const SiteCategory& category : site.categories())
            names.push_back(category.name);
    }
    if (!site.makeSiteMenuFolder()) {
        std::fprintf(stderr, "zebhost: %s\n", site.error().c_str());
        return kExitFailed;
    }

    std::unique_ptr<CZebTmplCIF> module = context.module->createInterface();
    if (!module) {
        std::fputs("zebhost: the module gave no interface object\n", stderr);
        return kExitModuleError;
    }
    RefreshCounter refresh;
    setRefreshTarget(&refresh);
    WriteLog log;
    try {
        module->updateLinkParts(names, nullptr);
    } catch (const platform::FileException& e) {
        // A write error ends the run (the module catches nothing). What was written before it
        // is said all the same; the error itself is the host's one line on the way out.
        setRefreshTarget(nullptr);
        log.report(site, context.options.verbose, e.path());
        throw;
    }
    setRefreshTarget(nullptr);

    const int failures = log.report(site, context.options.verbose);
    if (context.options.verbose && refresh.count > 0)
        std::printf("  the module asked the host to refresh\n");
    return failures > 0 ? kExitFailed : kExitOk;
}

const CommandRegistrar registrar({"update", "[NAME...]",
                                   "bring the generated pages of the named categories (default: all) up to date",
                                   true, &run});

} // namespace
