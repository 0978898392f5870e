#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct stat;

// What the last page refresh of a site learned about its pages, so that the next one reads only
// the pages that are new or changed since: for each page, by its path in the site, the stamp of
// the file as it was read and the link parts it carries, each with the stamp of the generated page
// it was found current against. Kept as a small file of the host's (SitePageRefresher names it):
// a text heading naming the format and the host's version, the entries as fixed-size records, and
// a checksum of the rest; a file that is missing, does not add up, is of another format (the
// text rows of earlier versions among them) or was written by another version of the host reads
// as empty.
//
// A large site has thousands of pages, nearly all carrying no link part. A file read is checked
// whole but its entries are taken from its bytes only when asked for; entries set are kept in one
// array in path order and their paths in one buffer, not an allocation each.
class PageRefreshCache {
public:
    // A file's size, last-write and change times (nanoseconds) and inode. The change time moves
    // with every write and cannot be set back, so a file rewritten with its old size and
    // last-write time (restored by a copy that keeps times, or written twice within a clock tick)
    // still gets a new stamp.
    struct Stamp {
        std::int64_t size = -1; // -1: no such file
        std::int64_t modified = 0;
        std::int64_t changed = 0;
        std::uint64_t inode = 0;
        bool operator==(const Stamp&) const = default;
        bool exists() const { return size >= 0; }
    };
    // The stamp of the file at the path (symlinks followed); one that does not exist when the
    // file cannot be examined.
    static Stamp stampOf(const std::wstring& path);
    // The stamp of a file examined.
    static Stamp stampOf(const struct stat& st);

    struct Part {
        std::wstring id; // the link part's id, in lower case
        Stamp generated; // its generated page, when the page was last found current against it
        bool operator==(const Part&) const = default;
    };
    struct Entry {
        Stamp page;
        std::vector<Part> parts; // empty: the page carries no link part
        bool operator==(const Entry&) const = default;
    };

    // Takes the entries from the file's bytes, which the cache keeps (source()); false, with no
    // entries, when the bytes are not a whole file of this format and version.
    bool parse(std::string bytes);
    // The bytes parse was given; empty before.
    const std::string& source() const { return source_; }
    // The bytes of the file that holds the entries.
    std::string serialize() const;

    static constexpr std::size_t npos = static_cast<std::size_t>(-1);
    // The index of the page's entry (by its "/"-separated path in the site, in UTF-8); npos when
    // the cache has none. An index stays valid until the cache is next changed.
    std::size_t find(std::string_view page) const;
    // The path and the entry at the index (below size()).
    std::string_view page(std::size_t index) const;
    Entry entry(std::size_t index) const;
    // Sets the page's entry. An empty path, or a part without an id, is not kept.
    void set(std::string_view page, Entry entry);
    bool empty() const { return size() == 0; }
    std::size_t size() const;

    // The checksum that ends the file: of the bytes before it.
    static std::uint64_t checksum(const char* bytes, std::size_t size);

private:
    // An entry set, and its page's path in added_.
    struct Row {
        std::size_t at;
        std::size_t length;
        Entry entry;
    };
    // Puts the rows in path order, a page set again keeping only its last entry.
    void order() const;
    // Turns the entries of the file read into rows, before one is set.
    void takeFileEntries();

    std::string source_;
    // The file read: its entries' records, the records of their parts and the texts both name,
    // as offsets in source_ (fileEntries_ is 0 when no file is read or its entries became rows).
    std::size_t fileEntries_ = 0;
    std::size_t entriesAt_ = 0;
    std::size_t partsAt_ = 0;
    std::size_t textAt_ = 0;

    std::string added_;
    mutable std::vector<Row> rows_;
    mutable bool ordered_ = true;  // rows_ is in path order, each page once
    mutable std::size_t next_ = 0; // the entry after the one find found last
};
