#pragma once
#include <string>

class Element;

// Attribute helpers of the host.
class DomUtBaseCore {
public:
    // Sets the attribute to value, or removes it when value is empty. Null element: nothing.
    static void setOrRemoveAttr(Element* element, const std::wstring& name, const std::wstring& value);
    // Sets the attribute to value (an empty value too). Null element: nothing.
    static void setAttributeValue(Element* element, const std::wstring& name, const std::wstring& value);
};
