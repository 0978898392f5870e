#include "MarkupWriter.h"

#include <algorithm>
#include <vector>

#include "DocumentType.h"
#include "SourceText.h"
#include "host/CharacterData.h"
#include "host/Document.h"
#include "host/Element.h"

namespace {

void appendRange(std::wstring& out, const Node::SourceRange& range) {
    if (!range.empty())
        out.append(range.source->text, range.start, range.end - range.start);
}

void appendGap(std::wstring& out, const Node::SourceRange& range) {
    if (!range.empty())
        range.source->appendGap(out, range.start, range.end);
}

void appendAttribute(std::wstring& out, const Element::Attribute& a) {
    out += a.name;
    out += L"=\"";
    MarkupWriter::escapeAttribute(out, a.value);
    out += L'"';
}

bool inRawText(const Node& node) {
    const Node* parent = node.parentNode();
    return parent != nullptr && parent->getNodeType() == Node::Type::Element &&
           static_cast<const Element*>(parent)->isRawText();
}

// Elements whose content is read as text up to their own end tag: without one they take in
// everything after them. (plaintext has no end tag at all, so nothing can close it.)
bool swallowsText(const Element& e) {
    return (e.isRawText() && !e.is(L"plaintext")) || e.is(L"textarea") || e.is(L"title");
}

// What closes the construct that a parsed node's source text leaves open at the node's end;
// "" when nothing is left open. A node reaching the end of its source may end there inside a
// comment, the DOCTYPE or a text-swallowing element of its last descendants.
std::wstring closerOfOpenEnd(const Node& node) {
    const Node* n = &node;
    while (n != nullptr && n->source() != nullptr) {
        const std::wstring& text = n->source()->text;
        const std::size_t start = n->spanStart(), end = n->spanEnd();
        switch (n->getNodeType()) {
        case Node::Type::Comment:
        case Node::Type::Doctype:
        case Node::Type::ProcessingInstruction:
            if (end > start && text[end - 1] == L'>')
                return L"";
            if (n->getNodeType() == Node::Type::Comment && text.compare(start, 4, L"<!--") == 0)
                return L"-->";
            return L">";
        case Node::Type::CData:
            return end >= start + 3 && text.compare(end - 3, 3, L"]]>") == 0 ? L"" : L"]]>";
        case Node::Type::Text:
            return L"";
        case Node::Type::Element: {
            const auto& e = static_cast<const Element&>(*n);
            if (e.endTag().empty() && swallowsText(e))
                return L"</" + e.getTagName() + L">";
            break;
        }
        case Node::Type::Document:
            break;
        }
        const Node* last = n->getLastChild();
        if (last == nullptr || last->spanEnd() != end)
            return L"";
        n = last;
    }
    return L"";
}

} // namespace

std::wstring MarkupWriter::write(const Node& node) const {
    std::wstring out;
    openEnds_.clear();
    writeNode(node, out);
    // Close, from the back, what was left open and then followed by more output.
    for (auto it = openEnds_.rbegin(); it != openEnds_.rend(); ++it)
        if (it->first < out.size())
            out.insert(it->first, it->second);
    openEnds_.clear();
    return out;
}

void MarkupWriter::noteOpenEnd(const std::wstring& out, std::wstring closer) const {
    if (!closer.empty())
        openEnds_.emplace_back(out.size(), std::move(closer));
}

void MarkupWriter::escapeText(std::wstring& out, const std::wstring& text) {
    for (wchar_t c : text) {
        switch (c) {
        case L'&': out += L"&amp;"; break;
        case L'<': out += L"&lt;"; break;
        case L'>': out += L"&gt;"; break;
        case 0xA0: out += L"&nbsp;"; break;
        default: out += c;
        }
    }
}

void MarkupWriter::escapeAttribute(std::wstring& out, const std::wstring& value) {
    for (wchar_t c : value) {
        switch (c) {
        case L'&': out += L"&amp;"; break;
        case L'"': out += L"&quot;"; break;
        case 0xA0: out += L"&nbsp;"; break;
        default: out += c;
        }
    }
}

void MarkupWriter::writeNode(const Node& node, std::wstring& out) const {
    bool container = node.getNodeType() == Node::Type::Element || node.getNodeType() == Node::Type::Document;
    if (node.isVerbatim() && (copySpans_ || !container)) {
        out.append(node.source()->text, node.spanStart(), node.spanEnd() - node.spanStart());
        noteOpenEnd(out, closerOfOpenEnd(node));
        return;
    }
    switch (node.getNodeType()) {
    case Node::Type::Document:
        writeChildren(node, out);
        appendGap(out, static_cast<const Document&>(node).trailGap());
        break;
    case Node::Type::Element:
        writeElement(static_cast<const Element&>(node), out);
        break;
    case Node::Type::Text:
        if (inRawText(node))
            out += static_cast<const CharacterData&>(node).getData();
        else
            escapeText(out, static_cast<const CharacterData&>(node).getData());
        break;
    case Node::Type::Comment:
        out += L"<!--" + static_cast<const CharacterData&>(node).getData() + L"-->";
        break;
    case Node::Type::CData:
        out += L"<![CDATA[" + static_cast<const CharacterData&>(node).getData() + L"]]>";
        break;
    case Node::Type::Doctype:
        out += static_cast<const DocumentType&>(node).declaration();
        break;
    case Node::Type::ProcessingInstruction:
        break;
    }
}

void MarkupWriter::writeChildren(const Node& parent, std::wstring& out) const {
    for (const Node* c = parent.getFirstChild(); c != nullptr; c = c->getNextSibling()) {
        appendGap(out, c->leadGap());
        writeNode(*c, out);
    }
}

void MarkupWriter::writeElement(const Element& e, std::wstring& out) const {
    bool created = e.source() == nullptr;
    writeStartTag(e, out);
    if (created && e.isVoid() && e.getFirstChild() == nullptr)
        return;
    writeChildren(e, out);
    appendGap(out, e.innerTrailGap());
    if (!e.endTag().empty()) {
        appendRange(out, e.endTag());
    } else if (created && !e.isVoid()) {
        out += L"</" + e.getTagName() + L">";
    } else if (swallowsText(e)) {
        noteOpenEnd(out, L"</" + e.getTagName() + L">");
    }
}

void MarkupWriter::writeStartTag(const Element& e, std::wstring& out) const {
    if (!e.startTag().empty()) {
        if (e.attributesChanged())
            rewriteStartTag(e, out);
        else
            appendRange(out, e.startTag());
        return;
    }
    // An implied tag stays unwritten until it carries something of its own.
    if (e.source() != nullptr && !e.attributesChanged())
        return;
    out += L'<' + e.getTagName();
    for (const auto& a : e.attributes()) {
        out += L' ';
        appendAttribute(out, a);
    }
    out += L'>';
}

// The parsed start tag with only the changed attributes replaced, the removed ones cut out (with
// the white space before them) and the added ones put after the last attribute.
void MarkupWriter::rewriteStartTag(const Element& e, std::wstring& out) const {
    const Node::SourceRange& tag = e.startTag();
    const std::wstring& text = tag.source->text;
    struct Edit {
        std::size_t start, end;
        std::wstring with;
    };
    std::vector<Edit> edits;
    std::size_t insertAt = tag.start + 1 + e.getTagName().size();
    for (const auto& a : e.attributes())
        if (a.fromSource)
            insertAt = std::max(insertAt, a.srcEnd);
    for (const auto& r : e.removedAttributes()) {
        if (r.source != tag.source || r.start < tag.start || r.end > tag.end)
            continue;
        insertAt = std::max(insertAt, r.end);
        std::size_t start = r.start;
        while (start > tag.start + 1 && (text[start - 1] == L' ' || text[start - 1] == L'\t' ||
                                         text[start - 1] == L'\n' || text[start - 1] == L'\r'))
            --start;
        edits.push_back({start, r.end, L""});
    }
    std::wstring added;
    for (const auto& a : e.attributes()) {
        if (a.fromSource && a.changed) {
            std::wstring fresh;
            appendAttribute(fresh, a);
            edits.push_back({a.srcStart, a.srcEnd, fresh});
        } else if (!a.fromSource) {
            added += L' ';
            appendAttribute(added, a);
        }
    }
    insertAt = std::min(insertAt, tag.end - 1);
    if (!added.empty())
        edits.push_back({insertAt, insertAt, added});
    std::sort(edits.begin(), edits.end(), [](const Edit& a, const Edit& b) { return a.start < b.start; });
    std::size_t pos = tag.start;
    for (const auto& ed : edits) {
        if (ed.start < pos)
            continue;
        out.append(text, pos, ed.start - pos);
        out += ed.with;
        pos = ed.end;
    }
    out.append(text, pos, tag.end - pos);
}
