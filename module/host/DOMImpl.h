#pragma once
#include <string>

class Document;

// Makes documents.
class DOMImpl {
public:
    // A new empty document of the given type ("HTML"); the caller releases it with
    // DOM::deleteDocument. Null for any other type.
    static Document* createDocument(const std::wstring& type);
};
