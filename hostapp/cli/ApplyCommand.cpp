#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdio>
#include <optional>

#include "Commands.h"
#include "PageEditor.h"
#include "SiteContext.h"
#include "platform/PageWriter.h"
#include "platform/ScriptedDialogBackEnd.h"
#include "platform/TextConv.h"

namespace {

// The buttons of the link-part dialog, by the mnemonic their texts show the user.
constexpr wchar_t kSelectAllMnemonic = L'A';
constexpr wchar_t kClearAllMnemonic = L'D';

// The dialog action that checks or unchecks the item of the named category: the dialog's items
// carry their category's number, so the action finds the item by it (whether and how the dialog
// lists the category is the dialog's own business). False after printing the error when no
// category has that name.
bool itemActionFor(const SiteContext& site, const std::string& arg, bool check, platform::DialogAction& action)
{
    const std::wstring name = platform::fromUtf8(arg);
    const int position = site.positionOf(name);
    if (position < 0) {
        std::fprintf(stderr, "zebhost: %s: no category named \"%s\"\n", site.display(site.categoryListPath()).c_str(),
                     arg.c_str());
        return false;
    }
    const auto number = static_cast<std::uintptr_t>(site.categories().at(static_cast<std::size_t>(position)).number);
    const std::wstring what = L"the category \"" + name + L"\"";
    action =
        check ? platform::DialogAction::checkData(number, what) : platform::DialogAction::uncheckData(number, what);
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
            actions.push_back(platform::DialogAction::pressMnemonic(kSelectAllMnemonic));
        } else if (step.kind == Step::ClearAll) {
            actions.push_back(platform::DialogAction::pressMnemonic(kClearAllMnemonic));
        } else {
            platform::DialogAction action = platform::DialogAction::ok();
            if (!itemActionFor(site, step.name, step.kind == Step::Check, action))
                return kExitFailed;
            actions.push_back(action);
        }
    }
    actions.push_back(cancel ? platform::DialogAction::cancel() : platform::DialogAction::ok());

    PageEditor editor(context, site);
    if (const int code = editor.open(options.page, options.cursor, !cancel); code != kExitOk)
        return code;
    // Whether the dialog has an item for each named category is the dialog's to say: the script is
    // tried on it first and cancelled, so that a category it does not list stops the run before
    // anything is made or written.
    const bool namesItems =
        std::any_of(options.steps.begin(), options.steps.end(), [](const Step& step) { return !step.name.empty(); });
    if (namesItems && !cancel) {
        std::vector<platform::DialogAction> trial = actions;
        trial.back() = platform::DialogAction::cancel();
        platform::ScriptedDialogBackEnd trialBackEnd(std::move(trial));
        if (const int code = editor.runDialog(trialBackEnd, false); code != kExitOk)
            return code;
    }
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
