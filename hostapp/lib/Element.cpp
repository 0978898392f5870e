#include "host/Element.h"
#include "DocumentStore.h"
#include "NodeSource.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "AsciiCase.h"
#include "host/CharacterData.h"
#include "host/Document.h"

namespace {

// What a name makes of an element, for the names that make anything (in lower case).
const std::unordered_map<std::wstring_view, unsigned>& elementNameKinds()
{
    static const std::unordered_map<std::wstring_view, unsigned> kinds = [] {
        std::unordered_map<std::wstring_view, unsigned> map;
        for (std::wstring_view name :
             {L"area", L"base", L"basefont", L"bgsound", L"br", L"col", L"embed", L"frame", L"hr", L"img", L"input",
              L"keygen", L"link", L"meta", L"param", L"source", L"track", L"wbr", L"isindex"})
            map[name] |= ElementName::kVoid;
        for (std::wstring_view name : {L"script", L"style", L"xmp", L"iframe", L"noembed", L"noframes", L"plaintext"})
            map[name] |= ElementName::kRawText;
        map[L"a"] |= ElementName::kAnchor;
        for (std::wstring_view name : {L"a", L"b", L"big", L"code", L"em", L"font", L"i", L"nobr", L"s", L"small",
                                       L"strike", L"strong", L"tt", L"u"})
            map[name] |= ElementName::kFormatting;
        for (std::wstring_view name : {L"td", L"th", L"caption", L"applet", L"object", L"marquee", L"template"})
            map[name] |= ElementName::kFormattingScope;
        for (std::wstring_view name : {L"svg", L"math"})
            map[name] |= ElementName::kForeignRoot;
        for (std::wstring_view name :
             {L"foreignobject", L"desc", L"title", L"mi", L"mo", L"mn", L"ms", L"mtext", L"annotation-xml"})
            map[name] |= ElementName::kHtmlInForeign;
        for (std::wstring_view name :
             {L"address",  L"article",  L"aside",  L"base",     L"basefont",   L"bgsound",   L"blockquote", L"body",
              L"caption",  L"center",   L"col",    L"colgroup", L"dd",         L"details",   L"dialog",     L"dir",
              L"div",      L"dl",       L"dt",     L"fieldset", L"figcaption", L"figure",    L"footer",     L"form",
              L"frame",    L"frameset", L"h1",     L"h2",       L"h3",         L"h4",        L"h5",         L"h6",
              L"head",     L"header",   L"hgroup", L"hr",       L"html",       L"iframe",    L"isindex",    L"li",
              L"link",     L"listing",  L"main",   L"menu",     L"menuitem",   L"meta",      L"nav",        L"noembed",
              L"noframes", L"noscript", L"ol",     L"p",        L"param",      L"plaintext", L"pre",        L"rb",
              L"rp",       L"rt",       L"rtc",    L"script",   L"search",     L"section",   L"source",     L"style",
              L"summary",  L"table",    L"tbody",  L"td",       L"template",   L"textarea",  L"tfoot",      L"th",
              L"thead",    L"title",    L"tr",     L"track",    L"ul"})
            map[name] |= ElementName::kKeepsFormattingClosed;
        return map;
    }();
    return kinds;
}

} // namespace

ElementName::ElementName(std::wstring name) : tagName(std::move(name))
{
    if (std::any_of(tagName.begin(), tagName.end(), [](wchar_t c) { return c >= L'A' && c <= L'Z'; }))
        localName = asciicase::lower(tagName);
    const auto found = elementNameKinds().find(localName.empty() ? tagName : localName);
    if (found != elementNameKinds().end())
        kind = found->second;
}

Element::Element(Document* owner, const std::wstring& tagName)
    : Node(Type::Element, owner), name_(nameIn(owner, tagName))
{
}

Element::Element(Document* owner, std::wstring&& tagName) : Node(Type::Element, owner), name_(nameIn(owner, tagName)) {}

Element::Element(Document* owner, const ElementName& name) : Node(Type::Element, owner), name_(&name) {}

const ElementName* Element::nameIn(Document* owner, std::wstring_view tagName)
{
    if (owner != nullptr)
        return &DocumentStore::internName(*owner, tagName);
    ownName_ = std::make_unique<ElementName>(std::wstring(tagName));
    return ownName_.get();
}

Element::~Element() = default;

std::wstring_view Element::keepAttributeText(std::wstring_view text)
{
    if (Document* owner = getOwnerDocument())
        return DocumentStore::keepText(*owner, text);
    if (!ownTexts_)
        ownTexts_ = std::make_unique<std::vector<std::unique_ptr<wchar_t[]>>>();
    ownTexts_->push_back(std::make_unique<wchar_t[]>(text.size() + 1));
    wchar_t* kept = ownTexts_->back().get();
    std::copy(text.begin(), text.end(), kept);
    return std::wstring_view(kept, text.size());
}

namespace {
// Up to this many attributes a scan is as quick as an index.
constexpr std::size_t kScannedAttributes = 16;
} // namespace

Element::Attribute* Element::findAttribute(std::wstring_view name)
{
    if (attrCount_ <= kScannedAttributes) {
        for (std::uint32_t i = 0; i < attrCount_; ++i)
            if (asciicase::equal(attrs_[i].name, name))
                return &attrs_[i];
        return nullptr;
    }
    if (!attrIndex_) {
        attrIndex_ = std::make_unique<std::unordered_map<std::wstring, std::size_t>>();
        for (std::size_t i = 0; i < attrCount_; ++i)
            attrIndex_->try_emplace(asciicase::lower(std::wstring(attrs_[i].name)), i); // the first of a name counts
    }
    const auto it = attrIndex_->find(asciicase::lower(std::wstring(name)));
    return it == attrIndex_->end() ? nullptr : &attrs_[it->second];
}

void Element::appendAttribute(Attribute attribute)
{
    if (attrCount_ == attrRoom_)
        reserveAttributes(attrRoom_ == 0 ? 4 : std::size_t{attrRoom_} * 2);
    if (attrIndex_)
        attrIndex_->try_emplace(asciicase::lower(std::wstring(attribute.name)), attrCount_);
    attrs_[attrCount_++] = attribute;
}

void Element::reserveAttributes(std::size_t count)
{
    if (count <= attrRoom_)
        return;
    // Room outgrown in the document's memory stays there until the document goes: elements are
    // given their attributes once (the parse tells how many), and rarely get more than a few.
    if (Document* owner = getOwnerDocument()) {
        auto* room =
            static_cast<Attribute*>(DocumentStore::allocate(*owner, count * sizeof(Attribute), alignof(Attribute)));
        std::uninitialized_copy(attrs_, attrs_ + attrCount_, room);
        attrs_ = room;
    } else {
        auto room = std::make_unique<Attribute[]>(count);
        std::copy(attrs_, attrs_ + attrCount_, room.get());
        ownAttrs_ = std::move(room);
        attrs_ = ownAttrs_.get();
    }
    attrRoom_ = static_cast<std::uint32_t>(count);
}

const Element::Attribute* Element::findAttribute(std::wstring_view name) const
{
    return const_cast<Element*>(this)->findAttribute(name);
}

std::wstring Element::getAttribute(const std::wstring& name) const
{
    const Attribute* a = findAttribute(name);
    return a ? std::wstring(a->value) : std::wstring();
}

void Element::setAttribute(const std::wstring& name, const std::wstring& value)
{
    if (name.empty())
        return;
    if (Attribute* a = findAttribute(name)) {
        if (a->value == value)
            return;
        if (value.size() <= a->value.size()) {
            // The old value's characters are this attribute's alone: a value no longer than
            // them takes their place, so that setting an attribute over and over does not keep
            // taking memory from the document.
            auto* at = const_cast<wchar_t*>(a->value.data());
            std::copy(value.begin(), value.end(), at);
            a->value = std::wstring_view(at, value.size());
        } else {
            a->value = keepAttributeText(value);
        }
        a->changed = true;
    } else {
        Attribute added;
        added.name = keepAttributeText(name);
        added.value = keepAttributeText(value);
        added.changed = true;
        appendAttribute(std::move(added));
    }
    attrsChanged_ = true;
    markChanged();
}

void Element::removeAttribute(const std::wstring& name)
{
    Attribute* end = attrs_ + attrCount_;
    Attribute* it = std::find_if(attrs_, end, [&](const Attribute& a) { return asciicase::equal(a.name, name); });
    if (it == end)
        return;
    if (it->fromSource)
        removedAttrs_.push_back(SourceRange{NodeSource::source(this), it->srcStart, it->srcEnd});
    std::copy(it + 1, end, it);
    --attrCount_;
    attrIndex_.reset();
    attrsChanged_ = true;
    markChanged();
}

bool Element::hasAttribute(const std::wstring& name) const
{
    return findAttribute(name) != nullptr;
}

std::wstring Element::getTextData() const
{
    // The usual case, an element holding one text, is that text whole.
    const Node* first = getFirstChild();
    if (first != nullptr && first->getNextSibling() == nullptr && first->getFirstChild() == nullptr &&
        (first->getNodeType() == Type::Text || first->getNodeType() == Type::CData))
        return static_cast<const CharacterData*>(first)->getData();
    std::wstring text;
    for (const Node* n = getFirstChild(); n != nullptr; n = n->nextInTree(this))
        if (n->getNodeType() == Type::Text || n->getNodeType() == Type::CData)
            text += static_cast<const CharacterData*>(n)->data();
    return text;
}

int Element::getElementID() const
{
    return (name_->kind & ElementName::kAnchor) ? kAnchor : kUnknown;
}

std::wstring Element::getTagName() const
{
    return name_->tagName;
}

bool Element::isVoid() const
{
    return (name_->kind & ElementName::kVoid) != 0;
}

bool Element::isRawText() const
{
    return (name_->kind & ElementName::kRawText) != 0;
}
