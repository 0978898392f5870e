#include "content/CZebCMCategoryXmlData.h"

#include <utility>
#include <vector>

#include "host/CZebXmlData.h"
#include "host/Element.h"

CZebCMCategoryXmlData::CCategory::CCategory(std::wstring numid, std::wstring name, std::wstring icon)
    : numid(std::move(numid)), name(std::move(name)), icon(std::move(icon))
{
}

CZebCMCategoryXmlData::CCategory::~CCategory() = default;

CZebCMCategoryXmlData::CZebCMCategoryXmlData(const std::wstring& path)
{
    if (path.empty())
        return;
    CZebXmlData xml(L"categorymngdoc");
    // An unreadable file simply yields no elements below.
    xml.CreateNodeData(path);
    if (Node* root = xml.GetRootNode()) {
        std::vector<Element*> lists;
        xml.GetChildElement(root, L"categorymngdoc", lists);
        for (Element* list : lists) {
            std::vector<Element*> categories;
            xml.GetChildElement(list, L"category", categories);
            for (Element* category : categories) {
                std::wstring numid = category->getAttribute(L"numid");
                if (numid.empty())
                    continue;
                std::wstring name;
                std::wstring icon;
                if (Element* nameElement = xml.GetChildElement(category, L"name"))
                    name = nameElement->getTextData();
                if (Element* iconElement = xml.GetChildElement(category, L"icon"))
                    icon = iconElement->getTextData();
                if (name.empty())
                    continue;
                records_.push_back(std::make_unique<CCategory>(std::move(numid), std::move(name), std::move(icon)));
            }
        }
    }
    xml.DestroyNodeData(nullptr);
    cursor_ = records_.end();
}

CZebCMCategoryXmlData::~CZebCMCategoryXmlData() = default;

CZebCMCategoryXmlData::CCategory* CZebCMCategoryXmlData::getFirst()
{
    cursor_ = records_.begin();
    return getNext();
}

CZebCMCategoryXmlData::CCategory* CZebCMCategoryXmlData::getNext()
{
    if (cursor_ == records_.end())
        return nullptr;
    CCategory* record = cursor_->get();
    ++cursor_;
    return record;
}
