#pragma once
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class Document;

// Pages the host parsed more than once, kept as parsed, so that the next document made from the
// same text is copied instead of parsed again. An update builds every category's page from the
// same link-part template, which was parsed anew for each. A text is kept only when it comes a
// second time (other pages are parsed once, and keeping those would cost a copy each), and only
// a few small texts are kept; the text is compared whole, so a kept parse is used only for a
// text that is exactly the same.
class ParsedPageCache {
public:
    // The host's one cache.
    static ParsedPageCache& instance();

    // The document parsed from exactly this text (with the same keepSource); null when none.
    const Document* find(const wchar_t* text, std::size_t length, bool keepSource);
    // Tells the cache of a fresh parse of the text; it keeps a copy when the text came before.
    void offer(const wchar_t* text, std::size_t length, bool keepSource, const Document& parsed);
    // Forgets everything kept (tests).
    void clear();

    ParsedPageCache();
    ~ParsedPageCache();
    ParsedPageCache(const ParsedPageCache&) = delete;
    ParsedPageCache& operator=(const ParsedPageCache&) = delete;

private:
    struct Kept {
        std::wstring text;
        bool keepSource;
        std::unique_ptr<Document> parsed;
    };
    struct Seen {
        std::size_t hash;
        std::size_t length;
        bool keepSource;
    };

    std::mutex mutex_;
    std::vector<Kept> kept_; // most recently kept last
    std::vector<Seen> seen_; // texts parsed lately, most recent last
};
