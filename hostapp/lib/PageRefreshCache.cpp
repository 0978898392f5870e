#include "PageRefreshCache.h"

#include <sys/stat.h>

#include <charconv>
#include <cstdio>
#include <cstring>

#include "HostVersion.h"
#include "platform/Path.h"
#include "platform/TextConv.h"

// The file: a heading line naming the format and the host's version; one line per page,
//   SIZE MODIFIED CHANGED INODE PARTS[ ID SIZE MODIFIED CHANGED INODE]... TAB PATH
// and "sum" with the FNV-1a hash of everything before it, in hexadecimal.

namespace {

std::string heading()
{
    return std::string("zebhost page refresh cache 1 ") + zebHostVersion() + "\n";
}

// FNV-1a over eight bytes at a time: a damaged or cut file does not add up.
std::uint64_t checksum(const char* bytes, std::size_t size)
{
    std::uint64_t hash = 0xcbf29ce484222325ULL ^ size;
    std::size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes + i, 8);
        hash = (hash ^ word) * 0x100000001b3ULL;
        hash ^= hash >> 29;
    }
    for (; i < size; ++i)
        hash = (hash ^ static_cast<unsigned char>(bytes[i])) * 0x100000001b3ULL;
    return hash;
}

void appendStamp(std::string& out, const PageRefreshCache::Stamp& stamp)
{
    out += std::to_string(stamp.size) + ' ' + std::to_string(stamp.modified) + ' ' + std::to_string(stamp.changed) +
           ' ' + std::to_string(stamp.inode);
}

// Reads the fields of a line, separated by single spaces; each read fails once one fails.
class FieldReader {
public:
    FieldReader(const char* at, const char* end) : at_(at), end_(end) {}

    template <typename Number>
    bool number(Number& value)
    {
        if (!separator())
            return false;
        const auto [next, error] = std::from_chars(at_, end_, value);
        ok_ = error == std::errc() && next != at_;
        at_ = next;
        return ok_;
    }
    bool stamp(PageRefreshCache::Stamp& stamp)
    {
        return number(stamp.size) && number(stamp.modified) && number(stamp.changed) && number(stamp.inode);
    }
    bool word(std::string& value)
    {
        if (!separator())
            return false;
        const char* start = at_;
        while (at_ != end_ && *at_ != ' ')
            ++at_;
        value.assign(start, at_);
        return ok_ = !value.empty();
    }
    // Whether every field was read.
    bool done() const { return ok_ && at_ == end_; }

private:
    bool separator()
    {
        if (ok_ && !first_ && (at_ == end_ || *at_++ != ' '))
            ok_ = false;
        first_ = false;
        return ok_;
    }
    const char* at_;
    const char* end_;
    bool ok_ = true;
    bool first_ = true;
};

} // namespace

PageRefreshCache::Stamp PageRefreshCache::stampOf(const std::wstring& path)
{
    struct stat st {};
    return ::stat(platform::nativePath(path).c_str(), &st) == 0 ? stampOf(st) : Stamp();
}

PageRefreshCache::Stamp PageRefreshCache::stampOf(const struct stat& st)
{
    Stamp stamp;
    stamp.size = st.st_size;
    stamp.modified = st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec;
    stamp.changed = st.st_ctim.tv_sec * 1000000000LL + st.st_ctim.tv_nsec;
    stamp.inode = st.st_ino;
    return stamp;
}

bool PageRefreshCache::parse(const std::string& bytes)
{
    entries_.clear();
    const std::string head = heading();
    const std::size_t sumAt = bytes.rfind("sum ");
    if (bytes.compare(0, head.size(), head) != 0 || sumAt == std::string::npos || sumAt < head.size() ||
        bytes[sumAt - 1] != '\n')
        return false;
    char expected[32];
    std::snprintf(expected, sizeof expected, "sum %016llx\n",
                  static_cast<unsigned long long>(checksum(bytes.data(), sumAt)));
    if (bytes.compare(sumAt, std::string::npos, expected) != 0)
        return false;

    std::map<std::string, Entry> entries;
    for (std::size_t at = head.size(); at < sumAt;) {
        const std::size_t end = bytes.find('\n', at);
        const std::size_t tab = bytes.find('\t', at);
        if (tab >= end || tab + 1 == end)
            return false;
        FieldReader fields(bytes.data() + at, bytes.data() + tab);
        Entry entry;
        std::size_t parts = 0;
        if (!fields.stamp(entry.page) || !fields.number(parts) || parts > 1000)
            return false;
        for (std::size_t i = 0; i < parts; ++i) {
            std::string id;
            Part part;
            if (!fields.word(id) || !fields.stamp(part.generated))
                return false;
            part.id = platform::fromUtf8(id);
            entry.parts.push_back(std::move(part));
        }
        if (!fields.done())
            return false;
        entries.emplace_hint(entries.end(), bytes.substr(tab + 1, end - tab - 1), std::move(entry));
        at = end + 1;
    }
    entries_ = std::move(entries);
    return true;
}

std::string PageRefreshCache::serialize() const
{
    std::string out = heading();
    for (const auto& [page, entry] : entries_) {
        appendStamp(out, entry.page);
        out += ' ' + std::to_string(entry.parts.size());
        for (const Part& part : entry.parts) {
            out += ' ' + platform::toUtf8(part.id) + ' ';
            appendStamp(out, part.generated);
        }
        out += '\t' + page + '\n';
    }
    char sum[32];
    std::snprintf(sum, sizeof sum, "sum %016llx\n", static_cast<unsigned long long>(checksum(out.data(), out.size())));
    return out + sum;
}

const PageRefreshCache::Entry* PageRefreshCache::find(const std::string& page) const
{
    const auto found = entries_.find(page);
    return found == entries_.end() ? nullptr : &found->second;
}

void PageRefreshCache::set(const std::string& page, Entry entry)
{
    if (page.empty() || page.find_first_of("\n\t") != std::string::npos)
        return;
    for (const Part& part : entry.parts)
        if (part.id.empty() || part.id.find_first_of(L" \t\n") != std::wstring::npos)
            return;
    entries_[page] = std::move(entry);
}
