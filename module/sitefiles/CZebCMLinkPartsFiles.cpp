#include "sitefiles/CZebCMLinkPartsFiles.h"

#include <cstring>
#include <cwchar>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

#include "host/ArraySort.h"
#include "host/CAutoCodeConv.h"
#include "host/CDOMEngineer.h"
#include "host/CRuvCommon.h"
#include "host/CRuvFileFind.h"
#include "host/CZebStringUtil.h"
#include "host/CodeConv.h"
#include "host/DOM.h"
#include "host/DOMImpl.h"
#include "host/Document.h"
#include "host/Element.h"
#include "host/FileUtil.h"
#include "host/MappedFile.h"
#include "host/ZebSiteMgr.h"
#include "platform/Clock.h"
#include "platform/PageWriter.h"
#include "platform/Path.h"
#include "platform/TextConv.h"

namespace {

const std::wstring kCalendarIdText = CZebCMLinkPartsFiles::kCalendarId;
const std::size_t kCalendarIdLength = kCalendarIdText.size(); // 22

// folder + name, or "" when the folder is "" (no site): a bare name would be relative to the
// working folder. The folder is extended in place: a path is made with one allocation.
std::wstring inFolder(std::wstring folder, const std::wstring& name)
{
    if (!folder.empty())
        folder += name;
    return folder;
}

// The named sub-folder of the site folder, ending with the separator; "" without a site. The
// site folder's text is extended in place.
std::wstring siteSubFolder(std::wstring siteFolder, const wchar_t* name)
{
    if (siteFolder.empty())
        return siteFolder;
    siteFolder = addLastYenMark(std::move(siteFolder));
    siteFolder += name;
    return addLastYenMark(std::move(siteFolder));
}

// The site-menu and CMS folders of the site folder they were made for. An update asks for them by
// the hundred (a page path and a data path for each month and each category), always for one site.
struct SiteFolders {
    std::wstring site;
    std::wstring siteMenu;
    std::wstring cms;
};

// The sub-folder of the current site's folder (siteMenu, else cms), made again only for another
// site. The site's information goes into strings kept from call to call: of the allocations of
// asking the host, only the current site's name is left.
std::wstring currentSubFolder(bool siteMenu)
{
    static std::mutex mutex;
    static SiteFolders folders; // "" for no site, as siteSubFolder makes them
    static SITE_INFO info;
    std::lock_guard lock(mutex);
    info.localFolder.clear(); // left as it is when there is no such site
    ZebSiteMgr::getSiteInfo(ZebSiteMgr::getCurrentSiteName(), info);
    if (info.localFolder != folders.site) {
        folders.siteMenu = siteSubFolder(info.localFolder, CZebCMLinkPartsFiles::kSiteMenuFolderName);
        folders.cms = siteSubFolder(info.localFolder, CZebCMLinkPartsFiles::kCmsFolderName);
        folders.site = info.localFolder;
    }
    return siteMenu ? folders.siteMenu : folders.cms;
}

} // namespace

// One stat tells both whether the page is a file with content and its time.
bool CZebCMLinkPartsFiles::findPage(const std::wstring& path, std::int64_t& time)
{
    if (path.empty())
        return false;
    CRuvFileFind finder;
    const bool found = finder.FindFile(path) && !finder.IsDirectory() && finder.GetLength() > 0;
    if (found)
        time = finder.GetLastWriteTime();
    finder.Close();
    return found;
}

CZebCMLinkPartsFiles::~CZebCMLinkPartsFiles() = default;

std::wstring CZebCMLinkPartsFiles::getSiteFolder()
{
    SITE_INFO info;
    ZebSiteMgr::getSiteInfo(ZebSiteMgr::getCurrentSiteName(), info);
    return std::move(info.localFolder);
}

std::wstring CZebCMLinkPartsFiles::getSiteMenuFolder()
{
    return currentSubFolder(true);
}

std::wstring CZebCMLinkPartsFiles::getCmsFolder()
{
    return currentSubFolder(false);
}

std::wstring CZebCMLinkPartsFiles::getTempFolder()
{
    std::wstring subFolder = CRuvCommon::getProductSubFolder(CRuvCommon::kTemplates);
    std::wstring productFolder = CRuvCommon::getProductFolder(CRuvCommon::kProductData, CRuvCommon::kInstalledFirst);
    if (productFolder.empty())
        return std::wstring();
    // The two are joined as they are: the host hands out both ending with the separator.
    std::wstring folder = productFolder + subFolder + L"_cm";
    folder += platform::kPathSeparator;
    folder += L"temp";
    return addLastYenMark(folder);
}

namespace {

// The innermost template run of the thread; null outside one.
thread_local CZebCMLinkPartsFiles::TemplateRun* currentTemplateRun = nullptr;

// Hands the page's text, decoded as the host's decoder reads it, and its length to use; nothing
// when the file is missing or cannot be decoded.
template <typename Use>
void withPageText(const std::wstring& path, Use use)
{
    MappedFile file;
    if (file.open(path, 0) != 0)
        return;
    CAutoCodeConv decoder;
    const wchar_t* text = decoder.Import(file.get_top(), file.get_size(), Charset::Auto, true);
    // The decoder's own count: a NUL character in the page must not cut it short.
    if (text)
        use(text, decoder.size());
    file.close();
}

// A new, empty document released through the DOM engine's DOM; null when there is no DOM engine or
// no document can be made.
OwnedDocument newDocument()
{
    CDOMEngineer* engine = CDOMEngineer::getInstance();
    DOM* dom = engine ? engine->getDOM() : nullptr;
    if (!dom)
        return nullptr;
    return OwnedDocument(DOMImpl::createDocument(L"HTML"), DocumentRelease{dom});
}

} // namespace

CZebCMLinkPartsFiles::TemplateRun::TemplateRun() : outer_(currentTemplateRun)
{
    currentTemplateRun = this;
}

CZebCMLinkPartsFiles::TemplateRun::~TemplateRun()
{
    currentTemplateRun = outer_;
}

std::wstring CZebCMLinkPartsFiles::getTemplatePath(int n)
{
    TemplateRun* run = currentTemplateRun;
    if (!run)
        return lookForTemplate(n);
    auto found = run->paths_.find(n);
    if (found == run->paths_.end())
        found = run->paths_.emplace(n, lookForTemplate(n)).first;
    return found->second;
}

std::wstring CZebCMLinkPartsFiles::lookForTemplate(int n)
{
    std::wstring folder = getTempFolder();
    if (folder.empty())
        return std::wstring();
    std::wstring path = folder + L"linkparts" + platform::formatW(L"%02d", n) + L".html";
    return is_file(path) ? path : std::wstring();
}

std::wstring CZebCMLinkPartsFiles::getCategoryPartId(int n)
{
    if (n < 0 || n > 999)
        return std::wstring();
    return platform::formatW(L"zebsitec%03dtable000001", n);
}

std::wstring CZebCMLinkPartsFiles::getCategoryPagePath(int n)
{
    if (n < 0 || n > 999)
        return std::wstring();
    return inFolder(getSiteMenuFolder(), getCategoryPartId(n) + L".html");
}

bool CZebCMLinkPartsFiles::categoryPageExists(int n)
{
    return pageExists(getCategoryPagePath(n));
}

std::wstring CZebCMLinkPartsFiles::getCalendarPageName()
{
    return kCalendarIdText + L".html";
}

std::wstring CZebCMLinkPartsFiles::getCalendarPagePath()
{
    return inFolder(getSiteMenuFolder(), getCalendarPageName());
}

bool CZebCMLinkPartsFiles::calendarPageExists()
{
    return pageExists(getCalendarPagePath());
}

std::wstring CZebCMLinkPartsFiles::getMonthPageName(int year, int month)
{
    static const std::wstring format = kCalendarIdText + L"%04d%02d.html";
    return platform::formatW(format.c_str(), year, month);
}

std::wstring CZebCMLinkPartsFiles::getMonthPagePath(int year, int month)
{
    return inFolder(getSiteMenuFolder(), getMonthPageName(year, month));
}

bool CZebCMLinkPartsFiles::listCalendarPages(std::vector<std::wstring>& names)
{
    names.clear();
    std::wstring folder = getSiteMenuFolder();
    if (folder.empty())
        return false;
    CRuvFileFind finder;
    if (finder.FindFile(folder + L"*.html")) {
        do {
            if (finder.IsDots())
                continue;
            std::wstring name = finder.GetFileName();
            if (name.find(kCalendarIdText) != std::wstring::npos)
                names.push_back(name);
        } while (finder.FindNextFile());
    }
    finder.Close();
    return !names.empty();
}

bool CZebCMLinkPartsFiles::getMonthPageMonths(std::vector<std::wstring>& months)
{
    std::vector<std::wstring> names;
    if (!listCalendarPages(names))
        return false;
    months.clear();
    for (const std::wstring& name : names) {
        std::wstring yearText;
        std::wstring monthText;
        if (cutMonthFromName(name, yearText, monthText))
            months.push_back(yearText + L"-" + monthText);
    }
    ArraySort::Sort(months);
    return !months.empty();
}

bool CZebCMLinkPartsFiles::fileExists(const std::wstring& path)
{
    return !path.empty() && is_file(path) != 0;
}

bool CZebCMLinkPartsFiles::pageExists(const std::wstring& path)
{
    std::int64_t time = 0;
    return findPage(path, time);
}

std::int64_t CZebCMLinkPartsFiles::getPageWriteTime(const std::wstring& path)
{
    std::int64_t time = 0;
    return findPage(path, time) ? time : 0;
}

std::int64_t CZebCMLinkPartsFiles::getLastWriteTime(const std::wstring& path)
{
    if (path.empty())
        return 0;
    std::int64_t time = 0;
    CRuvFileFind finder;
    if (finder.FindFile(path)) {
        do {
            if (!finder.IsDots())
                time = finder.GetLastWriteTime();
        } while (finder.FindNextFile());
    }
    finder.Close();
    return time;
}

std::wstring CZebCMLinkPartsFiles::getLastWriteMonth(const std::wstring& path)
{
    if (path.empty())
        return std::wstring();
    std::wstring month;
    CRuvFileFind finder;
    if (finder.FindFile(path)) {
        do {
            if (finder.IsDots())
                continue;
            int y = 0;
            int m = 0;
            // A time the local calendar cannot hold gives no month rather than a bare "-".
            month = platform::Clock::localYearMonth(finder.GetLastWriteTime(), y, m)
                        ? platform::formatW(L"%04d-%02d", y, m)
                        : std::wstring();
        } while (finder.FindNextFile());
    }
    finder.Close();
    return month;
}

bool CZebCMLinkPartsFiles::cutMonthFromName(const std::wstring& name, std::wstring& yearText, std::wstring& monthText)
{
    std::size_t pos = name.find(kCalendarIdText);
    if (pos == std::wstring::npos)
        return false;
    std::size_t k = pos + kCalendarIdLength;
    if (k < name.size() && name[k] == L'.')
        return false;
    yearText = platform::mid(name, k, 4);
    monthText = platform::mid(name, k + 4, 2);
    return true;
}

Document* CZebCMLinkPartsFiles::loadPage(const std::wstring& path)
{
    return loadPageOwned(path).release();
}

OwnedDocument CZebCMLinkPartsFiles::loadPageOwned(const std::wstring& path)
{
    OwnedDocument document = newDocument();
    if (document)
        withPageText(
            path, [&](const wchar_t* text, std::size_t length) { document->createNodes(text, length, nullptr, true); });
    return document;
}

OwnedDocument CZebCMLinkPartsFiles::loadTemplateOwned(const std::wstring& path)
{
    TemplateRun* run = currentTemplateRun;
    if (!run)
        return loadPageOwned(path);
    auto found = run->texts_.find(path);
    if (found == run->texts_.end()) {
        std::optional<std::wstring> text;
        withPageText(path, [&](const wchar_t* decoded, std::size_t length) { text.emplace(decoded, length); });
        found = run->texts_.emplace(path, std::move(text)).first;
    }
    OwnedDocument document = newDocument();
    if (document && found->second)
        document->createNodes(found->second->c_str(), found->second->size(), nullptr, true);
    return document;
}

bool CZebCMLinkPartsFiles::readElementMarkup(const std::wstring& path, std::wstring& markup, const std::wstring& id)
{
    const OwnedDocument document = loadPageOwned(path);
    if (!document)
        return false;
    Element* element = document->getElementByID(id);
    if (!element)
        return false;
    element->prepareMarkup();
    markup = element->getMarkup();
    return !markup.empty();
}

void CZebCMLinkPartsFiles::savePage(Node* node, const std::wstring& path)
{
    if (!node || path.empty())
        return;
    std::wstring markup = node->getMarkup();
    CodeConv encoder;
    const char* bytes = encoder.Export(markup.c_str(), markup.size(), Charset::Utf8, Newline::Lf);
    // The encoder's own count, not the terminating NUL: a NUL character in the markup must not
    // cut the page short.
    std::size_t size = bytes ? encoder.size() : 0;
    // Kept alive until the bytes are written: get_ansi's result belongs to it.
    std::unique_ptr<CZebStringUtil> ansi;
    if (!bytes) {
        ansi = std::make_unique<CZebStringUtil>(markup.c_str(), -1);
        bytes = ansi->get_ansi();
        if (!bytes)
            return;
        size = std::strlen(bytes);
    }
    // Whole or not at all: a page that cannot be opened is skipped (NotOpened), a failing write
    // throws with the old page intact.
    platform::PageWriter::write(path, bytes, size);
}
