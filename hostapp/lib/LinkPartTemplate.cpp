#include "LinkPartTemplate.h"

#include <memory>

#include "OpenPage.h"
#include "host/CRuvCommon.h"
#include "host/Document.h"
#include "host/FileUtil.h"

std::wstring LinkPartTemplate::path()
{
    return CRuvCommon::getProductFolder(CRuvCommon::kProductData, CRuvCommon::kInstalledFirst) +
           CRuvCommon::getProductSubFolder(CRuvCommon::kTemplates) + L"_cm/temp/linkparts00.html";
}

std::string LinkPartTemplate::problem()
{
    const std::wstring file = path();
    if (!is_file(file))
        return "not found";
    std::unique_ptr<OpenPage> page = OpenPage::load(file);
    if (!page)
        return "cannot be read as a page";
    if (page->document()->getElementByID(L"ZEB_CATEGORY_1") == nullptr)
        return "has no element with id ZEB_CATEGORY_1";
    return "";
}
