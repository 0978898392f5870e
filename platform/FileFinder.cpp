#include "platform/FileFinder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <utility>

#include "platform/PageWriter.h"
#include "platform/Path.h"
#include "platform/TextConv.h"

namespace platform {

namespace {

// Whether text holds a wild card from pos on. (find_first_of searched the set of two for each
// character of the name: a thousand instructions for a page's name.)
bool hasWildcard(const std::wstring& text, std::size_t pos)
{
    for (std::size_t i = pos; i < text.size(); ++i) {
        if (text[i] == L'*' || text[i] == L'?')
            return true;
    }
    return false;
}

FileFinder::ListingHook& listingHook()
{
    static FileFinder::ListingHook hook;
    return hook;
}

// Closes a folder stream on every path out.
struct DirCloser {
    DIR* dir;
    ~DirCloser()
    {
        if (dir)
            closedir(dir);
    }
};

FileFinder::Entry entryOf(std::wstring name, const struct stat& st)
{
    return {std::move(name), static_cast<std::int64_t>(st.st_mtim.tv_sec), S_ISDIR(st.st_mode),
            static_cast<std::int64_t>(st.st_size)};
}

} // namespace

bool wildcardMatch(const std::wstring& pattern, const std::wstring& name)
{
    // Greedy matching with one backtrack point (the last '*'): linear in practice, never
    // exponential however many stars the pattern has.
    std::size_t p = 0, n = 0;
    std::size_t starP = std::wstring::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == L'?' || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == L'*') {
            starP = p++;
            starN = n;
        } else if (starP != std::wstring::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == L'*')
        ++p;
    return p == pattern.size();
}

bool FileFinder::findFile(const std::wstring& pattern)
{
    close();
    const std::size_t slash = pattern.rfind(kPathSeparator);
    const std::size_t start = slash == std::wstring::npos ? 0 : slash + 1;
    if (start == pattern.size())
        return false;

    if (!hasWildcard(pattern, start)) {
        // A literal name: one stat, no folder scan. A page written in a batch is found as written.
        PageWriter::settle(pattern);
        struct stat st;
        if (stat(nativePath(pattern).c_str(), &st) != 0)
            return false;
        entries_.push_back(entryOf(pattern.substr(start), st));
        return true;
    }
    const std::wstring folder = pattern.substr(0, start);
    const std::wstring last = pattern.substr(start);
    PageWriter::settle(folder);

    const std::string nativeFolder = folder.empty() ? std::string(".") : nativePath(folder);
    DirCloser dir{opendir(nativeFolder.c_str())};
    if (!dir.dir)
        return false;
    const int dirFd = dirfd(dir.dir);
    while (dirent* ent = readdir(dir.dir)) {
        std::wstring name = fromUtf8(ent->d_name);
        if (!wildcardMatch(last, name))
            continue;
        struct stat st;
        // An entry that went away between the listing and the stat is not reported.
        if (fstatat(dirFd, ent->d_name, &st, 0) != 0)
            continue;
        entries_.push_back(entryOf(std::move(name), st));
    }
    if (const ListingHook hook = listingHook())
        hook(pattern);
    return !entries_.empty();
}

void FileFinder::setListingHook(ListingHook hook)
{
    listingHook() = std::move(hook);
}

bool FileFinder::findNext()
{
    // At the end the last entry stays current, as the runtime's finder leaves it.
    if (current_ + 1 >= entries_.size())
        return false;
    ++current_;
    return true;
}

bool FileFinder::isDots() const
{
    if (current_ >= entries_.size())
        return false;
    const std::wstring& name = entries_[current_].name;
    return name == L"." || name == L"..";
}

std::wstring FileFinder::fileName() const
{
    return current_ < entries_.size() ? entries_[current_].name : std::wstring();
}

std::int64_t FileFinder::lastWriteTime() const
{
    return current_ < entries_.size() ? entries_[current_].lastWriteTime : 0;
}

bool FileFinder::isDirectory() const
{
    return current_ < entries_.size() && entries_[current_].isDirectory;
}

std::int64_t FileFinder::length() const
{
    return current_ < entries_.size() ? entries_[current_].length : 0;
}

void FileFinder::close()
{
    entries_.clear();
    current_ = 0;
}

} // namespace platform
