#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "DomTestDocs.h"
#include "host/CharacterData.h"
#include "host/DomUtBaseCore.h"
#include "host/DomUtil.h"
#include "host/Element.h"
#include "support/TestSupport.h"

using domtest::DocPtr;
using domtest::load;

namespace {

// Elements are labelled with k="..." so that results read as lists of labels.
const wchar_t* const kSearchPage =
    L"<html><head><title>t</title></head><body k=body>\n"
    L"<table k=cal ID=\"ZEBSITEC012TABLE000001\" summary=\"2008-11\"><tr k=tr>"
    L"<td k=cell class=\"zeb-lb-tb1-cell3\">Category</td></tr></table>\n"
    L"<div k=menu id=\"zebsitemenutable000000000001\" Name=\"Prev\">x</div>\n"
    L"<a k=a1 href=\"a.html\">A1</a><A k=a2 HREF=\"b.html\" name=\"next\">A2</A><a k=a3 name=anchor>Category</a>\n"
    L"<!--Category-->\n"
    L"<p k=p id=\"_ZEB_LAYOUT_CONTENTS\" SUMMARY=\"\">Category <b k=b>Category</b></p>\n"
    L"</body></html>";

std::vector<std::wstring> labels(const std::vector<Element*>& elements)
{
    std::vector<std::wstring> out;
    for (Element* e : elements)
        out.push_back(e->getAttribute(L"k"));
    return out;
}

Element* labelled(Document& doc, const std::wstring& k)
{
    DomUtil util(&doc, nullptr);
    std::vector<Element*> found;
    util.getElementByAttributrNameAndValue(found, L"k", k, false, nullptr);
    return found.empty() ? nullptr : found.front();
}

struct SearchCase {
    const char* description;
    std::function<int(DomUtBase&, std::vector<Element*>&, Node* root)> search;
    const wchar_t* root; // label of the root element, null for the whole document
    std::vector<std::wstring> expected;
};

void PrintTo(const SearchCase& c, std::ostream* os)
{
    *os << c.description;
}

class Search : public ::testing::TestWithParam<SearchCase> {};

TEST_P(Search, FindsTheElementsInDocumentOrder)
{
    const SearchCase& c = GetParam();
    DocPtr doc = load(kSearchPage);
    DomUtil util(doc.get(), nullptr);
    Node* root = c.root ? labelled(*doc, c.root) : nullptr;
    std::vector<Element*> out{nullptr}; // a search empties what it is given
    int count = c.search(util, out, root);
    EXPECT_EQ(labels(out), c.expected);
    EXPECT_EQ(count, static_cast<int>(c.expected.size()));
}

using V = std::vector<std::wstring>;
const SearchCase kSearches[] = {
    {"link elements of any case",
     [](DomUtBase& u, auto& out, Node* r) { return u.getElementByTagId(out, 1, false, r); }, nullptr,
     V{L"a1", L"a2", L"a3"}},
    {"tag kind 1 under a root without links",
     [](DomUtBase& u, auto& out, Node* r) { return u.getElementByTagId(out, 1, false, r); }, L"cal", V{}},
    {"attribute name in any case",
     [](DomUtBase& u, auto& out, Node* r) { return u.getElementByAttributrName(out, L"summary", r); }, nullptr,
     V{L"cal", L"p"}},
    {"attribute name written upper case",
     [](DomUtBase& u, auto& out, Node* r) { return u.getElementByAttributrName(out, L"HREF", r); }, nullptr,
     V{L"a1", L"a2"}},
    {"attribute name under a root includes the root",
     [](DomUtBase& u, auto& out, Node* r) { return u.getElementByAttributrName(out, L"summary", r); }, L"p", V{L"p"}},
    {"exact value",
     [](DomUtBase& u, auto& out, Node* r) {
         return u.getElementByAttributrNameAndValue(out, L"class", L"zeb-lb-tb1-cell3", false, r);
     },
     nullptr, V{L"cell"}},
    {"exact value, case differs, flag false",
     [](DomUtBase& u, auto& out, Node* r) {
         return u.getElementByAttributrNameAndValue(out, L"name", L"prev", false, r);
     },
     nullptr, V{}},
    {"value ignoring case, flag true",
     [](DomUtBase& u, auto& out, Node* r) {
         return u.getElementByAttributrNameAndValue(out, L"name", L"prev", true, r);
     },
     nullptr, V{L"menu"}},
    {"value under a root",
     [](DomUtBase& u, auto& out, Node* r) {
         return u.getElementByAttributrNameAndValue(out, L"name", L"next", true, r);
     },
     L"menu", V{}},
    {"empty value matches an empty attribute only",
     [](DomUtBase& u, auto& out, Node* r) {
         return u.getElementByAttributrNameAndValue(out, L"summary", L"", false, r);
     },
     nullptr, V{L"p"}},
    {"part of value ignoring case finds the upper-case link-part id",
     [](DomUtBase& u, auto& out, Node* r) {
         return u.getElementByAttributrNameAndPartOfValue(out, L"ID", L"zebsitec", true, r);
     },
     nullptr, V{L"cal"}},
    {"part of value, exact case",
     [](DomUtBase& u, auto& out, Node* r) {
         return u.getElementByAttributrNameAndPartOfValue(out, L"id", L"zebsitec", false, r);
     },
     nullptr, V{}},
    {"whole value as part",
     [](DomUtBase& u, auto& out, Node* r) {
         return u.getElementByAttributrNameAndPartOfValue(out, L"id", L"zebsitemenutable000000000001", false, r);
     },
     nullptr, V{L"menu"}},
    {"empty part: every element with the attribute",
     [](DomUtBase& u, auto& out, Node* r) {
         return u.getElementByAttributrNameAndPartOfValue(out, L"id", L"", false, r);
     },
     nullptr, V{L"cal", L"menu", L"p"}},
};

INSTANTIATE_TEST_SUITE_P(DomUtBaseTest, Search, ::testing::ValuesIn(kSearches));

struct TextCase {
    const char* description;
    const wchar_t* text;
    const wchar_t* root;
    std::vector<std::wstring> expected; // data of the text nodes found
};

void PrintTo(const TextCase& c, std::ostream* os)
{
    *os << c.description;
}

class TextSearch : public ::testing::TestWithParam<TextCase> {};

TEST_P(TextSearch, FindsTextNodes)
{
    const TextCase& c = GetParam();
    DocPtr doc = load(kSearchPage);
    DomUtil util(doc.get(), nullptr);
    std::vector<CharacterData*> out{nullptr};
    int count = util.getAllPCData(out, c.text, true, c.root ? labelled(*doc, c.root) : nullptr);
    std::vector<std::wstring> data;
    for (CharacterData* t : out)
        data.push_back(t->getData());
    EXPECT_EQ(data, c.expected);
    EXPECT_EQ(count, static_cast<int>(c.expected.size()));
}

const TextCase kTexts[] = {
    {"exact text, not a comment, not a longer text", L"Category", nullptr, V{L"Category", L"Category", L"Category"}},
    {"exact text under a root", L"Category", L"p", V{L"Category"}},
    {"no match", L"category", nullptr, V{}},
    {"every text node under a root for an empty text", L"", L"p", V{L"Category ", L"Category"}},
    {"every text node of the document for an empty text", L"", L"cal", V{L"Category"}},
};

INSTANTIATE_TEST_SUITE_P(DomUtBaseTest, TextSearch, ::testing::ValuesIn(kTexts));

TEST(DomUtBaseTest, EmptyTextFindsAllTextNodesOfThePage)
{
    DocPtr doc = load(kSearchPage);
    DomUtil util(doc.get(), nullptr);
    std::vector<CharacterData*> out;
    // t, 6 white-space texts between body's children, Category, x, A1, A2, Category, Category , Category
    EXPECT_EQ(util.getAllPCData(out, L"", true, nullptr), 14);
}

// Edits through DomUtBase, each compared with the exact markup that must result.
struct EditCase {
    const char* description;
    const wchar_t* page;
    std::function<void(Document&, DomUtBase&)> edit;
    const wchar_t* expected;
};

void PrintTo(const EditCase& c, std::ostream* os)
{
    *os << c.description;
}

class Edit : public ::testing::TestWithParam<EditCase> {};

TEST_P(Edit, WritesTheEditedPage)
{
    const EditCase& c = GetParam();
    DocPtr doc = load(c.page);
    DomUtil util(doc.get(), nullptr);
    c.edit(*doc, util);
    EXPECT_EQ(doc->getMarkup(), c.expected);
}

const wchar_t* const kCalendarRow =
    L"<table><tr>\n<td k=d1><A k=l1 HREF=\"d1.html\">1</A></td>\n<td k=d2>2</td>\n</tr></table>";

const EditCase kEdits[] = {
    {"removeAllChild(node, true, true) takes out the node and its subtree", kCalendarRow,
     [](Document& d, DomUtBase& u) { u.removeAllChild(labelled(d, L"d1"), true, true); },
     L"<table><tr>\n\n<td k=d2>2</td>\n</tr></table>"},
    {"removeAllChild(node, false, true) empties the node", kCalendarRow,
     [](Document& d, DomUtBase& u) { u.removeAllChild(labelled(d, L"d1"), false, true); },
     L"<table><tr>\n<td k=d1></td>\n<td k=d2>2</td>\n</tr></table>"},
    {"removeElement(node, el, false, true) unwraps the link, the day number stays", kCalendarRow,
     [](Document& d, DomUtBase& u) {
         Element* a = labelled(d, L"l1");
         u.removeElement(a, a, false, true);
     },
     L"<table><tr>\n<td k=d1>1</td>\n<td k=d2>2</td>\n</tr></table>"},
    {"removeElement(node, el, true, true) takes out the element with its content", kCalendarRow,
     [](Document& d, DomUtBase& u) {
         Element* a = labelled(d, L"l1");
         u.removeElement(a, a, true, true);
     },
     L"<table><tr>\n<td k=d1></td>\n<td k=d2>2</td>\n</tr></table>"},
    {"unwrap keeps the white space around the element's content",
     L"<div>\n  <span k=s>\n    <b>x</b>\n  </span>\n</div>",
     [](Document& d, DomUtBase& u) {
         Element* s = labelled(d, L"s");
         u.removeElement(s, s, false, true);
     },
     L"<div>\n  \n    <b>x</b>\n  \n</div>"},
    {"insertParent puts a new link around the day number", kCalendarRow,
     [](Document& d, DomUtBase& u) {
         Element* a = u.createElementbyId(Element::kAnchor);
         DomUtBaseCore::setOrRemoveAttr(a, L"HREF", L"d2.html");
         u.insertParent(labelled(d, L"d2")->getFirstChild(), a);
     },
     L"<table><tr>\n<td k=d1><A k=l1 HREF=\"d1.html\">1</A></td>\n<td k=d2><a "
     L"HREF=\"d2.html\">2</a></td>\n</tr></table>"},
    {"insertParent around an element keeps the text before it outside", L"<div>\n<p k=p>x</p>\n</div>",
     [](Document& d, DomUtBase& u) { u.insertParent(labelled(d, L"p"), d.createElement(L"section")); },
     L"<div>\n<section><p k=p>x</p></section>\n</div>"},
    {"setOnlyTextUnderElement replaces the content by an escaped text", kCalendarRow,
     [](Document& d, DomUtBase& u) { u.setOnlyTextUnderElement(labelled(d, L"d1"), L"<1> & 2"); },
     L"<table><tr>\n<td k=d1>&lt;1&gt; &amp; 2</td>\n<td k=d2>2</td>\n</tr></table>"},
    {"setOrRemoveAttr with an empty value removes the attribute", kCalendarRow,
     [](Document& d, DomUtBase&) { DomUtBaseCore::setOrRemoveAttr(labelled(d, L"l1"), L"href", L""); },
     L"<table><tr>\n<td k=d1><A k=l1>1</A></td>\n<td k=d2>2</td>\n</tr></table>"},
    {"setAttributeValue sets an empty value too", kCalendarRow,
     [](Document& d, DomUtBase&) {
         DomUtBaseCore::setAttributeValue(labelled(d, L"l1"), L"onclick", L"go('a','b');");
         DomUtBaseCore::setAttributeValue(labelled(d, L"d2"), L"title", L"");
     },
     L"<table><tr>\n<td k=d1><A k=l1 HREF=\"d1.html\" onclick=\"go('a','b');\">1</A></td>\n"
     L"<td k=d2 title=\"\">2</td>\n</tr></table>"},
    {"setMetaEx replaces the content of the Content-Type meta, any case",
     L"<html><head>\n<META HTTP-EQUIV=\"content-type\" CONTENT=\"text/html; "
     L"charset=Shift_JIS\">\n</head><body></body></html>",
     [](Document&, DomUtBase& u) {
         static_cast<DomUtil&>(u).setMetaEx(L"HTTP-EQUIV", L"Content-Type", L"text/html; charset=UTF-8", false, nullptr,
                                            false);
     },
     L"<html><head>\n<META HTTP-EQUIV=\"content-type\" CONTENT=\"text/html; "
     L"charset=UTF-8\">\n</head><body></body></html>"},
    {"setMetaEx adds a meta at the start of the head", L"<html><head><title>t</title></head><body></body></html>",
     [](Document&, DomUtBase& u) {
         static_cast<DomUtil&>(u).setMetaEx(L"HTTP-EQUIV", L"Content-Type", L"text/html; charset=UTF-8", false, nullptr,
                                            false);
     },
     L"<html><head><meta HTTP-EQUIV=\"Content-Type\" content=\"text/html; charset=UTF-8\"><title>t</title></head>"
     L"<body></body></html>"},
};

INSTANTIATE_TEST_SUITE_P(DomUtBaseTest, Edit, ::testing::ValuesIn(kEdits));

TEST(DomUtBaseTest, CreateElementbyIdKnowsOnlyLinks)
{
    DocPtr doc = load(L"<p>x</p>");
    DomUtil util(doc.get(), nullptr);
    Element* a = util.createElementbyId(1);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->getTagName(), L"a");
    EXPECT_EQ(a->getElementID(), 1);
    EXPECT_EQ(a->getParentNode(), nullptr);
    EXPECT_EQ(util.createElementbyId(0), nullptr);
    EXPECT_EQ(util.createElementbyId(2), nullptr);
}

TEST(DomUtBaseTest, NullArgumentsDoNothing)
{
    DocPtr doc = load(kCalendarRow);
    DomUtil util(doc.get(), nullptr);
    std::wstring before = doc->getMarkup();
    util.setOnlyTextUnderElement(nullptr, L"x");
    util.removeAllChild(nullptr, true, true);
    util.removeElement(nullptr, nullptr, false, true);
    util.insertParent(nullptr, util.createElementbyId(1));
    util.insertParent(labelled(*doc, L"d1"), nullptr);
    DomUtBaseCore::setOrRemoveAttr(nullptr, L"href", L"x");
    DomUtBaseCore::setAttributeValue(nullptr, L"href", L"x");
    // An element cannot become the parent of its own ancestor.
    util.insertParent(labelled(*doc, L"d1"), labelled(*doc, L"l1"));
    EXPECT_EQ(doc->getMarkup(), before);
}

// The cursor: where it stands after it is set, and where edits move it.
TEST(DomUtBaseTest, SetAndReadBack)
{
    DocPtr doc = load(kCalendarRow);
    DomUtil util(doc.get(), nullptr);
    int offset = -1;
    EXPECT_EQ(util.getLayoutCursor(offset), nullptr);
    EXPECT_EQ(offset, 0);
    Element* d1 = labelled(*doc, L"d1");
    Node* tr = d1->getParentNode();
    util.setLayoutCurorEx(d1, true);
    EXPECT_EQ(util.getLayoutCursor(offset), tr);
    EXPECT_EQ(offset, d1->indexInParent() + 1);
    util.setLayoutCurorEx(d1, false);
    util.getLayoutCursor(offset);
    EXPECT_EQ(offset, d1->indexInParent());
    util.setLayoutCursor(d1, 99);
    EXPECT_EQ(util.getLayoutCursor(offset), d1);
    EXPECT_EQ(offset, 1) << "clamped to the child count";
    util.setLayoutCurorEx(nullptr, true);
    EXPECT_EQ(util.getLayoutCursor(offset), nullptr);
    util.setLayoutCurorEx(doc->createElement(L"b"), true);
    EXPECT_EQ(util.getLayoutCursor(offset), nullptr) << "a detached node gives no cursor";
}

TEST(DomUtBaseTest, LeavesARemovedSubtree)
{
    DocPtr doc = load(kCalendarRow);
    DomUtil util(doc.get(), nullptr);
    Element* d1 = labelled(*doc, L"d1");
    Node* tr = d1->getParentNode();
    int index = d1->indexInParent();
    util.setLayoutCursor(labelled(*doc, L"l1")->getFirstChild(), 1);
    util.removeAllChild(d1, true, true);
    int offset = -1;
    EXPECT_EQ(util.getLayoutCursor(offset), tr);
    EXPECT_EQ(offset, index);
}

TEST(DomUtBaseTest, FollowsRemovalsAndUnwrapsBeforeIt)
{
    DocPtr doc = load(kCalendarRow);
    DomUtil util(doc.get(), nullptr);
    Element* d1 = labelled(*doc, L"d1");
    Element* d2 = labelled(*doc, L"d2");
    Node* tr = d1->getParentNode();
    util.setLayoutCurorEx(d2, true);
    util.removeAllChild(d1, true, true);
    int offset = 0;
    EXPECT_EQ(util.getLayoutCursor(offset), tr);
    EXPECT_EQ(offset, d2->indexInParent() + 1);

    // Unwrapping an element with two children before the cursor moves the cursor by one.
    DocPtr doc2 = load(L"<div><span k=s><b>1</b><i>2</i></span><u k=u>3</u></div>");
    DomUtil util2(doc2.get(), nullptr);
    Element* u = labelled(*doc2, L"u");
    util2.setLayoutCurorEx(u, false);
    Element* s = labelled(*doc2, L"s");
    util2.removeElement(s, s, false, true);
    Node* at = util2.getLayoutCursor(offset);
    EXPECT_EQ(at->childAt(offset), u);

    // A cursor inside the unwrapped element stays before the same child.
    DocPtr doc3 = load(L"<div><span k=s><b>1</b><i k=i>2</i></span></div>");
    DomUtil util3(doc3.get(), nullptr);
    Element* s3 = labelled(*doc3, L"s");
    util3.setLayoutCursor(s3, 1);
    util3.removeElement(s3, s3, false, true);
    at = util3.getLayoutCursor(offset);
    EXPECT_EQ(at->childAt(offset), labelled(*doc3, L"i"));
}

TEST(DomUtBaseTest, LeavesChildrenReplacedByText)
{
    DocPtr doc = load(kCalendarRow);
    DomUtil util(doc.get(), nullptr);
    Element* d1 = labelled(*doc, L"d1");
    util.setLayoutCursor(labelled(*doc, L"l1"), 0);
    util.setOnlyTextUnderElement(d1, L"x");
    int offset = -1;
    EXPECT_EQ(util.getLayoutCursor(offset), d1);
    EXPECT_EQ(offset, 0);
}

} // namespace
