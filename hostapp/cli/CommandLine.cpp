#include "CommandLine.h"

#include <CLI/CLI.hpp>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <map>

#include "HostVersion.h"

namespace {

constexpr const char* kDescription = "Link parts for a site's CMS: regenerates the site's link-part pages, puts link "
                                     "parts into its pages and refreshes the pages that show them.";
constexpr const char* kFooter =
    "Exit codes: 0 done, 1 failed, 2 bad command line, 3 module not loaded, 130 the dialog was interrupted.\n"
    "\"zebhost help COMMAND\" or \"zebhost COMMAND --help\" shows a command's options.";

// The digits of text from at, at least one and at most max; -1 when there are none.
int readNumber(const std::string& text, std::size_t& at, std::size_t max)
{
    std::size_t end = at;
    while (end < text.size() && end - at < max && std::isdigit(static_cast<unsigned char>(text[end])))
        ++end;
    if (end == at)
        return -1;
    const int value = std::stoi(text.substr(at, end - at));
    at = end;
    return value;
}

bool leapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysIn(int year, int month)
{
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && leapYear(year) ? 29 : days[month - 1];
}

// "The following argument was not expected" reads as the rest of a sentence after "zebhost: ";
// a message that starts with a name ("TEXT is required", "--now: ...") keeps it.
std::string sentence(std::string message)
{
    if (message.size() > 1 && std::isupper(static_cast<unsigned char>(message[0])) &&
        std::islower(static_cast<unsigned char>(message[1])))
        message[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(message[0])));
    return message;
}

} // namespace

bool CommandLine::parseMoment(const std::string& text, std::int64_t& moment, std::string& why)
{
    const std::string forms = "use YYYY-MM-DD, YYYY-MM-DDTHH:MM[:SS] or @SECONDS";
    if (!text.empty() && text[0] == '@') {
        std::size_t at = 1;
        const bool negative = at < text.size() && text[at] == '-';
        at += negative ? 1 : 0;
        const std::size_t digits = at;
        while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])))
            ++at;
        if (at == digits || at != text.size() || at - digits > 15) {
            why = "\"" + text + "\" is not a number of seconds; " + forms;
            return false;
        }
        moment = std::stoll(text.substr(1));
        return true;
    }
    std::size_t at = 0;
    int field[6] = {0, 0, 0, 12, 0, 0};
    const char separators[6] = {0, '-', '-', 'T', ':', ':'};
    const std::size_t widths[6] = {4, 2, 2, 2, 2, 2};
    int fields = 0;
    for (; fields < 6 && (fields < 3 || at < text.size()); ++fields) {
        if (fields > 0 && (at >= text.size() || text[at++] != separators[fields]))
            break;
        if ((field[fields] = readNumber(text, at, widths[fields])) < 0)
            break;
    }
    if (at != text.size() || fields < 3 || fields == 4) {
        why = "\"" + text + "\" is not a date and time; " + forms;
        return false;
    }
    const int year = field[0], month = field[1], day = field[2], hour = field[3], minute = field[4], second = field[5];
    char buffer[96];
    if (year < 1)
        std::snprintf(buffer, sizeof buffer, "year %d is not 1 to 9999", year);
    else if (month < 1 || month > 12)
        std::snprintf(buffer, sizeof buffer, "month %d is not 1 to 12", month);
    else if (day < 1 || day > daysIn(year, month))
        std::snprintf(buffer, sizeof buffer, "%04d-%02d has no day %d (it has %d days)", year, month, day,
                      daysIn(year, month));
    else if (hour > 23)
        std::snprintf(buffer, sizeof buffer, "hour %d is not 0 to 23", hour);
    else if (minute > 59)
        std::snprintf(buffer, sizeof buffer, "minute %d is not 0 to 59", minute);
    else if (second > 59)
        std::snprintf(buffer, sizeof buffer, "second %d is not 0 to 59", second);
    else
        buffer[0] = '\0';
    if (buffer[0] != '\0') {
        why = "\"" + text + "\": " + buffer;
        return false;
    }
    std::tm parts{};
    parts.tm_year = year - 1900;
    parts.tm_mon = month - 1;
    parts.tm_mday = day;
    parts.tm_hour = hour;
    parts.tm_min = minute;
    parts.tm_sec = second;
    parts.tm_isdst = -1;
    const std::time_t t = std::mktime(&parts);
    // mktime moves a local time that a daylight-saving change skips; such a moment does not exist.
    if (t == static_cast<std::time_t>(-1) && !(parts.tm_year == 69 && parts.tm_mon == 11 && parts.tm_mday == 31)) {
        why = "\"" + text + "\" cannot be told as a moment on this system";
        return false;
    }
    if (parts.tm_hour != hour || parts.tm_min != minute || parts.tm_mday != day) {
        why = "\"" + text + "\" does not exist in the local time zone (a daylight-saving change skips it)";
        return false;
    }
    moment = static_cast<std::int64_t>(t);
    return true;
}

CommandLine::CommandLine() : app_(std::make_unique<CLI::App>(kDescription, "zebhost"))
{
    CLI::App& app = *app_;
    app.get_formatter()->label("SUBCOMMAND", "COMMAND");
    app.get_formatter()->label("REQUIRED", "");
    app.get_formatter()->column_width(22);
    app.footer(kFooter);
    app.set_help_flag("-h,--help", "show this help");
    app.set_version_flag("--version", zebHostVersion(), "show the version");
    app.add_option("--site", options_.siteDir, "the site folder (default: the current folder)")->type_name("DIR");
    app.add_option("--now", nowText_,
                   "fix the clock at a local time, YYYY-MM-DD[THH:MM[:SS]] or @SECONDS; files written get it as "
                   "their time")
        ->type_name("WHEN")
        ->check([](const std::string& text) {
            std::int64_t moment = 0;
            std::string why;
            return parseMoment(text, moment, why) ? std::string() : why;
        });
    app.add_flag("-v", options_.verbose, "list every file written");
    app.add_flag("-q", options_.quiet, "report only errors and warnings");
    app.add_option("--data", options_.dataDir,
                   "the host's data folder, which holds the link-part template "
                   "(default: ZEBHOST_DATA_DIR, else the installed one)")
        ->type_name("DIR")
        ->check([](const std::string& folder) {
            std::error_code ec;
            return std::filesystem::is_directory(folder, ec) ? std::string() : "\"" + folder + "\" is not a folder";
        });
    app.add_option("--module", options_.modulePath, "load the module from PATH instead of the installed one")
        ->type_name("PATH");
    app.require_subcommand(1);
    // Global options may also follow the command.
    app.fallthrough();

    // A command's options are declared when the command line names it (parse): only a command
    // named can run or have its help shown, and declaring every command's options took a sixth
    // of a no-op update's start.
    for (const Command& command : CommandRegistry::all()) {
        CLI::App* part = app.add_subcommand(command.name, command.summary);
        part->group("Commands");
    }
    CLI::App* help = app.add_subcommand("help", "show the help, or a command's");
    help->group("Commands");
    help->footer(kFooter);
    help->add_option("COMMAND", helpTopic_, "the command")->type_name("");
}

CommandLine::~CommandLine() = default;

int CommandLine::usageError(const std::string& message, const std::string& where) const
{
    const std::string prefix = where.empty() ? "zebhost" : "zebhost " + where;
    std::fprintf(stderr, "%s: %s (see %s --help)\n", prefix.c_str(), sentence(message).c_str(), prefix.c_str());
    return kExitUsage;
}

std::string CommandLine::firstWord(int argc, char** argv) const
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--")
            return i + 1 < argc ? argv[i + 1] : "";
        if (arg.size() < 2 || arg[0] != '-')
            return arg;
        const CLI::Option* option = app_->get_option_no_throw(arg);
        if (option && option->get_items_expected_min() > 0)
            ++i; // its value
    }
    return {};
}

void CommandLine::declareNamed(int argc, char** argv)
{
    for (const Command& command : CommandRegistry::all()) {
        bool named = false;
        for (int i = 1; i < argc && !named; ++i)
            named = std::strcmp(argv[i], command.name) == 0;
        if (!named || !declared_.insert(command.name).second)
            continue;
        CLI::App* part = app_->get_subcommand(command.name);
        part->set_help_flag("-h,--help", "show this help");
        part->footer(kFooter);
        command.declare(*part);
        // An argument's name says what it is ("PAGE"); its type ("TEXT") adds nothing.
        for (CLI::Option* option : part->get_options())
            if (option->get_positional())
                option->type_name("");
    }
}

int CommandLine::parse(int argc, char** argv)
{
    CLI::App& app = *app_;
    declareNamed(argc, argv);
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        const std::vector<CLI::App*> parts = app.get_subcommands();
        if (parts.empty() && dynamic_cast<const CLI::RequiredError*>(&e)) {
            const std::string word = firstWord(argc, argv);
            return usageError(word.empty() ? "no COMMAND given" : "unknown command " + word, "");
        }
        // Options are checked once every word is read: a global option's error is zebhost's own
        // even when a command was named.
        const std::string message = e.what();
        bool global = parts.empty();
        for (const CLI::Option* option : app.get_options()) {
            const std::string name = option->get_name();
            global = global || (!name.empty() && message.compare(0, name.size() + 1, name + ":") == 0) ||
                     message.compare(0, name.size() + 1, name + " ") == 0;
        }
        return usageError(message, global ? std::string() : parts.front()->get_name());
    }

    if (options_.verbose && options_.quiet)
        return usageError("-v and -q cannot go together", "");
    CLI::App* part = app.get_subcommands().front();
    if (part->get_name() == "help") {
        if (helpTopic_.empty()) {
            // app.help() would show the help of the command given, "help" itself.
            std::fputs(app.get_formatter()->make_help(&app, "zebhost", CLI::AppFormatMode::Normal).c_str(), stdout);
            return kExitOk;
        }
        const CLI::App* topic = nullptr;
        try {
            topic = app.get_subcommand(helpTopic_);
        } catch (const CLI::OptionNotFound&) {
            return usageError("unknown command " + helpTopic_, "help");
        }
        std::fputs(topic->help("zebhost").c_str(), stdout);
        return kExitOk;
    }
    command_ = CommandRegistry::find(part->get_name());
    if (!nowText_.empty()) {
        std::int64_t moment = 0;
        std::string why;
        parseMoment(nowText_, moment, why);
        options_.now = moment;
    }
    return -1;
}
