// The rules of the diary archive: which month pages an update rebuilds, in which order, created
// or refreshed, with which position, and when the stored calendar stands in for a built one.
#include "archive/ArchivePlan.h"

namespace {

const std::wstring kFirst = L"1st";
const std::wstring kMid = L"mid";
const std::wstring kLast = L"last";
const std::wstring kFirstLast = L"1stlast";

bool withinMostMonths(const CStringYears& first, const CStringYears& last, ArchivePlan& plan)
{
    const long months = (last.year - first.year) * 12L + (last.month - first.month) + 1;
    if (months <= kMostMonthsInARun)
        return true;
    plan.tooLong = true;
    plan.tooLongFirst = first;
    plan.tooLongLast = last;
    return false;
}

const std::wstring& positionOf(const CStringYears& month, const CStringYears& first, const CStringYears& last)
{
    return month.sameText(first) ? kFirst : month.sameText(last) ? kLast : kMid;
}

// A calendar page made from nothing: every month from..to created, the current month into the
// calendar page.
ArchivePlan rangeFromNothing(const CStringYears& from, const CStringYears& to, const CStringYears& now)
{
    ArchivePlan plan;
    // Only a walk between valid months ends: stepping keeps a valid month valid.
    if (!from.isValid() || !to.isValid() || !withinMostMonths(from, to, plan))
        return plan;
    for (CStringYears month = from; month.isNotLaterThan(to); ++month)
        plan.steps.push_back({month, month.sameText(now), true, positionOf(month, from, to)});
    return plan;
}

ArchivePlan planWithoutCalendarPage(const ArchiveState& state)
{
    const std::vector<CStringYears>& stale = state.staleMonths;
    const CStringYears& now = state.now;
    const std::size_t n = stale.size();
    if (n == 0 || (n == 1 && stale.front().sameText(now))) {
        ArchivePlan plan;
        plan.steps.push_back({now, true, true, kFirstLast});
        return plan;
    }
    const CStringYears& r1 = stale.front();
    const CStringYears& r2 = stale.back();
    if (n == 1)
        return r1.isEarlierThan(now) ? rangeFromNothing(r1, now, now) : rangeFromNothing(now, r1, now);
    if (r2.isEarlierThan(now))
        return rangeFromNothing(r1, now, now);
    if (now.isEarlierThan(r1))
        return rangeFromNothing(now, r2, now);
    return rangeFromNothing(r1, r2, now);
}

} // namespace

ArchivePlan planArchive(const ArchiveState& state)
{
    if (!state.calendarPageExists)
        return planWithoutCalendarPage(state);

    const CStringYears& now = state.now;
    ArchivePlan plan;
    std::vector<CStringYears> stale = state.staleMonths;
    if (stale.empty()) {
        if (state.calendarHoldsCalendar) {
            plan.storedCalendar = ArchivePlan::StoredCalendar::Always;
            return plan;
        }
        // The calendar page has lost its calendar (taken out by hand, or the page damaged). Left
        // alone, the diary would have no link part until some month's data changed, and the
        // dialog's OK would take the calendar out of the page. The current month is rebuilt as
        // if its data had changed, in its place in the run of month pages.
        stale.push_back(now);
    }
    const std::size_t n = stale.size();
    const std::vector<CStringYears>& existing = state.monthPages;
    const std::size_t m = existing.size();
    const CStringYears e1 = m ? existing.front() : now;
    const CStringYears e2 = m ? existing.back() : now;
    const CStringYears& r1 = stale.front();
    const CStringYears& r2 = stale.back();
    const CStringYears& base = state.calendarPageMonth;
    const bool baseValid = base.isValid();
    auto baseEarlierThan = [&](const CStringYears& other) { return baseValid && base.isEarlierThan(other); };
    auto baseLaterThan = [&](const CStringYears& other) { return baseValid && base.isLaterThan(other); };

    // One month page and one stale month, written in the month the calendar page was: refresh the
    // calendar page alone. In any other month the range rule below applies, so that the stale
    // month is rebuilt and the calendar is not lost from the page.
    if (m == 1 && n == 1 && baseValid && base.sameText(r2)) {
        plan.steps.push_back({now, true, false, kFirstLast});
        return plan;
    }

    CStringYears first;
    CStringYears last;
    if (m == 0 && n >= 2) {
        if (baseEarlierThan(r1)) {
            first = base;
            last = r2;
        } else if (baseLaterThan(r2)) {
            first = r1;
            last = base;
        } else {
            first = r1;
            last = r2;
        }
    } else if (e2.isEarlierThan(r1)) {
        first = baseEarlierThan(e1) ? base : e1;
        last = r2;
    } else if (e1.isLaterThan(r2)) {
        first = r1;
        last = e2;
    } else {
        if (e1.isEarlierThan(r1))
            first = baseEarlierThan(e1) ? base : e1;
        else
            first = r1;
        if (e2.isEarlierThan(r2))
            last = r2;
        else if (baseLaterThan(e2))
            last = base;
        else
            last = e2;
    }

    // A run that does not reach the current month (an old entry edited before the new month has
    // one) would give no link part, and the dialog would take the calendar out of the page; the
    // calendar page as it stands is the link part then. So is it when the run is beyond the bound.
    plan.storedCalendar = ArchivePlan::StoredCalendar::WhenNotBuilt;
    if (!first.isValid() || !last.isValid() || !withinMostMonths(first, last, plan))
        return plan;
    for (CStringYears month = first; month.isNotLaterThan(last); ++month) {
        const bool isNow = month.sameText(now);
        // Months strictly inside the existing run that are up to date stay as they are.
        if (month.isLaterThan(e1) && month.isEarlierThan(e2) && !isNow && !state.monthPageStale(month))
            continue;
        const bool create = isNow || !state.monthPageExists(month);
        plan.steps.push_back({month, isNow, create, positionOf(month, first, last)});
    }
    return plan;
}
