#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "DomTestDocs.h"
#include "FragmentParser.h"
#include "TreeOutline.h"
#include "host/DomUtil.h"

using domtest::DocPtr;
using domtest::load;
using testsupport::U;

// Small pages of the kinds that broke when edited, each with the tree expected after the edit.
// The saved markup must parse back to that tree, and for an insertion hold every character of the
// page in order (the untouched text kept as it was).
namespace {

enum class Edit {
    InsertAtEnd,
    InsertAtFirstNode,
    InsertInLastText,
    InsertAtStartOf,
    InsertIn,
    InsertInText,
    InsertInFirstText,
    InsertAfter,
    InsertInTextOfLast,   // after the first character of the first text of the last element with the id
    InsertBefore,         // the element with the id
    InsertAtStartOfNamed, // of the first element whose name the id field holds (a br made by "</br>" has no id)
    Remove,
    RemoveFirstChild,
    RemoveLast,       // element with the id (a parser's copy has it too)
    RemoveNextSibling // of the element with the id
};

struct ReadBackCase {
    const char* description;
    Edit edit;
    const wchar_t* id;                           // the element the edit names
    std::wstring_view page;                      // (a view, so that a page may hold a NUL)
    const wchar_t* tree;                         // outline of the edited tree
    const wchar_t* part = L"<div id=lp>P</div>"; // the markup inserted
    const wchar_t* removedFirst = nullptr;       // an element removed before the insertion
};

void PrintTo(const ReadBackCase& c, std::ostream* os)
{
    *os << c.description;
}

// Whether every character of text stands in out, in order.
bool keptInOrder(const std::wstring& text, const std::wstring& out)
{
    std::size_t at = 0;
    for (wchar_t c : out)
        if (at < text.size() && c == text[at])
            ++at;
    return at == text.size();
}

Node* lastWithId(Document& doc, const wchar_t* id)
{
    Node* last = nullptr;
    for (Node* n = doc.getFirstChild(); n != nullptr; n = n->nextInTree(&doc))
        if (n->getNodeType() == Node::Type::Element && static_cast<Element*>(n)->getAttribute(L"id") == id)
            last = n;
    return last;
}

Element* firstNamed(Document& doc, const wchar_t* name)
{
    for (Node* n = doc.getFirstChild(); n != nullptr; n = n->nextInTree(&doc))
        if (n->getNodeType() == Node::Type::Element && static_cast<Element*>(n)->is(name))
            return static_cast<Element*>(n);
    return nullptr;
}

class PageEditReadBack : public ::testing::TestWithParam<ReadBackCase> {};

TEST_P(PageEditReadBack, SavedPageParsesToTheEditedTree)
{
    const ReadBackCase& c = GetParam();
    DocPtr doc = load(std::wstring(c.page));
    DomUtil util(doc.get(), nullptr);
    Element* named = c.id == nullptr                        ? nullptr
                     : c.edit == Edit::InsertAtStartOfNamed ? firstNamed(*doc, c.id)
                                                            : doc->getElementByID(c.id);
    ASSERT_EQ(named != nullptr, c.id != nullptr);
    if (c.edit >= Edit::Remove) {
        util.removeAllChild(c.edit == Edit::Remove              ? named
                            : c.edit == Edit::RemoveFirstChild  ? named->getFirstChild()
                            : c.edit == Edit::RemoveNextSibling ? named->getNextSibling()
                                                                : lastWithId(*doc, c.id),
                            true, true);
    } else {
        if (c.removedFirst != nullptr)
            util.removeAllChild(doc->getElementByID(c.removedFirst), true, true);
        if (c.edit == Edit::InsertIn)
            util.setLayoutCursor(named, named->childCount());
        else if (c.edit == Edit::InsertAtFirstNode) // of the document
            util.setLayoutCursor(doc->getFirstChild(), 0);
        else if (c.edit == Edit::InsertInLastText) // of the document, after its first character
            util.setLayoutCursor(doc->getLastChild(), 1);
        else if (c.edit == Edit::InsertAtStartOf) // of the last element with the id (a parser's copy has it too)
            util.setLayoutCursor(lastWithId(*doc, c.id), 0);
        else if (c.edit == Edit::InsertInText) // after the first character of its last text
            util.setLayoutCursor(named->getLastChild(), 1);
        else if (c.edit == Edit::InsertInFirstText) // after the first character of its first text
            util.setLayoutCursor(named->getFirstChild(), 1);
        else if (c.edit == Edit::InsertAfter)
            util.setLayoutCurorEx(named, true);
        else if (c.edit == Edit::InsertAtStartOfNamed)
            util.setLayoutCursor(named, 0);
        else if (c.edit == Edit::InsertBefore)
            util.setLayoutCursor(named->parentNode(), named->indexInParent());
        else if (c.edit == Edit::InsertInTextOfLast)
            util.setLayoutCursor(lastWithId(*doc, c.id)->getFirstChild(), 1);
        ASSERT_NE(insertFragmentAtCursor(util, c.part), nullptr);
    }
    EXPECT_EQ(TreeOutline::of(*doc), c.tree);
    EXPECT_TRUE(TreeOutline::readsBack(*doc)) << U(doc->getMarkup());
    if (c.edit < Edit::Remove && c.removedFirst == nullptr) { // (an insertion alone)
        EXPECT_TRUE(keptInOrder(std::wstring(c.page), doc->getMarkup())) << U(doc->getMarkup());
    }
}

const ReadBackCase kCases[] = {
    // End tags the page leaves out, after which a part is added at the end of the body.
    {"misnested formatting inside unclosed blocks", Edit::InsertAtEnd, nullptr, L"<div><a><b><div><div>x</a>",
     L"html(head body(div(a(b) b(div(a div(a(\"x\"))))) div[id=\"lp\"](\"P\")))"},
    {"option group left open in a select", Edit::InsertAtEnd, nullptr, L"<select><option>a<optgroup>",
     L"html(head body(select(option(\"a\") optgroup) div[id=\"lp\"](\"P\")))"},
    {"a tag ignored in a select left open, which after the select makes an element", Edit::InsertAtEnd, nullptr,
     L"<select><option>a<dd>", L"html(head body(select(option(\"a\")) div[id=\"lp\"](\"P\")))"},
    {"tags a select left open ignored after its content, the cursor in its option", Edit::InsertIn, L"o",
     L"<select><option id=o><f><td>", L"html(head body(select(option[id=\"o\"]) div[id=\"lp\"](\"P\")))"},
    {"tags a select moved out in front of a table ignored after its content, lost under the table's next gap",
     Edit::InsertIn, L"o", L"<TABLE><SELECT><OPTION id=o><S><TR>",
     L"html(head body(select(option[id=\"o\"]) table(tbody(tr))) div[id=\"lp\"](\"P\"))"},
    {"a tag ignored in a select left open, then one the page cuts short", Edit::InsertAtEnd, nullptr, L"<select><dd><h",
     L"html(head body(select div[id=\"lp\"](\"P\")))"},
    {"what a template's row cannot hold goes after the row, the row's cell standing last", Edit::InsertAtEnd, nullptr,
     L"<template><tr><b><td>", L"html(head(template(tr(td) b)) body(div[id=\"lp\"](\"P\")))"},
    {"a tag the page cuts short in a quoted value holding '<' and '>', in an element left open", Edit::InsertAtEnd,
     nullptr, L"<div><q>x<a href=\".>y</p>", L"html(head body(div(q(\"x\")) div[id=\"lp\"](\"P\")))"},
    {"a template left open, then a tag the page cuts short holding a '<'", Edit::InsertAtEnd, nullptr,
     L"<template><o<o", L"html(head(template) body(div[id=\"lp\"](\"P\")))"},
    {"a comment cut short in a template's row, the text after the row standing before it", Edit::InsertAtEnd, nullptr,
     L"<template><tr>x<!-", L"html(head(template(tr(<!----->) \"x\")) body(div[id=\"lp\"](\"P\")))"},
    {"a tag ignored in a template left open", Edit::InsertAtEnd, nullptr, L"<template></br>",
     L"html(head(template) body(div[id=\"lp\"](\"P\")))"},
    {"unclosed table cell", Edit::InsertAtEnd, nullptr, L"<table><tr><td>cell",
     L"html(head body(table(tbody(tr(td(\"cell\")))) div[id=\"lp\"](\"P\")))"},
    {"end tag of a form, ignored in a table left open in it", Edit::InsertAtEnd, nullptr, L"<form><table></form>",
     L"html(head body(form(table) div[id=\"lp\"](\"P\")))"},
    {"end tag of a form standing before the text of an element left open in it", Edit::InsertAtStartOf, L"n",
     L"<FORM><n id=n><P></FORM>D", L"html(head body(form(n[id=\"n\"](div[id=\"lp\"](\"P\") p \"D\"))))"},
    {"after a form whose end tag stands before the text of an element left open in it", Edit::InsertAfter, L"f",
     L"<form id=f><n><p></form>d", L"html(head body(form[id=\"f\"](n(p \"d\")) div[id=\"lp\"](\"P\")))"},
    {"form pointer cleared by an end tag ignored in a table, before its text: no end tag ends the form",
     Edit::InsertAtEnd, nullptr, L"<FORM><TABLE></FORM>\n", L"html(head body(div[id=\"lp\"](\"P\") form(table)))"},
    {"a link listed in a cell, whose paragraph a table left open in the cell ended", Edit::InsertIn, L"c",
     L"<!DOCTYPE html><TABLE><TD id=c><p><a><TABLE><TD>",
     L"<!DOCTYPE html> html(head body(table(tbody(tr(td[id=\"c\"](p(a) table(tbody(tr(td))) "
     L"div[id=\"lp\"](\"P\")))))))"},
    {"links listed on both sides of the mark of a cell left open", Edit::InsertAtEnd, nullptr,
     L"<!DOCTYPE html><p><a><TABLE><TD><A>",
     L"<!DOCTYPE html> html(head body(p(a) table(tbody(tr(td(a)))) div[id=\"lp\"](\"P\")))"},
    {"unclosed list items", Edit::InsertAtEnd, nullptr, L"<ul><li>one<li>two",
     L"html(head body(ul(li(\"one\") li(\"two\")) div[id=\"lp\"](\"P\")))"},
    {"bold left listed by the paragraph's end tag", Edit::InsertAtEnd, nullptr, L"<p><b>bold</p>",
     L"html(head body(p(b(\"bold\")) div[id=\"lp\"](\"P\")))"},
    {"element of an unknown name ended by the end tag of another unknown name", Edit::InsertIn, L"h",
     L"<x><hh id=h><i>i</i></qq>\n<div>d</div>",
     L"html(head body(x(hh[id=\"h\"](i(\"i\") div[id=\"lp\"](\"P\")) _ div(\"d\"))))"},
    {"form whose form pointer had the parser ignore a later form: the ignored tag is kept", Edit::InsertIn, L"f",
     L"<form id=f>x<form>y", L"html(head body(form[id=\"f\"](\"xy\" div[id=\"lp\"](\"P\"))))"},
    {"cursor in a form in a cell, whose form pointer had the parser ignore a form in the next row", Edit::InsertIn,
     L"f", L"<TABLE><TD><FORM id=f><TR><FORM>",
     L"html(head body(table(tbody(tr(td(form[id=\"f\"])) tr)) div[id=\"lp\"](\"P\")))"},
    {"text of a form before its end tag, with a control character the parser gives as U+FFFD", Edit::InsertInText, L"f",
     L"<form id=f>\x81x</form>", L"html(head body(form[id=\"f\"](\"\xFFFD\" div[id=\"lp\"](\"P\") \"x\")))"},
    {"form whose end tag has a '/' before its '>'", Edit::InsertIn, L"f", L"<FORM id=f>\n</FORM/>",
     L"html(head body(form[id=\"f\"](div[id=\"lp\"](\"P\"))))"},
    {"form left open whose text ends in a carriage return", Edit::InsertAtEnd, nullptr, L"<form>x\r\n",
     L"html(head body(form(\"x\n\") div[id=\"lp\"](\"P\")))"},
    {"form whose text and end tag follow tags the parser dropped", Edit::InsertIn, L"f",
     L"<form id=f></>x<td></a></form>y", L"html(head body(form[id=\"f\"](\"x\" div[id=\"lp\"](\"P\")) \"y\"))"},
    // Raw text and text the page leaves open.
    {"plaintext to the end of the page: the part goes before it", Edit::InsertAtEnd, nullptr, L"<plaintext>abc",
     L"html(head body(div[id=\"lp\"](\"P\") plaintext(\"abc\")))"},
    {"unclosed script", Edit::InsertAtEnd, nullptr, L"<script>var a;",
     L"html(head(script(\"var a;\")) body(div[id=\"lp\"](\"P\")))"},
    {"unclosed style", Edit::InsertAtEnd, nullptr, L"<style>p {}",
     L"html(head(style(\"p {}\")) body(div[id=\"lp\"](\"P\")))"},
    {"comment cut short after a dash", Edit::InsertAtEnd, nullptr, L"<!-- cut-",
     L"<!-- cut--> html(head body(div[id=\"lp\"](\"P\")))"},
    {"comment cut short after a carriage return", Edit::InsertAtEnd, nullptr, L"<p>a<!--x\r",
     L"html(head body(p(\"a\" <!--x\n-->) div[id=\"lp\"](\"P\")))"},
    {"cursor in a script", Edit::InsertIn, L"s", L"<p>x</p><script id=s>var a = 1;</script>",
     L"html(head body(p(\"x\") script[id=\"s\"](\"var a = 1;\") div[id=\"lp\"](\"P\")))"},
    {"cursor in the title: the start of the body", Edit::InsertIn, L"t",
     L"<html><head><title id=t>x</title></head><body>b</body></html>",
     L"html(head(title[id=\"t\"](\"x\")) body(div[id=\"lp\"](\"P\") \"b\"))"},
    {"cursor in a text area", Edit::InsertIn, L"t", L"<textarea id=t>abc</textarea>",
     L"html(head body(textarea[id=\"t\"](\"abc\") div[id=\"lp\"](\"P\")))"},
    // Places whose content model would drop or move the part.
    {"cursor in an option", Edit::InsertIn, L"o", L"<select><option id=o>a<option>b</select>",
     L"html(head body(select(option[id=\"o\"](\"a\") option(\"b\")) div[id=\"lp\"](\"P\")))"},
    {"cursor in a table", Edit::InsertIn, L"t", L"<table id=t><tr><td>1</td></tr></table>",
     L"html(head body(table[id=\"t\"](tbody(tr(td(\"1\")))) div[id=\"lp\"](\"P\")))"},
    {"cursor in a table row", Edit::InsertIn, L"r", L"<table><tr id=r><td>1</td></tr></table>",
     L"html(head body(table(tbody(tr[id=\"r\"](td(\"1\")))) div[id=\"lp\"](\"P\")))"},
    {"cursor after a cell", Edit::InsertAfter, L"c", L"<table><tr><td id=c>a<td>b</table>",
     L"html(head body(table(tbody(tr(td[id=\"c\"](\"a\") td(\"b\")))) div[id=\"lp\"](\"P\")))"},
    {"cursor in a MathML cell, which a block leaves", Edit::InsertIn, L"c", L"<math><td id=c>x",
     L"html(head body(math(td[id=\"c\"](\"x\")) div[id=\"lp\"](\"P\")))"},
    {"cursor in a MathML cell in a MathML cell, in a table's cell: the math is ended, not the cells", Edit::InsertIn,
     L"c", L"<TABLE><TD><td><TD><math></><TD><td id=c>",
     L"html(head body(table(tbody(tr(td td td(math(td(td[id=\"c\"])) div[id=\"lp\"](\"P\")))))))"},
    {"cursor in an applet inside an element moved out in front of a table, where a table ends that table",
     Edit::InsertIn, L"a", L"<table><i><applet id=a>", L"html(head body(i(applet[id=\"a\"]) table) table[id=\"lp\"])",
     L"<table id=lp></table>"},
    {"cursor in a paragraph, which a block would end", Edit::InsertIn, L"p", L"<p id=p>para</p><p>next</p>",
     L"html(head body(p[id=\"p\"](\"para\") div[id=\"lp\"](\"P\") p(\"next\")))"},
    {"cursor in a paragraph whose text the parser ran over a repeated html tag", Edit::InsertIn, L"p",
     L"<p id=p>x<html lang=ja>yz</p>", L"html[lang=\"ja\"](head body(p[id=\"p\"](\"xyz\") div[id=\"lp\"](\"P\")))"},
    {"cursor in a text the parser ran over a repeated html tag with a '>' in a value", Edit::InsertInText, L"d",
     L"<div id=d>x<html lang=\"a>b\">yz</div>",
     L"html[lang=\"a>b\"](head body(div[id=\"d\"](\"xy\" div[id=\"lp\"](\"P\") \"z\")))"},
    {"cursor in a text holding a NUL the parser dropped, before a control character", Edit::InsertInText, L"d",
     std::wstring_view(L"<div id=d>a\0\x01"
                       L"b</div>",
                       20),
     L"html(head body(div[id=\"d\"](\"a\" div[id=\"lp\"](\"P\") \"\xFFFD"
     L"b\")))"},
    {"cursor in a text after the '&' of an unknown reference, before a carriage return", Edit::InsertInText, L"d",
     L"<div id=d>&y;\r</div>", L"html(head body(div[id=\"d\"](\"&\" div[id=\"lp\"](\"P\") \"y;\n\")))"},
    {"text the parser ran over a repeated html tag, then an unknown reference and a carriage return", Edit::InsertAtEnd,
     nullptr, L"x<html lang=ja>&y;\ry", L"html[lang=\"ja\"](head body(\"x&y;\ny\" div[id=\"lp\"](\"P\")))"},
    {"cursor in a text before a reference to '&' without its ';'", Edit::InsertInText, L"d", L"<div id=d>x&amp\r</div>",
     L"html(head body(div[id=\"d\"](\"x\" div[id=\"lp\"](\"P\") \"&\n\")))"},
    {"text ran over an ignored end tag, then references without their ';' before a digit", Edit::InsertAtEnd, nullptr,
     L"&nbsp;&copy;</TD>\nharset=&nbsp8\">",
     L"html(head body(\"\xA0\xA9\nharset=\xA0"
     L"8\\\">\" div[id=\"lp\"](\"P\")))"},
    {"cursor in a text run over an ignored end tag after a numeric reference without its ';'", Edit::InsertInFirstText,
     L"a", L"<h1 id=a>xy &#x1F60al t\n</style>\n<h1>z",
     L"html(head body(h1[id=\"a\"](\"x\" div[id=\"lp\"](\"P\") \"y \U0001F60Al t\n\n\") h1(\"z\")))"},
    {"text the parser ran over an ignored tag, with a NUL it dropped before a control character", Edit::InsertAtEnd,
     nullptr, std::wstring_view(L"</><\0\x01</>>", 12), L"html(head body(\"<\xFFFD>\" div[id=\"lp\"](\"P\")))"},
    {"cursor at the start of template content of table rows", Edit::InsertAtStartOf, L"t",
     L"<template id=t><tr><td>c</td></tr></template>",
     L"html(head(template[id=\"t\"](tr(td(\"c\")))) body(div[id=\"lp\"](\"P\")))"},
    {"cursor at the DOCTYPE: the start of the body", Edit::InsertAtFirstNode, nullptr, L"<!DOCTYPE html><p>x</p>",
     L"<!DOCTYPE html> html(head body(div[id=\"lp\"](\"P\") p(\"x\")))"},
    {"cursor in a text before a DOCTYPE the page cuts short", Edit::InsertInText, L"d", L"<div id=d>a<4<!DOCTYPE ",
     L"html(head body(div[id=\"d\"](\"a\" div[id=\"lp\"](\"P\") \"<4\")))"},
    {"cursor in a text after the html end tag: the end of the body", Edit::InsertInLastText, nullptr,
     L"<p>a</p></body></html>tail", L"html(head body(p(\"a\") div[id=\"lp\"](\"P\"))) \"tail\""},
    {"script in a math element (no raw text) whose text runs over an ignored </body>", Edit::InsertIn, L"m",
     L"<math id=m><script>x</body>/", L"html(head body(math[id=\"m\"](script(\"x/\"))) div[id=\"lp\"](\"P\"))"},
    {"paragraph that a stray </p> made inside a math element, the cursor in the element", Edit::InsertIn, L"m",
     L"<math id=m></p>", L"html(head body(math[id=\"m\"](p) div[id=\"lp\"](\"P\")))"},
    {"cursor in template content", Edit::InsertIn, L"t", L"<template id=t><p>x</template>",
     L"html(head(template[id=\"t\"](p(\"x\") div[id=\"lp\"](\"P\"))) body)"},
    {"text a template's row cannot hold, moved behind the row, in front of the row's comment", Edit::InsertIn, L"t",
     L"<template id=t><tr>)</\xE5",
     L"html(head(template[id=\"t\"](tr(<!--\xE5-->) \")\" div[id=\"lp\"](\"P\"))) body)"},
    {"tag ignored inside an element moved behind a row of template content, the cursor in the element", Edit::InsertIn,
     L"c", L"<template><tr><c id=c><head>\nx</tr>",
     L"html(head(template(tr c[id=\"c\"](\"\nx\" div[id=\"lp\"](\"P\")))) body)"},
    {"text and an element moved behind a row of template content, the last text split by the cursor",
     Edit::InsertInText, L"t", L"<template id=t><tr>x<b>y</b>zw<td>c</td><td>d",
     L"html(head(template[id=\"t\"](tr(td(\"c\") td(\"d\")) \"x\" b(\"y\") \"zw\")) body(div[id=\"lp\"](\"P\")))"},
    {"after a paragraph whose link the parser opens again inside a plaintext", Edit::InsertAfter, L"p",
     L"<p id=p><a href=x>a</p><plaintext>t",
     L"html(head body(div[id=\"lp\"](\"P\") p[id=\"p\"](a[href=\"x\"](\"a\")) plaintext(a[href=\"x\"](\"t\"))))"},
    {"cursor in a plaintext's text that elsewhere holds a reference, in the link reopened there",
     Edit::InsertInTextOfLast, L"a", L"<p><a id=a>a<plaintext>&amp",
     L"html(head body(div[id=\"lp\"](\"P\") p(a[id=\"a\"](\"a\")) plaintext(a[id=\"a\"](\"&amp\"))))"},
    {"cursor in a link the parser opened again in a plaintext, whose start tag ended the paragraph around the link",
     Edit::InsertInText, L"t", L"<p><a href=x>a<plaintext id=t>tuv",
     L"html(head body(div[id=\"lp\"](\"P\") p(a[href=\"x\"](\"a\")) plaintext[id=\"t\"](a[href=\"x\"](\"tuv\"))))"},
    // Content the parser moved.
    {"text and links moved out in front of a table", Edit::InsertAtEnd, nullptr, L"<table><a>1<td>2</td>3</table>",
     L"html(head body(a(\"1\") a(\"3\") table(tbody(tr(td(\"2\")))) div[id=\"lp\"](\"P\")))"},
    {"cursor in a text moved out in front of a table", Edit::InsertInFirstText, L"d",
     L"<div id=d><table>ab<tr><td>c</td></tr></table></div>",
     L"html(head body(div[id=\"d\"](\"ab\" table(tbody(tr(td(\"c\"))))) div[id=\"lp\"](\"P\")))"},
    {"a stray end tag amid text moved out in front of a table", Edit::InsertAtEnd, nullptr,
     L"<table>x</a>y<td>z</td></table>", L"html(head body(\"xy\" table(tbody(tr(td(\"z\")))) div[id=\"lp\"](\"P\")))"},
    {"cursor in a cell holding an ignored end tag, a text after the cell moved out of the table", Edit::InsertAtStartOf,
     L"c", L"><table><td id=c></h></td>b",
     L"html(head body(\">b\" table(tbody(tr(td[id=\"c\"](div[id=\"lp\"](\"P\")))))))"},
    {"cursor in an element moved out of a table, around a tag ignored in it", Edit::InsertAtStartOf, L"x",
     L"<table><tr><x id=x>a</td>b</tr></table>",
     L"html(head body(x[id=\"x\"](div[id=\"lp\"](\"P\") \"ab\") table(tbody(tr))))"},
    {"cursor in an element moved out of an inner table, which the end tag of its row ended", Edit::InsertAtStartOf,
     L"q", L"<table><tr><td><table><tr><td>x</td></tr><tr><q id=q>y</td>\n</tr>\n</table>",
     L"html(head body(table(tbody(tr(td(q[id=\"q\"](div[id=\"lp\"](\"P\") \"y\n\") table(tbody(tr(td(\"x\")) "
     L"tr))))))))"},
    {"raw text left open, moved out in front of a table in an element left open", Edit::InsertAtEnd, nullptr,
     L"<rt><table><xmp>", L"html(head body(rt(xmp table) div[id=\"lp\"](\"P\")))"},
    {"cursor in a paragraph moved out in front of a table, a tag ignored before its end tag", Edit::InsertAtStartOf,
     L"p", L"<TABLE>\n<p id=p>x</a,></p>\n", L"html(head body(p[id=\"p\"](\"x\") table) div[id=\"lp\"](\"P\"))"},
    {"plaintext moved out in front of a table", Edit::InsertAtEnd, nullptr, L"<table><plaintext>x",
     L"html(head body(div[id=\"lp\"](\"P\") plaintext(\"x\") table))"},
    {"plaintext moved out in front of a table that ends an element", Edit::InsertAtEnd, nullptr,
     L"<e><table><plaintext>", L"html(head body(div[id=\"lp\"](\"P\") e(plaintext table)))"},
    {"stray end tags in a table before content moved out of it", Edit::InsertAtEnd, nullptr,
     L"<table></script>\n<div>d</div></table>", L"html(head body(div(\"d\") table div[id=\"lp\"](\"P\")))"},
    {"a page of nothing but a stray end tag, which the parser read before the body", Edit::InsertAtEnd, nullptr,
     L"<!DOCTYPE html></p>\n", L"<!DOCTYPE html> html(head body(div[id=\"lp\"](\"P\")))"},
    {"a page of nothing but a stray end tag and a tag it cuts short, which stays last", Edit::InsertAtEnd, nullptr,
     L"</p>\n<p x=\"y", L"html(head body(div[id=\"lp\"](\"P\")))"},
    {"a page ending in \"</\", which is text", Edit::InsertAtEnd, nullptr, L"<p>a</p></",
     L"html(head body(p(\"a\") div[id=\"lp\"](\"P\") \"</\"))"},
    {"a page ending in \"</\" after a form's end tag the parser ran a text over", Edit::InsertAtEnd, nullptr,
     L"<FORM>\n</FORM></", L"html(head body(form div[id=\"lp\"](\"P\") \"</\"))"},
    {"text after a form's end tag and a tag the parser ignored, which the text ran over", Edit::InsertAtEnd, nullptr,
     L"<FORM>\n</FORM></>>", L"html(head body(form \">\" div[id=\"lp\"](\"P\")))"},
    {"text after the body's end tag", Edit::InsertAtEnd, nullptr, L"<p>a</p></body>tail",
     L"html(head body(p(\"a\") div[id=\"lp\"](\"P\")) \"tail\")"},
    {"a tag ignored after the body's end tag, in an element left open", Edit::InsertAtEnd, nullptr,
     L"<body>\n<k>b</p>\n</body>\n<frameset></html>\n", L"html(head body(div[id=\"lp\"](\"P\") k(\"b\" p)))"},
    {"a comment between the body's end tag and content the parser puts back", Edit::InsertIn, L"b",
     L"<p>a</p>\n</body>\n</=\"c\">\n<p id=b>b</p>\n</body>\n</html>\n",
     L"html(head body(p(\"a\") _ p[id=\"b\"](\"b\") div[id=\"lp\"](\"P\")) <!--=\"c\"-->)"},
    {"a comment after the body's end tag, before text the parser puts back: the body cannot end after them",
     Edit::InsertAtEnd, nullptr, std::wstring_view(L"<a></body></\0>/", 16),
     L"html(head body(div[id=\"lp\"](\"P\") a(\"/\")) <!---->)"},
    {"a select moved out in front of a table after the body's end tag, a tag it ignored in it", Edit::InsertAtEnd,
     nullptr, L"<p>a</p></body><table><select><h><tr>",
     L"html(head body(p(\"a\") div[id=\"lp\"](\"P\")) select table(tbody(tr)))"},
    {"cursor in a link after the html end tag, the html copied with a body end tag standing early in it",
     Edit::InsertInText, L"a", L"<div></body></div>></html><A id=a>&n",
     L"html(head body(div) \">\") a[id=\"a\"](\"&\" div[id=\"lp\"](\"P\") \"n\")"},
    {"head tag ignored between an html end tag first in the page and head content put in the body", Edit::InsertAtEnd,
     nullptr, L"</html><head><title>t</title>", L"html(head body(title(\"t\") div[id=\"lp\"](\"P\")))"},
    {"head tag ignored between an html end tag first in the page and the body's start tag", Edit::InsertInFirstText,
     L"b", L"</html><head><body id=b> x", L"html(head body[id=\"b\"](div[id=\"lp\"](\"P\") \"x\"))"},
    {"end tag ignored after the head's content, before the empty body the parser made, written after the part",
     Edit::InsertAtEnd, nullptr, L"<script>s</script></p><tr>",
     L"html(head(script(\"s\")) body(div[id=\"lp\"](\"P\")))"},
    {"end tag ignored after the head's content, before the empty body and the html end tag, written after the part",
     Edit::InsertAtEnd, nullptr, L"<title>t</title></p><tr></html>",
     L"html(head(title(\"t\")) body(div[id=\"lp\"](\"P\")))"},
    {"body end tag that ended a column group, in front of a block moved out of the table", Edit::InsertAtEnd, nullptr,
     L"<table>&amp<col></body><div><col>",
     L"html(head body(\"&\" div table(colgroup(col) colgroup(col))) div[id=\"lp\"](\"P\"))"},
    {"end tags a noscript in the head ignored, before the script that ended it, the head written child by child",
     Edit::InsertAtStartOf, L"s", L"<noscript>\n</body></svg><script id=s>s</script>",
     L"html(head(noscript script[id=\"s\"](\"s\")) body(div[id=\"lp\"](\"P\")))"},
    {"text the parser ran over an ignored head tag, up to a DOCTYPE the page cuts short at its end", Edit::InsertAtEnd,
     nullptr, L"t<head>\n<!DOCTYPE", L"html(head body(\"t\n\" div[id=\"lp\"](\"P\")))"},
    {"text and markup after the html end tag", Edit::InsertAtEnd, nullptr, L"<p>a</p></body></html>tail<b>x</b>",
     L"html(head body(p(\"a\") div[id=\"lp\"](\"P\"))) \"tail\" b(\"x\")"},
    {"text starting with a line break after a NUL that opened the body, the CR in its gap", Edit::InsertAtEnd, nullptr,
     std::wstring_view(L"\0\r\nx", 4), L"html(head body(\"\nx\" div[id=\"lp\"](\"P\")))"},
    {"cursor at the start of a reopened formatting element whose text starts with a CR LF", Edit::InsertAtStartOf, L"i",
     L"<p><i id=i><hr>\r\nx", L"html(head body(p(i[id=\"i\"]) hr i[id=\"i\"](div[id=\"lp\"](\"P\") \"\nx\")))"},
    {"innermost element of an unknown name ended by the end tag of an outer one", Edit::InsertAtEnd, nullptr,
     L"<v><y><x></v>", L"html(head body(v(y(x)) div[id=\"lp\"](\"P\")))"},
    {"innermost element of an unknown name ended by an end tag whose name holds a NUL", Edit::InsertAtStartOf, L"d",
     std::wstring_view(L"<t><t id=d></head\0>x", 20), L"html(head body(t(t[id=\"d\"](div[id=\"lp\"](\"P\")) \"x\")))"},
    {"after bold left open in bold left open, in bold", Edit::InsertIn, L"o", L"<b id=o>p<b>x<b>y",
     L"html(head body(b[id=\"o\"](\"p\" b(\"x\" b(\"y\")) div[id=\"lp\"](\"P\"))))"},
    {"cursor in an empty copy of a link that a later link had the parser make", Edit::InsertAtStartOf, L"c",
     L"<h2><a id=c><h2><a>", L"html(head body(h2(a[id=\"c\"] h2(a[id=\"c\"] div[id=\"lp\"](\"P\") a))))"},
    {"heading ended by the end tag of another level", Edit::InsertAtStartOf, L"h", L"<h1 id=h><i><h2></h1>I",
     L"html(head body(h1[id=\"h\"](div[id=\"lp\"](\"P\") i(h2 \"I\"))))"},
    {"cursor in a heading that a link left open nested in a heading", Edit::InsertIn, L"h", L"<h2><a m><h2 id=h><a>",
     L"html(head body(h2(a[m=\"\"] h2[id=\"h\"](a[m=\"\"] a div[id=\"lp\"](\"P\")))))"},
    {"element ended by an end tag after the html end tag", Edit::InsertAtEnd, nullptr, L"<m></html></h>",
     L"html(head body(m div[id=\"lp\"](\"P\")))"},
    {"after bold whose end tag stands in the next paragraph", Edit::InsertAfter, L"b", L"<b id=b>1<p>2</b>3</p>",
     L"html(head body(b[id=\"b\"](\"1\") div[id=\"lp\"](\"P\") p(b[id=\"b\"](\"2\") \"3\")))"},
    {"cursor at the start of a formatting element the parser reopens: a block there does not reopen it",
     Edit::InsertAtStartOf, L"b", L"<m><s id=b></h>-s",
     L"html(head body(m(s[id=\"b\"]) s[id=\"b\"](div[id=\"lp\"](\"P\") \"-s\")))"},
    {"after a paragraph whose bold the parser reopens", Edit::InsertAfter, L"p", L"<p id=p><b>x</p>y<div>z</div>",
     L"html(head body(p[id=\"p\"](b(\"x\")) div[id=\"lp\"](\"P\") b(\"y\" div(\"z\"))))"},
    // Removals that take away what ended an element or listed a formatting one.
    {"removed block had ended the paragraph", Edit::Remove, L"d", L"<p>text<div id=d>x</div><span>y</span>",
     L"html(head body(p(\"text\") span(\"y\")))"},
    {"removed row of a table body the parser implied", Edit::Remove, L"r", L"<table><tr id=r><td>1</td></tr></table>",
     L"html(head body(table(tbody)))"},
    {"removed block had the bold reopened", Edit::Remove, L"d", L"<p><b>x<div id=d>d</div>y",
     L"html(head body(p(b(\"x\")) b(\"y\")))"},
    {"removed link had opened the body: a stray </p> after it", Edit::Remove, L"d", L"<a id=d>x</a></p>\n<h1>h</h1>",
     L"html(head body(p _ h1(\"h\")))"},
    {"removed link had opened the implied head, a comment standing first in it now", Edit::Remove, L"d",
     L"<link id=d><!--c-->", L"html(head(<!--c-->) body)"},
    {"removed link had opened the body: head content after it", Edit::Remove, L"d",
     L"<title>t</title><a id=d>x</a><meta name=m><!--c--><p>y",
     L"html(head(title(\"t\")) body(meta[name=\"m\"] <!--c--> p(\"y\")))"},
    {"removed block had a repeated html tag with attributes in front of it", Edit::Remove, L"d",
     L"<p>x</p><html lang=ja><div id=d>y</div>", L"html[lang=\"ja\"](head body(p(\"x\")))"},
    {"removed table had opened the body before the white space of the text moved out of it", Edit::Remove, L"t",
     L"<table id=t>\n\n>\n", L"html(head body(\"\n\n>\n\"))"},
    {"removed select left open at the page end, a tag it ignored after its content", Edit::Remove, L"d",
     L"<p>x</p><select id=d><l>", L"html(head body(p(\"x\")))"},
    {"removed table had ended the table before it, in front of which the parser moved a text of its own", Edit::Remove,
     L"d", L"<table><table id=d>>", L"html(head body(table \">\"))"},
    {"removed text ran over an ignored end tag, then a legacy reference without its ';' and more of a name",
     Edit::RemoveFirstChild, L"d", L"<p id=d>x</div>&nbspdy>",
     L"html(head body(p[id=\"d\"](\"\xA0"
     L"dy>\")))"},
    {"removed link the parser opened again in a plaintext, whose text holds tags", Edit::RemoveFirstChild, L"t",
     L"<p><a href=x>a</p><plaintext id=t>t<b>u", L"html(head body(p(a[href=\"x\"](\"a\")) plaintext[id=\"t\"]))"},
    {"removed text had the parser ignore a frameset after it", Edit::RemoveFirstChild, L"d", L"<p id=d>x</p><frameset>",
     L"html(head body(p[id=\"d\"]))"},
    {"removed input had the parser ignore a frameset after it, which then stood before the body", Edit::Remove, L"d",
     L"<input id=d><frameset>", L"html(head body)"},
    {"removed link had ended the link before it, an ignored end tag after it", Edit::Remove, L"d",
     L"<p><a><a id=d></a></p\xE9></p>/", L"html(head body(p(a) \"/\"))"},
    {"removed copy of an italic beside an svg holding an a, which the parser does not list as a link", Edit::RemoveLast,
     L"d", L"<A><svg><A><B><I id=d></B>x</I>y", L"html(head body(a(svg(a) b(i[id=\"d\"]) \"y\")))"},
    {"removed copy of a link took the end tag that unlisted it: the text of a paragraph after it",
     Edit::RemoveFirstChild, L"d", L"<p><a><p id=d>x</a><div>y</div>", L"html(head body(p(a) p[id=\"d\"] div(\"y\")))"},
    {"removed copy of a link took the end tag that unlisted it: an empty paragraph, then white space",
     Edit::RemoveFirstChild, L"d", L"<p><a><p id=d>x</a><p>\n\n", L"html(head body(p(a) p[id=\"d\"] p))"},
    {"removed copy of a link took the end tag that unlisted it, the last content before white space",
     Edit::RemoveFirstChild, L"d", L"<div><p><a><p id=d>x</a></p>\n", L"html(head body(div(p(a) p[id=\"d\"])))"},
    {"removed paragraph moved out in front of a table had ended the one before it, the table's white space after it",
     Edit::Remove, L"d", L"<TABLE><p>H<p id=d></p>\n", L"html(head body(p(\"H\") table))"},
    {"removed paragraph had ended the template's last one, whose text \"</\" ends the page", Edit::Remove, L"d",
     L"<template><p id=d><p></", L"html(head(template(p(\"</\"))) body)"},
    {"removed row of a table before whose white space the parser moved paragraphs out, one ending the other",
     Edit::Remove, L"r", L"<TABLE><TR id=r><p><p></p>\n<p>", L"html(head body(p p p table(tbody)))"},
    {"removed select moved out in front of a table left open at the page end, a tag it ignored after its content",
     Edit::Remove, L"d", L"<TABLE x><SELECT id=d><E>", L"html(head body(table[x=\"\"]))"},
    {"removed select moved out in front of a table, a tag it ignored before the table that ended it", Edit::Remove,
     L"d", L"<TABLE x><SELECT id=d><R><TABLE>", L"html(head body(table[x=\"\"] table))"},
    {"removed select moved out in front of a table, a tag it ignored before the table's end tag", Edit::Remove, L"d",
     L"<TABLE x><SELECT id=d><R></TABLE>", L"html(head body(table[x=\"\"]))"},
    {"removed select moved out in front of a table, a tag it ignored amid its content", Edit::Remove, L"d",
     L"<TABLE><SELECT id=d><P>\n<INPUT>", L"html(head body(input table))"},
    {"removed select in a paragraph moved out in front of a table, a tag it ignored amid its content", Edit::Remove,
     L"d", L"<TABLE><p><SELECT id=d><R>\n<INPUT>", L"html(head body(p(input) table))"},
    {"removed option, whose text stood last in a select moved behind a row of template content", Edit::Remove, L"d",
     L"<template><tr><select><option id=d>o<td>t", L"html(head(template(tr(td(\"t\")) select)) body)"},
    {"removed row of template content, before a paragraph a stray </p> made there", Edit::Remove, L"d",
     L"<table><tr><template><tr id=d></p>", L"html(head body(table(tbody(tr(template(p))))))"},
    {"removed row of template content, a text moved behind it and a paragraph a stray </p> made", Edit::Remove, L"d",
     L"<template><tr id=d>B</p>", L"html(head(template(\"B\" p)) body)"},
    {"removed row of template content had its table's end tag end a paragraph the parser moved behind it", Edit::Remove,
     L"d", L"e<template><TR id=d></p>\n<p>></table>\r\n", L"html(head body(\"e\" template(p p(\">\"))))"},
    {"removed first row of template content, before a row the parser implied for a cell", Edit::Remove, L"d",
     L"<template><tr id=d></table><TD>", L"html(head(template(tr(td))) body)"},
    {"removed element was all the page held", Edit::Remove, L"d", L"<i id=d>x</i>", L"html(head body)"},
    {"removed link's text ran over an ignored end tag with a quote in its name", Edit::Remove, L"d",
     L"<p>x</p><a id=d>\n</i=\".>y", L"html(head body(p(\"x\")))"},
    {"removed copy of a link that the parser made in a paragraph it moved out of the link", Edit::RemoveFirstChild,
     L"p", L"<a>x<p id=p><a>y", L"html(head body(a(\"x\") p[id=\"p\"](a(\"y\"))))"},
    {"removed element held the text after an early html end tag: white space follows it", Edit::Remove, L"d",
     L"<i id=d>x</html>y</i>\n", L"html(head body)"},
    {"removed element stood between a '<' and a text that would make it a tag", Edit::Remove, L"d",
     L"<p>x<<b id=d>b</b>p>", L"html(head body(p(\"x<p>\")))"},
    {"removed element stood between a reference cut short and a text that would end it", Edit::Remove, L"d",
     L"<p>x&am<b id=d>b</b>p;</p>", L"html(head body(p(\"x&amp;\")))"},
    {"removed element stood between a carriage return and a line feed", Edit::Remove, L"d",
     L"<p>x\r<b id=d>b</b>\ny</p>", L"html(head body(p(\"x\n\ny\")))"},
    {"removed element ended in a comment cut short after two carriage returns, whose data the parser lost to a NUL",
     Edit::Remove, L"d",
     std::wstring_view(L"x<i id=d></\0"
                       L"1\r\r",
                       15),
     L"html(head body(\"x\"))"},
    {"removed element held the body's end tag that put a comment behind the body", Edit::Remove, L"d",
     L"x<i id=d>\n</body><!--c--></body>\n", L"html(head body(\"x\") <!--c-->)"},
    {"removed block had ended an svg element, with an ignored tag in front of it", Edit::Remove, L"d",
     L"<svg>\n</x><div id=d>d</div>t", L"html(head body(svg \"t\"))"},
    {"removed element stood between text moved out of a table and white space kept in it", Edit::Remove, L"d",
     L"<table>x<p id=d>p</p>\n</table>", L"html(head body(\"x\" table))"},
    {"removed paragraph that a stray </p> after a dropped \"</>\" had made", Edit::RemoveFirstChild, L"d",
     L"<div id=d></></p></div>", L"html(head body(div[id=\"d\"]))"},
    {"removed copy of an italic that the parser made after a misnested bold end tag held the italic's end tag",
     Edit::RemoveFirstChild, L"d", L"<b>y<i>z</b><p id=d>w</i>v</p>",
     L"html(head body(b(\"y\" i(\"z\")) p[id=\"d\"](\"v\")))"},
    {"removed copy of a link held its end tag, a paragraph and a text after it", Edit::RemoveLast, L"a",
     L"<p><a id=a><p>\n</a><p>\n", L"html(head body(p(a[id=\"a\"]) p p))"},
    {"removed copy of a link held its end tag, before an empty paragraph and a text", Edit::RemoveLast, L"a",
     L"<p><a id=a></p>\n</a></p>\n", L"html(head body(p(a[id=\"a\"]) p))"},
    {"removed copy of a font in a copy of a link held all the copy's content, a link before that link",
     Edit::RemoveLast, L"f", L"<p><a><A><FONT id=f><p>\n", L"html(head body(p(a a(font[id=\"f\"])) p(a)))"},
    {"removed row had ended the row before it, in which a text moved out of the table stands", Edit::Remove, L"r",
     L"<TABLE><TR>><TR id=r></TR><TD>", L"html(head body(\">\" table(tbody(tr tr(td)))))"},
    {"removed table had a link moved out in front of it, which the next table's start tag ended", Edit::Remove, L"t",
     L"<TABLE id=t><a><TABLE>", L"html(head body(a table))"},
    {"removed table had the parser ignore a cell's end tag inside an element moved out of it", Edit::Remove, L"t",
     L"<table><td><table id=t><l>l</td>\n", L"html(head body(table(tbody(tr(td(l(\"l\n\")))))))"},
    {"removed table had the parser ignore a row's end tag in front of its own row, after an element moved out",
     Edit::Remove, L"t", L"<table><td><table id=t><l>></tr>\n<tr>",
     L"html(head body(table(tbody(tr(td(l(\">\n\")))))))"},
    {"removed table had the parser ignore another heading's end tag in front of a text moved out of it", Edit::Remove,
     L"t", L"<h1><table><table id=t></h2>x", L"html(head body(h1(table \"x\")))"},
    {"removed element moved out in front of a table, whose text stood between a row and white space", Edit::Remove,
     L"d", L"<TABLE><TR><math id=d><tr></tr\n> <TR>", L"html(head body(table(tbody(tr _ tr))))"},
    {"removed row had its end tag stand in a math element moved out of it, whose tr the parser also closed",
     Edit::Remove, L"r", L"<TABLE><TR id=r><math><tr></tr\n><", L"html(head body(math(tr) \"<\" table(tbody)))"},
    {"removed element of an unknown name held the end tag, its name holding a NUL, that ended it", Edit::Remove, L"d",
     std::wstring_view(L"<t><t id=d></head\0>x", 20), L"html(head body(t(\"x\")))"},
    {"removed select left open at the page end, a table's tag ignored after its content", Edit::Remove, L"d",
     L"<select id=d><option>a<f><g><table>", L"html(head body)"},
    {"removed select held a table's tag ignored after its content, before the tag that ended it", Edit::Remove, L"d",
     L"<select id=d><option>a<f><table><input>x", L"html(head body(input \"x\"))"},
    {"removed paragraph after the body's end tag had ended the paragraph left open before it", Edit::Remove, L"d",
     L"t<p ci><p></body><p id=d></p>x", L"html(head body(\"t\" p[ci=\"\"] p) \"x\")"},
    {"removed select moved out in front of a table, a tag it ignored before its text", Edit::Remove, L"d",
     L"<TABLE><select id=d><p> <TD>", L"html(head body(table(tbody(tr(td)))))"},
    {"removed select moved out in front of a table, a tag it ignored before its text, an ignored end tag before it",
     Edit::Remove, L"d", L"<TABLE></x><select id=d><p> <TD>", L"html(head body(table(tbody(tr(td)))))"},
    {"removed form had set the form pointer under which the parser ignored a later form in the table", Edit::Remove,
     L"d", L"<TABLE><FORM id=d>\n<FORM>", L"html(head body(table))"},
    {"removed cell held the form whose form pointer had the parser ignore a form in the next row", Edit::Remove, L"d",
     L"<TABLE><TD id=d><FORM><TR><FORM>", L"html(head body(table(tbody(tr tr))))"},
    {"removed element moved out of a table after a form the parser closed at once, whose pointer ignored a form",
     Edit::Remove, L"d", L"<TABLE><FORM><D id=d><TR><FORM>", L"html(head body(table(form tbody(tr))))"},
    {"removed table had closed at once a form in an element moved out of it, whose pointer ignored a form",
     Edit::Remove, L"t", L"<TABLE id=t><D><FORM><FORM>\r", L"html(head body(d(form)))"},
    {"removed select left open at the page end, an end tag it ignored after its content", Edit::Remove, L"d",
     L"x<select id=d></p>", L"html(head body(\"x\"))"},
    {"removed element moved out in front of a table held a template left open, an end tag it ignored after it",
     Edit::Remove, L"d", L"<table><pre id=d></h1><template></p>", L"html(head body(table))"},
    {"removed table had ended the table before it, whose moved-out content an early html end tag followed",
     Edit::Remove, L"d", L"<table><i><applet><table id=d></table></html><pre>",
     L"html(head body(i(applet) table pre))"},
    {"removed table had a tag ignored in front of it, and an element moved out in front of it after that", Edit::Remove,
     L"d", L"<template></br><table id=d><button></table>", L"html(head(template(button)) body)"},
    {"removed element had ended a math element before the tags its parent ignored after it", Edit::Remove, L"d",
     L"<dt>y<math><form><hr id=d><td></template>", L"html(head body(dt(\"y\" math(form))))"},
    {"removed element had ended a math element before the tags its parent ignored up to its end tag", Edit::Remove,
     L"d", L"<div>y<math><form><hr id=d><td></div>", L"html(head body(div(\"y\" math(form))))"},
    {"removed table had an element moved out of it before the misnested end tag of a formatting element", Edit::Remove,
     L"d", L"<nobr><table id=d><h2></nobr><r", L"html(head body(nobr(h2)))"},
    {"removed select moved out in front of a table, a tag it ignored before its text, the table's end tag after it",
     Edit::Remove, L"d", L"<TABLE><SELECT id=d><P> </TABLE>", L"html(head body(table))"},
    {"removed select in an element moved out in front of a table, a tag it ignored before its text", Edit::Remove, L"d",
     L"<TABLE><L><SELECT id=d><R>\n</TABLE>", L"html(head body(l table))"},
    {"removed link whose end tag the select left open in it ignored", Edit::Remove, L"d", L"x<a id=d><select></a><s>",
     L"html(head body(\"x\"))"},
    {"removed table had the parser ignore an end tag of an unknown name in front of a text moved out of it",
     Edit::Remove, L"t", L"<F><TABLE id=t></l>x", L"html(head body(f(\"x\")))"},
    {"removed select had been ended by the start tag of another select", Edit::Remove, L"d",
     L"<select id=d><option>a<select>x", L"html(head body(\"x\"))"},
    {"removed table had the parser close at once a form in an element moved out in front of it", Edit::Remove, L"t",
     L"<TABLE id=t><h><FORM><", L"html(head body(h(form \"<\")))"},
    {"removed cell implied the row, in front of which the parser moved a paragraph it left open", Edit::Remove, L"c",
     L"<TABLE><p><TD id=c><TR>", L"html(head body(p table(tbody(tr tr))))"},
    {"removed copy of a link was the one the parser rebuilt for the next link, leaving an empty copy",
     Edit::RemoveFirstChild, L"d", L"<p><a><div id=d>\n<p><a>", L"html(head body(p(a) div[id=\"d\"](p(a a))))"},
    {"removed table had white space read in it, in a paragraph moved out of it, with a bold listed", Edit::Remove, L"t",
     L"<table id=t><P><t><b></p\xFF>\n", L"html(head body(p(t(b))))"},
    {"removed element had ended a math element, before a tag the parser ignored at the page end", Edit::Remove, L"d",
     L"<math><meta id=d><html>", L"html(head body(math))"},
    {"removed select moved out in front of a table had its gap hold an end tag of the body the table ignored",
     Edit::Remove, L"d", L"<table></body><select id=d>", L"html(head body(table))"},
    {"removed template had ignored text after its column at the page end", Edit::Remove, L"d",
     L"<template id=d><col>&amp;x", L"html(head body)"},
    {"removed table had a text ending the page in \"</\" moved out in front of it", Edit::Remove, L"t",
     L"<TABLE id=t></", L"html(head body(\"</\"))"},
    {"removed paragraph held a repeated html tag that gave the implied html its attribute", Edit::Remove, L"d",
     L"<p>x</p><p id=d>y<html lang=ja>z</p>", L"html[lang=\"ja\"](head body(p(\"x\")))"},
    {"removed element after the html end tag held a repeated body tag, the body and html otherwise untouched",
     Edit::Remove, L"d", L"</body></html><D id=d><BODY L>", L"html(head body[l=\"\"])"},
    {"removed block held repeated html and body tags that gave their elements attributes", Edit::Remove, L"d",
     L"<html dir=ltr><body><div id=d><html lang=ja><body class=c></div>",
     L"html[dir=\"ltr\" lang=\"ja\"](head body[class=\"c\"])"},
    {"removed element moved out in front of a table, then a cell left open with a link listed before the next row",
     Edit::Remove, L"d", L"<table><tr><r id=d><td><a><p><tr>\r", L"html(head body(table(tbody(tr(td(a(p))) tr))))"},
    {"removed input moved out in front of a table followed a form read last in the table, whose pointer ignored a form",
     Edit::Remove, L"d", L"<TABLE><FORM><INPUT id=d><FORM T>", L"html(head body(table(form)))"},
    {"removed table body had ended an element moved out in front of the table, a tag ignored before the next text",
     Edit::Remove, L"r", L"<TABLE><D><TBODY id=r><TR></>H", L"html(head body(d \"H\" table))"},
    {"removed element in a form left open in a cell, which the row's end tag ended, the form pointer ignoring a form",
     Edit::Remove, L"d", L"<TABLE><TD>~<FORM><I id=d></TR><FORM>",
     L"html(head body(table(tbody(tr(td(\"~\" form))))))"},
    {"removed input in a form left open in a cell, which the cell's end tag ended, the form pointer ignoring a form",
     Edit::Remove, L"d", L"<TABLE><TD>~<FORM><INPUT id=d></TD></TR><FORM>",
     L"html(head body(table(tbody(tr(td(\"~\" form))))))"},
    {"removed cell's gap spanned a select moved out in front of the table, with a tag the select ignored", Edit::Remove,
     L"d", L"<TABLE><TD></TD><select><p>\n<TD id=d>x</TD>\n", L"html(head body(select table(tbody(tr(td)))))"},
    {"removed input in a form left open in a link in a cell, which the row's end tag ended, keeping the form pointer",
     Edit::Remove, L"d", L"<TABLE><TD><A><FORM><INPUT id=d></TR><FORM>",
     L"html(head body(table(tbody(tr(td(a(form)))))))"},
    {"removed input in a form left open in a bold in a block, which the block's end tag ended, keeping the pointer",
     Edit::Remove, L"d", L"<div><b><FORM><INPUT id=d></div>x<FORM>y", L"html(head body(div(b(form)) b(\"xy\")))"},
    {"removed table had ignored the body's end tag that ended its column group, a block moved out after it",
     Edit::Remove, L"t", L"<table id=t>&amp<col></body><div><col>", L"html(head body(\"&\" div))"},
    {"removed table had ignored the form's end tag that ended its column group, a block moved out after it",
     Edit::Remove, L"t", L"<form><table id=t><col></form><div>", L"html(head body(form(div)))"},
    {"removed table after the html end tag had ignored a second html end tag after a text moved out of it",
     Edit::Remove, L"t", L"</body></html><TABLE id=t>></htMl>", L"html(head body) \">\""},
    {"removed table after the html end tag had ignored a second html end tag between texts moved out of it",
     Edit::Remove, L"t", L"x</body></html><TABLE id=t>></htMl>y", L"html(head body(\"x\")) \">y\""},
    {"removed column of a template left open, text it ignored after the column", Edit::Remove, L"d",
     L"</h2><template><col id=d>&amp&amp", L"html(head(template) body)"},
    {"removed column of a template, text it ignored before the template's end tag", Edit::Remove, L"d",
     L"<template><col id=d>x</template>", L"html(head(template) body)"},
    {"removed column of a template in the body, a table's tag it ignored after the column", Edit::Remove, L"d",
     L"<td><body c><template><col id=d><caption>", L"html(head body[c=\"\"](template))"},
    {"removed noscript in the head had ignored end tags after its content, before the tag that ended it", Edit::Remove,
     L"d", L"<html><noscript id=d></body></p><p>", L"html(head body(p))"},
    {"removed noscript in the head had ignored end tags after its white space, before a script", Edit::Remove, L"d",
     L"<noscript id=d>\n</body></svg><script>s</script>", L"html(head(script(\"s\")) body)"},
    {"removed column of a template, white space after it whose text ran over characters it ignored", Edit::Remove, L"d",
     L"<template><col id=d> x</template>y", L"html(head(template) body(\"y\"))"},
    {"removed column of a template left open, white space after it with ignored characters between", Edit::Remove, L"d",
     L"<template><col id=d>  x  y", L"html(head(template) body)"},
    {"removed row of a table left open at the page end, an html end tag it ignored after a text moved out",
     Edit::Remove, L"r", L"</body></html><TABLE>><tr id=r></htMl>", L"html(head body) \">\" table(tbody)"},
    {"removed table after the body's end tag had ignored a second body end tag after a text moved out of it",
     Edit::Remove, L"t", L"</body><TABLE id=t>></body>", L"html(head body \">\")"},
    {"removed inner link had ended by its start tag the outer link, moved out in front of a table in it", Edit::Remove,
     L"d", L"<a><TABLE><A id=d>x</A>\n<TABLE>", L"html(head body(a(table) table))"},
    {"br made by an end tag, tried as a place, after a removed table that had ended a math element",
     Edit::InsertAtStartOfNamed, L"br", L"y<math><template><table id=d></s></br><font></template><font>",
     L"html(head body(\"y\" math(template) br font(font)) div[id=\"lp\"](\"P\"))", L"<div id=lp>P</div>", L"d"},
    {"removed empty copy of a link, which the parser made rebuilding misnested formatting around the next sibling",
     Edit::RemoveNextSibling, L"n", L"<nobr id=n><a><div><nobr><a>",
     L"html(head body(nobr[id=\"n\"](a) div(a(nobr[id=\"n\"] nobr) nobr(a))))"},
    {"removed select had content made a copy of a nobr, which the start tag of a later nobr had unlisted", Edit::Remove,
     L"d", L"<dd><nobr><nobr><dt><select id=d>", L"html(head body(dd(nobr nobr) dt(nobr)))"},
    {"removed noscript in the head had ignored a second noscript's start tag after its content", Edit::Remove, L"d",
     L"<noscript id=d><noscript><p><math>", L"html(head body(p(math)))"},
    {"removed element moved out of a table had an end tag the table ignored in front of it, before a text area",
     Edit::RemoveFirstChild, L"b", L"<body id=b><table></form></br><textarea><li>",
     L"html(head body[id=\"b\"](textarea(\"<li>\") table))"},
    {"removed element moved out of a table had a repeated html tag in front of it, before an svg in a math element",
     Edit::RemoveFirstChild, L"b", L"<body id=b><table><html></br><math><svg>",
     L"html(head body[id=\"b\"](math(svg) table))"},
    {"removed column of a template, tags it ignored in front of a comment after it", Edit::RemoveFirstChild, L"d",
     L"<template id=d><col><pre><a><math><!--c-->", L"html(head(template[id=\"d\"](<!--c-->)) body)"},
    {"removed column of a template, a tag it ignored between white space and a comment", Edit::RemoveFirstChild, L"d",
     L"</form> <template id=d><col> <hr><!--c-->", L"html(head(template[id=\"d\"](<!--c-->)) body)"},
    {"empty copy of a link made rebuilding misnested formatting around the next sibling, a part put between them",
     Edit::InsertBefore, L"d", L"<nobr><a>x<dd id=d><nobr><a>",
     L"html(head body(nobr(a(\"x\")) a div[id=\"lp\"](\"P\") dd[id=\"d\"](a(nobr nobr) nobr(a))))"},
    {"removed block had the parser make an empty copy of a link in front of it, rebuilding misnested formatting",
     Edit::Remove, L"d", L"<nobr><a>x<dd id=d><nobr><a>", L"html(head body(nobr(a(\"x\")) a))"},
    {"noscript in the head, an end tag it ignored after its white space, then a tag read after it at the page end",
     Edit::InsertAtStartOf, L"d", L"<noscript id=d></html> </template><tr>",
     L"html(head(noscript[id=\"d\"]) body(div[id=\"lp\"](\"P\")))"},
    {"removed element had ended an svg element inside another, both left open", Edit::Remove, L"d",
     L"<html></br><svg><svg><textarea><meta id=d><script>s</script>",
     L"html(head body(br svg(svg(textarea)) script(\"s\")))"},
    {"removed table had ignored an end tag whose name runs over a '<' and what looks like a paragraph's end tag",
     Edit::Remove, L"t", L"<P><TABLE id=t><a>e</a</p>\n", L"html(head body(p(a(\"e\n\"))))"},
    {"table left open before a table whose gap holds the body's end tag the first one ignored", Edit::InsertAtEnd,
     nullptr, L"<noscript><head><meta><table></body><table>",
     L"html(head(noscript(meta)) body(table table div[id=\"lp\"](\"P\")))"},
    {"removed table left open had ignored the body's end tag in front of the table whose start tag ended it",
     Edit::Remove, L"t", L"<table id=t></body><table>", L"html(head body(table))"},
    {"body end tag after a cell left open, the part put in the cell, nothing after the body", Edit::InsertAtStartOf,
     L"d", L"<TABLE><TD id=d></BODY>", L"html(head body(table(tbody(tr(td[id=\"d\"](div[id=\"lp\"](\"P\")))))))"},
    {"end tag of an unknown element ignored over a heading left open in it", Edit::InsertAfter, L"x",
     L"<x id=x><h2></x>", L"html(head body(x[id=\"x\"](h2) div[id=\"lp\"](\"P\")))"},
    {"end tag of an unknown element ignored over a paragraph left open in it, a bold in the paragraph",
     Edit::InsertAfter, L"x", L"</li><x id=x><h2><dt><p><b></x>",
     L"html(head body(x[id=\"x\"](h2(dt(p(b)))) div[id=\"lp\"](\"P\")))"},
    {"cursor in a copy of a bold that a copy of another bold holds, the part starting with a table",
     Edit::InsertAtStartOf, L"c", L"<a><div><b id=b></i><b id=c></a><i><p>",
     L"html(head body(a div(a(b[id=\"b\"](b[id=\"c\"])) b[id=\"b\"](b[id=\"c\"](table[id=\"lp\"](tbody(tr(td(\"P\"))))"
     L" i(p))))))",
     L"<table id=lp><tr><td>P</td></tr></table>"},
    {"removed element was the content of a copy of a bold that a copy of another bold holds, both empty now",
     Edit::Remove, L"d", L"<a><div><b></i><b></a><i id=d><p>", L"html(head body(a div(a(b(b)) b(b))))"},
    {"end tag of an unknown element ignored over a paragraph left open, in the gap of the heading after it",
     Edit::InsertAtStartOf, L"x", L"<x id=x><p></x><h1>", L"html(head body(x[id=\"x\"](div[id=\"lp\"](\"P\") p h1)))"},
    {"head end tag ignored by a template left open in the head, a part after it at the end", Edit::InsertAtEnd, nullptr,
     L"<template><colgroup></head>", L"html(head(template(colgroup)) body(div[id=\"lp\"](\"P\")))"},
    {"places tried and given up left the page marked changed: a heading in a heading, the cursor in a link",
     Edit::InsertIn, L"c", L"<h2><a id=c><h2><a>",
     L"html(head body(h2(a[id=\"c\"] h2(a[id=\"c\"] a)) div[id=\"lp\"](\"P\")))"},
    {"removed copy of a fourth formatting element alike, of which the parser had listed only the last three",
     Edit::RemoveLast, L"c", L"<div><code id=c><code id=c><code id=c><code id=c></div>\n",
     L"html(head body(div(code[id=\"c\"](code[id=\"c\"](code[id=\"c\"](code[id=\"c\"])))) "
     L"code[id=\"c\"](code[id=\"c\"])))"},
    {"removed button had ended the button before it, and was all a copy of an underline held", Edit::Remove, L"d",
     L"<a><button><u><button id=d></caption> <p><center>", L"html(head body(a(button(u) u)))"},
};

INSTANTIATE_TEST_SUITE_P(PageEditReadBackTest, PageEditReadBack, ::testing::ValuesIn(kCases));

} // namespace
