#include "ImpliedMarkup.h"

#include <string_view>

#include "NodeSource.h"
#include "SourceText.h"
#include "host/CharacterData.h"
#include "host/Element.h"

namespace {

// What closes a comment whose text (from its "<!--") the page cut short, so that it keeps its
// data: "" when the text ends it. A comment ends at "-->", "--!>", or right away at "<!-->" or
// "<!--->"; at the end of the page a trailing "-", "--" or "--!" is not part of its data.
std::wstring commentCloser(const std::wstring& text, std::size_t start, std::size_t end)
{
    enum { Start, StartDash, Body, EndDash, End, Bang } state = Start;
    for (std::size_t i = start + 4; i < end; ++i) {
        const wchar_t c = text[i];
        switch (state) {
        case Start:
        case StartDash:
            if (c == L'>')
                return i + 1 == end ? L"" : L"-->";
            state = c == L'-' ? (state == Start ? StartDash : End) : Body;
            break;
        case Body:
            state = c == L'-' ? EndDash : Body;
            break;
        case EndDash:
            state = c == L'-' ? End : Body;
            break;
        case End:
            if (c == L'>')
                return i + 1 == end ? L"" : L"-->";
            state = c == L'!' ? Bang : c == L'-' ? End : Body;
            break;
        case Bang:
            if (c == L'>')
                return i + 1 == end ? L"" : L"-->";
            state = c == L'-' ? EndDash : Body;
            break;
        }
    }
    switch (state) {
    case StartDash:
    case EndDash:
        return L"->";
    case End:
    case Bang:
        return L">";
    default:
        return L"-->";
    }
}

} // namespace

std::wstring ImpliedMarkup::closerOfOpenEnd(const Node& node)
{
    const Node* n = &node;
    while (n != nullptr && NodeSource::source(n) != nullptr) {
        const std::wstring& text = NodeSource::source(n)->text;
        const std::size_t start = NodeSource::spanStart(n), end = NodeSource::spanEnd(n);
        switch (n->getNodeType()) {
        case Node::Type::Comment:
            if (text.compare(start, 4, L"<!--") == 0)
                return commentCloser(text, start, end);
            [[fallthrough]];
        case Node::Type::Doctype:
        case Node::Type::ProcessingInstruction:
            return end > start && text[end - 1] == L'>' ? L"" : L">";
        case Node::Type::CData:
            return end >= start + 3 && text.compare(end - 3, 3, L"]]>") == 0 ? L"" : L"]]>";
        case Node::Type::Text:
            return L"";
        case Node::Type::Element:
        case Node::Type::Document:
            break;
        }
        // (The child whose text stands last, not always the last child: a template puts what its
        // row cannot hold after the row.)
        const Node* last = n->getLastChild();
        while (last != nullptr && NodeSource::spanEnd(last) != end)
            last = last->getPreviousSibling();
        if (last == nullptr)
            return L"";
        n = last;
    }
    return L"";
}

bool ImpliedMarkup::writesItsEnd(const Element& e)
{
    return !NodeSource::endTag(&e).empty() || e.isVoid() || NodeSource::isSelfClosed(&e) ||
           NodeSource::source(&e) == nullptr;
}

bool ImpliedMarkup::closedAtStart(const Element& e)
{
    if (!e.is(L"form") || !NodeSource::endTag(&e).empty() || e.getFirstChild() != nullptr ||
        NodeSource::source(&e) == nullptr)
        return false;
    // (A table or a table's part holds a form only as one read there, also where nothing follows
    // it: "<table><form><input>" moves the input out in front of the table.)
    const Node* parent = e.parentNode();
    if (parent != nullptr && parent->getNodeType() == Node::Type::Element) {
        const auto& p = static_cast<const Element&>(*parent);
        if (p.is(L"table") || p.is(L"tbody") || p.is(L"tr") || p.is(L"thead") || p.is(L"tfoot"))
            return true;
    }
    const Node* next = e.getNextSibling();
    return next != nullptr && NodeSource::source(next) == NodeSource::source(&e) &&
           NodeSource::spanStart(next) >= NodeSource::spanEnd(&e);
}

bool ImpliedMarkup::endsBeforeContent(const Element& e)
{
    // (The names last: asked of every element written.)
    return !NodeSource::endTag(&e).empty() && NodeSource::endTag(&e).end < NodeSource::spanEnd(&e) &&
           (e.is(L"form") || e.is(L"body") || e.is(L"html"));
}

bool ImpliedMarkup::endLeavesInnerOpen(const Element& e)
{
    return !NodeSource::endTag(&e).empty() && (e.is(L"body") || e.is(L"html"));
}

bool ImpliedMarkup::impliedAgain(const Element& e)
{
    const bool tbody = e.is(L"tbody"), tr = e.is(L"tr");
    if (!tbody && !tr && !e.is(L"colgroup"))
        return true;
    // (Template content parses by its first element: a cell first stands in the template itself.)
    const Node* parent = e.parentNode();
    if (parent != nullptr && parent->getNodeType() == Node::Type::Element &&
        static_cast<const Element*>(parent)->is(L"template")) {
        const Node* before = e.getPreviousSibling();
        while (before != nullptr && before->getNodeType() != Node::Type::Element)
            before = before->getPreviousSibling();
        if (before == nullptr)
            return false;
    }
    for (const Node* c = e.getFirstChild(); c != nullptr; c = c->getNextSibling()) {
        if (c->getNodeType() == Node::Type::Text &&
            static_cast<const CharacterData*>(c)->data().find_first_not_of(L" \t\n\r\f") == std::wstring_view::npos)
            continue;
        if (c->getNodeType() != Node::Type::Element)
            return false;
        const auto& first = static_cast<const Element&>(*c);
        const bool cell = first.is(L"td") || first.is(L"th");
        return tbody ? cell || first.is(L"tr") : tr ? cell : first.is(L"col");
    }
    return false;
}

bool ImpliedMarkup::noscriptInHead(const Element& e)
{
    const Node* parent = e.parentNode();
    return e.is(L"noscript") && parent != nullptr && parent->getNodeType() == Node::Type::Element &&
           static_cast<const Element*>(parent)->is(L"head");
}

bool ImpliedMarkup::endsParentAsCurrent(const Element& e)
{
    const Node* parent = e.parentNode();
    if (parent == nullptr || parent->getNodeType() != Node::Type::Element)
        return false;
    const auto& p = static_cast<const Element&>(*parent);
    auto heading = [](const Element& x) {
        const std::wstring& n = x.localName();
        return n.size() == 2 && n[0] == L'h' && n[1] >= L'1' && n[1] <= L'6';
    };
    return (heading(e) && heading(p)) || ((e.is(L"option") || e.is(L"optgroup")) && p.is(L"option"));
}

bool ImpliedMarkup::reopensFormatting(const Node* node)
{
    if (node == nullptr)
        return false;
    if (node->getNodeType() == Node::Type::Text)
        return !static_cast<const CharacterData*>(node)->data().empty();
    if (node->getNodeType() != Node::Type::Element)
        return false;
    const auto& e = static_cast<const Element&>(*node);
    if (NodeSource::startTag(&e).empty() && !NodeSource::copiedTag(&e).empty() && NodeSource::source(&e) != nullptr)
        return reopensFormatting(e.getFirstChild());
    // The parser opens them again for any content but the start tags it takes in a body without
    // doing so (one too many of those costs only an explicit start tag).
    return (e.name().kind & ElementName::kKeepsFormattingClosed) == 0;
}

const Node* ImpliedMarkup::openerNeeded(const Element& body)
{
    // (The names last: asked of every element written.)
    if (!NodeSource::startTag(&body).empty() || NodeSource::source(&body) == nullptr ||
        NodeSource::attributesChanged(&body) || !NodeSource::subtreeChanged(&body))
        return nullptr;
    if (body.is(L"head")) {
        // (In the page, something before such a child opened the head, and an edit removed it.)
        const Node* first = body.getFirstChild();
        return first != nullptr &&
                       (first->getNodeType() == Node::Type::Comment || first->getNodeType() == Node::Type::Text)
                   ? first
                   : nullptr;
    }
    if (!body.is(L"body"))
        return nullptr;
    // The first of the texts the body starts with: the parser drops white space there before
    // the body opens, so a text starting with it needs "<body>" in front.
    const Node* firstText = nullptr;
    for (const Node* c = body.getFirstChild(); c != nullptr; c = c->getNextSibling()) {
        if (c->getNodeType() == Node::Type::Text) {
            const std::wstring_view data = static_cast<const CharacterData*>(c)->data();
            const std::size_t text = data.find_first_not_of(L" \t\n\r\f");
            if (firstText == nullptr)
                firstText = c;
            if (text == std::wstring_view::npos)
                continue;
            return text > 0 || firstText != c ? firstText : nullptr;
        }
        if (c->getNodeType() != Node::Type::Element)
            return c;
        const auto& e = static_cast<const Element&>(*c);
        if (NodeSource::startTag(&e).empty() && NodeSource::source(&e) != nullptr)
            return NodeSource::copiedTag(&e).empty() && !e.is(L"br") ? c : nullptr;
        static constexpr std::wstring_view kHeadContent[] = {L"base",  L"basefont", L"bgsound",  L"link",
                                                             L"meta",  L"noframes", L"noscript", L"script",
                                                             L"style", L"template", L"title"};
        for (std::wstring_view name : kHeadContent)
            if (e.is(name))
                return c;
        return nullptr;
    }
    return nullptr;
}
