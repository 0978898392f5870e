#include <gtest/gtest.h>

#include <string>

#include "DomTestDocs.h"
#include "host/CharacterData.h"
#include "host/Element.h"

// Found by fuzzing the page round trip: a page cut short inside a comment, the DOCTYPE or the
// text of a script or title was copied back as it stood, still open, so whatever the writer put
// after it was swallowed, or (after a DOCTYPE or a bogus comment) the first '>' of a later
// attribute value ended it and the rest of the value was read as markup.
namespace {

const std::wstring kHostile = L"\"><zebfuzz onload='x'>&\"";

Element* firstElement(Document& doc, const wchar_t* name)
{
    for (Node* n = doc.getFirstChild(); n != nullptr; n = n->nextInTree(&doc))
        if (n->getNodeType() == Node::Type::Element && static_cast<Element*>(n)->is(name))
            return static_cast<Element*>(n);
    return nullptr;
}

struct OpenEndCase {
    const char* description;
    std::wstring page;
};

} // namespace

TEST(MarkupWriterOpenEndTest, PageCutShortInsideAConstructIsClosedBeforeWhatFollows)
{
    const OpenEndCase cases[] = {
        {"DOCTYPE without its '>'", L"<!DOCTYPE htm"},
        {"comment without its end", L"<html><body><p>text<!-- cut"},
        {"bogus comment without its '>'", L"<html><body><p>text<!x cut"},
        {"script without its end tag", L"<html><body><script>var a = 1;"},
        {"title without its end tag", L"<html><head><title>cut"},
        {"textarea without its end tag", L"<html><body><form><textarea>cut"},
    };
    for (const OpenEndCase& c : cases) {
        SCOPED_TRACE(c.description);
        domtest::DocPtr doc = domtest::load(c.page);
        ASSERT_EQ(doc->getMarkup(), c.page) << "an untouched page writes back as it was";

        // A new element with a hostile attribute value, put after everything else.
        Element* html = doc->getDocumentElement();
        ASSERT_NE(html, nullptr);
        Element* added = doc->createElement(L"b");
        added->setAttribute(L"title", kHostile);
        added->appendChild(doc->createTextNode(L"added"));
        html->appendChild(added);

        const std::wstring written = doc->getMarkup();
        domtest::DocPtr again = domtest::load(written);
        EXPECT_EQ(firstElement(*again, L"zebfuzz"), nullptr) << "the value was read as markup: " << written.c_str();
        Element* b = firstElement(*again, L"b");
        ASSERT_NE(b, nullptr) << "the new element was swallowed: " << written.c_str();
        EXPECT_EQ(b->getAttribute(L"title"), kHostile);
        EXPECT_EQ(b->getTextData(), L"added");
    }
}

TEST(MarkupWriterOpenEndTest, ConstructLeftOpenAtTheEndStaysAsItWasWhenNothingFollows)
{
    // An edit before the open construct does not add a closer: the page ends as it did.
    domtest::DocPtr doc = domtest::load(L"<html><body><p id=\"a\">x</p><!-- cut");
    Element* p = firstElement(*doc, L"p");
    ASSERT_NE(p, nullptr);
    p->setAttribute(L"id", L"b");
    EXPECT_EQ(doc->getMarkup(), L"<html><body><p id=\"b\">x</p><!-- cut");
}
