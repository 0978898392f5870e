#include "host/DomUtBaseCore.h"

#include "host/Element.h"

void DomUtBaseCore::setOrRemoveAttr(Element* element, const std::wstring& name, const std::wstring& value)
{
    if (element == nullptr)
        return;
    if (value.empty())
        element->removeAttribute(name);
    else
        element->setAttribute(name, value);
}

void DomUtBaseCore::setAttributeValue(Element* element, const std::wstring& name, const std::wstring& value)
{
    if (element != nullptr)
        element->setAttribute(name, value);
}
