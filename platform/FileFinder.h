#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace platform {

// Finds the entries that match a path whose last component may hold the wild cards '*' (any run
// of characters) and '?' (one character). A literal path (no wild card) costs one stat and never
// scans the folder. Entries come in the order the file system enumerates them; a pattern such as
// "*" reports "." and ".." too (as dots). Folders are not told apart from files. A listed entry is
// looked at (one stat) only when its time, size or kind is first asked for, since most listings
// want names alone; one that is gone by then has time and size 0.
//
// Use: if (finder.findFile(pattern)) do { ... } while (finder.findNext());
class FileFinder {
public:
    struct Entry {
        std::wstring name;          // file name alone
        std::int64_t lastWriteTime; // seconds since 1970-01-01 UTC
        bool isDirectory;
        std::int64_t length; // bytes
    };

    // Positions on the first match; false when nothing matches or the folder cannot be read.
    bool findFile(const std::wstring& pattern);
    // Moves to the next match; false when there is none left.
    bool findNext();
    // Whether the current entry is "." or "..".
    bool isDots() const;
    // The current entry's name; "" when there is no current entry.
    std::wstring fileName() const;
    // The current entry's last-write time; 0 when there is no current entry.
    std::int64_t lastWriteTime() const;
    // Whether the current entry is a folder; false when there is no current entry.
    bool isDirectory() const;
    // The current entry's size in bytes; 0 when there is no current entry.
    std::int64_t length() const;
    // Forgets the matches.
    void close();

    // Test hook: when set, called with the pattern each time a search with wild cards has taken
    // its listing, before the caller reads any entry; a test changes the folder there, as another
    // program may between a listing and the reading of what it listed. Empty function: none.
    using ListingHook = std::function<void(const std::wstring& pattern)>;
    static void setListingHook(ListingHook hook);

private:
    // An entry of a listing, with where its name's own bytes are in natives_, for the stat that
    // fills it in.
    struct Listed {
        Entry entry;
        std::size_t at;
        bool examined;
    };
    // The current entry, looked at first when it is listed and not yet; null when there is none.
    const Entry* at() const;
    // The current entry's name; null when there is none.
    const std::wstring* currentName() const;

    // A literal path's entry is kept here, without a list: the host's file checks are literal
    // lookups by the hundred, and each list cost an allocation.
    Entry single_{};
    bool hasSingle_ = false;
    mutable std::vector<Listed> entries_; // looked at when first asked for
    std::string natives_;                 // the listed names as the folder holds them, each ending with a NUL
    std::wstring folder_;                 // the listed folder, ending with the separator; "" for the current one
    std::size_t current_ = 0;
};

// Whether the wide name matches the pattern of '*' and '?' (case-sensitive).
bool wildcardMatch(const std::wstring& pattern, const std::wstring& name);

} // namespace platform
