#include "PageRefreshCache.h"

#include <sys/stat.h>

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>
#include <limits>
#include <type_traits>
#include <utility>

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

// Whether the eight bytes at are decimal digits, with their value in value; the file's numbers are
// mostly nineteen digits long, and this reads them eight at a time (little-endian order).
bool eightDigits(const char* at, std::uint64_t& value)
{
    std::uint64_t chunk;
    std::memcpy(&chunk, at, 8);
    const std::uint64_t high = 0xF0F0F0F0F0F0F0F0ULL;
    if (((chunk & high) | (((chunk + 0x0606060606060606ULL) & high) >> 4)) != 0x3333333333333333ULL)
        return false;
    chunk -= 0x3030303030303030ULL;
    chunk = chunk * 10 + (chunk >> 8); // pairs of digits
    value = (((chunk & 0x000000FF000000FFULL) * (100 + (1000000ULL << 32))) +
             (((chunk >> 16) & 0x000000FF000000FFULL) * (1 + (10000ULL << 32)))) >>
            32;
    return true;
}

// Reads the fields of a line, separated by single spaces; each read fails once one fails.
class FieldReader {
public:
    FieldReader(const char* at, const char* end) : at_(at), end_(end) {}

    // A decimal number, with a minus sign when Number is signed, as std::from_chars reads it;
    // written out here because from_chars took most of the time of reading a large file.
    template <typename Number>
    bool number(Number& value)
    {
        if (!separator())
            return false;
        using Magnitude = std::make_unsigned_t<Number>;
        bool negative = false;
        if constexpr (std::is_signed_v<Number>) {
            negative = at_ != end_ && *at_ == '-';
            at_ += negative ? 1 : 0;
        }
        const char* digits = at_;
        Magnitude magnitude = 0;
        // Nineteen digits always fit in 64 bits; only a longer number is checked digit by digit.
        static_assert(sizeof(Magnitude) == 8);
        const char* unchecked = end_ - at_ > 19 ? at_ + 19 : end_;
        if constexpr (std::endian::native == std::endian::little) {
            for (std::uint64_t chunk; unchecked - at_ >= 8 && eightDigits(at_, chunk); at_ += 8)
                magnitude = magnitude * 100000000 + chunk;
        }
        for (; at_ != unchecked && static_cast<unsigned char>(*at_ - '0') < 10; ++at_)
            magnitude = magnitude * 10 + static_cast<unsigned char>(*at_ - '0');
        for (; at_ != end_ && static_cast<unsigned char>(*at_ - '0') < 10; ++at_) {
            if (__builtin_mul_overflow(magnitude, Magnitude(10), &magnitude) ||
                __builtin_add_overflow(magnitude, Magnitude(*at_ - '0'), &magnitude))
                return ok_ = false;
        }
        const Magnitude limit = static_cast<Magnitude>(std::numeric_limits<Number>::max()) + (negative ? 1 : 0);
        if (at_ == digits || magnitude > limit)
            return ok_ = false;
        value = static_cast<Number>(negative ? Magnitude(0) - magnitude : magnitude);
        return true;
    }
    bool stamp(PageRefreshCache::Stamp& stamp)
    {
        return number(stamp.size) && number(stamp.modified) && number(stamp.changed) && number(stamp.inode);
    }
    bool word(std::string_view& value)
    {
        if (!separator())
            return false;
        const char* start = at_;
        while (at_ != end_ && *at_ != ' ')
            ++at_;
        value = std::string_view(start, static_cast<std::size_t>(at_ - start));
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

bool PageRefreshCache::parse(std::string bytes)
{
    rows_.clear();
    added_.clear();
    ordered_ = true;
    source_ = std::move(bytes);
    const std::string& text = source_;
    const std::string head = heading();
    const std::size_t sumAt = text.rfind("sum ");
    if (text.compare(0, head.size(), head) != 0 || sumAt == std::string::npos || sumAt < head.size() ||
        text[sumAt - 1] != '\n')
        return false;
    char expected[32];
    std::snprintf(expected, sizeof expected, "sum %016llx\n",
                  static_cast<unsigned long long>(checksum(text.data(), sumAt)));
    if (text.compare(sumAt, std::string::npos, expected) != 0)
        return false;

    // A row a line: reserved at once, since rows larger than the allocator's mapping threshold are
    // mapped afresh, and faulted in, at every growth.
    std::vector<Row> rows;
    std::size_t lines = 0;
    for (std::size_t at = text.find('\n', head.size()); at < sumAt; at = text.find('\n', at + 1))
        ++lines;
    rows.reserve(lines);
    std::string_view last;
    for (std::size_t at = head.size(); at < sumAt;) {
        const std::size_t end = text.find('\n', at);
        const std::size_t tab = text.find('\t', at);
        if (tab >= end || tab + 1 == end)
            return false;
        FieldReader fields(text.data() + at, text.data() + tab);
        Row row{false, tab + 1, end - tab - 1, {}};
        std::size_t parts = 0;
        if (!fields.stamp(row.entry.page) || !fields.number(parts) || parts > 1000)
            return false;
        for (std::size_t i = 0; i < parts; ++i) {
            std::string_view id;
            Part part;
            if (!fields.word(id) || !fields.stamp(part.generated))
                return false;
            part.id = platform::fromUtf8(id.data(), id.size());
            row.entry.parts.push_back(std::move(part));
        }
        // The file lists each page once, in path order; one that does not was not written here.
        const std::string_view page(text.data() + row.at, row.length);
        if (!fields.done() || (!rows.empty() && page <= last))
            return false;
        last = page;
        rows.push_back(std::move(row));
        at = end + 1;
    }
    rows_ = std::move(rows);
    return true;
}

std::string PageRefreshCache::serialize() const
{
    order();
    std::string out = heading();
    for (const Row& row : rows_) {
        const Entry& entry = row.entry;
        appendStamp(out, entry.page);
        out += ' ' + std::to_string(entry.parts.size());
        for (const Part& part : entry.parts) {
            out += ' ' + platform::toUtf8(part.id) + ' ';
            appendStamp(out, part.generated);
        }
        out += '\t';
        out += pageOf(row);
        out += '\n';
    }
    char sum[32];
    std::snprintf(sum, sizeof sum, "sum %016llx\n", static_cast<unsigned long long>(checksum(out.data(), out.size())));
    return out + sum;
}

std::string_view PageRefreshCache::pageOf(const Row& row) const
{
    return std::string_view(row.added ? added_ : source_).substr(row.at, row.length);
}

void PageRefreshCache::order() const
{
    if (ordered_)
        return;
    std::stable_sort(rows_.begin(), rows_.end(), [this](const Row& a, const Row& b) { return pageOf(a) < pageOf(b); });
    // Of the rows of one page, the last one set stands.
    std::vector<Row> rows;
    rows.reserve(rows_.size());
    for (Row& row : rows_) {
        if (!rows.empty() && pageOf(rows.back()) == pageOf(row))
            rows.back() = std::move(row);
        else
            rows.push_back(std::move(row));
    }
    rows_ = std::move(rows);
    ordered_ = true;
}

std::size_t PageRefreshCache::size() const
{
    order();
    return rows_.size();
}

PageRefreshCache::Found PageRefreshCache::find(std::string_view page) const
{
    order();
    // Pages are mostly looked up in path order: the row after the last one found comes first.
    if (next_ < rows_.size() && pageOf(rows_[next_]) == page) {
        const Row& row = rows_[next_++];
        return {pageOf(row), &row.entry};
    }
    const auto found = std::lower_bound(rows_.begin(), rows_.end(), page,
                                        [this](const Row& row, std::string_view key) { return pageOf(row) < key; });
    if (found == rows_.end() || pageOf(*found) != page)
        return {};
    next_ = static_cast<std::size_t>(found - rows_.begin()) + 1;
    return {pageOf(*found), &found->entry};
}

void PageRefreshCache::set(std::string_view page, Entry entry)
{
    if (page.empty() || page.find_first_of("\n\t") != std::string_view::npos)
        return;
    for (const Part& part : entry.parts)
        if (part.id.empty() || part.id.find_first_of(L" \t\n") != std::wstring::npos)
            return;
    // Pages are mostly set in path order; any other order is sorted out when the entries are
    // next looked at.
    if (!rows_.empty() && ordered_ && !(pageOf(rows_.back()) < page))
        ordered_ = false;
    rows_.push_back({true, added_.size(), page.size(), std::move(entry)});
    added_ += page;
}
