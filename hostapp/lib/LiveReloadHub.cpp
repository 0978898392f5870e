#include "LiveReloadHub.h"

namespace {

// The position of the last "</body" in any case; npos when there is none.
std::size_t lastBodyEnd(const std::string& page)
{
    static const std::string tag = "</body";
    for (std::size_t at = page.size() >= tag.size() ? page.size() - tag.size() + 1 : 0; at-- > 0;) {
        std::size_t i = 0;
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        while (i < tag.size() && lower(page[at + i]) == tag[i])
            ++i;
        if (i == tag.size())
            return at;
    }
    return std::string::npos;
}

} // namespace

std::string LiveReloadHub::inject(const std::string& page)
{
    const std::string script = std::string("<script>new EventSource(\"") + kPath +
                               "\").addEventListener(\"reload\",function(){location.reload()});</script>";
    std::string out = page;
    const std::size_t at = lastBodyEnd(page);
    out.insert(at == std::string::npos ? out.size() : at, script);
    return out;
}

void LiveReloadHub::announce()
{
    {
        std::lock_guard lock(mutex_);
        ++generation_;
    }
    changed_.notify_all();
}

std::uint64_t LiveReloadHub::current() const
{
    std::lock_guard lock(mutex_);
    return generation_;
}

std::optional<std::uint64_t> LiveReloadHub::waitBeyond(std::uint64_t seen, std::chrono::milliseconds timeout)
{
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, timeout, [&] { return closed_ || generation_ > seen; });
    if (closed_ || generation_ <= seen)
        return std::nullopt;
    return generation_;
}

void LiveReloadHub::close()
{
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
    }
    changed_.notify_all();
}

bool LiveReloadHub::closed() const
{
    std::lock_guard lock(mutex_);
    return closed_;
}
