#include "SitePageRefresher.h"
#include "NodeSource.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

#include "AsciiCase.h"
#include "FragmentParser.h"
#include "Newlines.h"
#include "OpenPage.h"
#include "SitePagePath.h"
#include "TextCodec.h"
#include "UrlRebaser.h"
#include "host/Document.h"
#include "host/DomUtBase.h"
#include "host/Element.h"
#include "host/MappedFile.h"
#include "platform/FileException.h"
#include "platform/FileReader.h"
#include "platform/PageWriter.h"
#include "platform/TextConv.h"

namespace {

// Whether the bytes hold "zebsitec" in any case. Pages in UTF-16 or UTF-32 (a byte order mark)
// are always read: their letters are not single bytes.
bool mayCarryLinkParts(const unsigned char* bytes, std::size_t size)
{
    if (size >= 2 && ((bytes[0] == 0xFF && bytes[1] == 0xFE) || (bytes[0] == 0xFE && bytes[1] == 0xFF)))
        return true;
    if (size >= 4 && bytes[0] == 0 && bytes[1] == 0 && bytes[2] == 0xFE && bytes[3] == 0xFF)
        return true;
    static const char kPrefix[] = "zebsitec";
    const std::size_t length = sizeof kPrefix - 1;
    for (std::size_t i = 0; i + length <= size; ++i) {
        std::size_t k = 0;
        while (k < length && (bytes[i + k] | 0x20) == static_cast<unsigned char>(kPrefix[k]))
            ++k;
        if (k == length)
            return true;
    }
    return false;
}

// The bytes the text is saved as in the page (its encoding and newlines); the text itself in
// UTF-8 when the encoding cannot be written.
std::string asSaved(const std::wstring& text, const OpenPage& page)
{
    const std::wstring lines = Newlines::apply(text, page.newline());
    std::string bytes;
    if (!TextCodec::encode(lines, page.encoding(), bytes))
        bytes = platform::toUtf8(lines);
    return bytes;
}

// The link parts of the page that are still in it, each once, in page order.
std::vector<std::wstring> linkPartIds(DomUtBase& util)
{
    std::vector<Element*> elements;
    util.getElementByAttributrNameAndPartOfValue(elements, L"id", L"zebsitec", true, nullptr);
    std::vector<std::wstring> ids;
    for (Element* element : elements) {
        const std::wstring id = asciicase::lower(element->getAttribute(L"id"));
        if (SitePageRefresher::isLinkPartId(id) && element->isAttached() &&
            std::find(ids.begin(), ids.end(), id) == ids.end())
            ids.push_back(id);
    }
    return ids;
}

} // namespace

SitePageRefresher::SitePageRefresher(std::wstring siteFolder) : site_(std::move(siteFolder))
{
    while (site_.size() > 1 && site_.back() == L'/')
        site_.pop_back();
    siteNative_ = platform::toUtf8(site_);
}

std::wstring SitePageRefresher::cacheFile() const
{
    return site_ + L"/ZebSitemenu/.zebhost-pages";
}

void SitePageRefresher::useCache()
{
    // A dry run's generated pages are in memory, not in the files whose stamps the cache keeps.
    if (platform::PageWriter::isDryRun())
        return;
    cacheOn_ = true;
    kept_.clear();
    std::string bytes;
    cacheRead_ = platform::FileReader::read(cacheFile(), bytes) == platform::FileReader::Result::Read &&
                 lastRun_.parse(std::move(bytes));
    kept_.reserve(lastRun_.size());
}

void SitePageRefresher::saveCache()
{
    if (!cacheOn_ || platform::PageWriter::isDryRun())
        return;
    // A run that read no page and found every page it knew leaves the file alone.
    const bool fileKnown = cacheRead_ || !cacheWritten_.empty();
    if (fileKnown && thisRun_.empty() && kept_.size() == lastRun_.size())
        return;
    for (const std::size_t known : kept_)
        thisRun_.set(lastRun_.page(known), lastRun_.entry(known));
    kept_.clear();
    const std::string bytes = thisRun_.serialize();
    const std::string& inFile = !cacheWritten_.empty() ? cacheWritten_ : cacheRead_ ? lastRun_.source() : bytes;
    if ((!fileKnown || bytes != inFile) &&
        platform::PageWriter::write(cacheFile(), bytes.data(), bytes.size()) == platform::PageWriter::Result::Written)
        cacheWritten_ = bytes;
}

const PageRefreshCache::Stamp& SitePageRefresher::generatedStamp(const std::wstring& id)
{
    auto found = generatedStamps_.find(id);
    if (found == generatedStamps_.end())
        found = generatedStamps_.emplace(id, PageRefreshCache::stampOf(site_ + L"/ZebSitemenu/" + id + L".html")).first;
    return found->second;
}

bool SitePageRefresher::knownFromCache(std::string_view inSite, const PageRefreshCache::Stamp& stamp, Outcome& outcome)
{
    if (!cacheRead_ || !stamp.exists())
        return false;
    const std::size_t known = lastRun_.find(inSite);
    if (known == PageRefreshCache::npos)
        return false;
    const PageRefreshCache::Entry entry = lastRun_.entry(known);
    if (!(entry.page == stamp))
        return false;
    for (const PageRefreshCache::Part& part : entry.parts)
        if (!part.generated.exists() || !(generatedStamp(part.id) == part.generated))
            return false;
    outcome.carriesLinkParts = !entry.parts.empty();
    kept_.push_back(known);
    return true;
}

bool SitePageRefresher::isLinkPartId(const std::wstring& id)
{
    static const std::wstring kHead = L"zebsitec";
    static const std::wstring kTail = L"table000001";
    if (id.size() != kHead.size() + 3 + kTail.size())
        return false;
    const std::wstring lower = asciicase::lower(id);
    for (std::size_t i = kHead.size(); i < kHead.size() + 3; ++i)
        if (lower[i] < L'0' || lower[i] > L'9')
            return false;
    return lower.compare(0, kHead.size(), kHead) == 0 && lower.compare(kHead.size() + 3, kTail.size(), kTail) == 0;
}

std::string_view SitePageRefresher::native(const Candidate& candidate) const
{
    return std::string_view(paths_).substr(candidate.at, candidate.length);
}

void SitePageRefresher::walk(const std::string& folder, int depth, bool resolved)
{
    // The folder's entries are taken whole and the folder closed before its subfolders are
    // walked, so that a deep tree never holds more than one folder open. They are taken in path
    // order, a subfolder by its name and "/" (as its pages' paths sort), so that the pages of the
    // site come in path order. The names go into one buffer: a site has thousands of pages.
    struct Found {
        std::size_t at; // the name in names, and "/" for a subfolder
        std::size_t length;
        PageRefreshCache::Stamp stamp; // a page's
        std::size_t resolvedAt;        // a page reached through a link: its path in names, in UTF-8
        std::size_t resolvedLength;    // 0: none
    };
    std::vector<Found> found;
    std::string names;
    found.reserve(64);
    names.reserve(1024);
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | (depth > 0 ? O_NOFOLLOW : 0));
    if (fd < 0)
        return;
    auto add = [&](std::string_view name, bool isFolder, const PageRefreshCache::Stamp& stamp,
                   std::string_view resolved) {
        found.push_back({names.size(), name.size() + (isFolder ? 1 : 0), stamp,
                         names.size() + name.size() + (isFolder ? 1 : 0), resolved.size()});
        names += name;
        if (isFolder)
            names += '/';
        names += resolved;
    };
    // The entries are read straight from the kernel: a folder stream would also look at the handle
    // (fstat, fcntl) and allocate a buffer, for each of a large site's hundreds of folders.
    listing_.resize(32768);
    ssize_t got = 0;
    while ((got = ::getdents64(fd, listing_.data(), listing_.size())) > 0) {
        for (ssize_t at = 0; at < got;) {
            const auto* entry = reinterpret_cast<const struct dirent64*>(listing_.data() + at);
            at += entry->d_reclen;
            const char* name = entry->d_name;
            if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
                continue;
            struct stat st; // filled when examined
            bool examined = false;
            unsigned char type = entry->d_type;
            auto examine = [&] {
                examined = ::fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) == 0;
                type = !examined             ? DT_UNKNOWN
                       : S_ISREG(st.st_mode) ? DT_REG
                       : S_ISDIR(st.st_mode) ? DT_DIR
                       : S_ISLNK(st.st_mode) ? DT_LNK
                                             : DT_UNKNOWN;
            };
            if (type == DT_UNKNOWN)
                examine();
            if (type == DT_DIR) {
                if (depth > 0 || !SitePagePath::isReservedFolder(platform::fromUtf8(name)))
                    add(name, true, {}, {});
                continue;
            }
            if ((type != DT_REG && type != DT_LNK) || !SitePagePath::isHtmlName(std::string_view(name)))
                continue;
            if (type == DT_REG && !examined)
                examine();
            // Reached through real folders from a site folder without links in its path, a file that
            // is no link is where its path says; the page rule resolves the links.
            if (resolved && type == DT_REG) {
                add(name, false, PageRefreshCache::stampOf(st), {});
                continue;
            }
            std::wstring path;
            std::string why;
            if (SitePagePath::resolve(site_, platform::fromUtf8(folder + "/" + name), path, why) ==
                SitePagePath::Verdict::Page)
                add(name, false, PageRefreshCache::stampOf(path), platform::toUtf8(path));
        }
    }
    ::close(fd);
    auto key = [&names](const Found& entry) { return std::string_view(names).substr(entry.at, entry.length); };
    // Sorted by the names' first eight bytes as a number first (big-endian, a shorter name padded
    // with zero bytes, which no name holds: the order of the bytes themselves); most names of a
    // folder differ there, so few comparisons go on to the whole names.
    struct Sorted {
        std::uint64_t head;
        const Found* entry;
    };
    std::vector<Sorted> sorted;
    sorted.reserve(found.size());
    for (const Found& entry : found) {
        std::uint64_t head = 0;
        const std::string_view name = key(entry);
        for (std::size_t i = 0; i < 8; ++i)
            head = head << 8 | (i < name.size() ? static_cast<unsigned char>(name[i]) : 0);
        sorted.push_back({head, &entry});
    }
    std::sort(sorted.begin(), sorted.end(), [&key](const Sorted& a, const Sorted& b) {
        return a.head != b.head ? a.head < b.head : key(*a.entry) < key(*b.entry);
    });
    for (const Sorted& each : sorted) {
        const Found* entry = each.entry;
        const std::string_view name = key(*entry);
        if (name.back() == '/') {
            walk(std::string(folder).append(1, '/').append(name.substr(0, name.size() - 1)), depth + 1, resolved);
            continue;
        }
        const std::size_t at = paths_.size();
        if (entry->resolvedLength == 0)
            paths_.append(folder).append(1, '/').append(name);
        else {
            paths_.append(names, entry->resolvedAt, entry->resolvedLength);
            listedInOrder_ = false;
        }
        candidates_.push_back({at, paths_.size() - at, entry->stamp});
    }
}

std::size_t SitePageRefresher::listPages()
{
    candidates_.clear();
    paths_.clear();
    // As many pages as the last refresh knew, as a guess: a large list grown step by step is
    // mapped afresh, and faulted in, at every step.
    candidates_.reserve(lastRun_.size() + 64);
    paths_.reserve((lastRun_.size() + 64) * (siteNative_.size() + 32));
    std::error_code ec;
    listedInOrder_ = true;
    walk(siteNative_, 0, std::filesystem::canonical(siteNative_, ec).string() == siteNative_ && !ec);
    // UTF-8 sorts as its characters do. The walk gives the pages in order, each once, unless a
    // link led elsewhere in the site.
    if (!listedInOrder_) {
        auto byPath = [this](const Candidate& a, const Candidate& b) { return native(a) < native(b); };
        if (!std::is_sorted(candidates_.begin(), candidates_.end(), byPath))
            std::sort(candidates_.begin(), candidates_.end(), byPath);
        candidates_.erase(
            std::unique(candidates_.begin(), candidates_.end(),
                        [this](const Candidate& a, const Candidate& b) { return native(a) == native(b); }),
            candidates_.end());
    }
    next_ = 0;
    return candidates_.size();
}

std::wstring SitePageRefresher::listedPage(std::size_t index) const
{
    const std::string_view path = native(candidates_.at(index));
    return platform::fromUtf8(path.data(), path.size());
}

std::vector<std::wstring> SitePageRefresher::candidatePages()
{
    std::vector<std::wstring> pages(listPages());
    for (std::size_t i = 0; i < pages.size(); ++i)
        pages[i] = listedPage(i);
    return pages;
}

std::size_t SitePageRefresher::findCandidate(const std::wstring& path)
{
    const std::string wanted = platform::toUtf8(path);
    // The pages are mostly refreshed in the order they were listed.
    if (next_ < candidates_.size() && native(candidates_[next_]) == wanted)
        return next_++;
    const auto found = std::lower_bound(candidates_.begin(), candidates_.end(), std::string_view(wanted),
                                        [this](const Candidate& a, std::string_view b) { return native(a) < b; });
    if (found == candidates_.end() || native(*found) != wanted)
        return candidates_.size();
    next_ = static_cast<std::size_t>(found - candidates_.begin()) + 1;
    return next_ - 1;
}

const std::wstring& SitePageRefresher::generatedMarkup(const std::wstring& id)
{
    auto found = generated_.find(id);
    if (found != generated_.end())
        return found->second;
    generatedStamp(id); // before the page is read: a later change gives it a new stamp
    std::wstring markup;
    const std::wstring path = site_ + L"/ZebSitemenu/" + id + L".html";
    if (std::unique_ptr<OpenPage> page = OpenPage::load(path)) {
        if (Element* element = page->document()->getElementByID(id)) {
            element->prepareMarkup();
            markup = element->getMarkup();
        }
    }
    return generated_.emplace(id, std::move(markup)).first->second;
}

SitePageRefresher::Outcome SitePageRefresher::refreshPage(const std::wstring& given)
{
    const std::size_t index = findCandidate(given);
    if (index < candidates_.size())
        return refresh(given, &candidates_[index]);
    Outcome outcome;
    std::wstring path;
    if (SitePagePath::resolve(site_, given, path, outcome.error) != SitePagePath::Verdict::Page)
        return outcome;
    return refresh(path, nullptr);
}

SitePageRefresher::Outcome SitePageRefresher::refreshListed(std::size_t index)
{
    const Candidate& candidate = candidates_.at(index);
    next_ = index + 1;
    // A page known from the cache is not read, and needs no wide path.
    if (cacheRead_) {
        const std::string_view native = this->native(candidate);
        Outcome outcome;
        if (native.size() > siteNative_.size() + 1 && native.compare(0, siteNative_.size(), siteNative_) == 0 &&
            native[siteNative_.size()] == '/' &&
            knownFromCache(native.substr(siteNative_.size() + 1), candidate.stamp, outcome))
            return outcome;
    }
    return refresh(listedPage(index), &candidate);
}

SitePageRefresher::Outcome SitePageRefresher::refresh(const std::wstring& path, const Candidate* candidate)
{
    Outcome outcome;
    // The page's path in the site, by which the cache knows it; "" when the cache is off.
    std::string inSite;
    if (cacheOn_ && path.size() > site_.size() + 1 && path.compare(0, site_.size(), site_) == 0 &&
        path[site_.size()] == L'/')
        inSite = (candidate != nullptr ? std::string(native(*candidate)) : platform::toUtf8(path))
                     .substr(siteNative_.size() + 1);
    // Taken before the page is read (when it was listed, or now), so that a change while it is
    // read gives it a new stamp.
    PageRefreshCache::Stamp stamp;
    if (!inSite.empty())
        stamp = candidate != nullptr ? candidate->stamp : PageRefreshCache::stampOf(path);
    if (!inSite.empty() && knownFromCache(inSite, stamp, outcome))
        return outcome;
    outcome.read = true;
    {
        MappedFile file;
        if (file.open(path, 0) != 0) {
            outcome.error = "cannot be read";
            return outcome;
        }
        if (!mayCarryLinkParts(file.get_top(), file.get_size())) {
            if (!inSite.empty() && stamp.exists())
                thisRun_.set(inSite, {stamp, {}});
            return outcome;
        }
    }
    std::unique_ptr<OpenPage> page = OpenPage::load(path);
    if (!page) {
        outcome.error = "cannot be read as a page";
        return outcome;
    }

    DomUtBase& util = *page->domUtBase();
    std::vector<Element*> elements;
    util.getElementByAttributrNameAndPartOfValue(elements, L"id", L"zebsitec", true, nullptr);
    const UrlRebaser rebaser(SitePagePath::folderInSite(site_, path));
    std::vector<std::wstring> current; // the parts found current or replaced
    for (Element* element : elements) {
        const std::wstring id = element->getAttribute(L"id");
        // A part inside a part that was replaced went with it.
        if (!isLinkPartId(id) || !element->isAttached())
            continue;
        outcome.carriesLinkParts = true;
        const std::wstring& generated = generatedMarkup(asciicase::lower(id));
        if (generated.empty()) {
            outcome.missing.push_back(id);
            continue;
        }
        const std::wstring fresh = rebaser.rebaseMarkup(generated);
        element->prepareMarkup();
        if (asSaved(fresh, *page) == asSaved(element->getMarkup(), *page)) {
            current.push_back(asciicase::lower(id));
            continue;
        }

        // The new element takes the old one's place, and the text the parser left between it and
        // the node before.
        util.setLayoutCurorEx(element, false);
        Node* inserted = insertFragmentAtCursor(util, fresh);
        if (inserted == nullptr)
            continue;
        NodeSource::setLeadGap(inserted, NodeSource::leadGap(element));
        NodeSource::setLeadGap(element, {});
        util.removeAllChild(element, true, true);
        outcome.changed.push_back(id);
        current.push_back(asciicase::lower(id));
    }
    // The page is current when every part it now holds was found current or put in (a part that
    // came inside a generated one was not looked at).
    bool learnt = !inSite.empty() && outcome.missing.empty();
    PageRefreshCache::Entry learned;
    for (const std::wstring& id : learnt ? linkPartIds(util) : std::vector<std::wstring>()) {
        learnt = learnt && std::find(current.begin(), current.end(), id) != current.end();
        learned.parts.push_back({id, generatedStamp(id)});
    }
    if (outcome.changed.empty()) {
        if (learnt && stamp.exists()) {
            learned.page = stamp;
            thisRun_.set(inSite, std::move(learned));
        }
        return outcome;
    }

    page->setModified(true);
    try {
        const OpenPage::SaveOutcome saved = page->saveIfChanged();
        if (saved == OpenPage::SaveOutcome::NotOpened)
            outcome.error = "cannot be written";
        outcome.written = saved == OpenPage::SaveOutcome::Written;
    } catch (const platform::FileException& e) {
        outcome.error = "cannot be written: " + e.reason();
    }
    if (!outcome.written)
        outcome.changed.clear();
    else if (learnt) {
        learned.page = PageRefreshCache::stampOf(path);
        if (learned.page.exists())
            thisRun_.set(inSite, std::move(learned));
    }
    return outcome;
}
