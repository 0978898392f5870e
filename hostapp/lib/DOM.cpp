#include "host/DOM.h"

#include "host/Document.h"

void DOM::deleteDocument(Document* document)
{
    delete document;
}
