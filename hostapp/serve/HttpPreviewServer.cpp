// The preview server's HTTP side, on cpp-httplib: a library of its own (libzebhostserve.so), which
// PreviewServer loads when zebhost serves, so that no other run loads the HTTP library and the
// TLS and compression libraries it brings.
#include <fcntl.h>
#include <httplib.h>
#include <netdb.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <memory>
#include <thread>

#include "ContentType.h"
#include "LiveReloadHub.h"
#include "PreviewServer.h"
#include "SiteUrlPath.h"

namespace {

// Requests are served by a pool of threads; an idle kept-alive connection holds one for a few
// seconds, and every open page's event stream holds one while the page is open.
constexpr std::size_t kWorkers = 32;
// An event stream writes a comment this often, so that a stream whose page is gone ends.
constexpr std::chrono::seconds kHeartbeat{15};
// Text up to this size is read whole (for its charset and the live-reload script); anything
// larger, and every other file, is sent in pieces straight from the file.
constexpr off_t kWholeText = 16 << 20;

const char kNotFoundPage[] =
    "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>404 Not Found</title></head>\n"
    "<body><h1>404 Not Found</h1><p>There is no such file in this site.</p></body></html>\n";

// A file open for reading, closed when the last response sending it is gone.
struct OpenFile {
    explicit OpenFile(int descriptor) : fd(descriptor) {}
    ~OpenFile() { ::close(fd); }
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;
    const int fd;
};

// Opens a regular file for reading; -1 when it is anything else. O_NOFOLLOW: a symlink put in its
// place after the path was judged is refused; O_NONBLOCK: a pipe put there cannot block.
int openRegular(const std::filesystem::path& file, off_t& size)
{
    const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    struct stat st {};
    if (fd >= 0 && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        size = st.st_size;
        return fd;
    }
    if (fd >= 0)
        ::close(fd);
    return -1;
}

// The whole file; false when a read fails.
bool readAll(int fd, std::string& out)
{
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n == 0)
            return true;
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        out.append(buffer, static_cast<std::size_t>(n));
    }
}

// Why a server cannot listen at address:port: a socket of our own bound the same way tells.
std::string bindFailure(const std::string& address, int port)
{
    const std::string where = address + " port " + std::to_string(port);
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE;
    addrinfo* found = nullptr;
    if (::getaddrinfo(address.c_str(), std::to_string(port).c_str(), &hints, &found) != 0 || !found)
        return "cannot listen on " + address + ": no such address";
    int error = 0;
    const int sock = ::socket(found->ai_family, found->ai_socktype | SOCK_CLOEXEC, found->ai_protocol);
    if (sock < 0) {
        error = errno;
    } else {
        const int yes = 1;
        ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        if (::bind(sock, found->ai_addr, found->ai_addrlen) != 0 || ::listen(sock, 1) != 0)
            error = errno;
        ::close(sock);
    }
    ::freeaddrinfo(found);
    switch (error) {
    case EADDRINUSE:
        return where + " is taken: another server listens there (choose another with --port)";
    case EADDRNOTAVAIL:
        return "cannot listen on " + address + ": not an address of this machine";
    case EACCES:
        return "cannot listen on " + where + ": the port needs privileges (choose one above 1023)";
    case 0:
        return "cannot listen on " + where;
    default:
        return "cannot listen on " + where + ": " + std::strerror(error);
    }
}

// A request line for the log, control characters shown as "?" so that nothing from the network
// reaches the terminal as an escape sequence.
std::string printable(const std::string& text)
{
    std::string out = text;
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            c = '?';
    return out;
}

// The HTTP library's server, with a longer queue of connections.
class Listener : public httplib::Server {
public:
    // The library listens with a queue of 5 connections not yet accepted: a burst of connects
    // beyond it waits for the clients' retransmissions, a second or more. Listening again on
    // the socket sets a longer queue.
    void widenQueue()
    {
        if (svr_sock_ != INVALID_SOCKET)
            ::listen(svr_sock_, SOMAXCONN);
    }
};

// Serves the site as PreviewServer says.
class HttpPreviewServer : public PreviewServer::Engine {
public:
    explicit HttpPreviewServer(PreviewServer::Options options);
    bool bind() override;
    int port() const override { return port_; }
    const std::string& error() const override { return error_; }
    bool run() override;
    void stop() override;
    void reload() override;

private:
    PreviewServer::Options options_;
    std::unique_ptr<Listener> listener_;
    std::unique_ptr<LiveReloadHub> hub_;
    int port_ = 0;
    std::string error_;
    std::atomic<bool> running_ = false;       // inside run()
    std::atomic<bool> stopRequested_ = false; // stop() was called
};

HttpPreviewServer::HttpPreviewServer(PreviewServer::Options options)
    : options_(std::move(options)), listener_(std::make_unique<Listener>()), hub_(std::make_unique<LiveReloadHub>())
{
    Listener& server = *listener_;
    server.new_task_queue = [] { return new httplib::ThreadPool(kWorkers); };
    // Only SO_REUSEADDR (a restart need not wait for old connections to time out): with
    // SO_REUSEPORT, which the library sets by default, a second server on the port would share
    // it with the first instead of being told it is taken.
    server.set_socket_options([](socket_t sock) {
        const int yes = 1;
        ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    server.set_keep_alive_max_count(100);
    // A response goes out as headers, then body: with Nagle's algorithm the body of a kept-alive
    // connection's next response waits for the client's delayed acknowledgement (40 ms each).
    server.set_tcp_nodelay(true);
    server.set_pre_routing_handler([](const httplib::Request& req, httplib::Response& res) {
        if (req.method == "GET" || req.method == "HEAD")
            return httplib::Server::HandlerResponse::Unhandled;
        res.status = 405;
        res.set_header("Allow", "GET, HEAD");
        res.set_header("Connection", "close");
        res.set_content("Only GET and HEAD are served.\n", "text/plain; charset=UTF-8");
        return httplib::Server::HandlerResponse::Handled;
    });
    server.set_error_handler([](const httplib::Request&, httplib::Response& res) {
        if (res.status == 404 && res.body.empty())
            res.set_content(kNotFoundPage, "text/html; charset=UTF-8");
    });
    if (options_.log) {
        server.set_logger([log = options_.log](const httplib::Request& req, const httplib::Response& res) {
            log(req.method + " " + printable(req.target) + " " + std::to_string(res.status));
        });
    }

    server.Get(LiveReloadHub::kPath, [this](const httplib::Request& req, httplib::Response& res) {
        if (!options_.liveReload) {
            res.status = 404;
            return;
        }
        // A stream that reconnects names the last announcement it passed on; one made since
        // then is passed on at once.
        std::uint64_t seen = hub_->current();
        const std::string last = req.get_header_value("Last-Event-ID");
        if (!last.empty() && last.find_first_not_of("0123456789") == std::string::npos && last.size() < 19)
            seen = std::min<std::uint64_t>(seen, std::stoull(last));
        res.set_header("Cache-Control", "no-cache");
        LiveReloadHub* hub = hub_.get();
        res.set_chunked_content_provider(
            "text/event-stream", [hub, seen, first = true](std::size_t, httplib::DataSink& sink) mutable {
                if (first) {
                    first = false;
                    const std::string hello = "retry: 1000\n\n";
                    return sink.write(hello.data(), hello.size());
                }
                if (const auto next = hub->waitBeyond(seen, kHeartbeat)) {
                    seen = *next;
                    const std::string event = "id: " + std::to_string(seen) + "\nevent: reload\ndata: reload\n\n";
                    return sink.write(event.data(), event.size());
                }
                if (hub->closed()) {
                    sink.done();
                    return true;
                }
                return sink.write(":\n\n", 3);
            });
    });

    server.Get(".*", [this](const httplib::Request& req, httplib::Response& res) {
        const SiteUrlPath::Target target = SiteUrlPath::resolve(options_.site, req.path);
        if (target.kind == SiteUrlPath::Kind::Folder) {
            // The target as the browser sent it (still encoded), with the "/" before the query.
            const std::size_t query = req.target.find('?');
            res.set_redirect(
                req.target.substr(0, query) + "/" + (query == std::string::npos ? "" : req.target.substr(query)), 301);
            return;
        }
        off_t size = 0;
        const int fd = target.kind == SiteUrlPath::Kind::File ? openRegular(target.file, size) : -1;
        if (fd < 0) {
            res.status = 404;
            return;
        }
        auto file = std::make_shared<OpenFile>(fd);
        const std::string type = ContentType::mediaType(target.file.filename().string());
        res.set_header("Cache-Control", "no-cache");
        if (ContentType::isText(type) && size <= kWholeText) {
            std::string body;
            if (!readAll(fd, body)) {
                res.status = 404;
                return;
            }
            const std::string charset = ContentType::charset(body.data(), body.size());
            if (options_.liveReload && type == "text/html" && ContentType::isAsciiCompatible(charset))
                body = LiveReloadHub::inject(body);
            res.set_content(body, type + "; charset=" + charset);
            return;
        }
        res.set_content_provider(static_cast<std::size_t>(size), type,
                                 [file](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                                     char buffer[65536];
                                     const ssize_t n = ::pread(file->fd, buffer, std::min(length, sizeof buffer),
                                                               static_cast<off_t>(offset));
                                     return n > 0 && sink.write(buffer, static_cast<std::size_t>(n));
                                 });
    });
}

bool HttpPreviewServer::bind()
{
    bool bound = false;
    if (options_.port == 0) {
        port_ = listener_->bind_to_any_port(options_.address);
        bound = port_ > 0;
    } else {
        port_ = options_.port;
        bound = listener_->bind_to_port(options_.address, options_.port);
    }
    if (!bound) {
        port_ = 0;
        error_ = bindFailure(options_.address, options_.port);
        return false;
    }
    error_.clear();
    listener_->widenQueue();
    return true;
}

bool HttpPreviewServer::run()
{
    if (port_ == 0)
        return false;
    running_ = true;
    bool served = true;
    if (!stopRequested_)
        served = listener_->listen_after_bind();
    running_ = false;
    return served;
}

void HttpPreviewServer::stop()
{
    hub_->close();
    stopRequested_ = true;
    // run() may be between its check and the library's listening: wait until it listens (or
    // gave up), so that the library's stop() finds a server to stop.
    while (running_ && !listener_->is_running())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    listener_->stop();
}

void HttpPreviewServer::reload()
{
    hub_->announce();
}

} // namespace

extern "C" __attribute__((visibility("default"))) PreviewServer::Engine*
zebhostCreatePreviewEngine(const PreviewServer::Options& options)
{
    return new HttpPreviewServer(options);
}
