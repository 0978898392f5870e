#include "DocumentType.h"

DocumentType::DocumentType(Document* owner, std::wstring name, std::wstring publicId, std::wstring systemId)
    : Node(Type::Doctype, owner), name_(std::move(name)), publicId_(std::move(publicId)), systemId_(std::move(systemId))
{
}

std::wstring DocumentType::declaration() const
{
    std::wstring text = L"<!DOCTYPE " + (name_.empty() ? std::wstring(L"html") : name_);
    if (!publicId_.empty()) {
        text += L" PUBLIC \"" + publicId_ + L"\"";
        if (!systemId_.empty())
            text += L" \"" + systemId_ + L"\"";
    } else if (!systemId_.empty()) {
        text += L" SYSTEM \"" + systemId_ + L"\"";
    }
    return text + L">";
}
