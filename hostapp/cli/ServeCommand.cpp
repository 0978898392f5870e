#include <CLI/CLI.hpp>
#include <pthread.h>
#include <signal.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <functional>
#include <system_error>
#include <thread>

#include "Commands.h"
#include "LinkPartTemplate.h"
#include "ModuleLoader.h"
#include "PreviewServer.h"
#include "SiteUpdate.h"
#include "SiteWatcher.h"
#include "platform/Path.h"

namespace {

// How long changes must be quiet before a rebuild: a CMS that saves several files rebuilds once.
constexpr std::chrono::milliseconds kQuiet{200};

struct ServeOptions {
    int port = 8000;
    std::string address = "127.0.0.1";
    bool liveReload = true;
};

ServeOptions serve;

void declare(CLI::App& command)
{
    command.add_option("--port", serve.port, "the port (default: 8000; 0: any free one)")
        ->type_name("N")
        ->check(CLI::Range(0, 65535));
    command.add_option("--bind", serve.address, "the address to listen on (default: 127.0.0.1)")
        ->type_name("ADDR")
        ->check([](const std::string& address) { return address.empty() ? std::string("an empty address") : ""; });
    command.add_flag_callback(
        "--no-reload", [] { serve.liveReload = false; }, "do not reload the pages open in browsers after a rebuild");
}

// Whether the address can be reached from this machine only.
bool isLoopback(const std::string& address)
{
    return address == "localhost" || address == "::1" || address.starts_with("127.");
}

// "[10:32:05] " in local time, for the lines of a long-running command.
std::string stamp()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[16];
    std::strftime(text, sizeof text, "[%H:%M:%S] ", &local);
    return text;
}

// What `zebhost update` does, once, or after a change of the template what `update --rebuild`
// does (the list pages are not older than their data, but were made from the old template); the
// pages open in browsers reload when it wrote something (or failed part of the way, after which
// what it wrote is unknown). A failure is printed and serving goes on.
void rebuild(const CommandContext& context, PreviewServer& server, bool templateChanged)
{
    bool wrote = true;
    try {
        SiteUpdate::Request request;
        request.rebuild = templateChanged;
        const SiteUpdate::Outcome outcome = SiteUpdate::run(context.options, *context.module, request);
        wrote = outcome.pagesWritten + outcome.pagesRefreshed > 0;
    } catch (...) {
        reportCurrentException();
    }
    std::fflush(stdout);
    if (wrote)
        server.reload();
}

// A thread with a stack of the given size, joined by join() or the destructor. The rebuild reads
// and writes pages nested as deep as the page reader allows, which takes megabytes of stack in
// the recursive writer; a thread otherwise gets the stack limit (2 MB when it is unlimited), too
// little when the limit is low. The size is only reserved: pages not touched cost nothing.
class StackedThread {
public:
    StackedThread(std::size_t stackBytes, std::function<void()> work) : work_(std::move(work))
    {
        pthread_attr_t attributes;
        if (pthread_attr_init(&attributes) == 0) {
            started_ = pthread_attr_setstacksize(&attributes, stackBytes) == 0 &&
                       pthread_create(&thread_, &attributes, &StackedThread::main, this) == 0;
            pthread_attr_destroy(&attributes);
        }
        // Short of address space for the stack asked for, a thread as std::thread would make.
        int error = 0;
        if (!started_ && (error = pthread_create(&thread_, nullptr, &StackedThread::main, this)) != 0)
            throw std::system_error(error, std::generic_category(), "cannot start a thread");
        started_ = true;
    }
    ~StackedThread() { join(); }
    StackedThread(const StackedThread&) = delete;
    StackedThread& operator=(const StackedThread&) = delete;

    void join()
    {
        if (started_)
            pthread_join(thread_, nullptr);
        started_ = false;
    }

private:
    static void* main(void* self)
    {
        static_cast<StackedThread*>(self)->work_();
        return nullptr;
    }

    std::function<void()> work_;
    pthread_t thread_{};
    bool started_ = false;
};

// Twice what the deepest page the reader accepts needs in a sanitizer build.
constexpr std::size_t kRebuildStack = 16u << 20;

int run(CommandContext& context)
{
    std::error_code ec;
    const std::filesystem::path site = std::filesystem::canonical(context.options.siteDir, ec);
    if (ec || !std::filesystem::is_directory(site, ec)) {
        std::fprintf(stderr, "zebhost: %s: no such folder\n", context.options.siteDir.c_str());
        return kExitFailed;
    }
    // Lines go out as they are written, also into a pipe or a file.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);

    // Ctrl-C and the like are taken by this thread alone (sigwait below); every thread started
    // from here on inherits the mask.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&stopSignals, signal);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    PreviewServer::Options options{site, serve.address, serve.port, serve.liveReload, nullptr};
    if (context.options.verbose)
        options.log = [](const std::string& line) { std::printf("%s%s\n", stamp().c_str(), line.c_str()); };
    PreviewServer server(options);
    if (!server.bind()) {
        std::fprintf(stderr, "zebhost: %s\n", server.error().c_str());
        return kExitFailed;
    }
    const std::string templateFile = platform::nativePath(LinkPartTemplate::path());
    SiteWatcher watcher(site, templateFile, kQuiet);
    const bool watching = watcher.start();
    const std::string host = serve.address.find(':') != std::string::npos ? "[" + serve.address + "]" : serve.address;
    std::printf("serving %s at http://%s:%d/ (Ctrl-C stops)\n", site.c_str(), host.c_str(), server.port());
    if (!isLoopback(serve.address))
        std::fprintf(stderr, "zebhost: warning: %s is reachable from other machines\n", serve.address.c_str());
    if (!watching)
        std::fprintf(stderr, "zebhost: warning: %s; pages are not rebuilt on change\n", watcher.error().c_str());

    std::atomic<bool> serverFailed = false;
    std::thread serving([&] {
        if (!server.run()) {
            serverFailed = true;
            ::kill(::getpid(), SIGTERM);
        }
    });
    StackedThread rebuilding(kRebuildStack, [&] {
        rebuild(context, server, false);
        while (watching) {
            const std::vector<std::string> changes = watcher.next();
            if (changes.empty())
                break;
            std::string names;
            for (const std::string& change : changes)
                names += (names.empty() ? "" : ", ") + change;
            say("%schanged: %s\n", stamp().c_str(), names.c_str());
            rebuild(context, server, std::find(changes.begin(), changes.end(), templateFile) != changes.end());
        }
    });

    int signal = 0;
    sigwait(&stopSignals, &signal);
    watcher.stop();
    server.stop();
    serving.join();
    rebuilding.join();
    if (serverFailed) {
        std::fputs("zebhost: the server stopped\n", stderr);
        return kExitFailed;
    }
    say("stopped\n");
    return kExitOk;
}

const CommandRegistrar registrar({"serve",
                                  "serve the site over HTTP (127.0.0.1:8000), rebuild it when its data changes "
                                  "and reload the pages open in browsers",
                                  true, &declare, &run});

} // namespace
