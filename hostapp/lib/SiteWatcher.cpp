#include "SiteWatcher.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

constexpr std::uint32_t kFileEvents = IN_CLOSE_WRITE | IN_ATTRIB | IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;

bool endsWithXml(const std::string& name)
{
    if (name.size() < 4)
        return false;
    std::string tail = name.substr(name.size() - 4);
    for (char& c : tail)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return tail == ".xml";
}

} // namespace

SiteWatcher::SiteWatcher(std::filesystem::path site, std::filesystem::path templateFile,
                         std::chrono::milliseconds quiet)
    : site_(std::move(site)), template_(std::move(templateFile)), quiet_(quiet)
{
}

SiteWatcher::~SiteWatcher()
{
    if (inotify_ >= 0)
        ::close(inotify_);
    if (wake_ >= 0)
        ::close(wake_);
}

bool SiteWatcher::start()
{
    inotify_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    wake_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (inotify_ < 0 || wake_ < 0) {
        error_ = std::string("cannot watch the site: ") + std::strerror(errno);
        return false;
    }
    // The site folder, for qcms/ made, removed or renamed; qcms/ itself; the template's folder
    // (an editor saves by writing a new file and renaming it over the old one).
    siteWatch_ = ::inotify_add_watch(inotify_, site_.c_str(), IN_CREATE | IN_MOVED_TO | IN_ONLYDIR);
    if (siteWatch_ < 0) {
        error_ = "cannot watch " + site_.string() + ": " + std::strerror(errno);
        return false;
    }
    watchData();
    templateWatch_ = ::inotify_add_watch(inotify_, template_.parent_path().c_str(), kFileEvents | IN_ONLYDIR);
    return true;
}

void SiteWatcher::watchData()
{
    dataWatch_ = ::inotify_add_watch(inotify_, (site_ / "qcms").c_str(), kFileEvents | IN_ONLYDIR);
}

void SiteWatcher::readEvents(std::vector<std::string>& changes)
{
    alignas(inotify_event) char buffer[16384];
    for (;;) {
        const ssize_t n = ::read(inotify_, buffer, sizeof buffer);
        if (n <= 0)
            return;
        for (ssize_t at = 0; at < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            const std::string name = event->len ? event->name : "";
            std::string changed;
            if (event->wd == siteWatch_ && name == "qcms" && (event->mask & IN_ISDIR)) {
                watchData();
                changed = "qcms/";
            } else if (event->wd == dataWatch_ && !(event->mask & IN_ISDIR) && !name.empty() && name[0] != '.' &&
                       endsWithXml(name)) {
                changed = "qcms/" + name;
            } else if (event->wd == templateWatch_ && name == template_.filename().string()) {
                changed = template_.string();
            }
            if (!changed.empty() && std::find(changes.begin(), changes.end(), changed) == changes.end())
                changes.push_back(changed);
        }
    }
}

bool SiteWatcher::wait(int timeoutMs)
{
    pollfd fds[2] = {{inotify_, POLLIN, 0}, {wake_, POLLIN, 0}};
    while (::poll(fds, 2, timeoutMs) < 0) {
        if (errno != EINTR)
            return false;
    }
    return !(fds[1].revents & POLLIN);
}

std::vector<std::string> SiteWatcher::next()
{
    std::vector<std::string> changes;
    if (inotify_ < 0)
        return changes;
    // Until something that matters changes, then until it has been quiet for a while.
    while (changes.empty()) {
        if (!wait(-1))
            return {};
        readEvents(changes);
    }
    for (bool more = true; more;) {
        // Any change that matters starts the quiet time again, a file written again included.
        more = false;
        const auto deadline = std::chrono::steady_clock::now() + quiet_;
        while (!more) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                break;
            if (!wait(static_cast<int>(left.count())))
                return {};
            std::vector<std::string> seen;
            readEvents(seen);
            for (const std::string& change : seen)
                if (std::find(changes.begin(), changes.end(), change) == changes.end())
                    changes.push_back(change);
            more = !seen.empty();
        }
    }
    return changes;
}

void SiteWatcher::stop()
{
    if (wake_ >= 0) {
        const std::uint64_t one = 1;
        [[maybe_unused]] ssize_t n = ::write(wake_, &one, sizeof one);
    }
}
