#include "SiteContext.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "Commands.h"
#include "HostSite.h"
#include "SitePagePath.h"
#include "host/CZebXmlData.h"
#include "host/Element.h"
#include "host/FileUtil.h"
#include "platform/PageWriter.h"
#include "platform/Path.h"
#include "platform/TextConv.h"
#include "platform/Wtoi.h"

namespace {

// How long a run waits for another run on the same site: ZEBHOST_LOCK_WAIT seconds, else 5.
int lockWaitMilliseconds()
{
    const char* text = std::getenv("ZEBHOST_LOCK_WAIT");
    char* end = nullptr;
    const double seconds = text ? std::strtod(text, &end) : 0;
    return text && end != text && seconds >= 0 && seconds < 86400 ? static_cast<int>(seconds * 1000) : 5000;
}

} // namespace

bool SiteContext::open(const std::string& folder, bool writes)
{
    std::error_code ec;
    std::filesystem::path absolute = std::filesystem::absolute(folder.empty() ? "." : folder, ec);
    // Pages are judged with their symlinks resolved; so is the site, so that the two compare.
    std::filesystem::path canonical = std::filesystem::canonical(absolute, ec);
    absolute = ec ? absolute.lexically_normal() : canonical;
    std::string text = absolute.string();
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    folder_ = platform::fromUtf8(text);
    categories_.clear();

    const std::wstring list = categoryListPath();
    if (!is_file(list)) {
        error_ = display(list) + ": no category list here (is " + text + " a CMS site?)";
        return false;
    }
    // One run at a time per site (two applies on one page at once lost an edit); held until the
    // command ends. Under the lock, temporary files of a killed run are no other run's.
    if (!lock_.lock(folder_, lockWaitMilliseconds())) {
        error_ = text + ": " + lock_.error();
        return false;
    }
    platform::PageWriter::removeLeftovers(true);
    // A category list that cannot be read would make every command work on no categories: the
    // update would report every page up to date, and the dialog's OK would take every link part
    // out of the page. Checked before anything on disk changes.
    CZebXmlData xml(L"categorymngdoc");
    if (!xml.CreateNodeData(list)) {
        error_ = display(list) + ": the category list cannot be read (empty, cut short or not well-formed XML)";
        return false;
    }
    std::vector<Element*> documents;
    if (xml.GetChildElement(xml.GetRootNode(), L"categorymngdoc", documents) == 0) {
        error_ = display(list) + ": no category list in this file (no categorymngdoc element)";
        return false;
    }
    if (!setCurrentSiteFolder(folder_, false) || (writes && !makeSiteMenuFolder()))
        return false;

    // The same reading as the module's: every category element of every list, a numid that
    // reads as 0 or more and a non-empty name.
    for (Element* document : documents) {
        std::vector<Element*> entries;
        xml.GetChildElement(document, L"category", entries);
        for (Element* entry : entries) {
            const std::wstring numid = entry->getAttribute(L"numid");
            Element* nameElement = xml.GetChildElement(entry, L"name");
            const std::wstring name = nameElement ? nameElement->getTextData() : std::wstring();
            const int number = platform::wtoi(numid);
            if (!numid.empty() && !name.empty() && number >= 0)
                categories_.push_back({number, numid, name});
        }
    }
    xml.DestroyNodeData(nullptr);
    return true;
}

bool SiteContext::makeSiteMenuFolder()
{
    if (setCurrentSiteFolder(folder_, true))
        return true;
    error_ = display(addLastYenMark(folder_) + L"ZebSitemenu") + ": the site-menu folder cannot be made";
    return false;
}

int SiteContext::positionOf(const std::wstring& name) const
{
    for (std::size_t i = 0; i < categories_.size(); ++i) {
        if (categories_[i].name == name)
            return static_cast<int>(i);
    }
    return -1;
}

std::wstring SiteContext::nameOf(int number) const
{
    for (const SiteCategory& category : categories_) {
        if (category.number == number)
            return category.name;
    }
    return {};
}

std::string SiteContext::display(const std::wstring& path) const
{
    const std::wstring prefix = folder_ + L"/";
    if (!folder_.empty() && path.compare(0, prefix.size(), prefix) == 0)
        return platform::printable(path.substr(prefix.size()));
    return platform::printable(path);
}

std::wstring SiteContext::categoryListPath() const
{
    return addLastYenMark(folder_) + L"qcms/qccl.xml";
}

int SiteContext::resolvePage(const std::string& name, std::wstring& path) const
{
    std::string why;
    const SitePagePath::Verdict verdict = SitePagePath::resolve(folder_, platform::fromUtf8(name), path, why);
    if (verdict == SitePagePath::Verdict::Page)
        return kExitOk;
    std::fprintf(stderr, "zebhost: %s: %s\n", name.c_str(), why.c_str());
    return verdict == SitePagePath::Verdict::Refused ? kExitUsage : kExitFailed;
}
