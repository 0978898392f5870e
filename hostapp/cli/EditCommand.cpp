#include <CLI/CLI.hpp>

#include <cstdio>
#include <optional>

#include "Commands.h"
#include "PageEditor.h"
#include "SiteContext.h"
#include "TerminalDialog.h"

namespace {

struct Options {
    std::string page;
    std::optional<std::string> cursor;
} options;

void declare(CLI::App& command)
{
    command.add_option("PAGE", options.page, "the page, relative to the site folder")->required();
    command.add_option("--cursor", options.cursor, "put new link parts at the end of the element with this id")
        ->type_name("ID");
}

int run(CommandContext& context)
{
    std::string why;
    if (!TerminalDialog::available(why)) {
        if (why.empty())
            std::fputs("zebhost: edit needs a terminal (use apply to script the dialog)\n", stderr);
        else
            std::fprintf(stderr, "zebhost: %s\n", why.c_str());
        return kExitFailed;
    }
    SiteContext site;
    if (!site.open(context.options.siteDir, false)) {
        std::fprintf(stderr, "zebhost: %s\n", site.error().c_str());
        return kExitFailed;
    }
    PageEditor editor(context, site);
    if (const int code = editor.open(options.page, options.cursor, true); code != kExitOk)
        return code;
    if (!site.makeSiteMenuFolder()) {
        std::fprintf(stderr, "zebhost: %s\n", site.error().c_str());
        return kExitFailed;
    }
    const std::unique_ptr<platform::DialogBackEnd> backEnd = TerminalDialog::make(why);
    if (!backEnd) {
        std::fprintf(stderr, "zebhost: %s\n", why.c_str());
        return kExitFailed;
    }
    const int status = editor.runDialog(*backEnd, true);
    // Ctrl-C cancelled the dialog, so nothing was saved; the exit code tells the shell it was
    // interrupted.
    return backEnd->interrupted() ? kExitInterrupted : status;
}

const CommandRegistrar registrar({"edit", "edit PAGE's link parts in the dialog in the terminal and save it", true,
                                  &declare, &run});

} // namespace
