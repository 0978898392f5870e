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
    static constexpr std::array<std::wstring_view, 14> kFormatting = {
        L"a", L"b", L"big", L"code", L"em", L"font", L"i", L"nobr", L"s", L"small", L"strike", L"strong", L"tt", L"u"};
    static constexpr std::array<std::wstring_view, 7> kScope = {L"td",     L"th",      L"caption", L"applet",
                                                                L"object", L"marquee", L"template"};
    if (name == L"a")
        kind_ |= kAnchorKind;
    if (std::find(kFormatting.begin(), kFormatting.end(), name) != kFormatting.end())
        kind_ |= kFormattingKind;
    if (std::find(kScope.begin(), kScope.end(), name) != kScope.end())
        kind_ |= kScopeKind;
}

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
            text += static_cast<const CharacterData*>(n)->data();
    return text;
}

int Element::getElementID() const { return (kind_ & kAnchorKind) ? kAnchor : kUnknown; }

std::wstring Element::getTagName() const { return tagName_; }

bool Element::is(const wchar_t* name) const { return localName() == name; }

bool Element::isVoid() const { return (kind_ & kVoidKind) != 0; }

bool Element::isRawText() const { return (kind_ & kRawTextKind) != 0; }

bool Element::isFormatting() const { return (kind_ & kFormattingKind) != 0; }

bool Element::isFormattingScope() const { return (kind_ & kScopeKind) != 0; }
