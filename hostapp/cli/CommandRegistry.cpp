#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <exception>
#include <map>

#include "Commands.h"
#include "platform/FileException.h"
#include "platform/Path.h"

namespace {

// Built on first use, so that registrars in other source files may run in any order.
std::map<std::string, Command>& registry()
{
    static std::map<std::string, Command> commands;
    return commands;
}

} // namespace

void CommandRegistry::add(const Command& command)
{
    registry()[command.name] = command;
}

const Command* CommandRegistry::find(const std::string& name)
{
    auto it = registry().find(name);
    return it == registry().end() ? nullptr : &it->second;
}

std::vector<Command> CommandRegistry::all()
{
    std::vector<Command> commands;
    for (const auto& [name, command] : registry())
        commands.push_back(command);
    return commands;
}

namespace {
bool quietReport = false;
}

void setQuiet(bool quiet)
{
    quietReport = quiet;
}

void say(const char* format, ...)
{
    if (quietReport)
        return;
    std::va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
}

int reportCurrentException()
{
    try {
        throw;
    } catch (const platform::FileException& e) {
        std::fprintf(stderr, "zebhost: cannot write %s: %s\n", platform::nativePath(e.path()).c_str(),
                     e.reason().c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "zebhost: %s\n", e.what());
    } catch (...) {
        std::fputs("zebhost: failed\n", stderr);
    }
    return kExitFailed;
}
