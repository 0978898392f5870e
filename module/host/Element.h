#pragma once
#include <string>

#include "host/Node.h"

// An element of the host's document tree. Attribute names compare case-insensitively; an
// attribute keeps the spelling it was written with.
class Element : public Node {
public:
    // Tag kinds as getElementID reports them; 0 for every tag without a kind of its own.
    enum : int { kUnknown = 0, kAnchor = 1 };

    ~Element() override;
    // The attribute's value; "" when the element has no such attribute.
    std::wstring getAttribute(const std::wstring& name) const;
    // Sets the attribute, adding it when absent (keeps the existing spelling of its name).
    void setAttribute(const std::wstring& name, const std::wstring& value);
    // Removes the attribute; does nothing when absent.
    void removeAttribute(const std::wstring& name);
    // Whether the element has the attribute (even with an empty value).
    bool hasAttribute(const std::wstring& name) const;
    // The text content of the element's subtree (texts joined in document order); "" when none.
    std::wstring getTextData() const;
    // The element's tag kind: kAnchor (1) for A, kUnknown (0) otherwise.
    int getElementID() const;
    // The tag name as written in the source, or lower case for a created element.
    std::wstring getTagName() const;
};
