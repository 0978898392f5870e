#include "SitePageRefresher.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <memory>
#include <set>
#include <system_error>

#include "AsciiCase.h"
#include "FragmentParser.h"
#include "OpenPage.h"
#include "SitePagePath.h"
#include "TextCodec.h"
#include "UrlRebaser.h"
#include "host/Document.h"
#include "host/DomUtBase.h"
#include "host/Element.h"
#include "host/MappedFile.h"
#include "platform/FileException.h"
#include "platform/TextConv.h"

namespace fs = std::filesystem;

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
    const std::wstring lines = TextCodec::applyNewline(text, page.newline());
    std::string bytes;
    if (!TextCodec::encode(lines, page.encoding(), bytes))
        bytes = platform::toUtf8(lines);
    return bytes;
}

} // namespace

SitePageRefresher::SitePageRefresher(std::wstring siteFolder) : site_(std::move(siteFolder)) {}

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

std::vector<std::wstring> SitePageRefresher::candidatePages() const
{
    std::set<std::wstring> pages;
    const fs::path root(platform::toUtf8(site_));
    std::error_code ec;
    fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, ec);
    for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        const std::wstring name = platform::fromUtf8(it->path().filename().string());
        std::error_code typeError;
        if (it->is_directory(typeError) && !it->is_symlink(typeError)) {
            if (it.depth() == 0 && SitePagePath::isReservedFolder(name))
                it.disable_recursion_pending();
            continue;
        }
        if (!SitePagePath::isHtmlName(name))
            continue;
        std::wstring path;
        std::string why;
        if (SitePagePath::resolve(site_, platform::fromUtf8(it->path().string()), path, why) ==
            SitePagePath::Verdict::Page)
            pages.insert(path);
    }
    return {pages.begin(), pages.end()};
}

const std::wstring& SitePageRefresher::generatedMarkup(const std::wstring& id)
{
    auto found = generated_.find(id);
    if (found != generated_.end())
        return found->second;
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
    Outcome outcome;
    std::wstring path;
    if (SitePagePath::resolve(site_, given, path, outcome.error) != SitePagePath::Verdict::Page)
        return outcome;
    {
        MappedFile file;
        if (file.open(path, 0) != 0) {
            outcome.error = "cannot be read";
            return outcome;
        }
        if (!mayCarryLinkParts(file.get_top(), file.get_size()))
            return outcome;
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
        if (asSaved(fresh, *page) == asSaved(element->getMarkup(), *page))
            continue;

        // The new element takes the old one's place, and the text the parser left between it and
        // the node before.
        util.setLayoutCurorEx(element, false);
        Node* inserted = insertFragmentAtCursor(util, fresh);
        if (inserted == nullptr)
            continue;
        inserted->setLeadGap(element->leadGap());
        element->setLeadGap({});
        util.removeAllChild(element, true, true);
        outcome.changed.push_back(id);
    }
    if (outcome.changed.empty())
        return outcome;

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
    return outcome;
}
