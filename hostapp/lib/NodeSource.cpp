#include "NodeSource.h"

#include <utility>

#include "SourceText.h"

void NodeSource::addParsedAttribute(Element* element, Attribute attribute)
{
    if (element->findAttribute(attribute.name) == nullptr)
        element->appendAttribute(std::move(attribute));
}

const SourceText* NodeSource::keepSource(Document* document, std::unique_ptr<SourceText> source)
{
    document->sources_.push_back(std::move(source));
    return document->sources_.back().get();
}
