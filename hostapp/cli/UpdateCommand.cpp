#include "Commands.h"
#include "SiteUpdate.h"

namespace {

int run(CommandContext& context) { return SiteUpdate::run(context.options, *context.module, context.args).exitCode; }

const CommandRegistrar registrar({"update", "[--no-pages] [NAME...]",
                                   "bring the generated pages of the named categories (default: all) up to date, "
                                   "then the link parts of the site's pages (not with --no-pages)",
                                   true, &run});

} // namespace
