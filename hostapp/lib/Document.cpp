#include "host/Document.h"

#include "AsciiCase.h"
#include "GumboTreeBuilder.h"
#include "SourceText.h"
#include "host/CharacterData.h"
#include "host/Element.h"

Document::Document() : DocumentFragment(Type::Document, this) {}

Document::~Document() = default;

bool Document::createNodes(const wchar_t* text, std::size_t length, void* /*context*/, bool keepSource) {
    if (text == nullptr)
        return false;
    // Old nodes stay owned (detached) so that handles to them never dangle.
    while (Node* child = getFirstChild())
        removeChild(child);
    trailGap_ = {};
    pageSource_ = nullptr;
    return GumboTreeBuilder::buildDocument(*this, text, length, keepSource);
}

Element* Document::getDocumentElement() const {
    for (Node* n = getFirstChild(); n != nullptr; n = n->getNextSibling())
        if (n->getNodeType() == Type::Element)
            return static_cast<Element*>(n);
    return nullptr;
}

namespace {

Element* childElement(const Element* parent, const wchar_t* name) {
    if (parent == nullptr)
        return nullptr;
    for (Node* n = parent->getFirstChild(); n != nullptr; n = n->getNextSibling())
        if (n->getNodeType() == Node::Type::Element && static_cast<Element*>(n)->is(name))
            return static_cast<Element*>(n);
    return nullptr;
}

} // namespace

Element* Document::getBody() const { return childElement(getDocumentElement(), L"body"); }

Element* Document::getHead() const { return childElement(getDocumentElement(), L"head"); }

Element* Document::createElement(const std::wstring& tagName) {
    if (tagName.empty())
        return nullptr;
    return adopt(std::make_unique<Element>(this, asciicase::lower(tagName)));
}

CharacterData* Document::createTextNode(const std::wstring& text) {
    return adopt(std::make_unique<CharacterData>(Type::Text, this, text));
}

CharacterData* Document::createComment(const std::wstring& text) {
    return adopt(std::make_unique<CharacterData>(Type::Comment, this, text));
}

const SourceText* Document::keepSource(std::unique_ptr<SourceText> source) {
    sources_.push_back(std::move(source));
    return sources_.back().get();
}
