#include <CLI/CLI.hpp>

#include <cstdio>

#include "Commands.h"
#include "SiteContext.h"
#include "platform/TextConv.h"

namespace {

void declare(CLI::App&) {}

int run(CommandContext& context)
{
    SiteContext site;
    if (!site.open(context.options.siteDir, false)) {
        std::fprintf(stderr, "zebhost: %s\n", site.error().c_str());
        return kExitFailed;
    }
    for (const SiteCategory& category : site.categories())
        std::printf("%3d %s\n", category.number, platform::printable(category.name).c_str());
    return kExitOk;
}

const CommandRegistrar registrar({"categories", "list the site's categories (number and name)", false, &declare, &run});

} // namespace
