#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "DomTestDocs.h"

using namespace domtest;

// Pages loaded and written back untouched, pages on which the parser records the source
// imperfectly, messy pages.

class RoundTrip : public ::testing::TestWithParam<std::string> {};

TEST_P(RoundTrip, UntouchedPageComesBackCharacterForCharacter)
{
    std::wstring text = page(GetParam());
    DocPtr doc = load(text);
    EXPECT_EQ(doc->getMarkup(), text);
    EXPECT_EQ(structural(*doc), text);
    ASSERT_NE(doc->getDocumentElement(), nullptr);
    // Every element on its own gives back its own stretch of the page.
    for (Node* n = doc->getFirstChild(); n != nullptr; n = n->nextInTree(doc.get())) {
        if (n->getNodeType() == Node::Type::Element) {
            EXPECT_EQ(MarkupWriter(false).write(*n), n->getMarkup())
                << testsupport::U(static_cast<Element*>(n)->getTagName());
        }
    }
}

INSTANTIATE_TEST_SUITE_P(GumboTreeBuilderTest, RoundTrip,
                         ::testing::Values("authoring.html", "modern.html", "japanese.html", "large.html"),
                         [](const auto& info) {
                             std::string name = info.param.substr(0, info.param.find('.'));
                             return name;
                         });

// Pages on which the parser's own record of the source is incomplete; each edit must still write
// the tags that were there, once.
struct ParserQuirkCase {
    const char* description;
    const wchar_t* page;
    void (*edit)(Document&);
    const wchar_t* expected;
};

void PrintTo(const ParserQuirkCase& c, std::ostream* os)
{
    *os << c.description;
}

class ParserQuirks : public ::testing::TestWithParam<ParserQuirkCase> {};

TEST_P(ParserQuirks, EditedPageKeepsItsTags)
{
    const ParserQuirkCase& c = GetParam();
    DocPtr doc = load(c.page);
    EXPECT_EQ(doc->getMarkup(), c.page) << "untouched";
    c.edit(*doc);
    EXPECT_EQ(doc->getMarkup(), c.expected);
    EXPECT_EQ(structural(*doc), c.expected);
}

const ParserQuirkCase kQuirks[] = {
    {"end tag of a table recorded on its implied tbody", L"<table><tr><td>x</td></tr></TABLE>\n<p>after",
     [](Document& d) { tag(d, L"td")->setAttribute(L"class", L"c"); },
     L"<table><tr><td class=\"c\">x</td></tr></TABLE>\n<p>after"},
    {"table with implied tbody removed whole", L"<p>a</p><TABLE BORDER=1><TR><TD>x</TABLE><p>b</p>",
     [](Document& d) {
         Element* t = tag(d, L"table");
         t->parentNode()->removeChild(t);
     },
     L"<p>a</p><p>b</p>"},
    {"no end tag recorded for a form", L"<div><form action=x><input>\n</FORM>\n<p>x</p></div>",
     [](Document& d) {
         Element* f = tag(d, L"form");
         f->parentNode()->removeChild(f);
     },
     L"<div>\n<p>x</p></div>"},
    {"form end tag stays when an element is added after the form", L"<div><form><input>\n</form>\n</div>",
     [](Document& d) { tag(d, L"div")->appendChild(d.createElement(L"hr")); },
     L"<div><form><input>\n</form>\n<hr></div>"},
    {"white space between html and head start tags", L"<HTML>\n  <HEAD><TITLE>t</TITLE></HEAD>\n<BODY>b</BODY></HTML>",
     [](Document& d) { d.getHead()->setAttribute(L"profile", L"p"); },
     L"<HTML>\n  <HEAD profile=\"p\"><TITLE>t</TITLE></HEAD>\n<BODY>b</BODY></HTML>"},
    {"end tags of body and html inside trailing white space", L"<body><p>x</p>\n</BODY>\n</HTML>\n\n",
     [](Document& d) { d.getBody()->appendChild(d.createTextNode(L"y")); }, L"<body><p>x</p>\ny</BODY>\n</HTML>\n\n"},
    {"text the parser moved in front of a table is written once, where it stands",
     L"<body><table>x<tr><td>1</td></tr></table></body>", [](Document& d) { tag(d, L"td")->setAttribute(L"id", L"c"); },
     L"<body><table>x<tr><td id=\"c\">1</td></tr></table></body>"},
    {"misnested formatting left as written", L"<p><b>1<i>2</b>3</i></p><p>z</p>",
     [](Document& d) { static_cast<CharacterData*>(tag(d, L"p", 1)->getFirstChild())->setData(L"w"); },
     L"<p><b>1<i>2</b>3</i></p><p>w</p>"},
    {"comment before the DOCTYPE and after the html end tag",
     L"<!-- top -->\n<!DOCTYPE html>\n<html><body>x</body></html>\n<!-- end -->\n",
     [](Document& d) { d.getBody()->setAttribute(L"class", L"k"); },
     L"<!-- top -->\n<!DOCTYPE html>\n<html><body class=\"k\">x</body></html>\n<!-- end -->\n"},
    {"implied html, head and body are not written; the paragraph left open ends before the new element",
     L"<title>t</title><p>x", [](Document& d) { d.getBody()->appendChild(d.createElement(L"br")); },
     L"<title>t</title><p>x</p><br>"},
    {"the element that ended a paragraph goes: the paragraph is ended by its end tag",
     L"<p>text<div>x</div><span>y</span>", [](Document& d) { d.getBody()->removeChild(tag(d, L"div")); },
     L"<p>text</p><span>y</span>"},
    {"a bold text the parser opened again is written with its tag once its first part is ended",
     L"<p><b>x<div>d</div>y", [](Document& d) { d.getBody()->removeChild(tag(d, L"div")); }, L"<p><b>x</b></p><b>y"},
    {"the copy a misplaced end tag made is written when the original is ended before new content",
     L"<b id=x>1<p>2</b>3</p>", [](Document& d) { d.getBody()->insertBefore(d.createElement(L"hr"), tag(d, L"p")); },
     L"<b id=x>1</b><hr><p><b id=x>2</b>3</p>"},
    {"white space after a form's end tag and an ignored end tag stays in front of new content",
     L"<form>x</form>\n</div>\n<table></table>",
     [](Document& d) { d.getBody()->insertBefore(d.createElement(L"hr"), tag(d, L"table")); },
     L"<form>x</form>\n</div>\n<hr><table></table>"},
    {"a paragraph moved out of a table that the cell of a removed implied row ended is ended before white space",
     L"<table><p>x<td></tr>\n<tr>", [](Document& d) { tag(d, L"tbody")->removeChild(tag(d, L"tr")); },
     L"<table><p>x</p>\n<tr>"},
    {"a formatting element the page left listed does not wrap new content", L"<p><b>x</p>",
     [](Document& d) { d.getBody()->appendChild(d.createElement(L"hr")); }, L"<p><b>x</p></b><hr>"},
    {"CRLF line ends kept around an edit", L"<p>a\r\nb</p>\r\n<p>c</p>\r\n",
     [](Document& d) { tag(d, L"p", 1)->setAttribute(L"id", L"n"); }, L"<p>a\r\nb</p>\r\n<p id=\"n\">c</p>\r\n"},
};

INSTANTIATE_TEST_SUITE_P(GumboTreeBuilderTest, ParserQuirks, ::testing::ValuesIn(kQuirks));

TEST(GumboTreeBuilderTest, DoctypeIsANodeThatKeepsItsText)
{
    DocPtr doc = load(page("authoring.html"));
    Node* first = doc->getFirstChild();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->getNodeType(), Node::Type::Doctype);
    EXPECT_EQ(first->getMarkup(), L"<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">");
}

TEST(GumboTreeBuilderTest, WithoutKeptSourceEverythingIsWrittenAfresh)
{
    DocPtr doc(DOMImpl::createDocument(L"HTML"));
    std::wstring text = L"<P CLASS=a>x&amp;y";
    ASSERT_TRUE(doc->createNodes(text.data(), text.size(), nullptr, false));
    EXPECT_EQ(doc->getMarkup(), L"<html><head></head><body><P CLASS=\"a\">x&amp;y</P></body></html>");
}

TEST(GumboTreeBuilderTest, CreateNodesReplacesTheContent)
{
    DocPtr doc = load(L"<p id=a>1</p>");
    Element* old = doc->getElementByID(L"a");
    std::wstring text = L"<p id=b>2</p>";
    ASSERT_TRUE(doc->createNodes(text.data(), text.size(), nullptr, true));
    EXPECT_EQ(doc->getMarkup(), text);
    EXPECT_EQ(doc->getElementByID(L"a"), nullptr);
    EXPECT_EQ(old->getAttribute(L"id"), L"a"); // still owned, detached
    EXPECT_FALSE(old->isAttached());
    EXPECT_FALSE(doc->createNodes(nullptr, 0, nullptr, true));
}

namespace {

// Messy pages made of pieces the parser moves, drops or repairs.
std::wstring messyPage(unsigned seed)
{
    static const std::vector<std::wstring> pieces = {L"<p>",
                                                     L"</p>",
                                                     L"<div>",
                                                     L"</div>",
                                                     L"<table>",
                                                     L"</table>",
                                                     L"<tr>",
                                                     L"<td>",
                                                     L"</td>",
                                                     L"</tr>",
                                                     L"<form>",
                                                     L"</form>",
                                                     L"<b>",
                                                     L"</b>",
                                                     L"<i>",
                                                     L"</i>",
                                                     L"text",
                                                     L" ",
                                                     L"\n",
                                                     L"&amp;",
                                                     L"&nbsp;",
                                                     L"<!-- c -->",
                                                     L"<br>",
                                                     L"</body>",
                                                     L"</html>",
                                                     L"<html>",
                                                     L"<head>",
                                                     L"</head>",
                                                     L"<body>",
                                                     L"<title>t</title>",
                                                     L"<script>x</a></script>",
                                                     L"<ul>",
                                                     L"<li>",
                                                     L"</ul>",
                                                     L"<a href=x>",
                                                     L"</a>",
                                                     L"<select><option>1</select>",
                                                     L"<!DOCTYPE html>",
                                                     L"<tbody>",
                                                     L"</span>",
                                                     L"<textarea>a</textarea>",
                                                     L"\r\n",
                                                     L"<TABLE BORDER=1>",
                                                     L"</TABLE>",
                                                     L"<FORM>",
                                                     L"</FORM>",
                                                     L"<svg><circle/></svg>"};
    std::mt19937 rng(seed);
    std::wstring page;
    for (int i = 0, n = 5 + static_cast<int>(rng() % 40); i < n; ++i)
        page += pieces[rng() % pieces.size()];
    return page;
}

} // namespace

// Regression: where the parser moved nodes away from their place (table text, content after the
// body), the text between siblings of different parents overlapped and was written twice.
TEST(GumboTreeBuilderTest, StructuralWritingNeverWritesSourceTextTwice)
{
    for (unsigned seed = 0; seed < 400; ++seed) {
        std::wstring page = messyPage(seed);
        DocPtr doc = load(page);
        ASSERT_EQ(doc->getMarkup(), page) << seed;
        std::wstring out = structural(*doc);
        std::map<wchar_t, int> count;
        for (wchar_t c : page)
            ++count[c];
        for (wchar_t c : out)
            ASSERT_GE(--count[c], 0) << "seed " << seed << ": " << testsupport::U(page) << "\n -> "
                                     << testsupport::U(out);
    }
}

TEST(GumboTreeBuilderTest, EditedPagesReadBackAsWritten)
{
    for (unsigned seed = 0; seed < 150; ++seed) {
        DocPtr doc = load(messyPage(seed));
        std::mt19937 rng(seed);
        for (int step = 0; step < 6; ++step) {
            std::vector<Node*> nodes;
            for (Node* n = doc->getFirstChild(); n != nullptr; n = n->nextInTree(doc.get()))
                nodes.push_back(n);
            if (nodes.empty())
                break;
            Node* n = nodes[rng() % nodes.size()];
            if (n->getNodeType() == Node::Type::Element)
                static_cast<Element*>(n)->setAttribute(L"id", L"e" + std::to_wstring(step));
            else if (n->getNodeType() == Node::Type::Text)
                static_cast<CharacterData*>(n)->setData(L"<t>");
            else if (n->parentNode() != nullptr)
                n->parentNode()->removeChild(n);
            std::wstring out = doc->getMarkup();
            DocPtr again = load(out);
            ASSERT_EQ(again->getMarkup(), out) << seed;
        }
    }
}
