#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct stat;

// What the last page refresh of a site learned about its pages, so that the next one reads only
// the pages that are new or changed since: for each page, by its path in the site, the stamp of
// the file as it was read and the link parts it carries, each with the stamp of the generated page
// it was found current against. Kept as a small text file of the host's (SitePageRefresher names
// it), whose last line is a checksum of the rest; a file that is missing, does not add up or was
// written by another version of the host reads as empty.
//
// A large site has thousands of pages, nearly all carrying no link part: the entries are kept in
// one array in path order and the paths in one buffer, not an allocation each.
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
    // entries, when the bytes are not a whole file of this version.
    bool parse(std::string bytes);
    // The bytes parse was given; empty before.
    const std::string& source() const { return source_; }
    // The bytes of the file that holds the entries.
    std::string serialize() const;

    // A page's entry with its path as the cache holds it, which stays valid until the cache is
    // next changed.
    struct Found {
        std::string_view page;
        const Entry* entry = nullptr; // null: the cache has no entry for the page
    };
    // The entry of the page (its "/"-separated path in the site, in UTF-8).
    Found find(std::string_view page) const;
    // Sets the page's entry. A path that cannot be written on one line (a newline or tab in a
    // name) is not kept.
    void set(std::string_view page, Entry entry);
    bool empty() const { return rows_.empty(); }
    std::size_t size() const;

private:
    // An entry and its page's path: in source_ when parsed, else in added_.
    struct Row {
        bool added;
        std::size_t at;
        std::size_t length;
        Entry entry;
    };
    std::string_view pageOf(const Row& row) const;
    // Puts the rows in path order, a page set again keeping only its last entry.
    void order() const;

    std::string source_;
    std::string added_;
    mutable std::vector<Row> rows_;
    mutable bool ordered_ = true;  // rows_ is in path order, each page once
    mutable std::size_t next_ = 0; // the row after the one find found last
};
