#include "generation/CStringYears.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/Clock.h"
#include "support/TestSupport.h"

namespace {

// A value as "text (year,month)", so that one column can check all three fields.
std::wstring show(const CStringYears& v)
{
    return v.text + L" (" + std::to_wstring(v.year) + L"," + std::to_wstring(v.month) + L")";
}

std::wstring order(const CStringYears& a, const CStringYears& b)
{
    return std::wstring(a.isEarlierThan(b) ? L"earlier" : L"-") + L" " + (a.isNotLaterThan(b) ? L"notLater" : L"-") +
           L" " + (a.isLaterThan(b) ? L"later" : L"-");
}

TEST(CStringYearsTest, MonthValues)
{
    const CStringYears dec2008(2008, 12);
    const CStringYears may2008(2008, 5);
    struct Case {
        const char* description;
        std::wstring actual;
        std::wstring expected;
    };
    const Case cases[] = {
        {"prefix ++ across the year", show(++CStringYears(2008, 12)), L"2009-01 (2009,1)"},
        {"postfix ++ returns the old value",
         [] {
             CStringYears v(2008, 12);
             return show(v++);
         }(),
         L"2008-12 (2008,12)"},
        {"postfix ++ leaves the next month behind",
         [] {
             CStringYears v(2008, 12);
             v++;
             return show(v);
         }(),
         L"2009-01 (2009,1)"},
        {"-1 across the year", show(CStringYears(2009, 1) - 1), L"2008-12 (2008,12)"},
        {"+1 across the year", show(dec2008 + 1), L"2009-01 (2009,1)"},
        {"+13 from December", show(dec2008 + 13), L"2010-01 (2010,1)"},
        {"+1 lands on December", show(CStringYears(2008, 11) + 1), L"2008-12 (2008,12)"},
        {"+12 keeps the month", show(may2008 + 12), L"2009-05 (2009,5)"},
        {"+0", show(may2008 + 0), L"2008-05 (2008,5)"},
        {"-0", show(may2008 - 0), L"2008-05 (2008,5)"},
        {"-17", show(may2008 - 17), L"2006-12 (2006,12)"},
        {"the operand of + and - is unchanged", show(may2008), L"2008-05 (2008,5)"},
        {"parse 2008-05", show(CStringYears(L"2008-05")), L"2008-05 (2008,5)"},
        {"parse 2008-5", show(CStringYears(L"2008-5")), L"2008-05 (2008,5)"},
        {"parse 200805: no hyphen, the month is read from the whole text", show(CStringYears(L"200805")),
         L"2008-200805 (2008,200805)"},
        {"parse an empty text", show(CStringYears(L"")), L"0000-00 (0,0)"},
        {"negative numbers count the sign in the width", show(CStringYears(-1, -1)), L"-001--1 (-1,-1)"},
        {"assignment of an equal text changes nothing, not even the numbers",
         [] {
             CStringYears target(2008, 5);
             CStringYears source(2008, 5);
             source.year = 1999;
             target = source;
             return show(target);
         }(),
         L"2008-05 (2008,5)"},
        {"assignment of another text copies everything",
         [] {
             CStringYears target(2008, 5);
             target = CStringYears(2009, 7);
             return show(target);
         }(),
         L"2009-07 (2009,7)"},
        {"2008-05 vs 2008-06", order(may2008, CStringYears(2008, 6)), L"earlier notLater -"},
        {"2008-05 vs 2009-01", order(may2008, CStringYears(2009, 1)), L"earlier notLater -"},
        {"2008-05 vs itself", order(may2008, may2008), L"- notLater -"},
        {"2009-01 vs 2008-12", order(CStringYears(2009, 1), dec2008), L"- - later"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.actual, c.expected) << c.description;

    struct Validity {
        const char* text;
        bool valid;
    };
    for (const Validity& v : {Validity{"2008-05", true}, Validity{"200805", false}, Validity{"2008-13", false},
                              Validity{"2008-00", false}, Validity{"0000-05", false}, Validity{"-cop-y.", false}})
        EXPECT_EQ(CStringYears(testsupport::W(v.text)).isValid(), v.valid) << v.text;
}

TEST(CStringYearsTest, CurrentMonthFollowsTheFixedClock)
{
    platform::Clock::fix(testsupport::localTime(2008, 11, 30, 23, 59, 59));
    int year = 0;
    int month = 0;
    EXPECT_TRUE(CStringYears::currentMonth(year, month));
    EXPECT_EQ(CStringYears(year, month).text, L"2008-11");
    platform::Clock::fix(testsupport::localTime(2009, 1, 1, 0, 0, 0));
    EXPECT_TRUE(CStringYears::currentMonth(year, month));
    EXPECT_EQ(CStringYears(year, month).text, L"2009-01");
    platform::Clock::release();
}

} // namespace
