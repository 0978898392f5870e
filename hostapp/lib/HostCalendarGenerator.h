#pragma once
#include <string>

#include "host/CZebCalendarGenerator.h"

// The host's month calendar: a table with the category's calendar id, "summary" = "%04d-%02d", a
// caption with the month and the navigation links (name "prev" and "next"), a header row of
// weekday names (th scope="col", Sunday first), and one row per week with each day number as a
// text node of its own in a td; the td of today (by the platform's clock) carries
// aria-current="date", and the navigation links an aria-label saying what they do. No other text in the table (nor in
// the minimal page made for an empty document) is one or two characters that read as a number from 1 to 31, because the
// calendar's day links are found by such texts.
class HostCalendarGenerator : public CZebCalendarGenerator {
public:
    // The calendar element; null for a year outside 1..9999, a month outside 1..12, a category
    // outside 0..999, a null document, or a non-empty document with neither body nor html element.
    Element* buildCalendar(int year, int month, const std::wstring& marker, int category, Document* document,
                           DOM* dom) override;

    // Days in the month (1..12) of the year, leap years of the Gregorian calendar included.
    static int daysInMonth(int year, int month);
    // Day of the week of a date, 0 = Sunday .. 6 = Saturday.
    static int weekday(int year, int month, int day);
};

// The host function registered as number 40248: a new generator, deleted by the caller.
CZebCalendarGenerator* makeHostCalendarGenerator();
