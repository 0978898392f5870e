#include "host/DOMImpl.h"

#include "AsciiCase.h"
#include "DocumentFactory.h"
#include "host/Document.h"

Document* DOMImpl::createDocument(const std::wstring& type)
{
    if (!asciicase::equal(type, L"HTML"))
        return nullptr;
    // Released by DOM::deleteDocument: the module's interface hands the caller a raw pointer.
    return DocumentFactory::create().release();
}
