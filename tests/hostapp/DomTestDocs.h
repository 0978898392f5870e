#pragma once
#include <memory>
#include <string>

#include "host/DOM.h"
#include "host/DOMImpl.h"
#include "host/Document.h"

namespace domtest {

struct DocumentDeleter {
    void operator()(Document* d) const { DOM().deleteDocument(d); }
};
using DocPtr = std::unique_ptr<Document, DocumentDeleter>;

// A document parsed from text with its source kept.
inline DocPtr load(const std::wstring& text) {
    DocPtr doc(DOMImpl::createDocument(L"HTML"));
    doc->createNodes(text.data(), text.size(), nullptr, true);
    return doc;
}

} // namespace domtest
