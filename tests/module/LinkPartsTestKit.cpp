#include "module/LinkPartsTestKit.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>

#include "host/CDOMEngineer.h"
#include "host/CharacterData.h"
#include "host/DOM.h"
#include "host/Document.h"
#include "host/DomUtBase.h"
#include "host/Element.h"
#include "platform/Clock.h"
#include "platform/PageWriter.h"
#include "sitefiles/CZebCMLinkPartsFiles.h"

namespace linkpartstest {

using testsupport::U;
using testsupport::W;

std::string partsFile(const std::vector<Entry>& entries)
{
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<partinfo>\n";
    int id = 1;
    for (const Entry& e : entries) {
        xml += "<contentpart><id>" + std::to_string(id++) + "</id><title>" + e.title + "</title><creationtime>" +
               e.creationtime + "</creationtime><category>c</category><link>" + e.link + "</link></contentpart>\n";
    }
    return xml + "</partinfo>\n";
}

Site::Site()
{
    ::mkdir((folder() + "/qcms").c_str(), 0755);
    ::mkdir((folder() + "/ZebSitemenu").c_str(), 0755);
}

void Site::writeMonthData(int year, int month, const std::vector<int>& days, std::int64_t mtime) const
{
    std::vector<Entry> entries;
    char stamp[32];
    char link[32];
    for (int day : days) {
        std::snprintf(stamp, sizeof stamp, "%04d/%02d/%02d 10:00:00", year, month, day);
        std::snprintf(link, sizeof link, "d%04d%02d%02d.html", year, month, day);
        entries.push_back({"entry", stamp, link});
    }
    char name[64];
    std::snprintf(name, sizeof name, "zebsitec001table000001%04d%02d.xml", year, month);
    testsupport::writeFile(cms(name), partsFile(entries));
    testsupport::setMtime(cms(name), mtime);
}

void Site::writeCategoryData(int n, int count, std::int64_t mtime) const
{
    std::vector<Entry> entries;
    for (int i = 1; i <= count; ++i)
        entries.push_back({"Title " + std::to_string(i), "2008/04/01 10:00:00",
                           testsupport::numbered('c', n) + "-" + std::to_string(i) + ".html"});
    char name[64];
    std::snprintf(name, sizeof name, "zebsitec%03dtable000001.xml", n);
    testsupport::writeFile(cms(name), partsFile(entries));
    testsupport::setMtime(cms(name), mtime);
}

std::string Site::monthPage(int year, int month)
{
    char name[64];
    std::snprintf(name, sizeof name, "zebsitec001table000001%04d%02d.html", year, month);
    return name;
}

TemplateFolder::TemplateFolder()
{
    if (const char* old = std::getenv("ZEBHOST_DATA_DIR"))
        previous_ = old;
    ::setenv("ZEBHOST_DATA_DIR", dir_.path().c_str(), 1);
}

TemplateFolder::~TemplateFolder()
{
    if (previous_)
        ::setenv("ZEBHOST_DATA_DIR", previous_->c_str(), 1);
    else
        ::unsetenv("ZEBHOST_DATA_DIR");
}

void TemplateFolder::write(const std::string& html) const
{
    testsupport::writeFile(dir_ / "template/_cm/temp/linkparts00.html", html);
}

WriteLog::WriteLog()
{
    platform::PageWriter::setObserver([this](const std::wstring& path, bool written, const std::string& reason) {
        const std::wstring::size_type slash = path.rfind(L'/');
        writes_.push_back({U(slash == std::wstring::npos ? path : path.substr(slash + 1)), written, reason});
    });
}

WriteLog::~WriteLog()
{
    platform::PageWriter::setObserver(nullptr);
}

std::vector<std::string> WriteLog::written() const
{
    std::vector<std::string> names;
    for (const Write& w : writes_)
        if (w.written)
            names.push_back(w.name);
    return names;
}

FixedClock::FixedClock(std::int64_t moment)
{
    platform::Clock::fix(moment);
}

FixedClock::~FixedClock()
{
    platform::Clock::release();
}

PageView::PageView(const std::string& path) : document_(CZebCMLinkPartsFiles().loadPage(W(path))) {}

PageView::~PageView()
{
    if (document_)
        CDOMEngineer::getInstance()->getDOM()->deleteDocument(document_);
}

std::optional<std::wstring> PageView::onclick(const std::wstring& name) const
{
    DomUtBase util(document_);
    std::vector<Element*> found;
    util.getElementByAttributrNameAndValue(found, L"name", name, true, nullptr);
    if (found.empty() || !found.front()->hasAttribute(L"onclick"))
        return std::nullopt;
    return found.front()->getAttribute(L"onclick");
}

std::wstring PageView::position() const
{
    const bool prev = onclick(L"prev").has_value();
    const bool next = onclick(L"next").has_value();
    if (prev && next)
        return L"mid";
    if (next)
        return L"1st";
    if (prev)
        return L"last";
    return L"1stlast";
}

std::wstring PageView::summary() const
{
    DomUtBase util(document_);
    std::vector<Element*> found;
    util.getElementByAttributrName(found, L"summary", nullptr);
    return found.empty() ? std::wstring() : found.front()->getAttribute(L"summary");
}

std::wstring PageView::linkAround(const std::wstring& text) const
{
    DomUtBase util(document_);
    std::vector<CharacterData*> found;
    util.getAllPCData(found, text, true, nullptr);
    if (found.empty())
        return L"<missing>";
    Node* parent = found.front()->getParentNode();
    if (!parent || parent->getNodeType() != Node::Type::Element)
        return std::wstring();
    Element* element = static_cast<Element*>(parent);
    if (element->getElementID() != Element::kAnchor)
        return std::wstring();
    return element->getAttribute(L"href");
}

bool PageView::declaresUtf8() const
{
    DomUtBase util(document_);
    std::vector<Element*> found;
    util.getElementByAttributrNameAndValue(found, L"http-equiv", L"Content-Type", true, nullptr);
    for (Element* meta : found)
        if (meta->getAttribute(L"content") == L"text/html; charset=UTF-8")
            return true;
    return false;
}

bool PageView::hasId(const std::wstring& id) const
{
    return document_ && document_->getElementByID(id) != nullptr;
}

std::wstring onclickFor(const std::wstring& pageName)
{
    return L"getZebSiteMenu('ZebSitemenu/" + pageName + L"','zebsitec001table000001');";
}

} // namespace linkpartstest
