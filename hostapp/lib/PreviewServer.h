#pragma once
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

// The preview of a site over HTTP: serves the files of the site folder (GET and HEAD), each from
// inside the site (SiteUrlPath), with its media type and, for text, its charset (ContentType);
// a folder serves its index.html. With live reload, pages served as HTML carry a script that
// reloads them when reload() is called (LiveReloadHub); the files themselves never change.
//
// The HTTP side lives in a library of its own beside the host's services library
// (libzebhostserve.so), loaded by the first server made: the HTTP library and the TLS and
// compression libraries it brings are loaded only by a run that serves.
class PreviewServer {
public:
    struct Options {
        std::filesystem::path site;        // the site folder
        std::string address = "127.0.0.1"; // the address to listen on
        int port = 8000;                   // 0: any free port
        bool liveReload = true;
        std::function<void(const std::string&)> log; // told of each request ("GET /x 200"); may be empty
    };

    explicit PreviewServer(Options options);
    ~PreviewServer();
    PreviewServer(const PreviewServer&) = delete;
    PreviewServer& operator=(const PreviewServer&) = delete;

    // Listens on the address and port. False, with the reason in error(), when the port is taken,
    // the address is none of this machine's, the port needs privileges, or the server's library
    // cannot be loaded.
    bool bind();
    // The port listened on (the one chosen when 0 was asked); 0 before bind().
    int port() const;
    // Why bind() failed; "" after success.
    const std::string& error() const;

    // Serves until stop(); returns false when it could not serve (not bound).
    bool run();
    // Ends run() from any thread: the port is released, event streams end, and requests in
    // flight finish first.
    void stop();
    // Tells every page open with the live-reload script to reload.
    void reload();

    // What the server's library makes: the server itself, with the calls above.
    class Engine {
    public:
        virtual ~Engine() = default;
        virtual bool bind() = 0;
        virtual int port() const = 0;
        virtual const std::string& error() const = 0;
        virtual bool run() = 0;
        virtual void stop() = 0;
        virtual void reload() = 0;
    };
    // The library's maker, exported as "zebhostCreatePreviewEngine".
    using EngineMaker = Engine* (*)(const Options& options);

private:
    std::unique_ptr<Engine> engine_;
    std::string loadError_; // why there is no engine
};
