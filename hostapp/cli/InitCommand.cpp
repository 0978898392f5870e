#include <CLI/CLI.hpp>

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "Commands.h"
#include "HostInstallation.h"
#include "platform/Clock.h"
#include "platform/TextConv.h"

namespace {

namespace fs = std::filesystem;

std::string folder;

void declare(CLI::App& command)
{
    command.add_option("DIR", folder, "the new site's folder: missing or empty")->required();
}

// Copies the new site's files (the data folder's newsite/) into the folder, which must be missing
// or empty: nothing a person has there is ever overwritten. A copy that fails part of the way
// removes what it made.
int run(CommandContext&)
{
    const fs::path source = fs::path(platform::toUtf8(HostInstallation::dataFolder())) / "newsite";
    const fs::path target = folder;
    std::error_code ec;
    if (!fs::is_directory(source / "qcms", ec)) {
        std::fprintf(stderr, "zebhost: %s: no new site to copy (is the data folder right?)\n", source.c_str());
        return kExitFailed;
    }
    const bool existed = fs::exists(fs::symlink_status(target, ec));
    if (existed && !fs::is_directory(target, ec)) {
        std::fprintf(stderr, "zebhost: %s: not a folder\n", folder.c_str());
        return kExitFailed;
    }
    if (existed && !fs::is_empty(target, ec)) {
        std::fprintf(stderr, "zebhost: %s: %s; init makes a site in a new or empty folder only\n", folder.c_str(),
                     ec ? ec.message().c_str() : "not empty");
        return kExitFailed;
    }
    if (!existed && !fs::create_directory(target, ec)) {
        std::fprintf(stderr, "zebhost: %s: cannot be made: %s\n", folder.c_str(), ec.message().c_str());
        return kExitFailed;
    }
    fs::copy(source, target, fs::copy_options::recursive, ec);
    if (!ec)
        fs::create_directory(target / "ZebSitemenu", ec);
    // A run at a fixed time gets its files dated then, as every file zebhost writes.
    for (fs::recursive_directory_iterator it(target, ec), end; !ec && it != end; it.increment(ec))
        platform::Clock::stampWrittenFile(it->path().string());
    if (ec) {
        std::fprintf(stderr, "zebhost: %s: the new site cannot be written: %s\n", folder.c_str(), ec.message().c_str());
        std::error_code ignored;
        for (const fs::directory_entry& entry : fs::directory_iterator(target, ignored))
            fs::remove_all(entry.path(), ignored);
        if (!existed)
            fs::remove(target, ignored);
        return kExitFailed;
    }
    say("made a new site in %s\n"
        "next: zebhost --site %s update\n"
        "      zebhost --site %s apply index.html --select-all\n"
        "the site guide (site-guide.md, in share/doc/zebhost/ where zebhost is installed) tells how to go on\n",
        folder.c_str(), folder.c_str(), folder.c_str());
    return kExitOk;
}

const CommandRegistrar registrar({"init", "make a new site in DIR (a missing or empty folder) to start from", false,
                                  &declare, &run});

} // namespace
