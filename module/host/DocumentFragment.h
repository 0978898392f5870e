#pragma once
#include <string>

#include "host/Node.h"

class Element;

// A node that holds a tree of its own (the base of Document).
class DocumentFragment : public Node {
public:
    ~DocumentFragment() override;
    // The first element in document order whose "id" attribute equals id exactly; null when none.
    Element* getElementByID(const std::wstring& id);

protected:
    DocumentFragment(Type type, Document* owner);
};
