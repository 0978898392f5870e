#pragma once
#include <string>
#include <vector>

// Rewrites the relative URLs of markup made for the site's root (link parts: their links name
// pages from the root) so that they reach the same files from a page in a folder of the site.
class UrlRebaser {
public:
    // folder: the page's folder relative to the site root, "/"-separated ("" at the root, where
    // nothing is rewritten).
    explicit UrlRebaser(const std::wstring& folder);

    // Whether the page is at the root (nothing to rewrite).
    bool atRoot() const { return folder_.empty(); }
    // The URL as seen from the page's folder. Absolute URLs (a scheme such as http:, mailto: or
    // javascript:, or a leading "/"), "#…", "?…" and "" are given back as they are.
    std::wstring rebase(const std::wstring& url) const;
    // The markup with the href and src of its elements rebased. The markup itself, unparsed, at
    // the root or when it has nothing to rewrite.
    std::wstring rebaseMarkup(const std::wstring& markup) const;

private:
    // "../" for each folder of the page's folder from the one at that depth on.
    std::wstring up(std::size_t from) const;

    std::vector<std::wstring> folder_;
};
