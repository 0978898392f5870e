#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "archive/ArchivePlan.h"

namespace {

std::vector<CStringYears> months(std::initializer_list<const wchar_t*> texts)
{
    std::vector<CStringYears> out;
    for (const wchar_t* text : texts)
        out.emplace_back(text);
    return out;
}

bool contains(const std::vector<CStringYears>& list, const CStringYears& month)
{
    return std::any_of(list.begin(), list.end(), [&](const CStringYears& m) { return m.sameText(month); });
}

// "2008-11 P~mid": the month, into the calendar page (C) or its own page (P), created (+) or
// refreshed (~), its position; then what stands in for the link part or the bound that stopped it.
std::wstring show(const ArchivePlan& plan)
{
    std::wstring out;
    for (const ArchiveStep& step : plan.steps)
        out += step.month.text + L" " + (step.intoCalendarPage ? L"C" : L"P") + (step.create ? L"+" : L"~") +
               step.position + L", ";
    if (plan.tooLong)
        out += L"too long " + plan.tooLongFirst.text + L".." + plan.tooLongLast.text + L", ";
    const wchar_t* stored[] = {L"", L"stored if not built", L"stored"};
    return out + stored[static_cast<int>(plan.storedCalendar)];
}

} // namespace

TEST(ArchivePlanTest, StepsFollowTheArchiveRules)
{
    struct Case {
        const char* description;
        bool calendarPageExists;
        bool calendarHoldsCalendar;
        std::vector<CStringYears> stale;
        std::vector<CStringYears> pages;
        const wchar_t* calendarPageMonth;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {"new diary, nothing stale", false, false, {}, {}, L"", L"2008-12 C+1stlast, "},
        {"new diary, an earlier month",
         false,
         false,
         months({L"2008-10"}),
         {},
         L"",
         L"2008-10 P+1st, 2008-11 P+mid, 2008-12 C+last, "},
        {"new diary, a later month", false, false, months({L"2009-01"}), {}, L"", L"2008-12 C+1st, 2009-01 P+last, "},
        {"new diary beyond the bound", false, false, months({L"0024-01"}), {}, L"", L"too long 0024-01..2008-12, "},
        {"nothing stale, calendar in place", true, true, {}, months({L"2008-11"}), L"2008-12", L"stored"},
        {"calendar lost: the current month rebuilt in its run",
         true,
         false,
         {},
         months({L"2008-10", L"2008-11"}),
         L"2008-12",
         L"2008-10 P~1st, 2008-11 P~mid, 2008-12 C+last, stored if not built"},
        {"one page, its month stale, written that month", true, false, months({L"2008-11"}), months({L"2008-11"}),
         L"2008-11", L"2008-12 C~1stlast, "},
        {"up-to-date months inside the run are skipped", true, false, months({L"2008-08"}),
         months({L"2008-08", L"2008-09", L"2008-10", L"2008-11"}), L"2008-12",
         L"2008-08 P~1st, 2008-11 P~mid, 2008-12 C+last, stored if not built"},
        {"old entry edited: the run stops short of now", true, false, months({L"2008-05"}),
         months({L"2008-05", L"2008-06"}), L"", L"2008-05 P~1st, 2008-06 P~last, stored if not built"},
        {"no month page, two stale, calendar older",
         true,
         false,
         months({L"2008-10", L"2008-11"}),
         {},
         L"2008-09",
         L"2008-09 P+1st, 2008-10 P+mid, 2008-11 P+last, stored if not built"},
        {"stray far-future month", true, false, months({L"9999-12"}), months({L"2008-11"}), L"2008-12",
         L"too long 2008-11..9999-12, stored if not built"},
    };
    for (const Case& c : cases) {
        ArchiveState state;
        state.calendarPageExists = c.calendarPageExists;
        state.calendarHoldsCalendar = c.calendarHoldsCalendar;
        state.staleMonths = c.stale;
        state.monthPages = c.pages;
        state.calendarPageMonth = CStringYears(c.calendarPageMonth);
        state.now = CStringYears(2008, 12);
        state.monthPageExists = [&](const CStringYears& m) { return contains(c.pages, m); };
        state.monthPageStale = [&](const CStringYears& m) { return contains(c.stale, m); };
        EXPECT_EQ(show(planArchive(state)), c.expected) << c.description;
    }
}
