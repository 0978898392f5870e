#include <CLI/CLI.hpp>

#include "Commands.h"
#include "SiteUpdate.h"

namespace {

struct Options {
    std::vector<std::string> names;
    bool noPages = false;
} options;

void declare(CLI::App& command)
{
    command.add_option("NAME", options.names, "a category's name (default: every category)");
    command.add_flag("--no-pages", options.noPages, "leave the link parts of the site's pages as they are");
}

int run(CommandContext& context)
{
    return SiteUpdate::run(context.options, *context.module, {options.names, !options.noPages}).exitCode;
}

const CommandRegistrar registrar({"update",
                                   "bring the generated pages of the named categories (default: all) up to date, "
                                   "then the link parts of the site's pages",
                                   true, &declare, &run});

} // namespace
