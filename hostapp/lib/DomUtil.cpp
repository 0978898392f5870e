#include "host/DomUtil.h"

#include "AsciiCase.h"
#include "host/Document.h"
#include "host/Element.h"

DomUtil::DomUtil(Document* document, CCSSDataManager* /*styles*/) : DomUtBase(document) {}

DomUtil::~DomUtil() = default;

bool DomUtil::setMetaEx(const std::wstring& attr, const std::wstring& value, const std::wstring& content,
                        bool /*flag1*/, Element* /*element*/, bool /*flag2*/)
{
    if (document_ == nullptr || attr.empty())
        return false;
    std::vector<Element*> metas;
    getElementByAttributrNameAndValue(metas, attr, value, true, nullptr);
    for (Element* meta : metas) {
        if (meta->is(L"meta")) {
            meta->setAttribute(L"content", content);
            return true;
        }
    }
    Element* html = document_->getDocumentElement();
    if (html == nullptr)
        return false;
    Element* head = document_->getHead();
    if (head == nullptr) {
        head = document_->createElement(L"head");
        html->insertBefore(head, html->getFirstChild());
    }
    Element* meta = document_->createElement(L"meta");
    meta->setAttribute(attr, value);
    meta->setAttribute(L"content", content);
    head->insertBefore(meta, head->getFirstChild());
    return true;
}
