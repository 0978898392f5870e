#pragma once
#include <string>
#include <vector>

#include "Commands.h"

class ModuleLoader;

// What `zebhost update` does, for the update command and for the rebuilds of `zebhost serve`: the
// module brings the generated pages of the named categories up to date, zebhost reports what was
// written and what failed, then refreshes the link parts of the site's pages (unless the request
// says not to). Every rebuild goes through here.
class SiteUpdate {
public:
    struct Outcome {
        int exitCode = kExitOk;
        int pagesWritten = 0;   // generated pages the module wrote
        int pagesRefreshed = 0; // published pages whose link parts were refreshed

        Outcome& failed(int code)
        {
            exitCode = code;
            return *this;
        }
    };

    // What to update.
    struct Request {
        std::vector<std::string> names; // the categories; none: every category
        bool refreshPages = true;       // then refresh the link parts of the site's pages
        bool dryRun = false;            // say what would be written, write nothing
        bool rebuild = false;           // make every generated page of the categories anew
    };

    // Runs the update on the site of the options. Prints what happened and returns the exit code
    // with the counts; a site that cannot be opened, or a name that is no category, is
    // kExitFailed with nothing done. A page write that fails after opening throws
    // platform::FileException, after the pages written before it were reported.
    static Outcome run(const GlobalOptions& options, const ModuleLoader& loader, const Request& request);
};
