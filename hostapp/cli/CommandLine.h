#pragma once
#include <cstdint>
#include <memory>
#include <set>
#include <string>

#include "Commands.h"

namespace CLI {
class App;
}

// zebhost's command line: the global options, one part per registered command (which declares
// its own options and arguments), `help [COMMAND]`, `COMMAND --help` and `--version`.
class CommandLine {
public:
    // Builds the parser from the command registry.
    CommandLine();
    ~CommandLine();
    CommandLine(const CommandLine&) = delete;
    CommandLine& operator=(const CommandLine&) = delete;

    // Parses the arguments. Returns -1 when a command is to run (command(), options()); otherwise
    // the exit code after printing what was asked (help, version: stdout, 0) or the usage error
    // (stderr, kExitUsage).
    int parse(int argc, char** argv);
    // The command chosen; null before a successful parse.
    const Command* command() const { return command_; }
    // The global options read.
    const GlobalOptions& options() const { return options_; }

    // Seconds since 1970-01-01 UTC of "@SECONDS", "YYYY-MM-DD" (noon) or "YYYY-MM-DDTHH:MM[:SS]"
    // (local time). False, with why, for anything else and for a date or time that does not exist
    // (2025-02-30, T25:61, a local time a daylight-saving change skips).
    static bool parseMoment(const std::string& text, std::int64_t& moment, std::string& why);

private:
    int usageError(const std::string& message, const std::string& where) const;
    // Declares the options of the commands the arguments name, each once.
    void declareNamed(int argc, char** argv);
    // The first word of the command line that is not an option or an option's value; "" if none.
    std::string firstWord(int argc, char** argv) const;

    std::unique_ptr<CLI::App> app_;
    GlobalOptions options_;
    std::string nowText_;
    std::string helpTopic_;
    const Command* command_ = nullptr;
    std::set<std::string> declared_; // the commands whose options are declared
};
