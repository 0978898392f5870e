#pragma once
#include <functional>
#include <string>
#include <vector>

#include "generation/CStringYears.h"

// What the diary archive looks like before an update: the facts the plan is made from.
struct ArchiveState {
    bool calendarPageExists = false;
    // The calendar page exists and still holds its calendar element.
    bool calendarHoldsCalendar = false;
    // Months whose data file is newer than their page (or that have no page), valid, ascending,
    // without repeats.
    std::vector<CStringYears> staleMonths;
    // Months that have a month page, valid, ascending, without repeats.
    std::vector<CStringYears> monthPages;
    // The month of the calendar page's last write; may be invalid (then it never bounds a walk).
    CStringYears calendarPageMonth;
    CStringYears now;
    // Per month: whether its month page exists, and whether it is older than its data file.
    std::function<bool(const CStringYears&)> monthPageExists;
    std::function<bool(const CStringYears&)> monthPageStale;
};

// One page to build: the month's calendar, into the calendar page (the current month) or the
// month's own page; create makes the page anew from nothing, else the calendar replaces the old.
struct ArchiveStep {
    CStringYears month;
    bool intoCalendarPage = false;
    bool create = false;
    // "1st", "mid", "last" or "1stlast": the month's place in the run of pages built.
    std::wstring position;
};

// The steps of one update of the diary archive, in the order they are carried out.
struct ArchivePlan {
    std::vector<ArchiveStep> steps;
    // The walk from tooLongFirst to tooLongLast spans more months than one run writes; no step.
    bool tooLong = false;
    CStringYears tooLongFirst;
    CStringYears tooLongLast;
    // When the calendar page's stored calendar is the diary's link part: never (a step builds the
    // current month, or nothing is), when no step builds the current month and a link part is
    // wanted, or always (nothing to build).
    enum class StoredCalendar { Never, WhenNotBuilt, Always };
    StoredCalendar storedCalendar = StoredCalendar::Never;
};

// The most months one run writes: a hundred years. A stray copy of a month data file named for
// 9999-12 (or 0024-01) made one update write tens of thousands of pages; no real diary spans more.
constexpr int kMostMonthsInARun = 1200;

// The steps that bring the archive described by state up to date; no step (and the stored
// calendar as the link part) when the calendar page holds its calendar and no month is stale.
ArchivePlan planArchive(const ArchiveState& state);
