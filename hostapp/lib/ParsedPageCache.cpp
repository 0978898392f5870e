#include "ParsedPageCache.h"
#include "DocumentStore.h"

#include <algorithm>
#include <cwchar>
#include <functional>
#include <string_view>

#include "DocumentFactory.h"
#include "host/Document.h"

namespace {

// Only small pages are kept (templates are): a large page is not worth its memory.
constexpr std::size_t kLargestText = 64 * 1024;
constexpr std::size_t kKeptTexts = 4;
constexpr std::size_t kSeenTexts = 16;

std::size_t hashOf(const wchar_t* text, std::size_t length)
{
    return std::hash<std::wstring_view>()(std::wstring_view(text, length));
}

} // namespace

ParsedPageCache::ParsedPageCache() = default;

ParsedPageCache::~ParsedPageCache() = default;

ParsedPageCache& ParsedPageCache::instance()
{
    static ParsedPageCache cache;
    return cache;
}

const Document* ParsedPageCache::find(const wchar_t* text, std::size_t length, bool keepSource)
{
    if (text == nullptr || length > kLargestText)
        return nullptr;
    std::lock_guard lock(mutex_);
    for (const Kept& k : kept_)
        if (k.keepSource == keepSource && k.text.size() == length && std::wmemcmp(k.text.data(), text, length) == 0)
            return k.parsed.get();
    return nullptr;
}

void ParsedPageCache::offer(const wchar_t* text, std::size_t length, bool keepSource, const Document& parsed)
{
    if (text == nullptr || length > kLargestText)
        return;
    const std::size_t hash = hashOf(text, length);
    std::lock_guard lock(mutex_);
    auto seen = std::find_if(seen_.begin(), seen_.end(), [&](const Seen& s) {
        return s.hash == hash && s.length == length && s.keepSource == keepSource;
    });
    if (seen == seen_.end()) {
        if (seen_.size() == kSeenTexts)
            seen_.erase(seen_.begin());
        seen_.push_back({hash, length, keepSource});
        return;
    }
    seen_.erase(seen);
    std::unique_ptr<Document> copy = DocumentFactory::create();
    if (!DocumentStore::copyParsedTree(*copy, parsed))
        return;
    if (kept_.size() == kKeptTexts)
        kept_.erase(kept_.begin());
    kept_.push_back({std::wstring(text, length), keepSource, std::move(copy)});
}

void ParsedPageCache::clear()
{
    std::lock_guard lock(mutex_);
    kept_.clear();
    seen_.clear();
}
