#include "TreeOutline.h"
#include "NodeSource.h"

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>

#include "AsciiCase.h"
#include "DocumentFactory.h"
#include "DocumentType.h"
#include "MarkupWriter.h"
#include "host/CharacterData.h"
#include "host/Document.h"
#include "host/Element.h"

namespace {

// data with '"' and '\' escaped, so that a text cannot pass for markup of the outline.
void quote(std::wstring& out, std::wstring_view data)
{
    out += L'"';
    for (wchar_t c : data) {
        if (c == L'"' || c == L'\\')
            out += L'\\';
        out += c;
    }
    out += L'"';
}

void outlineChildren(std::wstring& out, const Node& parent)
{
    // White space at the top of a page (beside html, head and body) is where a parser puts the
    // white space after the end of the body: it is not part of the outline.
    const bool top = parent.getNodeType() == Node::Type::Document ||
                     (parent.getNodeType() == Node::Type::Element && static_cast<const Element&>(parent).is(L"html"));
    bool first = true;
    for (const Node* c = parent.getFirstChild(); c != nullptr; c = c->getNextSibling()) {
        if (c->getNodeType() == Node::Type::Text) {
            // The texts from here to the next node of another kind are one.
            std::wstring text;
            for (; c != nullptr && c->getNodeType() == Node::Type::Text; c = c->getNextSibling())
                text += static_cast<const CharacterData*>(c)->data();
            // Of white space only that it is there counts, and only between other nodes: the
            // parser moves white space across end tags it ignores and the body's end tag, so that
            // it may end up at the end of one element or the start of the next.
            const bool space = std::all_of(text.begin(), text.end(), asciicase::isSpace);
            const bool edge = first || c == nullptr;
            if (!text.empty() && !(space && (top || edge))) {
                out += first ? L"" : L" ";
                if (space)
                    out += L"_";
                else
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
            if (!NodeSource::attributes(e).empty()) {
                out += L'[';
                for (const NodeSource::Attribute& a : NodeSource::attributes(e)) {
                    out += &a == &NodeSource::attributes(e).front() ? L"" : L" ";
                    out += asciicase::lower(std::wstring(a.name)) + L'=';
                    quote(out, a.value);
                }
                out += L']';
            }
            // (An element holding only white space is written as an empty one: the parser
            // moves such white space across end tags too.)
            std::wstring inner;
            outlineChildren(inner, *c);
            if (!inner.empty())
                out += L'(' + inner + L')';
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

std::wstring TreeOutline::of(const Node& root)
{
    std::wstring out;
    outlineChildren(out, root);
    return out;
}

bool TreeOutline::readsBack(const Document& document)
{
    const std::wstring markup = MarkupWriter().write(document);
    const std::unique_ptr<Document> again = DocumentFactory::create();
    // (An empty page parses too: to the html, head and body the parser makes.)
    if (!again->createNodes(markup.c_str(), markup.size(), nullptr, true))
        return false;
    return of(*again) == of(document);
}
