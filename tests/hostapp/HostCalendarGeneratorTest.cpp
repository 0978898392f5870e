#include "HostCalendarGenerator.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

#include "host/CDOMEngineer.h"
#include "host/CharacterData.h"
#include "host/DOM.h"
#include "host/DOMImpl.h"
#include "host/Document.h"
#include "host/Element.h"
#include "platform/Clock.h"
#include "platform/Wtoi.h"
#include "support/TestSupport.h"

using testsupport::U;

namespace {

struct DocumentDeleter {
    void operator()(Document* d) const { CDOMEngineer::getInstance()->getDOM()->deleteDocument(d); }
};
using DocumentPtr = std::unique_ptr<Document, DocumentDeleter>;

DocumentPtr newDocument()
{
    return DocumentPtr(DOMImpl::createDocument(L"HTML"));
}

// Every node below root (root excluded) in document order.
void collect(Node* root, std::vector<Node*>& out)
{
    for (Node* child = root->getFirstChild(); child != nullptr; child = child->getNextSibling()) {
        out.push_back(child);
        collect(child, out);
    }
}

std::vector<Element*> elements(Node* root, const std::wstring& tag)
{
    std::vector<Node*> nodes;
    collect(root, nodes);
    std::vector<Element*> out;
    for (Node* n : nodes)
        if (n->getNodeType() == Node::Type::Element && U(static_cast<Element*>(n)->getTagName()) == U(tag))
            out.push_back(static_cast<Element*>(n));
    return out;
}

// The texts of one or two characters that read as a day number, in document order.
std::vector<int> dayNumberTexts(Node* root)
{
    std::vector<Node*> nodes;
    collect(root, nodes);
    std::vector<int> days;
    for (Node* n : nodes) {
        if (n->getNodeType() != Node::Type::Text)
            continue;
        const std::wstring text = static_cast<CharacterData*>(n)->getData();
        const int value = platform::wtoi(text);
        if ((text.size() == 1 || text.size() == 2) && value >= 1 && value <= 31)
            days.push_back(value);
    }
    return days;
}

struct MonthCase {
    const char* description;
    int year, month;
    int days;
    int firstWeekday; // 0 = Sunday
};

const MonthCase kMonths[] = {
    {"28-day February", 2010, 2, 28, 1},
    {"leap February", 2008, 2, 29, 5},
    {"30-day month", 2008, 4, 30, 2},
    {"31-day month starting on Sunday", 2009, 3, 31, 0},
    {"month starting on Saturday", 2008, 11, 30, 6},
    {"February filling exactly four weeks", 2015, 2, 28, 0},
    {"century year not leap", 1900, 2, 28, 4},
    {"400-year leap", 2000, 2, 29, 2},
};

TEST(HostCalendarGeneratorTest, MonthLayout)
{
    for (const MonthCase& c : kMonths) {
        EXPECT_EQ(HostCalendarGenerator::daysInMonth(c.year, c.month), c.days) << c.description;
        EXPECT_EQ(HostCalendarGenerator::weekday(c.year, c.month, 1), c.firstWeekday) << c.description;

        DocumentPtr doc = newDocument();
        HostCalendarGenerator generator;
        Element* table =
            generator.buildCalendar(c.year, c.month, L"ZEB_CAL_Q", 1, doc.get(), CDOMEngineer::getInstance()->getDOM());
        ASSERT_NE(table, nullptr) << c.description;
        EXPECT_EQ(table->getAttribute(L"id"), L"zebsitec001table000001") << c.description;
        char summary[16];
        std::snprintf(summary, sizeof summary, "%04d-%02d", c.year, c.month);
        EXPECT_EQ(U(table->getAttribute(L"summary")), summary) << c.description;

        // Every day once, in order, and no other text anywhere in the page reads as a day.
        std::vector<int> expected;
        for (int d = 1; d <= c.days; ++d)
            expected.push_back(d);
        EXPECT_EQ(dayNumberTexts(doc.get()), expected) << c.description;

        // Weeks as rows of seven cells, the first day under its weekday.
        const std::vector<Element*> rows = elements(elements(table, L"tbody").at(0), L"tr");
        EXPECT_EQ(rows.size(), static_cast<std::size_t>((c.firstWeekday + c.days + 6) / 7)) << c.description;
        for (Element* row : rows)
            EXPECT_EQ(elements(row, L"td").size(), 7u) << c.description;
        const std::vector<Element*> firstRow = elements(rows.at(0), L"td");
        EXPECT_EQ(firstRow.at(c.firstWeekday)->getTextData(), L"1") << c.description;
        if (c.firstWeekday > 0) {
            EXPECT_EQ(firstRow.at(c.firstWeekday - 1)->getTextData(), L"") << c.description;
        }
        const int last = c.firstWeekday + c.days - 1;
        EXPECT_EQ(elements(rows.at(last / 7), L"td").at(last % 7)->getTextData(), std::to_wstring(c.days))
            << c.description;
    }
}

TEST(HostCalendarGeneratorTest, CaptionHeaderAndNavigation)
{
    DocumentPtr doc = newDocument();
    HostCalendarGenerator generator;
    Element* table = generator.buildCalendar(2008, 4, L"ZEB_CAL_Q", 1, doc.get(), nullptr);
    ASSERT_NE(table, nullptr);
    const std::vector<Element*> captions = elements(table, L"caption");
    ASSERT_EQ(captions.size(), 1u);
    EXPECT_NE(U(captions[0]->getTextData()).find("2008年4月"), std::string::npos);

    const std::vector<Element*> headers = elements(table, L"th");
    ASSERT_EQ(headers.size(), 7u);
    for (Element* th : headers)
        EXPECT_EQ(th->getAttribute(L"scope"), L"col");
    EXPECT_EQ(headers[0]->getTextData(), L"日");

    int prev = 0, next = 0;
    std::vector<Node*> nodes;
    collect(table, nodes);
    for (Node* n : nodes) {
        if (n->getNodeType() != Node::Type::Element)
            continue;
        const std::wstring name = static_cast<Element*>(n)->getAttribute(L"name");
        prev += name == L"prev";
        next += name == L"next";
        if (name == L"prev") {
            EXPECT_EQ(static_cast<Element*>(n)->getAttribute(L"aria-label"), L"前の月");
        }
    }
    EXPECT_EQ(prev, 1);
    EXPECT_EQ(next, 1);
}

TEST(HostCalendarGeneratorTest, EmptyDocumentGetsAMinimalPage)
{
    DocumentPtr doc = newDocument();
    HostCalendarGenerator generator;
    Element* table = generator.buildCalendar(2010, 2, L"ZEB_CAL_Q", 1, doc.get(), nullptr);
    ASSERT_NE(table, nullptr);
    ASSERT_NE(doc->getBody(), nullptr);
    EXPECT_EQ(table->getParentNode(), doc->getBody());
    ASSERT_NE(doc->getHead(), nullptr);
    EXPECT_EQ(elements(doc->getHead(), L"title").size(), 1u);
    const std::string markup = U(doc->getMarkup());
    EXPECT_EQ(markup.rfind("<!DOCTYPE html>", 0), 0u) << markup;
    EXPECT_EQ(doc->getElementByID(L"zebsitec001table000001"), table);
}

TEST(HostCalendarGeneratorTest, ExistingPageGetsTheCalendarInItsBody)
{
    DocumentPtr doc = newDocument();
    const std::wstring page = L"<html><head><title>t</title></head><body><p>before</p></body></html>";
    ASSERT_TRUE(doc->createNodes(page.c_str(), page.size(), nullptr, true));
    HostCalendarGenerator generator;
    Element* table = generator.buildCalendar(2010, 2, L"ZEB_CAL_Q", 7, doc.get(), nullptr);
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->getParentNode(), doc->getBody());
    EXPECT_EQ(table->getAttribute(L"id"), L"zebsitec007table000001");
    EXPECT_EQ(elements(doc.get(), L"p").size(), 1u);
}

TEST(HostCalendarGeneratorTest, TodayIsMarkedInItsOwnMonthOnly)
{
    platform::Clock::fix(testsupport::localTime(2008, 4, 15));
    const struct {
        const char* description;
        int year, month;
        std::wstring today; // the text of the cell marked as the current date; "" for none
    } cases[] = {{"the current month", 2008, 4, L"15"},
                 {"the month before", 2008, 3, L""},
                 {"the same month a year later", 2009, 4, L""}};
    for (const auto& c : cases) {
        DocumentPtr doc = newDocument();
        Element* table = HostCalendarGenerator().buildCalendar(c.year, c.month, L"ZEB_CAL_Q", 1, doc.get(), nullptr);
        std::wstring marked;
        for (Element* td : elements(table, L"td"))
            if (td->getAttribute(L"aria-current") == L"date")
                marked += td->getTextData();
        EXPECT_EQ(U(marked), U(c.today)) << c.description;
    }
    platform::Clock::release();
}

TEST(HostCalendarGeneratorTest, InvalidArgumentsGiveNull)
{
    const struct {
        const char* description;
        int year, month, category;
    } cases[] = {
        {"month 0", 2010, 0, 1},     {"month 13", 2010, 13, 1},        {"year 0", 0, 5, 1},
        {"negative year", -1, 5, 1}, {"category 1000", 2010, 5, 1000}, {"negative category", 2010, 5, -1},
    };
    for (const auto& c : cases) {
        DocumentPtr doc = newDocument();
        HostCalendarGenerator generator;
        EXPECT_EQ(generator.buildCalendar(c.year, c.month, L"ZEB_CAL_Q", c.category, doc.get(), nullptr), nullptr)
            << c.description;
        EXPECT_EQ(doc->getFirstChild(), nullptr) << c.description << ": the document stays untouched";
    }
    HostCalendarGenerator generator;
    EXPECT_EQ(generator.buildCalendar(2010, 5, L"ZEB_CAL_Q", 1, nullptr, nullptr), nullptr);
}

} // namespace
