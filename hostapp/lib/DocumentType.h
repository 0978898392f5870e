#pragma once
#include <string>

#include "host/Node.h"

// The DOCTYPE of a page. A parsed one is written back as it stood; a created one is written from
// its name and identifiers.
class DocumentType : public Node {
public:
    DocumentType(Document* owner, std::wstring name, std::wstring publicId, std::wstring systemId);
    // The DOCTYPE declaration made from the name and identifiers.
    std::wstring declaration() const;

private:
    friend class Document; // copies parsed trees
    std::wstring name_;
    std::wstring publicId_;
    std::wstring systemId_;
};
