#include "host/Element.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <utility>

#include "AsciiCase.h"
#include "host/CharacterData.h"

Element::Element(Document* owner, const std::wstring& tagName) : Node(Type::Element, owner), tagName_(tagName) {
    classify();
}

Element::Element(Document* owner, std::wstring&& tagName) : Node(Type::Element, owner), tagName_(std::move(tagName)) {
    classify();
}

void Element::classify() {
    if (std::any_of(tagName_.begin(), tagName_.end(), [](wchar_t c) { return c >= L'A' && c <= L'Z'; }))
        localName_ = asciicase::lower(tagName_);
    // Views, so that a comparison looks at the length first: every element of every page and
    // data file passes through here.
    const std::wstring_view name = localName();
    static constexpr std::array<std::wstring_view, 19> kVoid = {
        L"area", L"base", L"basefont", L"bgsound", L"br", L"col", L"embed", L"frame", L"hr", L"img",
        L"input", L"keygen", L"link", L"meta", L"param", L"source", L"track", L"wbr", L"isindex"};
    static constexpr std::array<std::wstring_view, 7> kRaw = {L"script",  L"style",    L"xmp",      L"iframe",
                                                              L"noembed", L"noframes", L"plaintext"};
    kind_ = 0;
    if (std::find(kVoid.begin(), kVoid.end(), name) != kVoid.end())
        kind_ |= kVoidKind;
    if (std::find(kRaw.begin(), kRaw.end(), name) != kRaw.end())
        kind_ |= kRawTextKind;
    if (name == L"a")
        kind_ |= kAnchorKind;
}

Element::~Element() = default;

namespace {
// Up to this many attributes a scan is as quick as an index.
constexpr std::size_t kScannedAttributes = 16;
} // namespace

Element::Attribute* Element::findAttribute(const std::wstring& name) {
    if (attrs_.size() <= kScannedAttributes) {
        for (auto& a : attrs_)
            if (asciicase::equal(a.name, name))
                return &a;
        return nullptr;
    }
    if (!attrIndex_) {
        attrIndex_ = std::make_unique<std::unordered_map<std::wstring, std::size_t>>();
        for (std::size_t i = 0; i < attrs_.size(); ++i)
            attrIndex_->try_emplace(asciicase::lower(attrs_[i].name), i); // the first of a name counts
    }
    const auto it = attrIndex_->find(asciicase::lower(name));
    return it == attrIndex_->end() ? nullptr : &attrs_[it->second];
}

void Element::appendAttribute(Attribute attribute) {
    if (attrIndex_)
        attrIndex_->try_emplace(asciicase::lower(attribute.name), attrs_.size());
    attrs_.push_back(std::move(attribute));
}

const Element::Attribute* Element::findAttribute(const std::wstring& name) const {
    return const_cast<Element*>(this)->findAttribute(name);
}

std::wstring Element::getAttribute(const std::wstring& name) const {
    const Attribute* a = findAttribute(name);
    return a ? a->value : std::wstring();
}

void Element::setAttribute(const std::wstring& name, const std::wstring& value) {
    if (name.empty())
        return;
    if (Attribute* a = findAttribute(name)) {
        if (a->value == value)
            return;
        a->value = value;
        a->changed = true;
    } else {
        Attribute added;
        added.name = name;
        added.value = value;
        added.changed = true;
        appendAttribute(std::move(added));
    }
    attrsChanged_ = true;
    markChanged();
}

void Element::removeAttribute(const std::wstring& name) {
    auto it = std::find_if(attrs_.begin(), attrs_.end(),
                           [&](const Attribute& a) { return asciicase::equal(a.name, name); });
    if (it == attrs_.end())
        return;
    if (it->fromSource)
        removedAttrs_.push_back(SourceRange{source(), it->srcStart, it->srcEnd});
    attrs_.erase(it);
    attrIndex_.reset();
    attrsChanged_ = true;
    markChanged();
}

bool Element::hasAttribute(const std::wstring& name) const { return findAttribute(name) != nullptr; }

void Element::addParsedAttribute(Attribute attribute) {
    if (findAttribute(attribute.name) == nullptr)
        appendAttribute(std::move(attribute));
}

std::wstring Element::getTextData() const {
    std::wstring text;
    for (const Node* n = getFirstChild(); n != nullptr; n = n->nextInTree(this))
        if (n->getNodeType() == Type::Text || n->getNodeType() == Type::CData)
            text += static_cast<const CharacterData*>(n)->data();
    return text;
}

int Element::getElementID() const { return (kind_ & kAnchorKind) ? kAnchor : kUnknown; }

std::wstring Element::getTagName() const { return tagName_; }

bool Element::is(const wchar_t* name) const { return localName() == name; }

bool Element::isVoid() const { return (kind_ & kVoidKind) != 0; }

bool Element::isRawText() const { return (kind_ & kRawTextKind) != 0; }
