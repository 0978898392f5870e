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
        // The path's UTF-8 goes into a buffer kept by the thread, which a run reuses for hundreds of
        // lookups.
        thread_local std::string native;
        struct stat st;
        if (stat(nativePath(pattern, native), &st) != 0)
            return false;
        single_ = entryOf(pattern.substr(start), st);
        hasSingle_ = true;
        return true;
    }
    const std::wstring folder = pattern.substr(0, start);
    const std::wstring last = pattern.substr(start);
    PageWriter::settle(folder);

    const std::string nativeFolder = folder.empty() ? std::string(".") : nativePath(folder);
    DirCloser dir{opendir(nativeFolder.c_str())};
    if (!dir.dir)
        return false;
    folder_ = folder;
    while (dirent* ent = readdir(dir.dir)) {
        std::wstring name = fromUtf8(ent->d_name);
        if (!wildcardMatch(last, name))
            continue;
        entries_.push_back({{std::move(name), 0, false, 0}, natives_.size(), false});
        natives_.append(ent->d_name).push_back('\0');
    }
    if (const ListingHook hook = listingHook())
        hook(pattern);
    return !entries_.empty();
}

void FileFinder::setListingHook(ListingHook hook)
{
    listingHook() = std::move(hook);
}

const FileFinder::Entry* FileFinder::at() const
{
    if (hasSingle_)
        return &single_;
    if (current_ >= entries_.size())
        return nullptr;
    Listed& listed = entries_[current_];
    if (!listed.examined) {
        listed.examined = true;
        // A page written in a batch since the listing is looked at as written.
        PageWriter::settle(folder_ + listed.entry.name);
        const std::string path =
            (folder_.empty() ? std::string() : nativePath(folder_)) + (natives_.c_str() + listed.at);
        struct stat st;
        if (stat(path.c_str(), &st) == 0)
            listed.entry = entryOf(std::move(listed.entry.name), st);
    }
    return &listed.entry;
}

bool FileFinder::findNext()
{
    // At the end the last entry stays current, as the runtime's finder leaves it.
    if (hasSingle_ || current_ + 1 >= entries_.size())
        return false;
    ++current_;
    return true;
}

const std::wstring* FileFinder::currentName() const
{
    // The name needs no look at the entry.
    if (hasSingle_)
        return &single_.name;
    return current_ < entries_.size() ? &entries_[current_].entry.name : nullptr;
}

bool FileFinder::isDots() const
{
    const std::wstring* name = currentName();
    return name != nullptr && (*name == L"." || *name == L"..");
}

std::wstring FileFinder::fileName() const
{
    const std::wstring* name = currentName();
    return name != nullptr ? *name : std::wstring();
}

std::int64_t FileFinder::lastWriteTime() const
{
    const Entry* entry = at();
    return entry != nullptr ? entry->lastWriteTime : 0;
}

bool FileFinder::isDirectory() const
{
    const Entry* entry = at();
    return entry != nullptr && entry->isDirectory;
}

std::int64_t FileFinder::length() const
{
    const Entry* entry = at();
    return entry != nullptr ? entry->length : 0;
}

void FileFinder::close()
{
    hasSingle_ = false;
    entries_.clear();
    natives_.clear();
    folder_.clear();
    current_ = 0;
}

} // namespace platform
