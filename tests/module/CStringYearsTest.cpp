#include "generation/CStringYears.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "platform/Clock.h"
#include "support/TestSupport.h"

namespace {

struct Expect {
    int year;
    int month;
    std::wstring text;
};

void expectValue(const CStringYears& value, const Expect& expected, const std::string& what)
{
    EXPECT_EQ(value.year, expected.year) << what;
    EXPECT_EQ(value.month, expected.month) << what;
    EXPECT_EQ(value.text, expected.text) << what;
}

TEST(CStringYearsTest, ParsingAndFormatting)
{
    struct Case {
        std::string description;
        std::wstring input;
        Expect expected;
        bool valid;
    };
    const Case cases[] = {
        {"canonical text", L"2008-05", {2008, 5, L"2008-05"}, true},
        {"one-digit month is padded", L"2008-5", {2008, 5, L"2008-05"}, true},
        {"no hyphen: the month is read from the whole text", L"200805", {2008, 200805, L"2008-200805"}, false},
        {"empty text", L"", {0, 0, L"0000-00"}, false},
        {"short text is read whole", L"12", {12, 12, L"0012-12"}, true},
        {"month 13 is kept as read", L"2008-13", {2008, 13, L"2008-13"}, false},
        {"letters after the year's digits stop the number", L"-cop-y.", {0, 0, L"0000-00"}, false},
        {"first hyphen counts", L"2008-11-30", {2008, 11, L"2008-11"}, true},
        {"leading blank before the year", L" 200-3", {200, 3, L"0200-03"}, true},
    };
    for (const Case& c : cases) {
        CStringYears value(c.input);
        expectValue(value, c.expected, c.description);
        EXPECT_EQ(value.isValid(), c.valid) << c.description;
    }
}

TEST(CStringYearsTest, NegativeNumbersCountTheSignInTheWidth)
{
    EXPECT_EQ(CStringYears(-1, -1).text, L"-001--1");
    EXPECT_FALSE(CStringYears(-1, -1).isValid());
}

TEST(CStringYearsTest, Stepping)
{
    struct Case {
        std::string description;
        CStringYears result;
        Expect expected;
    };
    CStringYears dec2008(2008, 12);
    CStringYears may2008(2008, 5);
    CStringYears jan2009(2009, 1);
    const Case cases[] = {
        {"+1 across the year", dec2008 + 1, {2009, 1, L"2009-01"}},
        {"-1 across the year", jan2009 - 1, {2008, 12, L"2008-12"}},
        {"+13 from December", dec2008 + 13, {2010, 1, L"2010-01"}},
        {"+12 keeps the month", may2008 + 12, {2009, 5, L"2009-05"}},
        {"+0", may2008 + 0, {2008, 5, L"2008-05"}},
        {"-0", may2008 - 0, {2008, 5, L"2008-05"}},
        {"-5 to December", may2008 - 5, {2007, 12, L"2007-12"}},
        {"-4 to January", may2008 - 4, {2008, 1, L"2008-01"}},
        {"-17", may2008 - 17, {2006, 12, L"2006-12"}},
        {"+7 to December", may2008 + 7, {2008, 12, L"2008-12"}},
    };
    for (const Case& c : cases)
        expectValue(c.result, c.expected, c.description);
    // The operands of + and - are unchanged.
    expectValue(dec2008, {2008, 12, L"2008-12"}, "operand of +");
    expectValue(jan2009, {2009, 1, L"2009-01"}, "operand of -");
}

TEST(CStringYearsTest, IncrementForms)
{
    CStringYears value(2008, 12);
    CStringYears before = value++;
    expectValue(before, {2008, 12, L"2008-12"}, "postfix returns the old value");
    expectValue(value, {2009, 1, L"2009-01"}, "postfix advances");
    CStringYears& same = ++value;
    EXPECT_EQ(&same, &value);
    expectValue(value, {2009, 2, L"2009-02"}, "prefix advances");
}

TEST(CStringYearsTest, SteppingADamagedValueStaysDefined)
{
    // A month read from a damaged name can be huge; stepping it must not overflow.
    CStringYears huge(L"2008-99999999999");
    EXPECT_EQ(huge.month, INT_MAX);
    ++huge;
    EXPECT_FALSE(huge.isValid());
    EXPECT_FALSE((huge + 11).isValid());
    EXPECT_FALSE((CStringYears(2008, INT_MIN) - 11).isValid());
}

TEST(CStringYearsTest, AssignmentKeepsTargetWhenTextsAreEqual)
{
    CStringYears target(2008, 5);
    CStringYears source(2008, 5);
    source.year = 1999; // text still 2008-05
    target = source;
    expectValue(target, {2008, 5, L"2008-05"}, "equal texts: nothing copied");

    CStringYears other(2009, 7);
    target = other;
    expectValue(target, {2009, 7, L"2009-07"}, "different texts: everything copied");

    CStringYears fresh;
    fresh = CStringYears(2010, 1);
    expectValue(fresh, {2010, 1, L"2010-01"}, "default value takes the assignment");
}

TEST(CStringYearsTest, Ordering)
{
    struct Case {
        std::string description;
        CStringYears a;
        CStringYears b;
        bool earlier;
        bool notLater;
        bool later;
    };
    const Case cases[] = {
        {"same year, earlier month", {2008, 5}, {2008, 6}, true, true, false},
        {"earlier year, later month", {2008, 5}, {2009, 1}, true, true, false},
        {"equal", {2008, 5}, {2008, 5}, false, true, false},
        {"later year", {2009, 1}, {2008, 12}, false, false, true},
        {"same year, later month", {2008, 6}, {2008, 5}, false, false, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.a.isEarlierThan(c.b), c.earlier) << c.description;
        EXPECT_EQ(c.a.isNotLaterThan(c.b), c.notLater) << c.description;
        EXPECT_EQ(c.a.isLaterThan(c.b), c.later) << c.description;
    }
    // The text plays no part in the order, only in equality.
    CStringYears odd(2008, 5);
    odd.text = L"other";
    EXPECT_FALSE(odd.isEarlierThan(CStringYears(2008, 5)));
    EXPECT_FALSE(odd.sameText(CStringYears(2008, 5)));
}

TEST(CStringYearsTest, CurrentMonthFollowsTheFixedClock)
{
    platform::Clock::fix(testsupport::localTime(2008, 11, 30, 23, 59, 59));
    int year = 0;
    int month = 0;
    EXPECT_TRUE(CStringYears::currentMonth(year, month));
    EXPECT_EQ(year, 2008);
    EXPECT_EQ(month, 11);
    platform::Clock::fix(testsupport::localTime(2009, 1, 1, 0, 0, 0));
    EXPECT_TRUE(CStringYears::currentMonth(year, month));
    EXPECT_EQ(CStringYears(year, month).text, L"2009-01");
    platform::Clock::release();
}

} // namespace
