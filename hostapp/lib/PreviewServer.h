#pragma once
#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

class LiveReloadHub;

// The preview of a site over HTTP: serves the files of the site folder (GET and HEAD), each from
// inside the site (SiteUrlPath), with its media type and, for text, its charset (ContentType);
// a folder serves its index.html. With live reload, pages served as HTML carry a script that
// reloads them when reload() is called (LiveReloadHub); the files themselves never change.
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
    // the address is none of this machine's, or the port needs privileges.
    bool bind();
    // The port listened on (the one chosen when 0 was asked); 0 before bind().
    int port() const { return port_; }
    // Why bind() failed; "" after success.
    const std::string& error() const { return error_; }

    // Serves until stop(); returns false when it could not serve (not bound).
    bool run();
    // Ends run() from any thread: the port is released, event streams end, and requests in
    // flight finish first.
    void stop();
    // Tells every page open with the live-reload script to reload.
    void reload();

private:
    class Listener;
    Options options_;
    std::unique_ptr<Listener> listener_;
    std::unique_ptr<LiveReloadHub> hub_;
    int port_ = 0;
    std::string error_;
    std::atomic<bool> running_ = false;       // inside run()
    std::atomic<bool> stopRequested_ = false; // stop() was called
};
