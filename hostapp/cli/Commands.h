#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class ModuleLoader;

// The options every command sees, read before the command runs.
struct GlobalOptions {
    std::string modulePath;          // the module to load; beside the executable when not given
    std::string siteDir = ".";       // --site DIR: the current site's folder
    std::optional<std::int64_t> now; // --now: the fixed moment, seconds since 1970-01-01 UTC
    bool verbose = false;            // -v
};

// What a command gets: the global options, the loaded module (null for commands that do not
// need it) and its own arguments (everything after the command name that is not a global option).
struct CommandContext {
    const GlobalOptions& options;
    ModuleLoader* module;
    std::vector<std::string> args;
};

// One zebhost command. A command lives in its own source file and registers itself there:
//
//     static const CommandRegistrar registrar({"name", "ARGS", "what it does", true, &run});
//
// run returns the process's exit code; it writes its own errors to stderr as "zebhost: ...".
struct Command {
    const char* name;
    const char* usage;   // the arguments, for --help, e.g. "TEXT"
    const char* summary; // one line for --help
    bool needsModule;    // load the module and shake hands before run
    int (*run)(CommandContext& context);
};

// The commands known to this program, in name order.
class CommandRegistry {
public:
    // Adds a command; a second command with the same name replaces the first.
    static void add(const Command& command);
    // The command of that name; null when there is none.
    static const Command* find(const std::string& name);
    // Every command, sorted by name; empty when none registered.
    static std::vector<Command> all();
};

// Registers a command when the program starts.
struct CommandRegistrar {
    explicit CommandRegistrar(const Command& command) { CommandRegistry::add(command); }
};

// Prints the exception being handled as zebhost's one line on stderr ("zebhost: cannot write
// PATH: REASON" for a page write that failed); returns kExitFailed. Call only inside a catch.
int reportCurrentException();

// Exit codes shared by the commands.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;       // the command ran and did not succeed
inline constexpr int kExitUsage = 2;        // bad command line
inline constexpr int kExitModuleError = 3;  // the module could not be loaded or refused the handshake
inline constexpr int kExitInterrupted = 130; // the user pressed Ctrl-C (as a shell reports SIGINT)
