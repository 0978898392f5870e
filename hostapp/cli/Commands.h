#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class ModuleLoader;
namespace CLI {
class App;
}

// The options every command sees, read before the command runs.
struct GlobalOptions {
    std::string modulePath;          // the module to load; beside the host library when not given
    std::string siteDir = ".";       // --site DIR: the current site's folder
    std::string dataDir;             // --data DIR: the host's data folder; "" for the usual one
    std::optional<std::int64_t> now; // --now: the fixed moment, seconds since 1970-01-01 UTC
    bool verbose = false;            // -v: list every file written
    bool quiet = false;              // -q: report only errors and warnings
};

// What a command gets: the global options and the loaded module (null for commands that do not
// need it). Its own options and arguments it declared on its command-line parser.
struct CommandContext {
    const GlobalOptions& options;
    ModuleLoader* module;
    bool dryRun = false; // the command writes nothing and says what it would write
};

// One zebhost command. A command lives in its own source file, keeps its options there and
// registers itself there:
//
//     static const CommandRegistrar registrar({"name", "what it does", true, &declare, &run});
//
// declare adds the command's options and arguments to its part of the command line; run returns
// the process's exit code and writes its own errors to stderr as "zebhost: ...".
struct Command {
    const char* name;
    const char* summary; // one line for the help
    bool needsModule;    // load the module and shake hands before run
    void (*declare)(CLI::App& command);
    int (*run)(CommandContext& context);
};

// Prints a line of the commands' report on stdout (printf's format), unless -q asked for quiet.
// Results that a command exists to print (items, categories) use stdout directly.
void say(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Makes say() quiet for the rest of the run.
void setQuiet(bool quiet);

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
inline constexpr int kExitFailed = 1;        // the command ran and did not succeed
inline constexpr int kExitUsage = 2;         // bad command line
inline constexpr int kExitModuleError = 3;   // the module could not be loaded or refused the handshake
inline constexpr int kExitInterrupted = 130; // the user pressed Ctrl-C (as a shell reports SIGINT)
