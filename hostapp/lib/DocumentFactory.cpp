#include "DocumentFactory.h"

#include "host/Document.h"

std::unique_ptr<Document> DocumentFactory::create()
{
    return std::make_unique<Document>();
}
