#include <cstdio>
#include <optional>

#include "Commands.h"
#include "LinkPartDialogIds.h"
#include "PageEditor.h"
#include "SiteContext.h"
#include "platform/ResourceChain.h"
#include "platform/ScriptedDialogBackEnd.h"
#include "platform/TextConv.h"

namespace {

// The dialog item that stands for the category: the second category's item is the calendar's,
// every other the category format with the name. False after printing the error when the
// category is unknown or not listed (the fourth category never is).
bool itemTextFor(const SiteContext& site, const std::string& arg, std::wstring& text)
{
    const std::wstring name = platform::fromUtf8(arg);
    const int position = site.positionOf(name);
    if (position < 0) {
        std::fprintf(stderr, "zebhost: %s: no category named \"%s\"\n", site.display(site.categoryListPath()).c_str(),
                     arg.c_str());
        return false;
    }
    if (position == 3) {
        std::fprintf(stderr, "zebhost: %s: category \"%s\" is the fourth of the list, which the dialog does not list\n",
                     site.display(site.categoryListPath()).c_str(), arg.c_str());
        return false;
    }
    std::wstring format;
    if (position == 1) {
        platform::ResourceChain::loadString(kCalendarItemText, text);
        return true;
    }
    platform::ResourceChain::loadString(kCategoryItemFormat, format);
    const std::size_t at = format.find(L"%s");
    text = at == std::wstring::npos ? format : format.replace(at, 2, name);
    return true;
}

int run(CommandContext& context)
{
    std::optional<std::string> page;
    std::optional<std::string> cursor;
    bool cancel = false;
    // Actions keep the order of the command line; names are resolved once the site is open.
    struct Step {
        std::string option;
        std::string name;
    };
    std::vector<Step> steps;
    for (std::size_t i = 0; i < context.args.size(); ++i) {
        const std::string& arg = context.args[i];
        auto value = [&](const char* option) -> std::optional<std::string> {
            if (i + 1 >= context.args.size()) {
                std::fprintf(stderr, "zebhost: apply: %s needs a NAME\n", option);
                return std::nullopt;
            }
            return context.args[++i];
        };
        if (arg == "--select-all" || arg == "--clear-all") {
            steps.push_back({arg, {}});
        } else if (arg == "--check" || arg == "--uncheck") {
            std::optional<std::string> name = value(arg.c_str());
            if (!name)
                return kExitUsage;
            steps.push_back({arg, *name});
        } else if (arg == "--cancel") {
            cancel = true;
        } else if (arg == "--cursor") {
            cursor = value("--cursor");
            if (!cursor)
                return kExitUsage;
        } else if (arg.size() > 1 && arg[0] == '-') {
            std::fprintf(stderr, "zebhost: apply: unknown option %s\n", arg.c_str());
            return kExitUsage;
        } else if (!page) {
            page = arg;
        } else {
            std::fputs("zebhost: apply takes one PAGE\n", stderr);
            return kExitUsage;
        }
    }
    if (!page) {
        std::fputs("zebhost: apply needs a PAGE\n", stderr);
        return kExitUsage;
    }

    // Nothing is created before the page is known to be one the host may change; a cancelled run
    // writes nothing at all.
    SiteContext site;
    if (!site.open(context.options.siteDir, false)) {
        std::fprintf(stderr, "zebhost: %s\n", site.error().c_str());
        return kExitFailed;
    }
    std::vector<platform::DialogAction> actions;
    for (const Step& step : steps) {
        if (step.option == "--select-all") {
            actions.push_back(platform::DialogAction::press(kSelectAllButton));
        } else if (step.option == "--clear-all") {
            actions.push_back(platform::DialogAction::press(kClearAllButton));
        } else {
            std::wstring text;
            if (!itemTextFor(site, step.name, text))
                return kExitFailed;
            actions.push_back(step.option == "--check" ? platform::DialogAction::check(text)
                                                       : platform::DialogAction::uncheck(text));
        }
    }
    actions.push_back(cancel ? platform::DialogAction::cancel() : platform::DialogAction::ok());

    PageEditor editor(context, site);
    if (const int code = editor.open(*page, cursor, !cancel); code != kExitOk)
        return code;
    if (!cancel && !site.makeSiteMenuFolder()) {
        std::fprintf(stderr, "zebhost: %s\n", site.error().c_str());
        return kExitFailed;
    }
    platform::ScriptedDialogBackEnd backEnd(std::move(actions));
    return editor.runDialog(backEnd, true);
}

const CommandRegistrar registrar(
    {"apply", "PAGE [--select-all] [--clear-all] [--check NAME]... [--uncheck NAME]... [--cancel] [--cursor ID]",
     "run the link-part dialog on PAGE with the given actions, then OK (or Cancel), and save it", true, &run});

} // namespace
