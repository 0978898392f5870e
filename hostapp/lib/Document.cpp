#include "host/Document.h"
#include "NodeSource.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <utility>

#include "ArenaBlockPool.h"
#include "AsciiCase.h"
#include "DocumentType.h"
#include "GumboTreeBuilder.h"
#include "ParsedPageCache.h"
#include "SourceText.h"
#include "StartTagScanner.h"
#include "host/CharacterData.h"
#include "host/Element.h"
#include "platform/Utf8.h"

Document::Document() : DocumentFragment(Type::Document, this) {}

Document::~Document()
{
    // Children before parents does not matter: a node's destructor follows no links. A node that
    // holds no memory of its own needs none run: an element without attributes (its name is the
    // document's), a text whose characters are the document's or short enough to live in the
    // node; most nodes of a data file, whose names and texts the document keeps, are such.
    // (Attributes, their names and values are the document's too.)
    const std::size_t inPlace = std::wstring().capacity();
    for (Node* node : arenaNodes_) {
        switch (node->getNodeType()) {
        case Type::Element: {
            const auto* e = static_cast<const Element*>(node);
            if (e->removedAttrs_.capacity() == 0 && !e->attrIndex_ && !e->ownName_ && !e->ownTexts_ && !e->ownAttrs_)
                continue;
            break;
        }
        case Type::Text:
        case Type::Comment:
        case Type::CData:
            if (static_cast<const CharacterData*>(node)->data_.capacity() == inPlace)
                continue;
            break;
        default:
            break;
        }
        node->~Node();
    }
    for (ArenaBlock& block : arenaBlocks_)
        ArenaBlockPool::give(std::move(block.memory), block.size);
}

void* Document::allocateNode(std::size_t size, std::size_t alignment)
{
    constexpr std::size_t kFirstBlock = ArenaBlockPool::kSmallest;
    constexpr std::size_t kLargestBlock = ArenaBlockPool::kLargest;
    // Alignments are powers of two: the padding is a mask, not a division.
    auto at = reinterpret_cast<std::uintptr_t>(arenaNext_);
    std::size_t pad = (0 - at) & (alignment - 1);
    if (arenaNext_ == nullptr || arenaLeft_ < pad + size) {
        // Blocks grow with the document, so a small page takes little and a large one few blocks.
        std::size_t blockSize = std::min(kLargestBlock, kFirstBlock << std::min<std::size_t>(arenaBlocks_.size(), 4));
        blockSize = std::max(blockSize, size + alignment);
        arenaBlocks_.push_back({ArenaBlockPool::take(blockSize), blockSize});
        arenaNext_ = arenaBlocks_.back().memory.get();
        arenaLeft_ = blockSize;
        at = reinterpret_cast<std::uintptr_t>(arenaNext_);
        pad = (0 - at) & (alignment - 1);
    }
    std::byte* memory = arenaNext_ + pad;
    arenaNext_ = memory + size;
    arenaLeft_ -= pad + size;
    return memory;
}

bool Document::createNodes(const wchar_t* text, std::size_t length, void* /*context*/, bool keepSource)
{
    if (text == nullptr)
        return false;
    // Old nodes stay owned (detached) so that handles to them never dangle.
    while (Node* child = getFirstChild())
        removeChild(child);
    trailGap_ = {};
    pageSource_ = nullptr;
    // The same text parses to the same tree: a page parsed before (the link-part template, once
    // per category) is copied rather than parsed again.
    ParsedPageCache& cache = ParsedPageCache::instance();
    if (const Document* parsed = cache.find(text, length, keepSource)) {
        if (copyParsedTree(*parsed))
            return true;
        while (Node* child = getFirstChild())
            removeChild(child);
        trailGap_ = {};
        pageSource_ = nullptr;
    }
    // A start tag with more attributes than any page has (the parser's check of each against the
    // tag's earlier ones is quadratic: 40,000 took 11 s) makes the page unreadable.
    constexpr std::size_t kMostAttributes = 256;
    if (StartTagScanner::mostAttributes(text, length) > kMostAttributes)
        return false;
    if (!GumboTreeBuilder::buildDocument(*this, text, length, keepSource))
        return false;
    cache.offer(text, length, keepSource, *this);
    return true;
}

namespace {

using SourceMap = std::vector<std::pair<const SourceText*, const SourceText*>>;

const SourceText* mapped(const SourceMap& sources, const SourceText* source)
{
    for (const auto& [from, to] : sources)
        if (from == source)
            return to;
    return nullptr;
}

NodeSource::Range mapped(const SourceMap& sources, NodeSource::Range range)
{
    range.source = mapped(sources, range.source);
    return range;
}

} // namespace

bool Document::copyParsedTree(const Document& source)
{
    SourceMap sources;
    for (const auto& text : source.sources_)
        sources.emplace_back(text.get(), NodeSource::keepSource(this, std::make_unique<SourceText>(*text)));
    source_ = mapped(sources, source.source_);
    spanStart_ = source.spanStart_;
    spanEnd_ = source.spanEnd_;
    leadGap_ = mapped(sources, source.leadGap_);
    pure_ = source.pure_;
    subtreeChanged_ = source.subtreeChanged_;
    changed_ = source.changed_;
    trailGap_ = mapped(sources, source.trailGap_);
    pageSource_ = mapped(sources, source.pageSource_);
    for (const Node* child = source.getFirstChild(); child != nullptr; child = child->getNextSibling())
        if (copyNode(*child, this, sources) == nullptr)
            return false;
    return true;
}

Node* Document::copyNode(const Node& from, Node* parent, const SourceMap& sources)
{
    Node* to = nullptr;
    switch (from.getNodeType()) {
    case Type::Element: {
        const auto& e = static_cast<const Element&>(from);
        Element* copy = make<Element>(this, internName(e.name().tagName));
        // Each attribute's characters are its own (a value set later may be written over them).
        copy->reserveAttributes(e.attrCount_);
        for (std::uint32_t i = 0; i < e.attrCount_; ++i) {
            Element::Attribute attribute = e.attrs_[i];
            attribute.name = keepText(attribute.name);
            attribute.value = keepText(attribute.value);
            copy->attrs_[copy->attrCount_++] = attribute;
        }
        for (const SourceRange& removed : e.removedAttrs_)
            copy->removedAttrs_.push_back(mapped(sources, removed));
        copy->startTag_ = mapped(sources, e.startTag_);
        copy->endTag_ = mapped(sources, e.endTag_);
        copy->innerTrail_ = mapped(sources, e.innerTrail_);
        copy->copiedTag_ = mapped(sources, e.copiedTag_);
        copy->selfClosed_ = e.selfClosed_;
        copy->attrsChanged_ = e.attrsChanged_;
        to = copy;
        break;
    }
    case Type::Text:
    case Type::Comment:
    case Type::CData:
        to = make<CharacterData>(from.getNodeType(), this,
                                 CharacterData::InDocument{keepText(static_cast<const CharacterData&>(from).data())});
        break;
    case Type::Doctype: {
        const auto& d = static_cast<const DocumentType&>(from);
        to = make<DocumentType>(this, d.name_, d.publicId_, d.systemId_);
        break;
    }
    case Type::Document:
    case Type::ProcessingInstruction:
        return nullptr;
    }
    // Linked directly: appending would mark the parents changed, and the copy must carry the
    // original's flags.
    to->parent_ = parent;
    to->prev_ = parent->last_;
    (parent->last_ ? parent->last_->next_ : parent->first_) = to;
    parent->last_ = to;
    to->source_ = mapped(sources, from.source_);
    to->spanStart_ = from.spanStart_;
    to->spanEnd_ = from.spanEnd_;
    to->leadGap_ = mapped(sources, from.leadGap_);
    to->pure_ = from.pure_;
    to->displaced_ = from.displaced_;
    to->movedBehind_ = from.movedBehind_;
    to->subtreeChanged_ = from.subtreeChanged_;
    to->changed_ = from.changed_;
    for (const Node* child = from.getFirstChild(); child != nullptr; child = child->getNextSibling())
        if (copyNode(*child, to, sources) == nullptr)
            return nullptr;
    return to;
}

Element* Document::getDocumentElement() const
{
    for (Node* n = getFirstChild(); n != nullptr; n = n->getNextSibling())
        if (n->getNodeType() == Type::Element)
            return static_cast<Element*>(n);
    return nullptr;
}

namespace {

Element* childElement(const Element* parent, const wchar_t* name)
{
    if (parent == nullptr)
        return nullptr;
    for (Node* n = parent->getFirstChild(); n != nullptr; n = n->getNextSibling())
        if (n->getNodeType() == Node::Type::Element && static_cast<Element*>(n)->is(name))
            return static_cast<Element*>(n);
    return nullptr;
}

} // namespace

Element* Document::getBody() const
{
    return childElement(getDocumentElement(), L"body");
}

Element* Document::getHead() const
{
    return childElement(getDocumentElement(), L"head");
}

Element* Document::createElement(const std::wstring& tagName)
{
    if (tagName.empty())
        return nullptr;
    return make<Element>(this, asciicase::lower(tagName));
}

CharacterData* Document::createTextNode(const std::wstring& text)
{
    return make<CharacterData>(Type::Text, this, text);
}

Element* Document::createElement(std::wstring&& tagName)
{
    if (tagName.empty())
        return nullptr;
    for (wchar_t& c : tagName)
        c = asciicase::lower(c);
    return make<Element>(this, std::move(tagName));
}

CharacterData* Document::createTextNode(std::wstring&& text)
{
    return make<CharacterData>(Type::Text, this, std::move(text));
}

CharacterData* Document::createComment(const std::wstring& text)
{
    return make<CharacterData>(Type::Comment, this, text);
}

namespace {

// Tag names shared by every document, made once per process rather than once per document (a
// rebuild makes hundreds of documents, each naming the same few elements). A name never changes
// once made and is never freed, so an element of any document, on any thread, may point at it.
// Only so many are shared, and none longer than a tag name usually is: past that a document
// keeps its names itself, so that pages of ever new names cannot make the table grow.
constexpr std::size_t kMostSharedNames = 1024;
constexpr std::size_t kLongestSharedName = 32;

const ElementName* sharedName(std::wstring_view tagName)
{
    // Each thread looks names up in a table of its own, without a lock; a name new to the thread
    // is taken from (or put into) the process's table under its lock.
    thread_local std::unordered_map<std::wstring_view, const ElementName*> known;
    if (const auto found = known.find(tagName); found != known.end())
        return found->second;
    if (tagName.size() > kLongestSharedName)
        return nullptr;
    struct Shared {
        std::mutex mutex;
        std::unordered_map<std::wstring_view, std::unique_ptr<ElementName>> names;
    };
    static Shared* const shared = new Shared; // never destroyed: documents may outlive statics
    const std::lock_guard<std::mutex> lock(shared->mutex);
    auto found = shared->names.find(tagName);
    if (found == shared->names.end()) {
        if (shared->names.size() >= kMostSharedNames)
            return nullptr;
        auto name = std::make_unique<ElementName>(std::wstring(tagName));
        const std::wstring_view key = name->tagName;
        found = shared->names.emplace(key, std::move(name)).first;
    }
    known.emplace(found->first, found->second.get());
    return found->second.get();
}

} // namespace

const ElementName& Document::internName(std::wstring_view tagName)
{
    if (const ElementName* shared = sharedName(tagName))
        return *shared;
    auto found = names_.find(tagName);
    if (found != names_.end())
        return *found->second;
    auto name = std::make_unique<ElementName>(std::wstring(tagName));
    const ElementName& kept = *name;
    names_.emplace(std::wstring_view(kept.tagName), std::move(name));
    return kept;
}

Element* Document::createElement(const ElementName& name)
{
    return make<Element>(this, name);
}

CharacterData* Document::createTextNodeFromUtf8(std::string_view utf8)
{
    return make<CharacterData>(Type::Text, this, CharacterData::InDocument{keepTextFromUtf8(utf8)});
}

CharacterData* Document::createTextNodeKeepingUtf8(std::string_view utf8)
{
    return make<CharacterData>(Type::Text, this, CharacterData::InDocumentUtf8{utf8});
}

std::wstring_view Document::keepText(std::wstring_view text)
{
    auto* kept = static_cast<wchar_t*>(allocateNode(text.size() * sizeof(wchar_t), alignof(wchar_t)));
    std::copy(text.begin(), text.end(), kept);
    return std::wstring_view(kept, text.size());
}

std::wstring_view Document::keepTextFromUtf8(std::string_view utf8)
{
    // Room for the longest result (never more characters than bytes); what the conversion leaves
    // unused goes back to the block, as nothing else was taken from it in between.
    auto* kept = static_cast<wchar_t*>(allocateNode(utf8.size() * sizeof(wchar_t), alignof(wchar_t)));
    const std::size_t length = platform::utf8::decodeInto(utf8.data(), utf8.size(), kept);
    const std::size_t unused = (utf8.size() - length) * sizeof(wchar_t);
    arenaNext_ -= unused;
    arenaLeft_ += unused;
    return std::wstring_view(kept, length);
}
