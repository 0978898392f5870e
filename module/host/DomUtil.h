#pragma once
#include <string>

#include "host/DomUtBase.h"

class CCSSDataManager;

// A DomUtBase over a document the module made itself (no style manager).
class DomUtil : public DomUtBase {
public:
    DomUtil(Document* document, CCSSDataManager* styles);
    ~DomUtil() override;
    // Sets a meta element: with attr "HTTP-EQUIV" and value "Content-Type", replaces the content
    // of an existing meta whose http-equiv is Content-Type (any case), or adds such a meta at the
    // start of the head (made when missing). The remaining flags and element are unused. Returns
    // false when the document has no html element to put a head in.
    bool setMetaEx(const std::wstring& attr, const std::wstring& value, const std::wstring& content, bool flag1,
                   Element* element, bool flag2);
};
