#include "MarkupWriter.h"

#include <algorithm>
#include <vector>

#include "DocumentType.h"
#include "SourceText.h"
#include "host/CharacterData.h"
#include "host/Document.h"
#include "host/Element.h"

namespace {

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

// One write: the output, the stretches of it copied from the tracked source, and the closers of
// constructs left open, written as soon as anything follows them.
class Writer {
public:
    Writer(bool copySpans, const SourceText* tracked, std::vector<MarkupWriter::Copied>* copied)
        : copySpans_(copySpans), tracked_(tracked), copied_(copied) {}

    std::wstring take() {
        pending_.clear();
        return std::move(out_);
    }

    void writeNode(const Node& node);

private:
    // The output, for appending written-afresh text: closers still pending go first.
    std::wstring& fresh() {
        for (const std::wstring& closer : pending_)
            out_ += closer;
        pending_.clear();
        return out_;
    }

    // Appends source[start, end) as it stands.
    void copy(const SourceText* source, std::size_t start, std::size_t end) {
        if (start >= end)
            return;
        std::wstring& out = fresh();
        if (source == tracked_ && copied_ != nullptr) {
            if (!copied_->empty() && copied_->back().outEnd == out.size() &&
                copied_->back().sourceStart + (copied_->back().outEnd - copied_->back().outStart) == start)
                copied_->back().outEnd += end - start;
            else
                copied_->push_back({out.size(), out.size() + (end - start), start});
        }
        out.append(source->text, start, end - start);
    }

    void copy(const Node::SourceRange& range) {
        if (!range.empty())
            copy(range.source, range.start, range.end);
    }

    // The gap text of range: what lies there outside every node's own stretch.
    void copyGap(const Node::SourceRange& range) {
        if (!range.empty())
            range.source->forEachGapStretch(range.start, range.end,
                                            [&](std::size_t start, std::size_t end) { copy(range.source, start, end); });
    }

    // Notes that the output ends in a construct left open, which closer ends if anything follows.
    void noteOpenEnd(std::wstring closer) {
        if (!closer.empty())
            pending_.push_back(std::move(closer));
    }

    void writeChildren(const Node& parent);
    void writeElement(const Element& element);
    void writeStartTag(const Element& element);
    void rewriteStartTag(const Element& element);

    bool copySpans_;
    const SourceText* tracked_;
    std::vector<MarkupWriter::Copied>* copied_;
    std::wstring out_;
    std::vector<std::wstring> pending_;
};

void Writer::writeNode(const Node& node) {
    bool container = node.getNodeType() == Node::Type::Element || node.getNodeType() == Node::Type::Document;
    if (node.isVerbatim() && (copySpans_ || !container)) {
        copy(node.source(), node.spanStart(), node.spanEnd());
        noteOpenEnd(closerOfOpenEnd(node));
        return;
    }
    switch (node.getNodeType()) {
    case Node::Type::Document:
        writeChildren(node);
        copyGap(static_cast<const Document&>(node).trailGap());
        break;
    case Node::Type::Element:
        writeElement(static_cast<const Element&>(node));
        break;
    case Node::Type::Text:
        if (inRawText(node))
            fresh() += static_cast<const CharacterData&>(node).getData();
        else
            MarkupWriter::escapeText(fresh(), static_cast<const CharacterData&>(node).getData());
        break;
    case Node::Type::Comment:
        fresh() += L"<!--" + static_cast<const CharacterData&>(node).getData() + L"-->";
        break;
    case Node::Type::CData:
        fresh() += L"<![CDATA[" + static_cast<const CharacterData&>(node).getData() + L"]]>";
        break;
    case Node::Type::Doctype:
        fresh() += static_cast<const DocumentType&>(node).declaration();
        break;
    case Node::Type::ProcessingInstruction:
        break;
    }
}

void Writer::writeChildren(const Node& parent) {
    for (const Node* c = parent.getFirstChild(); c != nullptr; c = c->getNextSibling()) {
        copyGap(c->leadGap());
        writeNode(*c);
    }
}

void Writer::writeElement(const Element& e) {
    bool created = e.source() == nullptr;
    writeStartTag(e);
    if (created && e.isVoid() && e.getFirstChild() == nullptr)
        return;
    writeChildren(e);
    copyGap(e.innerTrailGap());
    if (!e.endTag().empty()) {
        copy(e.endTag());
    } else if (created && !e.isVoid()) {
        fresh() += L"</" + e.getTagName() + L">";
    } else if (swallowsText(e)) {
        noteOpenEnd(L"</" + e.getTagName() + L">");
    }
}

void Writer::writeStartTag(const Element& e) {
    if (!e.startTag().empty()) {
        if (e.attributesChanged())
            rewriteStartTag(e);
        else
            copy(e.startTag());
        return;
    }
    // An implied tag stays unwritten until it carries something of its own.
    if (e.source() != nullptr && !e.attributesChanged())
        return;
    std::wstring& out = fresh();
    out += L'<' + e.getTagName();
    for (const auto& a : e.attributes()) {
        out += L' ';
        appendAttribute(out, a);
    }
    out += L'>';
}

// The parsed start tag with only the changed attributes replaced, the removed ones cut out (with
// the white space before them) and the added ones put after the last attribute.
void Writer::rewriteStartTag(const Element& e) {
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
            std::wstring written;
            appendAttribute(written, a);
            edits.push_back({a.srcStart, a.srcEnd, written});
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
        copy(tag.source, pos, ed.start);
        fresh() += ed.with;
        pos = ed.end;
    }
    copy(tag.source, pos, tag.end);
}

} // namespace

std::wstring MarkupWriter::write(const Node& node) const {
    Writer writer(copySpans_, nullptr, nullptr);
    writer.writeNode(node);
    return writer.take();
}

std::wstring MarkupWriter::write(const Node& node, const SourceText* tracked, std::vector<Copied>& copied) const {
    copied.clear();
    Writer writer(copySpans_, tracked, tracked != nullptr ? &copied : nullptr);
    writer.writeNode(node);
    return writer.take();
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
