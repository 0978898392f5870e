#include "TreeOutline.h"

#include "AsciiCase.h"
#include "DocumentType.h"
#include "host/CharacterData.h"
#include "host/Element.h"

namespace {

// data with '"' and '\' escaped, so that a text cannot pass for markup of the outline.
void quote(std::wstring& out, const std::wstring& data) {
    out += L'"';
    for (wchar_t c : data) {
        if (c == L'"' || c == L'\\')
            out += L'\\';
        out += c;
    }
    out += L'"';
}

void outlineChildren(std::wstring& out, const Node& parent) {
    bool first = true;
    for (const Node* c = parent.getFirstChild(); c != nullptr; c = c->getNextSibling()) {
        if (c->getNodeType() == Node::Type::Text) {
            // The texts from here to the next node of another kind are one.
            std::wstring text;
            for (; c != nullptr && c->getNodeType() == Node::Type::Text; c = c->getNextSibling())
                text += static_cast<const CharacterData*>(c)->data();
            if (!text.empty()) {
                out += first ? L"" : L" ";
                quote(out, text);
                first = false;
            }
            if (c == nullptr)
                break;
        }
        out += first ? L"" : L" ";
        first = false;
        switch (c->getNodeType()) {
        case Node::Type::Element: {
            const auto* e = static_cast<const Element*>(c);
            out += e->localName();
            if (!e->attributes().empty()) {
                out += L'[';
                for (const Element::Attribute& a : e->attributes()) {
                    out += &a == &e->attributes().front() ? L"" : L" ";
                    out += asciicase::lower(a.name) + L'=';
                    quote(out, a.value);
                }
                out += L']';
            }
            if (c->getFirstChild() != nullptr) {
                out += L'(';
                outlineChildren(out, *c);
                out += L')';
            }
            break;
        }
        case Node::Type::Comment:
            out += L"<!--" + std::wstring(static_cast<const CharacterData*>(c)->data()) + L"-->";
            break;
        case Node::Type::CData:
            out += L"<![CDATA[" + std::wstring(static_cast<const CharacterData*>(c)->data()) + L"]]>";
            break;
        case Node::Type::Doctype:
            out += static_cast<const DocumentType*>(c)->declaration();
            break;
        default:
            break;
        }
    }
}

} // namespace

std::wstring TreeOutline::of(const Node& root) {
    std::wstring out;
    outlineChildren(out, root);
    return out;
}
