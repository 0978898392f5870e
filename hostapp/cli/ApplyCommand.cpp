#include <CLI/CLI.hpp>

#include <cstdio>
#include <optional>

#include "Commands.h"
#include "LinkPartDialogIds.h"
#include "PageEditor.h"
#include "SiteContext.h"
#include "platform/PageWriter.h"
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

// A dialog action of the command line; they are done in the order given.
struct Step {
    enum Kind { SelectAll, ClearAll, Check, Uncheck } kind;
    std::string name;
};

struct Options {
    std::string page;
    std::optional<std::string> cursor;
    bool cancel = false;
    bool dryRun = false;
    std::vector<Step> steps;
} options;

void declare(CLI::App& command)
{
    command.add_option("PAGE", options.page, "the page, relative to the site folder")->required();
    // Triggered as they are read, so that the steps keep the order of the command line.
    auto step = [&command](const char* flag, Step::Kind kind, const char* help) {
        command
            .add_flag_callback(
                flag,
                [kind] {
                    options.steps.push_back({kind, {}});
                },
                help)
            ->trigger_on_parse();
    };
    auto named = [&command](const char* flag, Step::Kind kind, const char* help) {
        command
            .add_option_function<std::string>(
                flag,
                [kind](const std::string& name) {
                    options.steps.push_back({kind, name});
                },
                help)
            ->type_name("NAME")
            ->trigger_on_parse();
    };
    step("--select-all", Step::SelectAll, "press \"select all\"");
    step("--clear-all", Step::ClearAll, "press \"clear all\"");
    named("--check", Step::Check, "check the item of the category NAME (the diary's name for the calendar)");
    named("--uncheck", Step::Uncheck, "uncheck the item of the category NAME");
    command.add_flag("--cancel", options.cancel, "press Cancel instead of OK: nothing changes");
    command.add_option("--cursor", options.cursor, "put new link parts at the end of the element with this id")
        ->type_name("ID");
    command.add_flag("--dry-run", options.dryRun,
                     "say which link parts the page would gain or lose and which pages would be written; write "
                     "nothing");
}

int run(CommandContext& context)
{
    const bool cancel = options.cancel;
    // Nothing is created before the page is known to be one the host may change; a cancelled run
    // writes nothing at all.
    SiteContext site;
    if (!site.open(context.options.siteDir, false)) {
        std::fprintf(stderr, "zebhost: %s\n", site.error().c_str());
        return kExitFailed;
    }
    std::vector<platform::DialogAction> actions;
    for (const Step& step : options.steps) {
        if (step.kind == Step::SelectAll) {
            actions.push_back(platform::DialogAction::press(kSelectAllButton));
        } else if (step.kind == Step::ClearAll) {
            actions.push_back(platform::DialogAction::press(kClearAllButton));
        } else {
            std::wstring text;
            if (!itemTextFor(site, step.name, text))
                return kExitFailed;
            actions.push_back(step.kind == Step::Check ? platform::DialogAction::check(text)
                                                       : platform::DialogAction::uncheck(text));
        }
    }
    actions.push_back(cancel ? platform::DialogAction::cancel() : platform::DialogAction::ok());

    PageEditor editor(context, site);
    if (const int code = editor.open(options.page, options.cursor, !cancel); code != kExitOk)
        return code;
    // A dry run leaves a missing site-menu folder missing; its pages are kept in memory.
    if (!cancel && !options.dryRun && !site.makeSiteMenuFolder()) {
        std::fprintf(stderr, "zebhost: %s\n", site.error().c_str());
        return kExitFailed;
    }
    const platform::PageWriter::DryRun dryRun(options.dryRun);
    platform::ScriptedDialogBackEnd backEnd(std::move(actions));
    return editor.runDialog(backEnd, true);
}

const CommandRegistrar registrar({"apply",
                                  "run the link-part dialog on PAGE with the given actions, then OK (or Cancel), and "
                                  "save it",
                                  true, &declare, &run});

} // namespace
