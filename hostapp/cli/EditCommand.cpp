#include <cstdio>
#include <optional>

#include "Commands.h"
#include "PageEditor.h"
#include "SiteContext.h"
#include "platform/TerminalDialogBackEnd.h"

namespace {

int run(CommandContext& context)
{
    std::optional<std::string> page;
    std::optional<std::string> cursor;
    for (std::size_t i = 0; i < context.args.size(); ++i) {
        const std::string& arg = context.args[i];
        if (arg == "--cursor") {
            if (i + 1 >= context.args.size()) {
                std::fputs("zebhost: edit: --cursor needs an ID\n", stderr);
                return kExitUsage;
            }
            cursor = context.args[++i];
        } else if (arg.size() > 1 && arg[0] == '-') {
            std::fprintf(stderr, "zebhost: edit: unknown option %s\n", arg.c_str());
            return kExitUsage;
        } else if (!page) {
            page = arg;
        } else {
            std::fputs("zebhost: edit takes one PAGE\n", stderr);
            return kExitUsage;
        }
    }
    if (!page) {
        std::fputs("zebhost: edit needs a PAGE\n", stderr);
        return kExitUsage;
    }
    if (!platform::TerminalDialogBackEnd::available()) {
        std::fputs("zebhost: edit needs a terminal (use apply to script the dialog)\n", stderr);
        return kExitFailed;
    }
    SiteContext site;
    if (!site.open(context.options.siteDir, false)) {
        std::fprintf(stderr, "zebhost: %s\n", site.error().c_str());
        return kExitFailed;
    }
    PageEditor editor(context, site);
    if (const int code = editor.open(*page, cursor, true); code != kExitOk)
        return code;
    if (!site.makeSiteMenuFolder()) {
        std::fprintf(stderr, "zebhost: %s\n", site.error().c_str());
        return kExitFailed;
    }
    platform::TerminalDialogBackEnd backEnd;
    const int status = editor.runDialog(backEnd, true);
    // Ctrl-C cancelled the dialog, so nothing was saved; the exit code tells the shell it was
    // interrupted.
    return backEnd.interrupted() ? kExitInterrupted : status;
}

const CommandRegistrar registrar({"edit", "PAGE [--cursor ID]",
                                   "edit PAGE's link parts in the dialog in the terminal and save it", true, &run});

} // namespace
