#include "host/DocumentFragment.h"

#include "host/Element.h"

DocumentFragment::DocumentFragment(Type type, Document* owner) : Node(type, owner) {}

DocumentFragment::~DocumentFragment() = default;

Element* DocumentFragment::getElementByID(const std::wstring& id)
{
    for (Node* n = getFirstChild(); n != nullptr; n = n->nextInTree(this)) {
        if (n->getNodeType() != Type::Element)
            continue;
        auto* e = static_cast<Element*>(n);
        if (e->hasAttribute(L"id") && e->getAttribute(L"id") == id)
            return e;
    }
    return nullptr;
}
