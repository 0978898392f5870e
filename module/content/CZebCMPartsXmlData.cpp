#include "content/CZebCMPartsXmlData.h"

#include <utility>
#include <vector>

#include "host/CZebXmlData.h"
#include "host/Element.h"
#include "platform/TextConv.h"

namespace {

// The element names of a content parts file, made once rather than for every lookup.
const std::wstring kPartInfo = L"partinfo";
const std::wstring kContentPart = L"contentpart";
const std::wstring kId = L"id";
const std::wstring kTitle = L"title";
const std::wstring kCreationTime = L"creationtime";
const std::wstring kCategory = L"category";
const std::wstring kLink = L"link";

} // namespace

CZebCMPartsXmlData::CSelection::CSelection(std::wstring id, std::wstring title, std::wstring creationtime,
                                           std::wstring category, std::wstring link)
    : id(std::move(id)), title(std::move(title)), creationtime(std::move(creationtime)), category(std::move(category)),
      link(std::move(link))
{
    // A creation time is cut by position and never validated.
    year = platform::mid(this->creationtime, 0, 4);
    month = platform::mid(this->creationtime, 5, 2);
    day = platform::mid(this->creationtime, 8, 2);
}

CZebCMPartsXmlData::CSelection::~CSelection() = default;

CZebCMPartsXmlData::CZebCMPartsXmlData(const std::wstring& path)
{
    if (path.empty())
        return;
    xml_ = std::make_unique<CZebXmlData>(kPartInfo);
    // An unreadable file simply yields no elements below. An entry's nodes are made when the walk
    // reaches it: a category's link part reads a few of its entries.
    xml_->CreateNodeData(path, CZebXmlData::Build::OnDemand);
    if (Node* root = xml_->GetRootNode()) {
        std::vector<Element*> lists;
        xml_->GetChildElement(root, kPartInfo, lists);
        std::vector<Element*> entries;
        for (Element* list : lists) {
            xml_->GetChildElement(list, kContentPart, entries);
            entries_.insert(entries_.end(), entries.begin(), entries.end());
        }
    }
    if (entries_.empty())
        release();
}

CZebCMPartsXmlData::~CZebCMPartsXmlData() = default;

bool CZebCMPartsXmlData::makeNextRecord()
{
    while (nextEntry_ < entries_.size()) {
        Element* entry = entries_[nextEntry_++];
        auto text = [&](const std::wstring& name) {
            Element* child = xml_->GetChildElement(entry, name);
            return child ? child->getTextData() : std::wstring();
        };
        std::wstring id = text(kId);
        std::wstring title = text(kTitle);
        std::wstring creationtime = text(kCreationTime);
        std::wstring category = text(kCategory);
        std::wstring link = text(kLink);
        if (id.empty() || title.empty() || link.empty())
            continue;
        records_.push_back(std::make_unique<CSelection>(std::move(id), std::move(title), std::move(creationtime),
                                                        std::move(category), std::move(link)));
        return true;
    }
    release();
    return false;
}

void CZebCMPartsXmlData::release()
{
    entries_ = {};
    if (xml_) {
        xml_->DestroyNodeData(nullptr);
        xml_.reset();
    }
}

CZebCMPartsXmlData::CSelection* CZebCMPartsXmlData::getFirst()
{
    cursor_ = 0;
    return getNext();
}

CZebCMPartsXmlData::CSelection* CZebCMPartsXmlData::getNext()
{
    if (cursor_ > records_.size() || (cursor_ == records_.size() && !makeNextRecord()))
        return nullptr;
    return records_[cursor_++].get();
}
