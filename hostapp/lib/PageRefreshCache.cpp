#include "PageRefreshCache.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>
#include <utility>

#include "HostVersion.h"
#include "platform/Path.h"
#include "platform/TextConv.h"

// The file, numbers in the machine's own byte order:
//   the heading, a line naming the format and the host's version;
//   a word of known value (a file of another byte order does not match it), the counts of
//   entries and of parts, and the size of the text: four 64-bit words;
//   per entry, in path order: size, modified, changed, inode (64 bits each), the path's offset
//     and length in the text, its first part's index and its count of parts (32 bits each);
//   per part, the entries' parts one after another: the generated page's stamp as above, the
//     id's offset and length in the text;
//   the text: the paths and ids in UTF-8;
//   "sum " and the checksum of everything before it, in hexadecimal, and a newline.

namespace {

constexpr std::uint64_t kByteOrder = 0x0102030405060708ULL;
constexpr std::size_t kCountsSize = 4 * 8;
constexpr std::size_t kEntrySize = 4 * 8 + 4 * 4;
constexpr std::size_t kPartSize = 4 * 8 + 2 * 4;
constexpr std::size_t kSumSize = 4 + 16 + 1; // "sum ", the hexadecimal checksum, "\n"

std::string heading()
{
    return std::string("zebhost page refresh cache 2 ") + zebHostVersion() + "\n";
}

std::uint64_t read64(const char* at)
{
    std::uint64_t value;
    std::memcpy(&value, at, 8);
    return value;
}

std::uint32_t read32(const char* at)
{
    std::uint32_t value;
    std::memcpy(&value, at, 4);
    return value;
}

PageRefreshCache::Stamp readStamp(const char* at)
{
    PageRefreshCache::Stamp stamp;
    stamp.size = static_cast<std::int64_t>(read64(at));
    stamp.modified = static_cast<std::int64_t>(read64(at + 8));
    stamp.changed = static_cast<std::int64_t>(read64(at + 16));
    stamp.inode = read64(at + 24);
    return stamp;
}

void append64(std::string& out, std::uint64_t value)
{
    char bytes[8];
    std::memcpy(bytes, &value, 8);
    out.append(bytes, 8);
}

void append32(std::string& out, std::size_t value)
{
    const auto narrow = static_cast<std::uint32_t>(value);
    char bytes[4];
    std::memcpy(bytes, &narrow, 4);
    out.append(bytes, 4);
}

void appendStamp(std::string& out, const PageRefreshCache::Stamp& stamp)
{
    append64(out, static_cast<std::uint64_t>(stamp.size));
    append64(out, static_cast<std::uint64_t>(stamp.modified));
    append64(out, static_cast<std::uint64_t>(stamp.changed));
    append64(out, stamp.inode);
}

std::string sumLine(std::uint64_t sum)
{
    char line[kSumSize + 1];
    std::snprintf(line, sizeof line, "sum %016llx\n", static_cast<unsigned long long>(sum));
    return std::string(line, kSumSize);
}

} // namespace

// FNV-1a over eight bytes at a time: a damaged or cut file does not add up.
std::uint64_t PageRefreshCache::checksum(const char* bytes, std::size_t size)
{
    std::uint64_t hash = 0xcbf29ce484222325ULL ^ size;
    std::size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        hash = (hash ^ read64(bytes + i)) * 0x100000001b3ULL;
        hash ^= hash >> 29;
    }
    for (; i < size; ++i)
        hash = (hash ^ static_cast<unsigned char>(bytes[i])) * 0x100000001b3ULL;
    return hash;
}

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
    next_ = 0;
    fileEntries_ = 0;
    source_ = std::move(bytes);
    const std::string& file = source_;
    const std::string head = heading();
    if (file.size() < head.size() + kCountsSize + kSumSize || file.compare(0, head.size(), head) != 0)
        return false;
    const std::size_t sumAt = file.size() - kSumSize;
    if (file.compare(sumAt, kSumSize, sumLine(checksum(file.data(), sumAt))) != 0)
        return false;

    // The counts must account for every byte between them and the checksum, each record and
    // text must lie within its region, and the entries must come in path order, each page once:
    // then every entry can be taken from the bytes when asked for without another check.
    const char* at = file.data() + head.size();
    const std::size_t body = sumAt - head.size() - kCountsSize;
    const std::uint64_t entries = read64(at + 8), parts = read64(at + 16), text = read64(at + 24);
    if (read64(at) != kByteOrder || entries > body / kEntrySize || parts > body / kPartSize || text > body ||
        entries * kEntrySize + parts * kPartSize + text != body)
        return false;
    const std::size_t entriesAt = head.size() + kCountsSize;
    const std::size_t partsAt = entriesAt + entries * kEntrySize;
    const std::size_t textAt = partsAt + parts * kPartSize;
    auto inText = [text](std::uint64_t offset, std::uint64_t length) { return length > 0 && offset + length <= text; };
    std::uint64_t nextPart = 0;
    std::string_view last;
    for (std::size_t i = 0; i < entries; ++i) {
        const char* entry = file.data() + entriesAt + i * kEntrySize;
        const std::uint32_t pathAt = read32(entry + 32), pathLength = read32(entry + 36);
        const std::uint32_t firstPart = read32(entry + 40), partCount = read32(entry + 44);
        if (!inText(pathAt, pathLength) || firstPart != nextPart || partCount > parts - nextPart)
            return false;
        const std::string_view path(file.data() + textAt + pathAt, pathLength);
        if (i > 0 && path <= last)
            return false;
        last = path;
        nextPart += partCount;
    }
    if (nextPart != parts)
        return false;
    for (std::size_t i = 0; i < parts; ++i) {
        const char* part = file.data() + partsAt + i * kPartSize;
        if (!inText(read32(part + 32), read32(part + 36)))
            return false;
    }
    fileEntries_ = entries;
    entriesAt_ = entriesAt;
    partsAt_ = partsAt;
    textAt_ = textAt;
    return true;
}

std::string PageRefreshCache::serialize() const
{
    // The entries of the file read, none set since: the bytes read are this format and version.
    if (fileEntries_ > 0)
        return source_;
    order();
    std::string text;
    std::size_t parts = 0;
    for (const Row& row : rows_)
        parts += row.entry.parts.size();
    std::string entries, partRecords;
    entries.reserve(rows_.size() * kEntrySize);
    partRecords.reserve(parts * kPartSize);
    text.reserve(added_.size());
    std::size_t part = 0;
    for (const Row& row : rows_) {
        appendStamp(entries, row.entry.page);
        append32(entries, text.size());
        append32(entries, row.length);
        append32(entries, part);
        append32(entries, row.entry.parts.size());
        text.append(added_, row.at, row.length);
        for (const Part& each : row.entry.parts) {
            const std::string id = platform::toUtf8(each.id);
            appendStamp(partRecords, each.generated);
            append32(partRecords, text.size());
            append32(partRecords, id.size());
            text += id;
        }
        part += row.entry.parts.size();
    }
    std::string out = heading();
    // Offsets are 32 bits: a text that does not fit (far beyond any site) is not kept.
    const bool fits = text.size() <= std::numeric_limits<std::uint32_t>::max();
    append64(out, kByteOrder);
    append64(out, fits ? rows_.size() : 0);
    append64(out, fits ? parts : 0);
    append64(out, fits ? text.size() : 0);
    if (fits)
        out.append(entries).append(partRecords).append(text);
    return out + sumLine(checksum(out.data(), out.size()));
}

void PageRefreshCache::order() const
{
    if (ordered_)
        return;
    auto pageOf = [this](const Row& row) { return std::string_view(added_).substr(row.at, row.length); };
    std::stable_sort(rows_.begin(), rows_.end(),
                     [&pageOf](const Row& a, const Row& b) { return pageOf(a) < pageOf(b); });
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
    if (fileEntries_ > 0)
        return fileEntries_;
    order();
    return rows_.size();
}

std::string_view PageRefreshCache::page(std::size_t index) const
{
    if (fileEntries_ > 0) {
        const char* entry = source_.data() + entriesAt_ + index * kEntrySize;
        return std::string_view(source_).substr(textAt_ + read32(entry + 32), read32(entry + 36));
    }
    order();
    return std::string_view(added_).substr(rows_[index].at, rows_[index].length);
}

PageRefreshCache::Entry PageRefreshCache::entry(std::size_t index) const
{
    if (fileEntries_ == 0) {
        order();
        return rows_[index].entry;
    }
    const char* record = source_.data() + entriesAt_ + index * kEntrySize;
    Entry entry;
    entry.page = readStamp(record);
    const std::size_t first = read32(record + 40), count = read32(record + 44);
    entry.parts.reserve(count);
    for (std::size_t i = first; i < first + count; ++i) {
        const char* part = source_.data() + partsAt_ + i * kPartSize;
        const char* id = source_.data() + textAt_ + read32(part + 32);
        entry.parts.push_back({platform::fromUtf8(id, read32(part + 36)), readStamp(part)});
    }
    return entry;
}

std::size_t PageRefreshCache::find(std::string_view page) const
{
    const std::size_t count = size();
    // Pages are mostly looked up in path order: the entry after the last one found comes first.
    if (next_ < count && this->page(next_) == page)
        return next_++;
    std::size_t low = 0, high = count;
    while (low < high) {
        const std::size_t middle = low + (high - low) / 2;
        if (this->page(middle) < page)
            low = middle + 1;
        else
            high = middle;
    }
    if (low == count || this->page(low) != page)
        return npos;
    next_ = low + 1;
    return low;
}

void PageRefreshCache::takeFileEntries()
{
    std::vector<Row> rows;
    rows.reserve(fileEntries_);
    for (std::size_t i = 0; i < fileEntries_; ++i) {
        const std::string_view path = page(i);
        rows.push_back({added_.size(), path.size(), entry(i)});
        added_ += path;
    }
    fileEntries_ = 0;
    rows_ = std::move(rows);
}

void PageRefreshCache::set(std::string_view page, Entry entry)
{
    if (page.empty())
        return;
    for (const Part& part : entry.parts)
        if (part.id.empty())
            return;
    if (fileEntries_ > 0)
        takeFileEntries();
    // Pages are mostly set in path order; any other order is sorted out when the entries are
    // next looked at.
    if (!rows_.empty() && ordered_ && !(std::string_view(added_).substr(rows_.back().at, rows_.back().length) < page))
        ordered_ = false;
    rows_.push_back({added_.size(), page.size(), std::move(entry)});
    added_ += page;
}
