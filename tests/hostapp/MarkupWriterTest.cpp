#include <gtest/gtest.h>

#include <string>

#include "DomTestDocs.h"

using namespace domtest;

// Edits on a parsed page: only what changed is written afresh, everything else (the ancestors'
// tags included) stays as it was in the source.
struct EditCase {
    const char* description;
    const char* page;
    void (*edit)(Document&);
    const wchar_t* from; // the only occurrence in the page...
    const wchar_t* to;   // ...becomes this
};

void PrintTo(const EditCase& c, std::ostream* os)
{
    *os << c.description;
}

class EditThenWrite : public ::testing::TestWithParam<EditCase> {};

TEST_P(EditThenWrite, WritesOnlyTheChange)
{
    const EditCase& c = GetParam();
    std::wstring source = page(c.page);
    DocPtr doc = load(source);
    c.edit(*doc);
    std::wstring expected = replaced(source, c.from, c.to);
    EXPECT_EQ(doc->getMarkup(), expected) << c.description;
    EXPECT_EQ(structural(*doc), expected) << c.description;
}

const EditCase kEdits[] = {
    {"changed attribute keeps its spelling, is quoted afresh", "authoring.html",
     [](Document& d) { d.getBody()->setAttribute(L"bgcolor", L"#000000"); }, L"<BODY BGCOLOR=\"#FFFFFF\" TEXT=#000000",
     L"<BODY BGCOLOR=\"#000000\" TEXT=#000000"},
    {"unquoted attribute changed", "authoring.html",
     [](Document& d) { d.getBody()->setAttribute(L"TEXT", L"#111111"); }, L"TEXT=#000000 LINK",
     L"TEXT=\"#111111\" LINK"},
    {"added attribute goes after the last one", "authoring.html",
     [](Document& d) { tag(d, L"table")->setAttribute(L"id", L"t1"); }, L"CELLSPACING='0'>",
     L"CELLSPACING='0' id=\"t1\">"},
    {"removed attribute leaves with its white space", "authoring.html",
     [](Document& d) { tag(d, L"td")->removeAttribute(L"valign"); }, L"<TD ALIGN=center VALIGN=\"top\" NOWRAP>",
     L"<TD ALIGN=center NOWRAP>"},
    {"attribute value escaped in double quotes", "authoring.html",
     [](Document& d) { tag(d, L"a", 1)->setAttribute(L"HREF", L"a.cgi?x=1&y=\"2\""); }, L"<A HREF=\"news.html\" TARGET",
     L"<A HREF=\"a.cgi?x=1&amp;y=&quot;2&quot;\" TARGET"},
    {"text set afresh is escaped", "authoring.html",
     [](Document& d) { text(d, L"項目一")->setData(L"a < b & c > d\u00A0e"); }, L"<LI>項目一\n",
     L"<LI>a &lt; b &amp; c &gt; d&nbsp;e"},
    {"references next to each other and at the ends of a text", "authoring.html",
     [](Document& d) { text(d, L"項目一")->setData(L"&&日本<"); }, L"<LI>項目一\n", L"<LI>&amp;&amp;日本&lt;"},
    {"script text is written raw", "authoring.html",
     [](Document& d) {
         auto* t = static_cast<CharacterData*>(tag(d, L"script")->getFirstChild());
         t->setData(L"var a = \"<b>\" && 1;");
     },
     L"<SCRIPT language=\"JavaScript\">\n<!--\nfunction openWin(url) {\n  var s = \"<a href='\" + url + "
     L"\"'>open</a>\";\n"
     L"  if (url.length < 3 && url != \"\") { document.write(s); }\n}\n//-->\n</SCRIPT>",
     L"<SCRIPT language=\"JavaScript\">var a = \"<b>\" && 1;</SCRIPT>"},
    {"title text is escaped", "authoring.html",
     [](Document& d) { static_cast<CharacterData*>(tag(d, L"title")->getFirstChild())->setData(L"A & B"); },
     L"<TITLE>会社案内 &amp; News</TITLE>", L"<TITLE>A &amp; B</TITLE>"},
    {"removed comment leaves the text around it", "authoring.html",
     [](Document& d) {
         for (Node* n = d.getBody()->getFirstChild(); n; n = n->getNextSibling())
             if (n->getNodeType() == Node::Type::Comment &&
                 static_cast<CharacterData*>(n)->getData() == L" header end ") {
                 d.getBody()->removeChild(n);
                 break;
             }
     },
     L"<!-- header end -->", L""},
    {"form without a recorded end tag goes with its end tag", "authoring.html",
     [](Document& d) {
         Element* form = tag(d, L"form");
         form->parentNode()->removeChild(form);
     },
     L"<FORM ACTION=\"/cgi-bin/mail.cgi\" METHOD=POST>\n<INPUT TYPE=text NAME=name SIZE=20 VALUE=\"お名前\">\n"
     L"<SELECT NAME=\"kind\"><OPTION VALUE=1 SELECTED>質問<OPTION VALUE=2>要望</SELECT>\n"
     L"<TEXTAREA NAME=body ROWS=4 COLS=40>ここに &lt;本文&gt; を</TEXTAREA>\n<INPUT TYPE=submit "
     L"VALUE=\"送信\">\n</FORM>",
     L""},
    {"edit inside a table whose end tag the parser gave to its tbody", "authoring.html",
     [](Document& d) { tag(d, L"font")->setAttribute(L"size", L"3"); }, L"<FONT SIZE=\"2\" COLOR=#333333>",
     L"<FONT SIZE=\"3\" COLOR=#333333>"},
    {"attribute on an implied tbody writes its start tag only", "authoring.html",
     [](Document& d) { tag(d, L"tbody", 2)->setAttribute(L"class", L"b"); }, L"<TABLE BORDER=0 WIDTH=100%><TR>",
     L"<TABLE BORDER=0 WIDTH=100%><tbody class=\"b\"><TR>"},
    {"element appended at the end of the body, before the end tags in the trailing text", "authoring.html",
     [](Document& d) { d.getBody()->appendChild(d.createElement(L"HR")); }, L"</TABLE>\n</BODY>",
     L"</TABLE>\n<hr></BODY>"},
    {"created element with attribute and text", "authoring.html",
     [](Document& d) {
         Element* p = d.createElement(L"p");
         p->setAttribute(L"class", L"x");
         p->appendChild(d.createTextNode(L"new & text"));
         d.getElementByID(L"_ZEB_LAYOUT_CONTENTS")->appendChild(p);
     },
     L"</FORM>\n</DIV>", L"</FORM>\n<p class=\"x\">new &amp; text</p></DIV>"},
    {"created table of cells and links, as a calendar's", "authoring.html",
     [](Document& d) {
         Element* table = d.createElement(L"table");
         table->setAttribute(L"class", L"zeb-calendar");
         Element* tbody = d.createElement(L"tbody");
         Element* tr = d.createElement(L"tr");
         Element* sat = d.createElement(L"td");
         sat->setAttribute(L"class", L"sat");
         Element* a = d.createElement(L"a");
         a->setAttribute(L"href", L"d/1.html");
         a->appendChild(d.createTextNode(L"1"));
         sat->appendChild(a);
         Element* plain = d.createElement(L"td");
         plain->appendChild(d.createTextNode(L"2"));
         tr->appendChild(sat);
         tr->appendChild(plain);
         tbody->appendChild(tr);
         table->appendChild(tbody);
         d.getElementByID(L"_ZEB_LAYOUT_CONTENTS")->appendChild(table);
     },
     L"</FORM>\n</DIV>",
     L"</FORM>\n<table class=\"zeb-calendar\"><tbody><tr><td class=\"sat\"><a href=\"d/1.html\">1</a></td><td>2</td>"
     L"</tr></tbody></table></DIV>"},
    {"created links side by side in a created paragraph end once each", "authoring.html",
     [](Document& d) {
         Element* p = d.createElement(L"p");
         for (const wchar_t* name : {L"x", L"y"}) {
             Element* a = d.createElement(L"a");
             a->setAttribute(L"href", name);
             a->appendChild(d.createTextNode(name));
             p->appendChild(a);
         }
         p->appendChild(d.createTextNode(L"&"));
         d.getElementByID(L"_ZEB_LAYOUT_CONTENTS")->appendChild(p);
     },
     L"</FORM>\n</DIV>", L"</FORM>\n<p><a href=\"x\">x</a><a href=\"y\">y</a>&amp;</p></DIV>"},
    {"created void element holding a text writes no end tag", "authoring.html",
     [](Document& d) {
         Element* br = d.createElement(L"br");
         br->appendChild(d.createTextNode(L"t"));
         d.getElementByID(L"_ZEB_LAYOUT_CONTENTS")->appendChild(br);
     },
     L"</FORM>\n</DIV>", L"</FORM>\n<br>t</DIV>"},
    {"created link after misnested formatting in a paragraph", "authoring.html",
     [](Document& d) {
         Element* a = d.createElement(L"a");
         a->setAttribute(L"href", L"n.html");
         a->appendChild(d.createTextNode(L"n"));
         tag(d, L"p")->appendChild(a);
     },
     L"の行。\n<P>二つ目", L"の行。\n<a href=\"n.html\">n</a></P><P>二つ目"},
    {"created link around a parsed text keeps the text as it stood", "authoring.html",
     [](Document& d) {
         CharacterData* item = text(d, L"項目一");
         Element* a = d.createElement(L"a");
         a->setAttribute(L"href", L"i.html");
         item->parentNode()->insertBefore(a, item);
         a->appendChild(item);
     },
     L"<LI>項目一\n<LI>", L"<LI><a href=\"i.html\">項目一\n</a></LI><LI>"},
    {"head edited: the white space the parser dropped before it stays", "authoring.html",
     [](Document& d) { d.getHead()->appendChild(d.createElement(L"base")); }, L"</STYLE>\n</HEAD>",
     L"</STYLE>\n<base></HEAD>"},
    {"bare attribute removed, other bare one kept", "modern.html",
     [](Document& d) { tag(d, L"input")->removeAttribute(L"disabled"); }, L"<input type=\"checkbox\" checked disabled>",
     L"<input type=\"checkbox\" checked>"},
    {"empty attribute value changed", "modern.html", [](Document& d) { tag(d, L"img")->setAttribute(L"alt", L"x"); },
     L"alt=\"\" loading", L"alt=\"x\" loading"},
    {"deep edit in the large page", "large.html",
     [](Document& d) { tag(d, L"form", 3)->setAttribute(L"method", L"GET"); }, L"<FORM ACTION=\"/cgi/30\" METHOD=POST>",
     L"<FORM ACTION=\"/cgi/30\" METHOD=\"GET\">"},
};

INSTANTIATE_TEST_SUITE_P(MarkupWriterTest, EditThenWrite, ::testing::ValuesIn(kEdits));

TEST(MarkupWriterTest, MovedNodeIsWrittenAtItsNewPlace)
{
    std::wstring source = page("japanese.html");
    DocPtr doc = load(source);

    Element* caption = tag(*doc, L"caption");
    doc->getBody()->appendChild(caption);
    std::wstring expected =
        replaced(replaced(source, L"<caption>2008年11月</caption>\n<tr>", L"\n<tr>"), L"を開きます。</p>\n</body>",
                 L"を開きます。</p>\n<caption>2008年11月</caption></body>");
    EXPECT_EQ(doc->getMarkup(), expected);
}

TEST(MarkupWriterTest, CreatedDocumentIsWrittenAfresh)
{
    DocPtr doc(DOMImpl::createDocument(L"html"));
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(doc->getMarkup(), L"");
    EXPECT_EQ(doc->getDocumentElement(), nullptr);
    Element* html = doc->createElement(L"HTML");
    doc->appendChild(html);
    Element* body = doc->createElement(L"body");
    html->appendChild(body);
    Element* img = doc->createElement(L"img");
    img->setAttribute(L"alt", L"\"x\" & y");
    body->appendChild(img);
    body->appendChild(doc->createTextNode(L"1 < 2"));
    EXPECT_EQ(doc->getMarkup(), L"<html><body><img alt=\"&quot;x&quot; &amp; y\">1 &lt; 2</body></html>");
    EXPECT_EQ(doc->getBody(), body);
}

TEST(MarkupWriterTest, ParsedNodeMovedIntoACreatedElementKeepsTheTagIgnoredBeforeIt)
{
    DocPtr doc = load(L"<p>a</i><b>x</b></p>");
    Element* b = tag(*doc, L"b");
    Element* span = doc->createElement(L"span");
    b->parentNode()->insertBefore(span, b);
    span->appendChild(b);
    EXPECT_EQ(doc->getMarkup(), L"<p>a<span></i><b>x</b></span></p>");
}
