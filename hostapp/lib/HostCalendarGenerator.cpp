#include "HostCalendarGenerator.h"

#include <ctime>
#include <cwchar>
#include <string>
#include <string_view>

#include "DocumentStore.h"
#include "host/CharacterData.h"
#include "host/Document.h"
#include "host/Element.h"
#include "platform/Clock.h"
#include "platform/TextConv.h"

namespace {

// A day of the month (1 to 31) as text: written out directly, as a formatted print of each of a
// long diary's days costs more than the rest of its cell.
std::wstring dayOfMonthText(int day)
{
    if (day < 10)
        return std::wstring(1, wchar_t(L'0' + day));
    return {wchar_t(L'0' + day / 10), wchar_t(L'0' + day % 10)};
}

// The page an empty document receives before the calendar goes into its body.
constexpr const wchar_t* kMinimalPage =
    L"<!DOCTYPE html>\n<html lang=\"ja\">\n<head>\n<title>カレンダー</title>\n</head>\n<body>\n</body>\n</html>\n";

constexpr const wchar_t* kWeekdayNames[7] = {L"日", L"月", L"火", L"水", L"木", L"金", L"土"};

// The attributes every month sets on its header cells and weekend days, made once rather than as
// temporary strings for each cell.
const std::wstring kScope = L"scope";
const std::wstring kColumn = L"col";
const std::wstring kClass = L"class";
const std::wstring kSunday = L"sun";
const std::wstring kSaturday = L"sat";

// The calendar's element names, taken from its document once: a month's calendar makes about fifty
// elements, and each was named by converting and looking up its tag name anew.
struct CalendarNames {
    explicit CalendarNames(Document& document)
        : table(DocumentStore::internName(document, L"table")),
          caption(DocumentStore::internName(document, L"caption")), a(DocumentStore::internName(document, L"a")),
          thead(DocumentStore::internName(document, L"thead")), tbody(DocumentStore::internName(document, L"tbody")),
          tr(DocumentStore::internName(document, L"tr")), th(DocumentStore::internName(document, L"th")),
          td(DocumentStore::internName(document, L"td"))
    {
    }
    const ElementName& table;
    const ElementName& caption;
    const ElementName& a;
    const ElementName& thead;
    const ElementName& tbody;
    const ElementName& tr;
    const ElementName& th;
    const ElementName& td;
};

// A new element, appended to parent (a node of the same document).
Element* append(Document& document, Node* parent, const ElementName& name)
{
    Element* element = DocumentStore::createElement(document, name);
    DocumentStore::appendMade(parent, element);
    return element;
}

// A new text, kept in the document's own memory, appended to parent.
void appendText(Document& document, Node* parent, std::wstring_view text)
{
    DocumentStore::appendMade(
        parent, DocumentStore::makeKeptText(document, Node::Type::Text, DocumentStore::keepText(document, text)));
}

// A navigation link. javascript:void(0) keeps the browser on the page when the onclick that the
// site's script gets does not cancel the default action. The sign alone says little to a screen
// reader: the link is named by what it does.
void appendNavigation(Document& document, const CalendarNames& names, Node* parent, const wchar_t* name,
                      const wchar_t* label, const wchar_t* title)
{
    Element* link = append(document, parent, names.a);
    link->setAttribute(L"name", name);
    link->setAttribute(L"href", L"javascript:void(0)");
    link->setAttribute(L"title", title);
    link->setAttribute(L"aria-label", title);
    appendText(document, link, label);
}

// Today's day of the month when the clock's local date lies in the year and month; 0 otherwise.
int todayIn(int year, int month)
{
    const std::time_t now = static_cast<std::time_t>(platform::Clock::now());
    std::tm local{};
    if (localtime_r(&now, &local) == nullptr || local.tm_year + 1900 != year || local.tm_mon + 1 != month)
        return 0;
    return local.tm_mday;
}

} // namespace

int HostCalendarGenerator::daysInMonth(int year, int month)
{
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

int HostCalendarGenerator::weekday(int year, int month, int day)
{
    // Sakamoto's method for the Gregorian calendar.
    static const int offsets[12] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    if (month < 3)
        year -= 1;
    return (year + year / 4 - year / 100 + year / 400 + offsets[month - 1] + day) % 7;
}

Element* HostCalendarGenerator::buildCalendar(int year, int month, const std::wstring& /*marker*/, int category,
                                              Document* document, DOM* /*dom*/)
{
    if (document == nullptr || year < 1 || year > 9999 || month < 1 || month > 12 || category < 0 || category > 999)
        return nullptr;
    if (document->getFirstChild() == nullptr)
        document->createNodes(kMinimalPage, std::wcslen(kMinimalPage), nullptr, true);
    Node* parent = document->getBody();
    if (parent == nullptr)
        parent = document->getDocumentElement();
    if (parent == nullptr)
        return nullptr;

    Document& doc = *document;
    const CalendarNames names(doc);
    Element* table = DocumentStore::createElement(doc, names.table);
    table->setAttribute(L"id", platform::formatW(L"zebsitec%03dtable000001", category));
    table->setAttribute(L"class", L"zeb-calendar");
    table->setAttribute(L"summary", platform::formatW(L"%04d-%02d", year, month));
    appendText(doc, table, L"\n");

    Element* caption = append(doc, table, names.caption);
    appendNavigation(doc, names, caption, L"prev", L"«", L"前の月");
    appendText(doc, caption, platform::formatW(L" %d年%d月 ", year, month));
    appendNavigation(doc, names, caption, L"next", L"»", L"次の月");
    appendText(doc, table, L"\n");

    Element* head = append(doc, table, names.thead);
    Element* headRow = append(doc, head, names.tr);
    for (const wchar_t* name : kWeekdayNames) {
        Element* th = append(doc, headRow, names.th);
        th->setAttribute(kScope, kColumn);
        appendText(doc, th, name);
    }
    appendText(doc, table, L"\n");

    Element* body = append(doc, table, names.tbody);
    appendText(doc, body, L"\n");
    const int days = daysInMonth(year, month);
    const int today = todayIn(year, month);
    int column = weekday(year, month, 1);
    Element* row = append(doc, body, names.tr);
    for (int i = 0; i < column; ++i)
        append(doc, row, names.td);
    for (int day = 1; day <= days; ++day) {
        if (column == 7) {
            appendText(doc, body, L"\n");
            row = append(doc, body, names.tr);
            column = 0;
        }
        Element* cell = append(doc, row, names.td);
        if (column == 0)
            cell->setAttribute(kClass, kSunday);
        if (column == 6)
            cell->setAttribute(kClass, kSaturday);
        if (day == today)
            cell->setAttribute(L"aria-current", L"date");
        appendText(doc, cell, dayOfMonthText(day));
        ++column;
    }
    for (; column < 7; ++column)
        append(doc, row, names.td);
    appendText(doc, body, L"\n");

    parent->appendChild(table);
    appendText(doc, parent, L"\n");
    return table;
}

CZebCalendarGenerator* makeHostCalendarGenerator()
{
    return new HostCalendarGenerator();
}
