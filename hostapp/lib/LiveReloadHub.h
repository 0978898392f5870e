#pragma once
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

// The preview's live reload: pages served as HTML get a script that listens on an event stream
// (Server-Sent Events at kPath) and reloads the page when a reload is announced. Announcements
// are numbered; a stream waits for a number beyond the last it passed on.
class LiveReloadHub {
public:
    // The path of the event stream.
    static constexpr const char* kPath = "/__zebhost/live-reload";

    // The page's bytes with the listening script added before the last </body> (any case), or at
    // the end when there is none. The script is ASCII: only for pages in an ASCII-compatible
    // charset.
    static std::string inject(const std::string& page);

    // Announces a reload to every stream.
    void announce();
    // The number of the last announcement; 0 before the first.
    std::uint64_t current() const;
    // Waits until an announcement beyond seen, close() or the timeout: the announcement's number,
    // or nothing on timeout and after close().
    std::optional<std::uint64_t> waitBeyond(std::uint64_t seen, std::chrono::milliseconds timeout);
    // Ends every wait, now and later (the server is stopping).
    void close();
    // Whether close() was called.
    bool closed() const;

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::uint64_t generation_ = 0;
    bool closed_ = false;
};
