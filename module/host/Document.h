#pragma once
#include <cstddef>
#include <string>

#include "host/DocumentFragment.h"

class CharacterData;
class Element;

// A page held by the host: created by DOMImpl::createDocument, released by DOM::deleteDocument.
// The document owns every node in it.
class Document : public DocumentFragment {
public:
    ~Document() override;
    // Builds the tree from a page's text (HTML5 parsing), replacing any content. length counts
    // characters; context is unused (null); keepSource true keeps the source text so that
    // untouched nodes serialize back byte for byte. Returns false when text is null.
    bool createNodes(const wchar_t* text, std::size_t length, void* context, bool keepSource);
    // The root html element; null for an empty document.
    Element* getDocumentElement() const;
    // The body element; null when the document has none.
    Element* getBody() const;
    // The head element; null when the document has none.
    Element* getHead() const;
    // A new element of this document, not yet in the tree (owned by the document).
    Element* createElement(const std::wstring& tagName);
    // A new text node of this document, not yet in the tree (owned by the document).
    CharacterData* createTextNode(const std::wstring& text);
};
