#pragma once
#include "host/DOM.h"

class Document;

// Deletes a document the builder loaded or created when the scope ends, however it ends: the
// module catches nothing, so a file exception from a save must pass through with the document
// already freed.
class CZebCMDocumentGuard {
public:
    // dom may be null (then nothing is deleted); document may be null.
    CZebCMDocumentGuard(DOM* dom, Document* document) : dom_(dom), document_(document) {}
    ~CZebCMDocumentGuard() { release(); }
    CZebCMDocumentGuard(const CZebCMDocumentGuard&) = delete;
    CZebCMDocumentGuard& operator=(const CZebCMDocumentGuard&) = delete;

    // Deletes the document now (once); later calls do nothing.
    void release()
    {
        if (dom_ && document_)
            dom_->deleteDocument(document_);
        document_ = nullptr;
    }

private:
    DOM* dom_;
    Document* document_;
};
