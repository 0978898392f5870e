#pragma once
#include <memory>

class Document;

// The host's own way to make documents, with the ownership in the type. DOMImpl::createDocument
// hands the module the same kind of document as a raw pointer, which the module's interface
// requires; it is a thin wrapper around this.
class DocumentFactory {
public:
    // A new empty document; never null.
    static std::unique_ptr<Document> create();
};
