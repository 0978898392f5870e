#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "Commands.h"
#include "HostInstallation.h"
#include "HostVersion.h"
#include "ModuleLoader.h"
#include "platform/Clock.h"
#include "platform/TextConv.h"

namespace {

void printHelp()
{
    std::printf("usage: zebhost [OPTIONS] COMMAND [ARGS]\n\n"
                "%s: the stand-in host that loads the link-part module and calls it.\n\n"
                "Options:\n"
                "  --help           show this help\n"
                "  --module PATH    load the module from PATH (default: libzebcmlinkparts.so beside the host library)\n"
                "  --data DIR       the host's data folder (default: ZEBHOST_DATA_DIR, else the installed one)\n"
                "  --site DIR       the current site's folder (default: the current folder)\n"
                "  --now WHEN       fix the clock: YYYY-MM-DD[THH:MM[:SS]] (local time) or @SECONDS\n"
                "  -v               tell more\n\n"
                "Commands:\n",
                zebHostVersion());
    for (const Command& command : CommandRegistry::all()) {
        std::string head = std::string(command.name) + (*command.usage ? std::string(" ") + command.usage : "");
        std::printf("  %-28s %s\n", head.c_str(), command.summary);
    }
    std::printf("\nExit codes: 0 done, 1 failed, 2 bad command line, 3 module not loaded.\n");
}

// Seconds since 1970-01-01 UTC of "@SECONDS", "YYYY-MM-DD" or "YYYY-MM-DDTHH:MM[:SS]" (local time).
bool parseMoment(const std::string& text, std::int64_t& moment)
{
    if (!text.empty() && text[0] == '@') {
        char* end = nullptr;
        long long seconds = std::strtoll(text.c_str() + 1, &end, 10);
        if (text.size() < 2 || *end)
            return false;
        moment = seconds;
        return true;
    }
    std::tm parts{};
    int used = 0;
    int n = std::sscanf(text.c_str(), "%4d-%2d-%2d%n", &parts.tm_year, &parts.tm_mon, &parts.tm_mday, &used);
    if (n != 3)
        return false;
    if (static_cast<std::size_t>(used) != text.size()) {
        // THH:MM, seconds optional.
        int more = 0;
        if (std::sscanf(text.c_str() + used, "T%2d:%2d%n", &parts.tm_hour, &parts.tm_min, &more) != 2)
            return false;
        used += more;
        if (static_cast<std::size_t>(used) != text.size()) {
            more = 0;
            if (std::sscanf(text.c_str() + used, ":%2d%n", &parts.tm_sec, &more) != 1)
                return false;
            used += more;
        }
        if (static_cast<std::size_t>(used) != text.size())
            return false;
    } else {
        parts.tm_hour = 12;
    }
    if (parts.tm_mon < 1 || parts.tm_mon > 12 || parts.tm_mday < 1 || parts.tm_mday > 31)
        return false;
    parts.tm_year -= 1900;
    parts.tm_mon -= 1;
    parts.tm_isdst = -1;
    std::time_t t = std::mktime(&parts);
    if (t == static_cast<std::time_t>(-1))
        return false;
    moment = static_cast<std::int64_t>(t);
    return true;
}

int usageError(const std::string& message)
{
    std::fprintf(stderr, "zebhost: %s (see zebhost --help)\n", message.c_str());
    return kExitUsage;
}

} // namespace

int main(int argc, char** argv)
{
    GlobalOptions options;
    std::string commandName;
    std::vector<std::string> args;
    bool help = false;
    bool optionsEnd = false;

    // A path or name that is not UTF-8 would be read as another one (its bad bytes replaced):
    // "site\xff" selected an existing "site\xef\xbf\xbd".
    for (int i = 1; i < argc; ++i) {
        if (!platform::isUtf8(argv[i]))
            return usageError("\"" + platform::printable(platform::fromUtf8(argv[i])) + "\" is not valid UTF-8 text");
    }

    // Global options may stand anywhere before "--"; the rest belongs to the command.
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= argc)
                return false;
            out = argv[++i];
            return true;
        };
        if (optionsEnd) {
            (commandName.empty() ? commandName : args.emplace_back()) = arg;
        } else if (arg == "--") {
            optionsEnd = true;
        } else if (arg == "--help" || arg == "-h") {
            help = true;
        } else if (arg == "--module") {
            if (!value(options.modulePath))
                return usageError("--module needs a PATH");
        } else if (arg == "--data") {
            std::string dir;
            if (!value(dir))
                return usageError("--data needs a DIR");
            HostInstallation::setDataFolder(dir);
        } else if (arg == "--site") {
            if (!value(options.siteDir))
                return usageError("--site needs a DIR");
        } else if (arg == "--now") {
            std::string when;
            std::int64_t moment = 0;
            if (!value(when) || !parseMoment(when, moment))
                return usageError("--now needs YYYY-MM-DD, YYYY-MM-DDTHH:MM[:SS] or @SECONDS");
            options.now = moment;
        } else if (arg == "-v") {
            options.verbose = true;
        } else if (commandName.empty()) {
            if (arg.size() > 1 && arg[0] == '-')
                return usageError("unknown option " + arg);
            commandName = arg;
        } else {
            args.push_back(arg);
        }
    }

    if (help || commandName.empty()) {
        printHelp();
        return help ? kExitOk : kExitUsage;
    }
    const Command* command = CommandRegistry::find(commandName);
    if (!command)
        return usageError("unknown command " + commandName);

    if (options.now)
        platform::Clock::fix(*options.now);
    if (options.modulePath.empty())
        options.modulePath = ModuleLoader::defaultModulePath();

    ModuleLoader loader(options.modulePath);
    if (command->needsModule && !loader.load()) {
        std::fprintf(stderr, "zebhost: %s\n", loader.error().c_str());
        return kExitModuleError;
    }
    CommandContext context{options, command->needsModule ? &loader : nullptr, std::move(args)};
    // The module catches nothing: a page that could not be written, or any other failure inside
    // it, ends up here.
    try {
        return command->run(context);
    } catch (...) {
        return reportCurrentException();
    }
}
