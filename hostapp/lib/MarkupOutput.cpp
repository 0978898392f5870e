#include "MarkupOutput.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include <gumbo.h>

#include "AsciiCase.h"
#include "ImpliedMarkup.h"
#include "SourceScan.h"
#include "SourceText.h"
#include "host/Document.h"
#include "host/Element.h"

namespace {

void appendAttribute(std::wstring& out, const NodeSource::Attribute& a)
{
    out += a.name;
    out += L"=\"";
    MarkupWriter::escapeAttribute(out, a.value);
    out += L'"';
}

// Whether the element is foreign content: inside an svg or math element, with no element between
// where HTML content goes (foreignObject, desc, title; mi, mo, mn, ms, mtext, annotation-xml).
// (The tree keeps no namespaces.) The parser lists no foreign element as formatting or as a scope
// mark: an "a" in an svg is not the HTML link.
bool foreign(const Element& e)
{
    // Asked of every formatting element written: the names' kinds, not their texts, are compared.
    for (const Node* n = e.parentNode(); n != nullptr && n->getNodeType() == Node::Type::Element; n = n->parentNode()) {
        const unsigned kind = static_cast<const Element&>(*n).name().kind;
        if ((kind & (ElementName::kForeignRoot | ElementName::kHtmlInForeign)) != 0)
            return (kind & ElementName::kForeignRoot) != 0;
    }
    return false;
}

// Whether the parser lists the element among the formatting elements, or puts a scope mark there.
bool listedFormatting(const Element& e)
{
    return e.isFormatting() && !foreign(e);
}
bool formattingScope(const Element& e)
{
    return e.isFormattingScope() && !foreign(e);
}

// Whether text[at, end) starts with an end tag of a name the parser does not know.
bool unknownEndTagAt(const std::wstring& text, std::size_t at, std::size_t end)
{
    std::size_t n = at + 2;
    while (n < end && text[n] != L'>' && text[n] != L'/' && !asciicase::isSpace(text[n]))
        ++n;
    return n > at + 2 && MarkupOutput::unknownToParser(std::wstring_view(text).substr(at + 2, n - at - 2));
}

} // namespace

MarkupOutput::MarkupOutput(bool copySpans, const Node& root, const SourceText* tracked,
                           std::vector<MarkupWriter::Copied>* copied)
    : copySpans_(copySpans), tracked_(tracked), copied_(copied)
{
    // The output starts where the root's text starts.
    at_ = {NodeSource::source(&root), NodeSource::spanStart(&root), NodeSource::spanStart(&root)};
    wholePage_ = root.getNodeType() == Node::Type::Document;
    if (!wholePage_)
        return;
    findIgnoredTags(static_cast<const Document&>(root));
    // A repeated <html ...> or <body ...> anywhere in the page gives the element the attributes
    // it does not have yet: those tags are followed as the output copies them.
    const Element* html = static_cast<const Document&>(root).getDocumentElement();
    for (const Node* n = html; n != nullptr; n = n == html ? n->getFirstChild() : n->getNextSibling()) {
        if (n->getNodeType() != Node::Type::Element || NodeSource::source(n) == nullptr)
            continue;
        const auto* e = static_cast<const Element*>(n);
        if (e != html && !e->is(L"body"))
            continue;
        for (const auto& a : NodeSource::attributes(e))
            if (!a.fromSource && a.srcEnd > a.srcStart)
                merged_.push_back({e, {NodeSource::source(e), a.srcStart, a.srcEnd}, false});
    }
}

std::vector<const Element*> MarkupOutput::lostMergedAttributes() const
{
    std::vector<const Element*> lost;
    for (const MergedFrom& m : merged_)
        if (!m.copied && std::find(lost.begin(), lost.end(), m.owner) == lost.end())
            lost.push_back(m.owner);
    return lost;
}

std::wstring MarkupOutput::take()
{
    pending_.clear();
    return std::move(out_);
}

std::wstring& MarkupOutput::fresh()
{
    for (const std::wstring& closer : pending_)
        out_ += closer;
    pending_.clear();
    at_ = {};
    return out_;
}

// The parser ignores a <frameset> in a body once the page has content that rules out a frameset
// (text, an image, a table...). An edit may have removed that content, and the tag would then
// replace the body: in an edited page each such tag is preceded by "<body>", which, read in the
// body, changes nothing but rules out the frameset as well. It ignores a <form> while a form
// outside template content set its form pointer: see leaveOutFormsOfRemoved.
void MarkupOutput::findIgnoredTags(const Document& page)
{
    const SourceText* source = NodeSource::pageSource(&page);
    if (source == nullptr || !NodeSource::subtreeChanged(&page))
        return;
    const bool body = page.getBody() != nullptr;
    if (!body && source->formStarts.empty())
        return;
    const SourceScan scan(source->text);
    std::vector<std::size_t> forms;
    source->forEachGapStretch(0, source->text.size(), [&](std::size_t start, std::size_t end) {
        for (std::size_t i = scan.firstTag(start, end); i < end; i = scan.firstTag(i, end)) {
            const std::size_t close = scan.tagClose(i, end);
            if (close == SourceScan::kNone)
                return;
            if (body && scan.startTagAt(i, L"frameset") != SourceScan::kNone)
                ignoredTags_.push_back({i, close + 1, false});
            else if (!source->formStarts.empty() && scan.startTagAt(i, L"form") != SourceScan::kNone)
                forms.push_back(i);
            i = close + 1;
        }
    });
    if (!forms.empty())
        leaveOutFormsOfRemoved(page, forms);
    if (!ignoredTags_.empty())
        ignoredSource_ = source;
}

// A <form> the parser ignored because the form last started before it had set its form pointer
// (no </form> between cleared it) would make a form where that form was removed since, or where
// the table it was closed in was removed and the output ends it by an end tag of its own: no
// markup sets the pointer without making a form, so the ignored tag is left out. (Not where the
// output ends a form for an insertion: that place does not read back, and the next is tried,
// the page's text kept whole.)
void MarkupOutput::leaveOutFormsOfRemoved(const Document& page, const std::vector<std::size_t>& forms)
{
    const SourceText& source = *NodeSource::pageSource(&page);
    const SourceScan scan(source.text);
    std::vector<std::size_t> kept; // where the start tags of the page's forms stand now
    for (const Node* n = page.getFirstChild(); n != nullptr; n = n->nextInTree(&page))
        if (n->getNodeType() == Node::Type::Element && static_cast<const Element*>(n)->is(L"form") &&
            NodeSource::source(n) == &source)
            kept.push_back(NodeSource::startTag(static_cast<const Element*>(n)).start);
    for (std::size_t at : forms) {
        const auto after = std::lower_bound(source.formStarts.begin(), source.formStarts.end(), at);
        if (after == source.formStarts.begin())
            continue;
        const std::size_t setter = *std::prev(after);
        bool cleared = false;
        for (std::size_t i = scan.firstTag(setter, at); i < at && !cleared; i = scan.firstTag(i + 1, at))
            cleared = scan.endTagAt(i, L"form") != SourceScan::kNone;
        if (cleared)
            continue;
        const std::size_t end = scan.tagClose(at, source.text.size()) + 1;
        if (std::find(kept.begin(), kept.end(), setter) == kept.end())
            ignoredTags_.push_back({at, end, true});
        else
            formsUnderPointer_.push_back({at, end, setter});
    }
    std::sort(ignoredTags_.begin(), ignoredTags_.end(),
              [](const IgnoredTag& a, const IgnoredTag& b) { return a.at < b.at; });
}

void MarkupOutput::copy(const SourceText* source, std::size_t start, std::size_t end)
{
    if (start >= end)
        return;
    if (source == ignoredSource_)
        for (auto it = std::lower_bound(ignoredTags_.begin(), ignoredTags_.end(), start,
                                        [](const IgnoredTag&t, std::size_t pos) { return t.at < pos; });
             it != ignoredTags_.end() && it->at < end; ++it) {
            copyStretch(source, start, it->at);
            if (it->leftOut) {
                // (The output stands after it, as if copied.)
                at_ = {source, it->at, it->end};
                start = std::max(start, it->end);
            } else {
                fresh() += L"<body>";
                start = it->at;
            }
        }
    copyStretch(source, start, end);
}

void MarkupOutput::copyStretch(const SourceText* source, std::size_t start, std::size_t end)
{
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
    at_ = {source, start, end};
    for (MergedFrom& m : merged_)
        if (m.at.source == source && m.at.start >= start && m.at.start < end)
            m.copied = true;
}

void MarkupOutput::copy(const NodeSource::Range& range)
{
    if (!range.empty())
        copy(range.source, range.start, range.end);
}

void MarkupOutput::copyGap(const NodeSource::Range& range, std::size_t from, std::size_t to)
{
    if (range.empty())
        return;
    range.source->forEachGapStretch(std::max(range.start, from), std::min(range.end, to),
                                    [&](std::size_t start, std::size_t end) {
                                        // (Less what was written ahead, inside a select or template.)
                                        for (const NodeSource::Range& r : gapWrittenAhead_)
                                            if (r.source == range.source && r.start < end && start < r.end) {
                                                copy(range.source, start, r.start);
                                                start = std::max(start, r.end);
                                            }
                                        if (orphanDepth_ > 0)
                                            copyLeavingOutEndTagsOfOpen(range.source, start, end);
                                        else
                                            copy(range.source, start, end);
                                    });
}

void MarkupOutput::copyIgnoredInTable(const SourceText* source, std::size_t from, std::size_t to)
{
    source->forEachGapStretch(from, to, [&](std::size_t start, std::size_t end) {
        if (orphanDepth_ > 0)
            copyLeavingOutEndTagsOfOpen(source, start, end);
        else
            copy(source, start, end);
    });
}

void MarkupOutput::copyLeavingOutEndTagsOfOpen(const SourceText* source, std::size_t start, std::size_t end)
{
    const SourceScan scan(source->text);
    // (The end tag of a name the parser does not know ends the innermost element of such a name.)
    const bool unknownOpen =
        std::any_of(stack_.begin(), stack_.end(), [](const Element* e) { return unknownToParser(e->localName()); });
    for (std::size_t i = scan.firstTag(start, end); i < end; i = scan.firstTag(i + 1, end)) {
        if (unknownOpen && source->text[i + 1] == L'/' && unknownEndTagAt(source->text, i, end)) {
            const std::size_t close = scan.tagClose(i, end);
            if (close != SourceScan::kNone) {
                copy(source, start, i);
                start = close + 1;
                i = close;
                continue;
            }
        }
        // (The end tag of any heading ends a heading.)
        static const std::wstring kHeadings[] = {L"h1", L"h2", L"h3", L"h4", L"h5", L"h6"};
        std::size_t tagEnd = SourceScan::kNone;
        for (const Element* e : stack_) {
            const bool heading = e->localName().size() == 2 && e->localName()[0] == L'h' && e->localName()[1] >= L'1' &&
                                 e->localName()[1] <= L'6';
            if (heading)
                for (const std::wstring& h : kHeadings)
                    tagEnd = tagEnd == SourceScan::kNone ? scan.endTagAt(i, h) : tagEnd;
            else if (tagEnd == SourceScan::kNone)
                tagEnd = scan.endTagAt(i, e->localName());
        }
        // (At the top of the page, past the html element, the parser would take an end tag of the
        // html or body for the element's own and put what came before it back inside.)
        if (tagEnd == SourceScan::kNone && stack_.empty() && source->text[i + 1] == L'/') {
            tagEnd = scan.endTagAt(i, L"html");
            tagEnd = tagEnd == SourceScan::kNone ? scan.endTagAt(i, L"body") : tagEnd;
        }
        if (tagEnd == SourceScan::kNone || tagEnd > end) {
            // (The next tag starts past this one: "</a</p>" is one tag, of the name "a<".)
            const std::size_t close = scan.tagClose(i, end);
            if (close != SourceScan::kNone)
                i = close;
            continue;
        }
        copy(source, start, i);
        start = tagEnd;
        i = tagEnd - 1;
    }
    copy(source, start, end);
}

void MarkupOutput::writeGapReadInside()
{
    if (at_.source == nullptr)
        return;
    bool ignoring = false;
    for (const Element* e : leftOpen_)
        ignoring = ignoring || e->is(L"select") || e->is(L"template");
    if (!ignoring)
        return;
    const SourceText& source = *at_.source;
    const auto next = source.firstTokenEndingAfter(at_.end);
    std::size_t end = next == source.tokens.end() ? source.text.size() : std::max(at_.end, next->start);
    // (Not a tag that the page cuts short at its end, which the parser dropped: whatever follows
    // it would become part of it. It stays at the end. A tag is found as the tokenizer reads it:
    // "<o<o" is one tag.)
    if (end == source.text.size())
        end = SourceScan(source.text).cutShortTag(at_.end, end);
    if (end <= at_.end)
        return;
    const NodeSource::Range gap{at_.source, at_.end, end};
    copy(gap);
    gapWrittenAhead_.push_back(gap);
}

void MarkupOutput::standAfter(const Node& node)
{
    if (NodeSource::source(&node) != nullptr)
        at_ = {NodeSource::source(&node), NodeSource::spanEnd(&node), NodeSource::spanEnd(&node)};
}

void MarkupOutput::separateFromLastText(const Node& text)
{
    if (lastText_ == nullptr || lastTextEnd_ != out_.size() || !pending_.empty() ||
        lastText_->parentNode() == text.parentNode())
        return;
    auto inTable = [](const Node* parent) {
        if (parent == nullptr || parent->getNodeType() != Node::Type::Element)
            return false;
        const auto& e = static_cast<const Element&>(*parent);
        return e.is(L"table") || e.is(L"tbody") || e.is(L"thead") || e.is(L"tfoot") || e.is(L"tr");
    };
    // (The end tag of a caption is ignored in a table, its body and row, and in the body.)
    if (inTable(lastText_->parentNode()) || inTable(text.parentNode()))
        fresh() += L"</caption>";
}

bool MarkupOutput::startsAsReference(wchar_t c)
{
    std::wstring& out = fresh();
    if (out.empty())
        return false;
    auto letter = [](wchar_t x) { return (x >= L'a' && x <= L'z') || (x >= L'A' && x <= L'Z'); };
    auto alnum = [&](wchar_t x) { return letter(x) || (x >= L'0' && x <= L'9'); };
    const wchar_t last = out.back();
    bool runs = false;
    if (last == L'<')
        runs = letter(c) || c == L'/' || c == L'!' || c == L'?';
    else if (last == L'\r')
        runs = c == L'\n';
    else if (alnum(c) || c == L';' || c == L'#') {
        std::size_t i = out.size();
        while (i > 0 && out.size() - i < 64 && (alnum(out[i - 1]) || out[i - 1] == L'#'))
            --i;
        runs = i > 0 && out[i - 1] == L'&';
    }
    if (runs)
        out += L"&#" + std::to_wstring(static_cast<unsigned>(c)) + L';';
    return runs;
}

void MarkupOutput::noteOpenEnd(std::wstring closer)
{
    if (!closer.empty())
        pending_.push_back(std::move(closer));
}

void MarkupOutput::writeGap(const NodeSource::Range& gap, std::size_t leadsTo)
{
    const bool passed = at_.source == gap.source && at_.end > gap.start && at_.end <= leadsTo;
    copyGap(gap, passed ? at_.end : 0);
}

std::size_t MarkupOutput::startOf(const Node& node)
{
    if (NodeSource::source(&node) == nullptr)
        return std::wstring::npos;
    const NodeSource::Range& gap = NodeSource::leadGap(&node);
    return !gap.empty() && gap.source == NodeSource::source(&node) ? gap.start : NodeSource::spanStart(&node);
}

bool MarkupOutput::continuesTo(const Node& node) const
{
    // (An element without a start tag whose content was all removed, an empty copy now: what the
    // source went on with there is gone, and may have ended what the output left open, a second
    // <button> the first.)
    if (NodeSource::subtreeChanged(&node) && node.getFirstChild() == nullptr &&
        node.getNodeType() == Node::Type::Element && NodeSource::spanEnd(&node) > NodeSource::spanStart(&node) &&
        NodeSource::startTag(static_cast<const Element*>(&node)).empty())
        return false;
    std::size_t from = startOf(node);
    // Past the start of the gap text (displaced nodes written back inside it), the source
    // continues if nothing stands between here and the node itself.
    if (from != std::wstring::npos && at_.source == NodeSource::source(&node) && at_.end > from)
        from = NodeSource::spanStart(&node);
    // Among the children of an untouched element the output is the source as it was.
    const Node* parent = node.parentNode();
    const bool untouched =
        parent != nullptr && !NodeSource::subtreeChanged(parent) && NodeSource::source(&node) != nullptr;
    // A gap that a removed node handed on ends where that node stood: from it the source went on
    // with the removed node (which may have ended what the output left open), not with this one.
    const NodeSource::Range& gap = NodeSource::leadGap(&node);
    if (!untouched && !gap.empty() && gap.source == NodeSource::source(&node) &&
        gap.end < NodeSource::spanStart(&node) && gap.source->hasTokenIn(gap.end, NodeSource::spanStart(&node)))
        return false;
    // (Nor may the gap itself hold a node's text: a node moved out in front of a table takes the
    // text from the last node before it, over the start tag of a table removed since.)
    return untouched || (from != std::wstring::npos && at_.source == NodeSource::source(&node) && at_.end <= from &&
                         !NodeSource::source(&node)->hasTokenIn(at_.end, NodeSource::spanStart(&node)));
}

bool MarkupOutput::endTagInLeadGap(const Node& node) const
{
    const NodeSource::Range& gap = NodeSource::leadGap(&node);
    if (gap.empty() || gap.source != NodeSource::source(&node))
        return false;
    // (Not what the output has passed: an end tag written ahead where it stands.)
    const std::size_t from = at_.source == gap.source && at_.end > gap.start ? at_.end : gap.start;
    const std::wstring& text = gap.source->text;
    const SourceScan scan(text);
    // (A table left open there ignores the end tags of the body, the html and its parts: they did
    // not end it, its next sibling's start tag did. "<table></body><table>")
    static constexpr std::wstring_view kIgnoredInTable[] = {
        L"body", L"html", L"caption", L"col", L"colgroup", L"tbody", L"tfoot", L"thead", L"tr", L"td", L"th"};
    const bool table = !leftOpen_.empty() && leftOpen_.front()->is(L"table");
    // (Nor one of a name the parser does not know where the element left open is one it treats as
    // special, a paragraph or a heading: it ignored that tag there, which ended nothing:
    // "<x><p></x><h1>".)
    const bool special =
        !leftOpen_.empty() && (leftOpen_.front()->name().kind & ElementName::kKeepsFormattingClosed) != 0;
    for (std::size_t i = scan.firstTag(from, gap.end); i < gap.end; i = scan.firstTag(i + 1, gap.end))
        if (text[i + 1] == L'/' && !(special && unknownEndTagAt(text, i, gap.end)) &&
            !(table && std::any_of(std::begin(kIgnoredInTable), std::end(kIgnoredInTable), [&](std::wstring_view name) {
                  return scan.endTagAt(i, name) != SourceScan::kNone;
              })))
            return true;
    return false;
}

void MarkupOutput::arriveAt(const Node& node)
{
    bool ends = !continuesTo(node) || afterMovedOut_;
    afterMovedOut_ = false;
    arrivedAfresh_ = ends;
    // A sibling after a formatting element left open was moved out of it by the parser, when a
    // later tag (another <a>, the element's misplaced end tag) had it adopt the sibling, with
    // copies of the element inside: an edit in the sibling may take away what made the parser do
    // so, and the element is ended before it. (Not where the sibling's start tag would then end
    // their parent, a heading in a heading: the parser must read it inside the element as before.
    // Nor after another element left open with a formatting one inside, "<p><a>x<plaintext>":
    // the sibling's start tag ended that element, and the parser still lists the formatting one.)
    if (!ends && !leftOpen_.empty() && leftOpen_.front()->parentNode() == node.parentNode() &&
        listedFormatting(*leftOpen_.front()) && node.getNodeType() == Node::Type::Element &&
        NodeSource::subtreeChanged(&node) && !ImpliedMarkup::endsParentAsCurrent(static_cast<const Element&>(node)))
        ends = true;
    // So too after a link left open that an edit inside it left listed: the start tag of a link
    // in it, gone now, had ended it ("<a><table><a>x</a>\n<table>" without the inner link, moved
    // out in front of the table: the second table would go into the outer link).
    if (!ends && !leftOpen_.empty() && leftOpen_.front()->parentNode() == node.parentNode() &&
        leftOpen_.front()->is(L"a") && NodeSource::subtreeChanged(leftOpen_.front()) &&
        std::any_of(formatting_.begin(), formatting_.end(),
                    [&](const Formatting& f) { return f.element == leftOpen_.front(); }))
        ends = true;
    // A sibling after an element left open, with an end tag in between that no node owns: in the
    // source that tag ended the element, which may have depended on what an edit since took away
    // ("<template><tr></p><p>x</table>\n" without the row: "</table>" no longer ends the p). The
    // element is ended by its own end tag. (Not a noscript in the head, which the parser reads
    // ignoring end tags: "<noscript>\n</body><script>" has the script end it, in the head.)
    if (!ends && !leftOpen_.empty() && node.parentNode() != nullptr && NodeSource::subtreeChanged(node.parentNode()) &&
        leftOpen_.front()->parentNode() == node.parentNode() && endTagInLeadGap(node) &&
        !ImpliedMarkup::noscriptInHead(*leftOpen_.front()))
        ends = true;
    if (ends) {
        writeGapReadInside();
        closeLeftOpen();
        endForeignFormatting(NodeSource::source(&node));
    }
    // (A cell left open, which the source ended before node, cleared the list to its mark first:
    // "<td><a><p><tr>\r" lists the link no more at the second row.)
    dropLeftOpen();
    // (Before a node that does not make the parser open anything, an empty paragraph, the next
    // node decides.)
    if (ends || unlistAtNext_)
        unlistAtNext_ = !unlistNotReopenedAt(node);
}

// Where the output does not go on as the source did, the parser may still list formatting
// elements that the source had it unlist on the way to node (a removed copy of one took the end
// tag with it: "<b>x<i>y</b>z</i>" without the copy around z). If node's markup makes the parser
// open the closed ones again (its start tag, or that of the first content of a block), and that
// is no copy of them (nor its first descendants), the source did not have them listed there: each
// is ended by its end tag, which only unlists it. False when node's markup opens nothing again.
bool MarkupOutput::unlistNotReopenedAt(const Node& node)
{
    const Node* first = &node;
    while (first != nullptr && first->getNodeType() == Node::Type::Element &&
           !formattingScope(*static_cast<const Element*>(first)) && !ImpliedMarkup::reopensFormatting(first))
        first = first->getFirstChild();
    if (!wholePage_)
        return true;
    if (!ImpliedMarkup::reopensFormatting(first))
        return false;
    std::vector<NodeSource::Range> copies;
    for (const Node* n = first; n != nullptr && n->getNodeType() == Node::Type::Element; n = n->getFirstChild()) {
        const auto* e = static_cast<const Element*>(n);
        if (!NodeSource::startTag(e).empty() || NodeSource::copiedTag(e).empty())
            break;
        copies.push_back(NodeSource::copiedTag(e));
    }
    for (std::size_t i = formatting_.size(); i-- > afterLastMark();) {
        const Formatting& listed = formatting_[i];
        const bool copied = std::any_of(copies.begin(), copies.end(), [&](const NodeSource::Range& r) {
            return r.source == listed.tag.source && r.start == listed.tag.start;
        });
        if (onStack(listed.element) || copied)
            continue;
        // (The end tag would go to a later listed one of the name.)
        bool later = false;
        for (std::size_t j = i + 1; j < formatting_.size(); ++j)
            later = later || formatting_[j].element->localName() == listed.element->localName();
        if (later)
            continue;
        endTag(*listed.element);
        formatting_.erase(formatting_.begin() + static_cast<std::ptrdiff_t>(i));
    }
    return true;
}

void MarkupOutput::dropLeftOpen()
{
    // (A cell, caption or template left open clears the list to its mark when it ends.)
    for (auto it = leftOpen_.rbegin(); it != leftOpen_.rend(); ++it)
        if (endsScopeWhenLeft(**it))
            leaveFormatting(**it, false);
    leftOpen_.clear();
}

bool MarkupOutput::insideForeignLeftOpen(const Element& e) const
{
    // (Most pages leave no SVG or MathML element open: then nothing is walked.)
    if (std::none_of(leftOpen_.begin(), leftOpen_.end(),
                     [](const Element* open) { return (open->name().kind & ElementName::kForeignRoot) != 0; }))
        return false;
    for (const Node* n = e.parentNode(); n != nullptr && n->getNodeType() == Node::Type::Element; n = n->parentNode())
        if ((static_cast<const Element*>(n)->name().kind & ElementName::kForeignRoot) != 0 &&
            std::find(leftOpen_.begin(), leftOpen_.end(), n) != leftOpen_.end())
            return true;
    return false;
}

void MarkupOutput::closeLeftOpen()
{
    for (auto it = leftOpen_.rbegin(); it != leftOpen_.rend(); ++it) {
        const Element& e = **it;
        // plaintext takes everything after it as text: nothing can end it.
        if (e.is(L"plaintext"))
            continue;
        // Inside an SVG or MathML element that is ended too, the end tag of that element ends
        // them all: one of their own might be taken for a table part's or a cell's of the page.
        // (Not another svg or math element: the parser takes the end tag for the innermost one of
        // its name, "<svg><svg>" needs two.)
        if (!listedFormatting(e) && (e.name().kind & ElementName::kForeignRoot) == 0 && insideForeignLeftOpen(e))
            continue;
        if (listedFormatting(e)) {
            // An end tag ends the last formatting element of its name: another one of that name
            // listed after it, closed but still listed, goes first. (One listed before it stays.)
            for (std::size_t i = formatting_.size(); i-- > afterLastMark();) {
                const Element* listed = formatting_[i].element;
                if (listed == &e)
                    break;
                if (listed->localName() != e.localName())
                    continue;
                if (onStack(listed))
                    break;
                endTag(*listed);
                formatting_.erase(formatting_.begin() + static_cast<std::ptrdiff_t>(i));
            }
        }
        endTag(e);
        leaveFormatting(e, true);
    }
    leftOpen_.clear();
}

void MarkupOutput::leaveFormsToEndTags(const Element& e)
{
    static const wchar_t* const kEndingAll[] = {L"td",    L"th",      L"tr",  L"tbody", L"thead",  L"tfoot",
                                                L"table", L"caption", L"div", L"li",    L"dd",     L"dt",
                                                L"p",     L"ul",      L"ol",  L"dl",    L"center", L"blockquote"};
    auto endsAll = [](const Element& holder) {
        return std::any_of(std::begin(kEndingAll), std::end(kEndingAll),
                           [&](const wchar_t* name) { return holder.is(name); });
    };
    for (std::size_t i = leftOpen_.size(); i-- > 0;) {
        const Element& form = *leftOpen_[i];
        if (!form.is(L"form") || !NodeSource::endTag(&form).empty() || NodeSource::source(&form) == nullptr)
            continue;
        // The nearest holder whose end tag ends it; what holds it up to there goes with it, unended
        // too, as that end tag takes it off the stack as well, as in the source (a formatting
        // element stays listed, as it did there; nothing may bound the scope that end tag looks in).
        std::size_t h = i + 1;
        while (h-- > 0) {
            const Element& holder = h == 0 ? e : *leftOpen_[h - 1];
            if (leftOpen_[h]->parentNode() != &holder || endsAll(holder) || h == 0 || holder.is(L"template") ||
                holder.is(L"applet") || holder.is(L"object") || holder.is(L"marquee") || holder.is(L"select"))
                break;
        }
        const Element& holder = h == 0 ? e : *leftOpen_[h - 1];
        if (leftOpen_[h]->parentNode() != &holder || !endsAll(holder))
            continue;
        leftOpen_.erase(leftOpen_.begin() + static_cast<std::ptrdiff_t>(h),
                        leftOpen_.begin() + static_cast<std::ptrdiff_t>(i + 1));
        i = h;
    }
}

// Ends the formatting elements that the parser would open again around what comes next although
// they come from another text than it (or it is written afresh): new content must not take on
// the page's, nor the page the new content's.
void MarkupOutput::endForeignFormatting(const SourceText* source)
{
    for (std::size_t i = formatting_.size(); i-- > afterLastMark();) {
        const Element* listed = formatting_[i].element;
        if (onStack(listed) || (source != nullptr && NodeSource::source(listed) == source))
            continue;
        // The parser ends the last one of the name; a later one of that name that is open is an
        // ancestor, which must stay.
        bool later = false;
        for (std::size_t j = i + 1; j < formatting_.size(); ++j)
            later = later || (formatting_[j].element->localName() == listed->localName());
        if (later)
            continue;
        endTag(*listed);
        formatting_.erase(formatting_.begin() + static_cast<std::ptrdiff_t>(i));
    }
}

void MarkupOutput::leaveOutFormsSetBy(const Element& form)
{
    for (const FormUnderPointer& f : formsUnderPointer_)
        if (NodeSource::source(&form) != nullptr && NodeSource::startTag(&form).start == f.setter) {
            const IgnoredTag tag{f.at, f.end, true};
            ignoredTags_.insert(std::upper_bound(ignoredTags_.begin(), ignoredTags_.end(), tag,
                                                 [](const IgnoredTag& a, const IgnoredTag& b) { return a.at < b.at; }),
                                tag);
            ignoredSource_ = NodeSource::source(&form);
        }
}

void MarkupOutput::endTag(const Element& e)
{
    std::wstring& out = fresh();
    out += L"</";
    out += e.name().tagName;
    out += L'>';
}

std::size_t MarkupOutput::afterLastMark() const
{
    for (std::size_t i = formatting_.size(); i-- > 0;)
        if (formatting_[i].element == nullptr)
            return i + 1;
    return 0;
}

// The parser's list as an element's start (its tag, or its being opened again) changes it.
void MarkupOutput::enterFormatting(const Element& e)
{
    if (formattingScope(e)) {
        formatting_.push_back({nullptr, {}});
    } else if (listedFormatting(e)) {
        const NodeSource::Range& tag =
            NodeSource::copiedTag(&e).empty() ? NodeSource::startTag(&e) : NodeSource::copiedTag(&e);
        // Opened again, it takes the place of the one it copies. (The start tag of a link takes
        // any link listed off the list first; that of a nobr any nobr listed: one still open it
        // ends by the misnested-formatting step, one closed it opens again first, then ends.)
        const bool unlistsItsName = NodeSource::copiedTag(&e).empty() && (e.is(L"a") || e.is(L"nobr"));
        for (std::size_t i = formatting_.size(); i-- > afterLastMark();)
            if (!NodeSource::copiedTag(&e).empty() && formatting_[i].tag.source == tag.source &&
                formatting_[i].tag.start == tag.start) {
                formatting_.erase(formatting_.begin() + static_cast<std::ptrdiff_t>(i));
                break;
            } else if (unlistsItsName && formatting_[i].element->is(e.localName())) {
                formatting_.erase(formatting_.begin() + static_cast<std::ptrdiff_t>(i));
            }
        std::size_t alike = 0;
        for (std::size_t i = afterLastMark(); i < formatting_.size(); ++i)
            alike += formatting_[i].element->localName() == e.localName() ? 1 : 0;
        if (alike >= 3 && NodeSource::copiedTag(&e).empty())
            unlistFourthAlike(e);
        formatting_.push_back({&e, tag});
    }
}

// The parser lists no more than three elements alike (name and attributes) after the last scope
// mark: a fourth takes the earliest off ("<div><code><code><code><code></div>x" puts x in three
// copies, not four).
void MarkupOutput::unlistFourthAlike(const Element& e)
{
    auto same = [&](const Element& o) {
        const auto a = NodeSource::attributes(&e), b = NodeSource::attributes(&o);
        if (o.localName() != e.localName() || a.size() != b.size())
            return false;
        for (const auto& x : a)
            if (std::none_of(b.begin(), b.end(), [&](const auto& y) { return y.name == x.name && y.value == x.value; }))
                return false;
        return true;
    };
    std::size_t earliest = formatting_.size(), count = 0;
    for (std::size_t i = afterLastMark(); i < formatting_.size(); ++i)
        if (same(*formatting_[i].element)) {
            earliest = count == 0 ? i : earliest;
            ++count;
        }
    if (count >= 3)
        formatting_.erase(formatting_.begin() + static_cast<std::ptrdiff_t>(earliest));
}

// ... and as its end does: its end tag takes it off the list; ending a cell, caption or template
// (by its end tag or not) and the end tag of an applet, object or marquee clear the list to the
// scope mark.
void MarkupOutput::leaveFormatting(const Element& e, bool ended)
{
    if (formattingScope(e)) {
        if (ended || e.is(L"td") || e.is(L"th") || e.is(L"caption") || e.is(L"template")) {
            const std::size_t mark = afterLastMark();
            if (mark > 0)
                formatting_.resize(mark - 1);
        }
    } else if (listedFormatting(e) && ended) {
        for (std::size_t i = formatting_.size(); i-- > afterLastMark();)
            if (formatting_[i].element->localName() == e.localName()) {
                formatting_.erase(formatting_.begin() + static_cast<std::ptrdiff_t>(i));
                break;
            }
    }
}

// What a copied subtree does to the list.
// Whether the parser opens a copied formatting element again by itself where the output stands:
// the element it copies is listed (after the last scope mark) and not open. Of a part of a page
// the writer cannot tell, and leaves it to the parser as the source did.
bool MarkupOutput::reopenedByParser(const Element& e) const
{
    if (!wholePage_)
        return true;
    for (std::size_t i = afterLastMark(); i < formatting_.size(); ++i)
        if (formatting_[i].tag.source == NodeSource::copiedTag(&e).source &&
            formatting_[i].tag.start == NodeSource::copiedTag(&e).start && !onStack(formatting_[i].element))
            return true;
    return false;
}

bool MarkupOutput::beforeChangedSibling(const Element& e)
{
    // (Last in a changed parent, it had something after it that an edit took away. Not the first
    // child of a block right after the element it copies: the block was opened inside that
    // element, whose end, whatever ends it, has the parser make the copy there again.)
    const Node* next = e.getNextSibling();
    const Node* before =
        e.getPreviousSibling() == nullptr && e.parentNode() != nullptr ? e.parentNode()->getPreviousSibling() : nullptr;
    if (before != nullptr && before->getNodeType() == Node::Type::Element &&
        NodeSource::source(before) == NodeSource::copiedTag(&e).source &&
        NodeSource::startTag(static_cast<const Element*>(before)).start == NodeSource::copiedTag(&e).start)
        return false;
    return next != nullptr ? NodeSource::source(next) != NodeSource::source(&e) || NodeSource::subtreeChanged(next)
                           : e.parentNode() != nullptr && NodeSource::subtreeChanged(e.parentNode());
}

bool MarkupOutput::unlistClosedFrom(const Element& e)
{
    const NodeSource::Range& copied = NodeSource::copiedTag(&e);
    const std::size_t mark = afterLastMark();
    std::size_t from = formatting_.size();
    for (std::size_t i = mark; i < formatting_.size() && from == formatting_.size(); ++i)
        if (formatting_[i].tag.source == copied.source && formatting_[i].tag.start == copied.start &&
            !onStack(formatting_[i].element))
            from = i;
    // (A closed one before it would be opened again by the start tag written next.)
    if (from == formatting_.size() || (from > mark && !onStack(formatting_[from - 1].element)))
        return false;
    // An end tag goes to the last listed element of its name: no open one of the name may follow.
    for (std::size_t i = from; i < formatting_.size(); ++i)
        for (std::size_t j = i + 1; j < formatting_.size() && !onStack(formatting_[i].element); ++j)
            if (onStack(formatting_[j].element) &&
                formatting_[j].element->localName() == formatting_[i].element->localName())
                return false;
    for (std::size_t i = formatting_.size(); i-- > from;)
        if (!onStack(formatting_[i].element)) {
            endTag(*formatting_[i].element);
            formatting_.erase(formatting_.begin() + static_cast<std::ptrdiff_t>(i));
        }
    return true;
}

bool MarkupOutput::unknownToParser(std::wstring_view name)
{
    std::string ascii;
    for (wchar_t c : name) {
        if (c <= 0 || c >= 0x80)
            return true; // (every name the parser knows is ASCII)
        ascii += static_cast<char>(c);
    }
    return gumbo_tagn_enum(ascii.data(), static_cast<unsigned>(ascii.size())) == GUMBO_TAG_UNKNOWN;
}

bool MarkupOutput::inForeignContent(const Element& e)
{
    return foreign(e);
}

// What a copied subtree does to the list; false, with the list as it stood, when the subtree holds
// a formatting element that the parser would no longer open again by itself (its tag must then be
// written, so the subtree cannot be copied).
bool MarkupOutput::followFormatting(const Node& node)
{
    if (node.getNodeType() != Node::Type::Element)
        return true;
    const std::vector<Formatting> before = formatting_;
    const std::size_t depth = stack_.size();
    bool kept = follow(node);
    stack_.resize(depth);
    if (!kept)
        formatting_ = before;
    return kept;
}

bool MarkupOutput::follow(const Node& node)
{
    if (node.getNodeType() != Node::Type::Element)
        return true;
    const auto& e = static_cast<const Element&>(node);
    // (An empty copy comes from the parser's rebuilding of misnested formatting around what
    // follows in the source: only where the output goes on as the source did.)
    if (!NodeSource::copiedTag(&e).empty() && NodeSource::startTag(&e).empty() &&
        (!reopenedByParser(e) || (e.getFirstChild() == nullptr && (arrivedAfresh_ || beforeChangedSibling(e)))))
        return false;
    if (!NodeSource::startTag(&e).empty() || !NodeSource::copiedTag(&e).empty())
        enterFormatting(e);
    stack_.push_back(&e);
    // (An end tag of the body or html standing early is copied with the subtree.)
    for (const Node* c = node.getFirstChild(); c != nullptr; c = c->getNextSibling())
        if (!follow(*c))
            return false;
    stack_.pop_back();
    // (A cell the copy leaves open keeps its mark until it ends.)
    if (NodeSource::endTag(&e).empty() && std::find(keepOpen_.begin(), keepOpen_.end(), &e) != keepOpen_.end())
        return true;
    leaveFormatting(e, !NodeSource::endTag(&e).empty());
    return true;
}

void MarkupOutput::writeStartTag(const Element& e)
{
    // (A start tag rewritten or written afresh carries the attributes merged in from repeated
    // tags as well.)
    const bool ownMerged = std::find(ownMerged_.begin(), ownMerged_.end(), &e) != ownMerged_.end();
    // An implied tag stays unwritten until it carries something of its own, or until nothing
    // in it makes the parser imply it again (a tbody whose rows were removed).
    const bool unwritten = NodeSource::startTag(&e).empty() && NodeSource::source(&e) != nullptr &&
                           !NodeSource::attributesChanged(&e) && !ownMerged && ImpliedMarkup::impliedAgain(e);
    // The start tag of a table's part clears the parser's stack back to the table: what was moved
    // out in front of it and left open is ended with it (an end tag written later would make an
    // element of its own). (Not by an implied one: the tag of its content that implies it does,
    // which may come after white space that the parser puts into what was left open.)
    if (!unwritten && !leftOpen_.empty() &&
        (e.is(L"tbody") || e.is(L"thead") || e.is(L"tfoot") || e.is(L"tr") || e.is(L"td") || e.is(L"th") ||
         e.is(L"caption") || e.is(L"colgroup") || e.is(L"col")))
        leftOpen_.erase(std::remove_if(leftOpen_.begin(), leftOpen_.end(),
                                       [](const Element* open) {
                                           for (const Node* n = open; n != nullptr; n = n->parentNode())
                                               if (NodeSource::isDisplaced(n))
                                                   return true;
                                           return false;
                                       }),
                        leftOpen_.end());
    if (!NodeSource::startTag(&e).empty()) {
        if (NodeSource::attributesChanged(&e) || ownMerged)
            rewriteStartTag(e);
        else
            copy(NodeSource::startTag(&e));
        return;
    }
    if (unwritten)
        return;
    std::wstring& out = fresh();
    out += L'<';
    out += e.name().tagName;
    for (const auto& a : NodeSource::attributes(&e)) {
        out += L' ';
        appendAttribute(out, a);
    }
    out += L'>';
}

// The parsed start tag with only the changed attributes replaced, the removed ones cut out (with
// the white space before them) and the added ones put after the last attribute.
void MarkupOutput::rewriteStartTag(const Element& e)
{
    const NodeSource::Range& tag = NodeSource::startTag(&e);
    const std::wstring& text = tag.source->text;
    struct Edit {
        std::size_t start, end;
        std::wstring with;
    };
    std::vector<Edit> edits;
    std::size_t insertAt = tag.start + 1 + e.name().tagName.size();
    for (const auto& a : NodeSource::attributes(&e))
        if (a.fromSource)
            insertAt = std::max(insertAt, a.srcEnd);
    for (const auto& r : NodeSource::removedAttributes(&e)) {
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
    for (const auto& a : NodeSource::attributes(&e)) {
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
