#include <gtest/gtest.h>

#include <string>

#include "DomTestDocs.h"
#include "FragmentParser.h"
#include "host/CharacterData.h"
#include "host/DomUtil.h"
#include "host/Element.h"

using domtest::DocPtr;
using domtest::load;

namespace {

struct Inserted {
    std::wstring page;  // the whole page after the insertion
    std::wstring top;   // the markup of the returned node ("" when null)
    std::wstring after; // the markup of the node right after the cursor ("" at the end)
};

// Inserts markup at the cursor given by place and reports what came of it.
template <class Place>
Inserted insert(const std::wstring& page, const std::wstring& markup, Place place)
{
    DocPtr doc = load(page);
    DomUtil util(doc.get(), nullptr);
    place(*doc, util);
    Node* top = insertFragmentAtCursor(util, markup);
    int offset = 0;
    Node* cursor = util.getLayoutCursor(offset);
    Node* next = cursor ? cursor->childAt(offset) : nullptr;
    return {doc->getMarkup(), top ? top->getMarkup() : L"", next ? next->getMarkup() : L""};
}

TEST(FragmentParserTest, AtAnElementCursor)
{
    auto r = insert(L"<div id=d><p>1</p><p>2</p></div>", L"<B>x</B><i>y</i>",
                    [](Document& d, DomUtBase& u) { u.setLayoutCursor(d.getElementByID(L"d"), 1); });
    EXPECT_EQ(r.page, L"<div id=d><p>1</p><B>x</B><i>y</i><p>2</p></div>");
    EXPECT_EQ(r.top, L"<B>x</B>");
    EXPECT_EQ(r.after, L"<p>2</p>");
}

TEST(FragmentParserTest, AtATextCursorSplitsTheText)
{
    auto r = insert(L"<p id=p>abc&amp;def</p>", L"<a href=\"x\">L</a>",
                    [](Document& d, DomUtBase& u) { u.setLayoutCursor(d.getElementByID(L"p")->getFirstChild(), 4); });
    EXPECT_EQ(r.page, L"<p id=p>abc&amp;<a href=\"x\">L</a>def</p>");
    EXPECT_EQ(r.top, L"<a href=\"x\">L</a>");
    EXPECT_EQ(r.after, L"def");
}

TEST(FragmentParserTest, AtTheEdgesOfATextItStaysWhole)
{
    auto start = insert(L"<p id=p>a&amp;b</p>", L"<br>", [](Document& d, DomUtBase& u) {
        u.setLayoutCursor(d.getElementByID(L"p")->getFirstChild(), 0);
    });
    EXPECT_EQ(start.page, L"<p id=p><br>a&amp;b</p>");
    EXPECT_EQ(start.after, L"a&amp;b");
    auto end = insert(L"<p id=p>a&amp;b</p>", L"<br>",
                      [](Document& d, DomUtBase& u) { u.setLayoutCursor(d.getElementByID(L"p")->getFirstChild(), 3); });
    EXPECT_EQ(end.page, L"<p id=p>a&amp;b<br></p>");
    EXPECT_EQ(end.after, L"");
}

TEST(FragmentParserTest, WithoutACursorAtTheEndOfTheBody)
{
    auto r = insert(L"<html><body><p>1</p>\n</body></html>\n", L"<TABLE ID=t><TR><TD>c</TD></TR></TABLE>",
                    [](Document&, DomUtBase&) {});
    EXPECT_EQ(r.page, L"<html><body><p>1</p>\n<TABLE ID=t><TR><TD>c</TD></TR></TABLE></body></html>\n");
    EXPECT_EQ(r.top, L"<TABLE ID=t><TR><TD>c</TD></TR></TABLE>");
}

TEST(FragmentParserTest, CursorLeftInARemovedNodeFallsBackToTheBody)
{
    DocPtr doc = load(L"<div id=d><p id=p>x</p></div>");
    DomUtil util(doc.get(), nullptr);
    Element* p = doc->getElementByID(L"p");
    util.setLayoutCursor(p, 0);
    p->getParentNode()->removeChild(p); // not through util: the cursor is left behind
    ASSERT_NE(insertFragmentAtCursor(util, L"<hr>"), nullptr);
    EXPECT_EQ(doc->getMarkup(), L"<div id=d></div><hr>");
}

TEST(FragmentParserTest, ParsesInTheContextOfTheCursorElement)
{
    // Table rows survive only when parsed inside a table section.
    auto r = insert(L"<table><tbody id=b><tr><td>1</td></tr></tbody></table>", L"<tr><td>2</td></tr>",
                    [](Document& d, DomUtBase& u) { u.setLayoutCursor(d.getElementByID(L"b"), 1); });
    EXPECT_EQ(r.page, L"<table><tbody id=b><tr><td>1</td></tr><tr><td>2</td></tr></tbody></table>");
    EXPECT_EQ(r.top, L"<tr><td>2</td></tr>");
    // In a body the same markup loses its row tags.
    auto body = insert(L"<p>x</p>", L"<tr><td>2</td></tr>", [](Document&, DomUtBase&) {});
    EXPECT_EQ(body.page, L"<p>x</p>2");
}

TEST(FragmentParserTest, InsertedMarkupIsKeptAsWrittenAndCanBeEdited)
{
    DocPtr doc = load(L"<body></body>");
    DomUtil util(doc.get(), nullptr);
    std::wstring part =
        L"<TABLE ID=\"zebsitec002table000001\" summary=x>\n<TR><TD><A HREF='a.html'>A &amp; B</A></TD></TR>\n</TABLE>";
    Node* top = insertFragmentAtCursor(util, part);
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(doc->getMarkup(), L"<body>" + part + L"</body>");
    EXPECT_EQ(doc->getElementByID(L"zebsitec002table000001"), top);
    static_cast<Element*>(top)->setAttribute(L"summary", L"y");
    EXPECT_EQ(doc->getMarkup(), L"<body><TABLE ID=\"zebsitec002table000001\" summary=\"y\">\n<TR><TD><A "
                                L"HREF='a.html'>A &amp; B</A></TD></TR>\n</TABLE></body>");
}

TEST(FragmentParserTest, NothingToInsertLeavesEverythingAsItWas)
{
    DocPtr doc = load(L"<p id=p>abc</p>");
    DomUtil util(doc.get(), nullptr);
    Node* text = doc->getElementByID(L"p")->getFirstChild();
    util.setLayoutCursor(text, 1);
    EXPECT_EQ(insertFragmentAtCursor(util, L""), nullptr);
    int offset = 0;
    EXPECT_EQ(util.getLayoutCursor(offset), text);
    EXPECT_EQ(offset, 1);
    EXPECT_EQ(static_cast<CharacterData*>(text)->getData(), L"abc");
}

TEST(FragmentParserTest, ScriptInTheHeadThatNoEndTagEndsLeavesNoPlace)
{
    // After "<!--<script" a script's text takes "</script>" in as text.
    DocPtr doc = load(L"<script><!--<script\n");
    const std::wstring before = doc->getMarkup();
    DomUtil util(doc.get(), nullptr);
    EXPECT_EQ(insertFragmentAtCursor(util, L"<p>x</p>"), nullptr);
    EXPECT_EQ(doc->getMarkup(), before);
}

TEST(FragmentParserTest, EmptyDocumentTakesTheNodesAtTheTop)
{
    DocPtr doc(DOMImpl::createDocument(L"HTML"));
    DomUtil util(doc.get(), nullptr);
    ASSERT_NE(insertFragmentAtCursor(util, L"<p>x</p>"), nullptr);
    EXPECT_EQ(doc->getMarkup(), L"<p>x</p>");
}

TEST(FragmentParserTest, SuccessiveInsertionsFollowEachOther)
{
    DocPtr doc = load(L"<div id=d></div>");
    DomUtil util(doc.get(), nullptr);
    util.setLayoutCursor(doc->getElementByID(L"d"), 0);
    insertFragmentAtCursor(util, L"<p>1</p>");
    insertFragmentAtCursor(util, L"<p>2</p>");
    EXPECT_EQ(doc->getMarkup(), L"<div id=d><p>1</p><p>2</p></div>");
}

} // namespace

namespace {

// Splitting a parsed text for an insertion keeps both halves as they were written.
struct SplitCase {
    const char* description;
    const wchar_t* text; // the p element's source content
    int offset;          // the cursor's character offset in the text's data
    const wchar_t* expected;
};

void PrintTo(const SplitCase& c, std::ostream* os)
{
    *os << c.description;
}

class SplitText : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitText, KeepsTheSourceOfBothHalves)
{
    const SplitCase& c = GetParam();
    DocPtr doc = load(std::wstring(L"<p id=p>") + c.text + L"</p>");
    DomUtil util(doc.get(), nullptr);
    util.setLayoutCursor(doc->getElementByID(L"p")->getFirstChild(), c.offset);
    ASSERT_NE(insertFragmentAtCursor(util, L"<br>"), nullptr);
    EXPECT_EQ(doc->getMarkup(), std::wstring(L"<p id=p>") + c.expected + L"</p>");
}

const SplitCase kSplits[] = {
    {"plain Japanese text", L"日本語の文章", 2, L"日本<br>語の文章"},
    {"references on both sides", L"&copy;2008&nbsp;&#x41;&amp;B", 5, L"&copy;2008<br>&nbsp;&#x41;&amp;B"},
    {"right after a reference", L"a&lt;b", 2, L"a&lt;<br>b"},
    {"literal ampersand", L"AT & T", 4, L"AT &<br> T"},
    {"CR LF counts as one character", L"a\r\nb", 2, L"a\r\n<br>b"},
    {"reference without semicolon, followed by digits", L"&copy2008", 1, L"&copy<br>2008"},
    {"legacy reference without semicolon, followed by more of a name", L"&notit;x", 2, L"&noti<br>t;x"},
    {"reference whose name starts with a legacy one", L"&notin;x", 1, L"&notin;<br>x"},
    {"numeric reference without semicolon, followed by a letter", L"&#x41g", 1, L"&#x41<br>g"},
    {"a C1 control, which the parser gives as U+FFFD, kept", L"a\u0087b", 2, L"a\u0087<br>b"},
};

INSTANTIATE_TEST_SUITE_P(FragmentParserTest, SplitText, ::testing::ValuesIn(kSplits));

} // namespace
