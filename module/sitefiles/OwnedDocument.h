#pragma once
#include <memory>

#include "host/DOM.h"

class Document;

// Releases a document through the DOM engine's DOM, as the host asks of every document it makes
// for the module; with a null DOM nothing is released.
struct DocumentRelease {
    DOM* dom = nullptr;
    void operator()(Document* document) const
    {
        if (dom)
            dom->deleteDocument(document);
    }
};

// A document the module holds: its ownership is in the type, and it goes back to the DOM when the
// holder ends, however the scope ends (the module catches nothing, so a file exception from a
// save passes through with the document already freed).
using OwnedDocument = std::unique_ptr<Document, DocumentRelease>;
