#pragma once
#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "MarkupWriter.h"
#include "NodeSource.h"

class Document;
class Element;
class Node;
struct SourceText;

// The output of one write: the stretches of it copied from the tracked source, and what the
// parser reading the output will have open at its end.
//
// The parser must read the output as the tree. Where the writer copies the source on, the source
// says the rest as it always did. Where it does not (a node was inserted, removed or moved, or a
// created node comes next), it tells the parser what the source left to be implied:
// - elements the output left open (an element whose end tag the source leaves out, its last
//   descendants likewise) are closed by end tags before anything else is written there;
// - formatting elements that the parser would open again around new content (one the source
//   closed without its end tag, "<p><b>x</p>") are ended by their end tags, and where the source
//   relied on the parser opening one again, the writer writes that start tag itself;
// - a node the parser moved out in front of a table is written where its text stands, inside
//   the table.
//
// The walk over the tree that drives it is MarkupWriter's.
class MarkupOutput {
public:
    // An output that starts where the root's text starts; copied, when not null, lists the
    // stretches of it copied from tracked.
    MarkupOutput(bool copySpans, const Node& root, const SourceText* tracked,
                 std::vector<MarkupWriter::Copied>* copied);

    // The output written so far, handed over.
    std::wstring take();

    // The elements (html, body) holding an attribute that a repeated start tag of theirs gave
    // them, where the output left that tag out (it stood inside a removed node): without it the
    // parser would not give them the attribute. Empty for a part of a page.
    std::vector<const Element*> lostMergedAttributes() const;
    // Has the start tags of these elements carry their merged attributes themselves.
    void writeMergedAttributes(std::vector<const Element*> owners) { ownMerged_ = std::move(owners); }

    // Whether the element stands in foreign content (an svg or math element), where the parser
    // lists no formatting element, makes no paragraph of a stray "</p>" but a p in the element, and
    // reads a script's or style's text as any text.
    static bool inForeignContent(const Element& e);
    // Whether the parser knows no element of the name (any case).
    static bool unknownToParser(std::wstring_view name);

protected:
    // An entry of the parser's list of open formatting elements (or a scope mark): the element and
    // the start tag that the elements it reopens copy.
    struct Formatting {
        const Element* element; // null for a scope mark
        NodeSource::Range tag;
    };

    // The output, for appending written-afresh text: closers still pending go first.
    std::wstring& fresh();

    // Appends source[start, end) as it stands (but for "<body>" before a <frameset> the parser
    // ignored there, in an edited page).
    void copy(const SourceText* source, std::size_t start, std::size_t end);
    void copyStretch(const SourceText* source, std::size_t start, std::size_t end);
    void findIgnoredTags(const Document& page);
    [[gnu::noinline]] void leaveOutFormsOfRemoved(const Document& page, const std::vector<std::size_t>& forms);
    [[gnu::noinline]] void leaveOutFormsSetBy(const Element& form);

    void copy(const NodeSource::Range& range);

    // The gap text of range from `from` on: what lies there outside every node's own stretch.
    void copyGap(const NodeSource::Range& range, std::size_t from = 0, std::size_t to = std::wstring::npos);
    // Inside a node the parser moved out of a table that is gone: copies source[start, end) but for
    // the end tags of elements being written, which the parser had ignored in the table and which
    // in the body would end them ("<td><table><l>l</td>\n" without the inner table).
    void copyLeavingOutEndTagsOfOpen(const SourceText* source, std::size_t start, std::size_t end);
    // Inside a node moved out of a table: copies the text between from and to that no node owns
    // (tags the parser ignored in the table), as copyLeavingOutEndTagsOfOpen where the table is gone.
    void copyIgnoredInTable(const SourceText* source, std::size_t from, std::size_t to);

    // A text or comment written afresh leaves the parser as its source did: the output stands
    // where the source of a parsed one ends.
    void standAfter(const Node& node);

    // Writes c as a character reference, and says so, when a text starting with c would run into
    // the output before it (texts that an edit put side by side): after a '<' it would start a tag,
    // after a reference cut short ("&am") end it, after a CR make one line break with it.
    bool startsAsReference(wchar_t c);

    // Before a text: where the output ends in a text of another parent (an edit put them side by
    // side) and either stands in a table, the parser would take both as one run of table text
    // (moved out in front of the table, or kept in it, as a whole), and an end tag it ignores
    // there is written between them.
    void separateFromLastText(const Node& text);
    void noteTextWritten(const Node& text)
    {
        lastText_ = &text;
        lastTextEnd_ = out_.size();
    }

    // Notes that the output ends in a construct left open, which closer ends if anything follows.
    void noteOpenEnd(std::wstring closer);

    // The gap text before node, but for what the output has passed already (written back before
    // it, displaced nodes are written inside its gap).
    void writeGap(const NodeSource::Range& gap, std::size_t leadsTo);
    void writeGap(const Node& node) { writeGap(NodeSource::leadGap(&node), NodeSource::spanStart(&node)); }

    // Where the output of node begins in its source: its gap text, else its own text; npos for a
    // node written afresh.
    static std::size_t startOf(const Node& node);

    // Whether the output so far ends where the source continues with node (its gap text, or the
    // node itself): the parser reading on is then where it was in the source.
    bool continuesTo(const Node& node) const;

    // Called before the output of node begins: unless the output so far ends where the source
    // continues with node, ends what the output left open that the source relied on the parser
    // to end.
    void arriveAt(const Node& node);
    // Whether the text in front of node that no node owns holds an end tag the output has not passed.
    bool endTagInLeadGap(const Node& node) const;

    // Writes the start tag of an element: as it stood, or with only its changed attributes
    // rewritten, or afresh; nothing for an implied tag that the parser will make again.
    void writeStartTag(const Element& element);
    void rewriteStartTag(const Element& element);

    // Before the output ends a select or template it left open: the text that follows in the
    // source up to the next node's (tags ignored there, which outside would make elements), so
    // that the parser still reads it inside; the gaps that hold it skip it then.
    void writeGapReadInside();
    void closeLeftOpen();
    // Leaves the forms the output left open in e, whose end tags the source leaves out, to the end
    // tags of what holds them (e's, written next, or one closeLeftOpen writes) where that ends them
    // as it did in the source (it ends every element up to its own): an end tag of a form's own
    // would clear the parser's form pointer, and a <form> it had ignored after it would then make a
    // form ("<table><td><form><i></tr><form>" without the i).
    [[gnu::noinline]] void leaveFormsToEndTags(const Element& e);
    // Whether e stands inside an SVG or MathML element that the output left open as well.
    bool insideForeignLeftOpen(const Element& e) const;
    // Forgets what the output left open, which the source went on to end by itself.
    void dropLeftOpen();
    static bool endsScopeWhenLeft(const Element& e)
    {
        return e.is(L"td") || e.is(L"th") || e.is(L"caption") || e.is(L"template");
    }
    void endForeignFormatting(const SourceText* source);
    bool unlistNotReopenedAt(const Node& node);
    void endTag(const Element& e);
    void enterFormatting(const Element& e);
    [[gnu::noinline]] void unlistFourthAlike(const Element& e);
    void leaveFormatting(const Element& e, bool ended);
    bool reopenedByParser(const Element& e) const;
    // Whether an empty copy of a formatting element is followed by a sibling that is new (from
    // another source text) or changed, or stands last in a changed parent: the parser made the copy
    // rebuilding misnested formatting around what followed it in the source, and does not make it
    // again by itself.
    static bool beforeChangedSibling(const Element& e);
    // Ends the listed formatting elements that are closed, from the one e copies on, by their end
    // tags (the parser takes such an end tag only to unlist the element), so that e's start tag
    // can be written without the parser opening them again in front of it; false, with nothing
    // written, when that cannot be done.
    bool unlistClosedFrom(const Element& e);
    bool followFormatting(const Node& node);
    bool follow(const Node& node);
    bool onStack(const Element* e) const { return std::find(stack_.begin(), stack_.end(), e) != stack_.end(); }
    std::size_t afterLastMark() const;

    bool copySpans_;
    const SourceText* tracked_;
    std::vector<MarkupWriter::Copied>* copied_;
    std::wstring out_;
    std::vector<std::wstring> pending_;
    // Whether the output is a whole page, whose formatting elements the writer follows from the
    // start (of a part of a page it does not know which ones the parser has listed before it).
    bool wholePage_ = false;
    // The stretch of source the output last copied (no source after text written afresh).
    NodeSource::Range at_;
    // Elements the output left open beyond those being written, outermost first. A cell among
    // them still has its mark on the list of formatting elements.
    std::vector<const Element*> leftOpen_;
    // The elements that the subtree being copied leaves open.
    std::vector<const Element*> keepOpen_;
    // The elements being written, outermost first.
    std::vector<const Element*> stack_;
    // The parser's list of formatting elements as the output so far leaves it.
    std::vector<Formatting> formatting_;
    // Nodes to be written back inside the element being written, where their text stands, by
    // position; next_ is the first not yet written.
    std::vector<const Node*> displaced_;
    std::size_t nextDisplaced_ = 0;
    // End tags of body and html that stand before content of theirs, outermost first. One that
    // stood in a table now gone, which ignored it, waits for the element's end (inTableGone).
    struct AheadEnd {
        NodeSource::Range tag;
        bool written;
        bool inTableGone = false;
    };
    std::vector<AheadEnd> aheadEnds_;
    // Comments after the body or html whose text stands before content of the element (the
    // parser puts it back in): written where they stand, and then not again.
    std::vector<const Node*> aheadNodes_;
    std::vector<const Node*> writtenAhead_;
    // Where the repeated start tags of html and body that gave them attributes stand, and
    // whether the output has copied them.
    struct MergedFrom {
        const Element* owner;
        NodeSource::Range at; // the attribute, in the repeated tag
        bool copied;
    };
    std::vector<MergedFrom> merged_;
    // The text written last, and where the output ended after it.
    const Node* lastText_ = nullptr;
    std::size_t lastTextEnd_ = std::wstring::npos;
    std::vector<const Element*> ownMerged_;
    // The output went on to an end tag other than as the source did: the next node arrived at is
    // looked at as after any such place (unlistNotReopenedAt).
    bool unlistAtNext_ = false;
    // The output ends in a node moved out of a table that is no longer there.
    bool afterMovedOut_ = false;
    // The output did not go on as the source did to the node arrived at last.
    bool arrivedAfresh_ = false;
    // How many nodes being written the parser had moved out of a table that is gone.
    int orphanDepth_ = 0;
    // The same for each element being written, outermost first (the page: false).
    std::vector<bool> parentArrivedAfresh_{false};
    std::vector<NodeSource::Range> gapWrittenAhead_;
    // Tags the parser ignored in the page's source that copying must not take as they stand, when
    // the page was edited (sorted): a <frameset>, which gets "<body>" in front, and a <form> the
    // form pointer of a removed form had ignored, which is left out.
    struct IgnoredTag {
        std::size_t at, end;
        bool leftOut;
    };
    const SourceText* ignoredSource_ = nullptr;
    std::vector<IgnoredTag> ignoredTags_;
    // The other <form> tags the parser ignored under a form pointer, with where the start tag of
    // the form that set it stands: an end tag the output writes for that form clears the pointer
    // (leaveOutFormsSetBy, where the table it was closed in is gone).
    struct FormUnderPointer {
        std::size_t at, end, setter;
    };
    std::vector<FormUnderPointer> formsUnderPointer_;
};
