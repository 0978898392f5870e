#include "DocumentFactory.h"

#include "host/Document.h"

std::unique_ptr<Document> DocumentFactory::create()
{
    // The constructor is the host's alone: the module gets its documents from DOMImpl.
    return std::unique_ptr<Document>(new Document());
}
