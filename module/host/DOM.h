#pragma once

class Document;

// The DOM engine's document keeper: frees the documents the module created or loaded.
class DOM {
public:
    // Deletes a document made by DOMImpl::createDocument and every node in it; null is ignored.
    void deleteDocument(Document* document);
};
