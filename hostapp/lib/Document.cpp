#include "host/Document.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "AsciiCase.h"
#include "GumboTreeBuilder.h"
#include "SourceText.h"
#include "host/CharacterData.h"
#include "host/Element.h"

Document::Document() : DocumentFragment(Type::Document, this) {}

Document::~Document() {
    // Children before parents does not matter: a node's destructor follows no links.
    for (Node* node : arenaNodes_)
        node->~Node();
}

void* Document::allocateNode(std::size_t size, std::size_t alignment) {
    constexpr std::size_t kFirstBlock = 4096;
    constexpr std::size_t kLargestBlock = 64 * 1024;
    auto at = reinterpret_cast<std::uintptr_t>(arenaNext_);
    std::size_t pad = (alignment - at % alignment) % alignment;
    if (arenaNext_ == nullptr || arenaLeft_ < pad + size) {
        // Blocks grow with the document, so a small page takes little and a large one few blocks.
        std::size_t blockSize = std::min(kLargestBlock, kFirstBlock << std::min<std::size_t>(arenaBlocks_.size(), 4));
        blockSize = std::max(blockSize, size + alignment);
        arenaBlocks_.push_back(std::make_unique_for_overwrite<std::byte[]>(blockSize));
        arenaNext_ = arenaBlocks_.back().get();
        arenaLeft_ = blockSize;
        at = reinterpret_cast<std::uintptr_t>(arenaNext_);
        pad = (alignment - at % alignment) % alignment;
    }
    std::byte* memory = arenaNext_ + pad;
    arenaNext_ = memory + size;
    arenaLeft_ -= pad + size;
    return memory;
}

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
    return make<Element>(this, asciicase::lower(tagName));
}

CharacterData* Document::createTextNode(const std::wstring& text) {
    return make<CharacterData>(Type::Text, this, text);
}

Element* Document::createElement(std::wstring&& tagName) {
    if (tagName.empty())
        return nullptr;
    for (wchar_t& c : tagName)
        c = asciicase::lower(c);
    return make<Element>(this, std::move(tagName));
}

CharacterData* Document::createTextNode(std::wstring&& text) {
    return make<CharacterData>(Type::Text, this, std::move(text));
}

CharacterData* Document::createComment(const std::wstring& text) {
    return make<CharacterData>(Type::Comment, this, text);
}

const SourceText* Document::keepSource(std::unique_ptr<SourceText> source) {
    sources_.push_back(std::move(source));
    return sources_.back().get();
}
