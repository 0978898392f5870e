#include "UrlRebaser.h"

#include <cwctype>
#include <memory>

#include "DocumentFactory.h"
#include "GumboTreeBuilder.h"
#include "host/Document.h"
#include "host/Element.h"

namespace {

std::vector<std::wstring> split(const std::wstring& text)
{
    std::vector<std::wstring> parts;
    std::size_t start = 0;
    for (std::size_t slash; (slash = text.find(L'/', start)) != std::wstring::npos; start = slash + 1)
        parts.push_back(text.substr(start, slash - start));
    parts.push_back(text.substr(start));
    return parts;
}

// Whether the URL stands on its own: a scheme (letters, digits, + - . after a letter, then ":"),
// a path from the server's root or another server ("/", "//"), or a reference into the page.
bool isAbsolute(const std::wstring& url)
{
    if (url.empty() || url[0] == L'/' || url[0] == L'\\' || url[0] == L'#' || url[0] == L'?')
        return true;
    if (!std::iswalpha(static_cast<wint_t>(url[0])) || url[0] > 0x7f)
        return false;
    for (wchar_t c : url) {
        if (c == L':')
            return true;
        if (!(c < 0x80 && (std::iswalnum(static_cast<wint_t>(c)) || c == L'+' || c == L'-' || c == L'.')))
            return false;
    }
    return false;
}

} // namespace

UrlRebaser::UrlRebaser(const std::wstring& folder)
{
    if (!folder.empty())
        for (std::wstring& part : split(folder))
            if (!part.empty() && part != L".")
                folder_.push_back(std::move(part));
}

std::wstring UrlRebaser::up(std::size_t from) const
{
    std::wstring out;
    for (std::size_t n = from; n < folder_.size(); ++n)
        out += L"../";
    return out;
}

std::wstring UrlRebaser::rebase(const std::wstring& url) const
{
    if (atRoot() || isAbsolute(url))
        return url;
    const std::size_t cut = url.find_first_of(L"?#");
    const std::wstring suffix = cut == std::wstring::npos ? std::wstring() : url.substr(cut);
    const std::vector<std::wstring> parts = split(url.substr(0, cut));

    // The path from the root, its dots resolved; a path that climbs above the root keeps its
    // own climbing behind the way up to the root.
    std::vector<std::wstring> path;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const bool last = i + 1 == parts.size();
        if (parts[i] == L"..") {
            if (path.empty())
                return up(0) + url;
            path.pop_back();
            if (last)
                path.emplace_back();
        } else if (parts[i] == L".") {
            if (last)
                path.emplace_back();
        } else {
            path.push_back(parts[i]);
        }
    }
    // Up from the page's folder to the folder both share, then down to the file.
    std::size_t common = 0;
    while (common < folder_.size() && common + 1 < path.size() && folder_[common] == path[common])
        ++common;
    std::wstring out = up(common);
    for (std::size_t n = common; n < path.size(); ++n)
        out += path[n] + (n + 1 < path.size() ? L"/" : L"");
    if (out.empty())
        out = L"./";
    return out + suffix;
}

std::wstring UrlRebaser::rebaseMarkup(const std::wstring& markup) const
{
    if (atRoot())
        return markup;
    const std::unique_ptr<Document> scratch = DocumentFactory::create();
    const std::vector<Node*> nodes = GumboTreeBuilder::buildFragment(*scratch, markup, L"body");
    bool changed = false;
    for (Node* top : nodes) {
        for (Node* n = top; n != nullptr; n = n->nextInTree(top)) {
            if (n->getNodeType() != Node::Type::Element)
                continue;
            auto* element = static_cast<Element*>(n);
            for (const wchar_t* name : {L"href", L"src"}) {
                if (!element->hasAttribute(name))
                    continue;
                const std::wstring value = element->getAttribute(name);
                const std::wstring rebased = rebase(value);
                if (rebased == value)
                    continue;
                element->setAttribute(name, rebased);
                changed = true;
            }
        }
    }
    if (!changed)
        return markup;
    std::wstring out;
    for (Node* top : nodes)
        out += top->getMarkup();
    return out;
}
