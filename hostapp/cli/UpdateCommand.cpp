#include "Commands.h"
#include "SiteUpdate.h"

namespace {

int run(CommandContext& context) { return SiteUpdate::run(context.options, *context.module, context.args).exitCode; }

const CommandRegistrar registrar({"update", "[--no-pages] [NAME...]",
                                   "bring the named categories' generated pages (default: all) up to date, then the "
                                   "site's pages that show them",
                                   true, &run});

} // namespace
