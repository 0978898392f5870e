#include "PreviewServer.h"

#include <mutex>

#include "HostInstallation.h"

namespace {

// The maker of the server's library, loaded once per process and never unloaded (its threads and
// the HTTP library's state live as long as the process); null with the reason when it cannot be.
PreviewServer::EngineMaker engineMaker(std::string& why)
{
    static std::once_flag once;
    static PreviewServer::EngineMaker maker = nullptr;
    static std::string error;
    std::call_once(once, [] {
        std::string reason;
        maker = reinterpret_cast<PreviewServer::EngineMaker>(
            HostInstallation::librarySymbol("libzebhostserve.so", "zebhostCreatePreviewEngine", reason));
        if (maker == nullptr)
            error = "cannot load the preview server: " + reason;
    });
    why = error;
    return maker;
}

} // namespace

PreviewServer::PreviewServer(Options options)
{
    if (EngineMaker maker = engineMaker(loadError_))
        engine_.reset(maker(options));
}

PreviewServer::~PreviewServer() = default;

bool PreviewServer::bind()
{
    return engine_ && engine_->bind();
}

int PreviewServer::port() const
{
    return engine_ ? engine_->port() : 0;
}

const std::string& PreviewServer::error() const
{
    return engine_ ? engine_->error() : loadError_;
}

bool PreviewServer::run()
{
    return engine_ && engine_->run();
}

void PreviewServer::stop()
{
    if (engine_)
        engine_->stop();
}

void PreviewServer::reload()
{
    if (engine_)
        engine_->reload();
}
