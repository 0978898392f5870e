#include "module/LinkPartPageFixture.h"

#include "HostApplication.h"
#include "HostSite.h"
#include "OpenPage.h"
#include "host/Document.h"
#include "host/DomUtBase.h"
#include "host/Element.h"
#include "platform/Clock.h"

using testsupport::U;
using testsupport::W;

LinkPartPageFixture::LinkPartPageFixture(const Categories& categories)
{
    testsupport::writeFile(dir_ / "qcms/qccl.xml", categoryList(categories));
    setCurrentSiteFolder(W(dir_.path()));
    platform::Clock::fix(testsupport::localTime(2008, 11, 15));
}

LinkPartPageFixture::~LinkPartPageFixture()
{
    closePage();
    setCurrentSiteFolder(L"");
    platform::Clock::release();
}

std::string LinkPartPageFixture::categoryList(const Categories& categories)
{
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<categorymngdoc>\n";
    for (const auto& [numid, name] : categories)
        xml += "<category numid=\"" + numid + "\"><name>" + name + "</name></category>\n";
    return xml + "</categorymngdoc>\n";
}

void LinkPartPageFixture::openPage(const std::string& html)
{
    closePage();
    const std::string path = dir_ / "page.html";
    testsupport::writeFile(path, html);
    page_ = OpenPage::load(W(path));
    if (page_)
        setOpenPage(page_.get());
}

void LinkPartPageFixture::closePage()
{
    setOpenPage(nullptr);
    page_.reset();
}

std::string LinkPartPageFixture::markup() const
{
    return page_ ? U(page_->document()->getMarkup()) : std::string();
}

std::vector<std::string> LinkPartPageFixture::linkPartIds() const
{
    std::vector<std::string> ids;
    if (!page_)
        return ids;
    std::vector<Element*> found;
    page_->domUtBase()->getElementByAttributrNameAndPartOfValue(found, L"id", L"zebsitec", true, nullptr);
    for (Element* element : found)
        ids.push_back(U(element->getAttribute(L"id")));
    return ids;
}

Element* LinkPartPageFixture::byId(const std::string& id) const
{
    return page_ ? page_->document()->getElementByID(W(id)) : nullptr;
}
