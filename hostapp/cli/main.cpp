#include <malloc.h>

#include <cstdio>
#include <string>

#include "CommandLine.h"
#include "Commands.h"
#include "HostInstallation.h"
#include "ModuleLoader.h"
#include "platform/Clock.h"
#include "platform/TextConv.h"
#include "platform/Utf8.h"

int main(int argc, char** argv)
{
    // A run makes and drops a document per page: with the allocator's default, the heap's top was
    // given back to the system and taken again about once a page (200 brk calls and 1,800 page
    // faults in a full rebuild). Up to 4 MB of free top is kept instead.
    mallopt(M_TRIM_THRESHOLD, 4 << 20);

    // A path or name that is not UTF-8 would be read as another one (its bad bytes replaced):
    // "site\xff" selected an existing "site\xef\xbf\xbd".
    for (int i = 1; i < argc; ++i) {
        if (!platform::utf8::isValid(argv[i])) {
            std::fprintf(stderr, "zebhost: \"%s\" is not valid UTF-8 text (see zebhost --help)\n",
                         platform::printable(platform::fromUtf8(argv[i])).c_str());
            return kExitUsage;
        }
    }

    CommandLine commandLine;
    if (const int code = commandLine.parse(argc, argv); code >= 0)
        return code;
    const GlobalOptions& options = commandLine.options();
    const Command* command = commandLine.command();

    setQuiet(options.quiet);
    if (options.now)
        platform::Clock::fix(*options.now);
    if (!options.dataDir.empty())
        HostInstallation::setDataFolder(options.dataDir);
    ModuleLoader loader(options.modulePath.empty() ? ModuleLoader::defaultModulePath() : options.modulePath);
    if (command->needsModule && !loader.load()) {
        std::fprintf(stderr, "zebhost: %s\n", loader.error().c_str());
        return kExitModuleError;
    }
    CommandContext context{options, command->needsModule ? &loader : nullptr};
    // The module catches nothing: a page that could not be written, or any other failure inside
    // it, ends up here.
    try {
        return command->run(context);
    } catch (...) {
        return reportCurrentException();
    }
}
