#include "host/Element.h"

#include <algorithm>
#include <array>

#include "AsciiCase.h"
#include "host/CharacterData.h"

Element::Element(Document* owner, const std::wstring& tagName)
    : Node(Type::Element, owner), tagName_(tagName), localName_(asciicase::lower(tagName)) {}

Element::~Element() = default;

Element::Attribute* Element::findAttribute(const std::wstring& name) {
    for (auto& a : attrs_)
        if (asciicase::equal(a.name, name))
            return &a;
    return nullptr;
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
        attrs_.push_back(std::move(added));
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
    attrsChanged_ = true;
    markChanged();
}

bool Element::hasAttribute(const std::wstring& name) const { return findAttribute(name) != nullptr; }

void Element::addParsedAttribute(Attribute attribute) {
    if (findAttribute(attribute.name) == nullptr)
        attrs_.push_back(std::move(attribute));
}

std::wstring Element::getTextData() const {
    std::wstring text;
    for (const Node* n = getFirstChild(); n != nullptr; n = n->nextInTree(this))
        if (n->getNodeType() == Type::Text || n->getNodeType() == Type::CData)
            text += static_cast<const CharacterData*>(n)->getData();
    return text;
}

int Element::getElementID() const { return localName_ == L"a" ? kAnchor : kUnknown; }

std::wstring Element::getTagName() const { return tagName_; }

bool Element::is(const wchar_t* name) const { return localName_ == name; }

bool Element::isVoid() const {
    static const std::array<const wchar_t*, 19> kVoid = {
        L"area", L"base", L"basefont", L"bgsound", L"br", L"col", L"embed", L"frame", L"hr", L"img",
        L"input", L"keygen", L"link", L"meta", L"param", L"source", L"track", L"wbr", L"isindex"};
    return std::any_of(kVoid.begin(), kVoid.end(), [&](const wchar_t* n) { return localName_ == n; });
}

bool Element::isRawText() const {
    static const std::array<const wchar_t*, 7> kRaw = {L"script",  L"style",    L"xmp",      L"iframe",
                                                       L"noembed", L"noframes", L"plaintext"};
    return std::any_of(kRaw.begin(), kRaw.end(), [&](const wchar_t* n) { return localName_ == n; });
}
