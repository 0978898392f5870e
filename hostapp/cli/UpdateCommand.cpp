#include <CLI/CLI.hpp>

#include "Commands.h"
#include "SiteUpdate.h"

namespace {

struct Options {
    std::vector<std::string> names;
    bool noPages = false;
    bool dryRun = false;
    bool rebuild = false;
} options;

void declare(CLI::App& command)
{
    command.add_option("NAME", options.names, "a category's name (default: every category)");
    command.add_flag("--no-pages", options.noPages, "leave the link parts of the site's pages as they are");
    command.add_flag("--dry-run", options.dryRun,
                     "say which pages would be written and which link parts each page would change; write nothing");
    command.add_flag("--rebuild", options.rebuild,
                     "make every generated page of the categories anew, whatever the file times (after the "
                     "template changed)");
}

int run(CommandContext& context)
{
    SiteUpdate::Request request{options.names, !options.noPages, options.dryRun, options.rebuild};
    return SiteUpdate::run(context.options, *context.module, request).exitCode;
}

const CommandRegistrar registrar({"update",
                                  "bring the generated pages of the named categories (default: all) up to date, "
                                  "then the link parts of the site's pages",
                                  true, &declare, &run});

} // namespace
