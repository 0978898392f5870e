#include <CLI/CLI.hpp>

#include <cstdio>

#include "Commands.h"
#include "PageEditor.h"
#include "SiteContext.h"
#include "platform/ScriptedDialogBackEnd.h"
#include "platform/TextConv.h"

namespace {

std::string page;

void declare(CLI::App& command)
{
    command.add_option("PAGE", page, "the page, relative to the site folder")->required();
}

int run(CommandContext& context)
{
    SiteContext site;
    if (!site.open(context.options.siteDir, false)) {
        std::fprintf(stderr, "zebhost: %s\n", site.error().c_str());
        return kExitFailed;
    }
    PageEditor editor(context, site);
    if (const int code = editor.open(page, std::nullopt, false); code != kExitOk)
        return code;
    // The dialog opens with the page's checks and is cancelled at once: the page stays as it is.
    platform::ScriptedDialogBackEnd backEnd({platform::DialogAction::cancel()});
    const int code = editor.runDialog(backEnd, false);
    if (code != kExitOk)
        return code;
    for (const platform::CheckListItemState& item : backEnd.lastOutcome().items)
        std::printf("[%s] %s\n",
                    item.check == 1   ? "x"
                    : item.check == 2 ? "-"
                                      : " ",
                    platform::printable(item.text).c_str());
    return kExitOk;
}

const CommandRegistrar registrar({"items", "list the link-part dialog's items for PAGE with their checks", true,
                                  &declare, &run});

} // namespace
