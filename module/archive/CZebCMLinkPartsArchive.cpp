// Archive regeneration of the calendar-type diary: which month pages to rebuild, in which order,
// with which position, and the current month's calendar markup. Part of CZebCMLinkParts.
#include <algorithm>
#include <string>
#include <vector>

#include "archive/CZebCMLinkPartsData.h"
#include "generation/CZebCMLinkParts.h"
#include "platform/PageWriter.h"
#include "platform/TextConv.h"
#include "sitefiles/CZebCMLinkPartsFiles.h"

namespace {

const std::wstring kFirst = L"1st";
const std::wstring kMid = L"mid";
const std::wstring kLast = L"last";
const std::wstring kFirstLast = L"1stlast";

// The valid months among texts cut from file names, ascending and without repeats. A stray or
// damaged name ("zebsitec001table000001-copy.xml", "...200813.xml") gives a text that is no
// month; walking from or through it would start at year 0 or run through months 13, 14, ... and
// write pages without end, so such texts are left out here. Texts are cut unchecked, so one that
// parses to a valid month ("2008-1.") need not sort where its month does: order by value.
std::vector<CStringYears> validMonths(const std::vector<std::wstring>& texts)
{
    std::vector<CStringYears> months;
    for (const std::wstring& text : texts) {
        CStringYears month(text);
        if (month.isValid())
            months.push_back(month);
    }
    std::stable_sort(months.begin(), months.end(),
                     [](const CStringYears& a, const CStringYears& b) { return a.isEarlierThan(b); });
    months.erase(std::unique(months.begin(), months.end(),
                             [](const CStringYears& a, const CStringYears& b) { return a.sameText(b); }),
                 months.end());
    return months;
}

// The most months one run writes: a hundred years. A stray copy of a month data file named for
// 9999-12 (or 0024-01) made one update write tens of thousands of pages; no real diary spans more.
constexpr int kMostMonthsInARun = 1200;

// What gave the walk that end, for the message: the month's data file, else its page, else the
// current month or the calendar page's time.
std::wstring originOf(const CStringYears& month, const CStringYears& now)
{
    CZebCMLinkPartsFiles files;
    CZebCMLinkPartsData data;
    if (files.fileExists(data.getMonthDataPath(month.year, month.month)))
        return std::wstring(CZebCMLinkPartsFiles::kCmsFolderName) + L"/" + CZebCMLinkPartsFiles::kCalendarId +
               platform::formatW(L"%04d%02d", month.year, month.month) + L".xml";
    if (files.pageExists(files.getMonthPagePath(month.year, month.month)))
        return std::wstring(CZebCMLinkPartsFiles::kSiteMenuFolderName) + L"/" +
               files.getMonthPageName(month.year, month.month);
    return month.sameText(now) ? L"the current month" : L"the calendar page's last-write time";
}

// Whether a walk from first to last stays within kMostMonthsInARun. When it does not, nothing of
// the diary is written: the calendar page is reported skipped, naming the range and its origins.
bool withinMostMonths(const CStringYears& first, const CStringYears& last, const CStringYears& now)
{
    const long months = (last.year - first.year) * 12L + (last.month - first.month) + 1;
    if (months <= kMostMonthsInARun)
        return true;
    CZebCMLinkPartsFiles files;
    const std::wstring reason = L"the diary's months " + first.text + L" to " + last.text + L" span " +
                                std::to_wstring(months) + L" months, more than " +
                                std::to_wstring(kMostMonthsInARun) + L" (" + first.text + L": " +
                                originOf(first, now) + L"; " + last.text + L": " + originOf(last, now) +
                                L"); no diary page written";
    platform::PageWriter::skip(files.getCalendarPagePath(), platform::toUtf8(reason));
    return false;
}

} // namespace

std::wstring CZebCMLinkParts::regenerateArchive()
{
    CZebCMLinkPartsFiles files;
    CZebCMLinkPartsData data;
    const std::wstring calendarPath = files.getCalendarPagePath();
    const CStringYears& now = currentMonthValue;

    std::vector<std::wstring> staleTexts;
    data.collectStaleMonths(staleTexts);
    std::vector<CStringYears> stale = validMonths(staleTexts);
    std::size_t n = stale.size();

    if (!files.calendarPageExists()) {
        if (n == 0 || (n == 1 && stale.front().sameText(now)))
            return makeCalendarPage(currentYear, currentMonth, calendarPath, true, kFirstLast);
        const CStringYears& r1 = stale.front();
        const CStringYears& r2 = stale.back();
        if (n == 1) {
            if (r1.isEarlierThan(now))
                return buildMonthRange(r1, now, true);
            if (r1.isLaterThan(now))
                return buildMonthRange(now, r1, true);
            return std::wstring();
        }
        if (r2.isEarlierThan(now))
            return buildMonthRange(r1, now, true);
        if (now.isEarlierThan(r1))
            return buildMonthRange(now, r2, true);
        return buildMonthRange(r1, r2, true);
    }

    if (n == 0) {
        // Read in an update too: whether the page still holds its calendar decides what is written.
        std::wstring markup;
        if (files.readElementMarkup(calendarPath, markup, calendarId))
            return markup;
        // The calendar page has lost its calendar (taken out by hand, or the page damaged). Left
        // alone, the diary would have no link part until some month's data changed, and the
        // dialog's OK would take the calendar out of the page. The current month is rebuilt as
        // if its data had changed, in its place in the run of month pages.
        stale.push_back(now);
        n = 1;
    }

    std::vector<std::wstring> existingTexts;
    files.getMonthPageMonths(existingTexts);
    const std::vector<CStringYears> existing = validMonths(existingTexts);
    const std::size_t m = existing.size();
    const CStringYears e1 = m ? existing.front() : now;
    const CStringYears e2 = m ? existing.back() : now;
    const CStringYears& r1 = stale.front();
    const CStringYears& r2 = stale.back();
    // The month of the calendar page's last write. A time that gives no valid month never bounds
    // the walk.
    const CStringYears base(files.getLastWriteMonth(calendarPath));
    const bool baseValid = base.isValid();
    auto baseEarlierThan = [&](const CStringYears& other) { return baseValid && base.isEarlierThan(other); };
    auto baseLaterThan = [&](const CStringYears& other) { return baseValid && base.isLaterThan(other); };

    // One month page and one stale month, written in the month the calendar page was: refresh the
    // calendar page alone. In any other month the range rule below applies, so that the stale
    // month is rebuilt and the calendar is not lost from the page.
    if (m == 1 && n == 1 && baseValid && base.sameText(r2))
        return makeCalendarPage(currentYear, currentMonth, calendarPath, false, kFirstLast);

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

    std::wstring result;
    bool builtNow = false;
    // A run beyond the bound writes nothing; the stored calendar stays the link part (below).
    if (first.isValid() && last.isValid() && withinMostMonths(first, last, now)) {
        for (CStringYears month = first; month.isNotLaterThan(last); ++month) {
            const bool isNow = month.sameText(now);
            // Months strictly inside the existing run that are up to date stay as they are.
            if (month.isLaterThan(e1) && month.isEarlierThan(e2) && !data.isMonthPageStale(month.year, month.month) &&
                !isNow)
                continue;
            std::wstring path = files.getMonthPagePath(month.year, month.month);
            bool create = !files.pageExists(path);
            if (isNow) {
                create = true;
                path = calendarPath;
            }
            const std::wstring& position = month.sameText(first) ? kFirst : month.sameText(last) ? kLast : kMid;
            std::wstring markup = makeCalendarPage(month.year, month.month, path, create, position);
            if (isNow) {
                result = markup;
                builtNow = true;
            }
        }
    }

    // A run that does not reach the current month (an old entry edited before the new month has
    // one) would hand back nothing, and the dialog would take the calendar out of the page; the
    // calendar page as it stands is the link part then.
    if (!builtNow && markupWanted) {
        std::wstring markup;
        if (files.readElementMarkup(calendarPath, markup, calendarId))
            result = markup;
    }
    return result;
}

std::wstring CZebCMLinkParts::buildMonthRange(const CStringYears& from, const CStringYears& to, bool create)
{
    // Only a walk between valid months ends: stepping keeps a valid month valid.
    if (!from.isValid() || !to.isValid() || !withinMostMonths(from, to, currentMonthValue))
        return std::wstring();
    CZebCMLinkPartsFiles files;
    const std::wstring calendarPath = files.getCalendarPagePath();
    std::wstring result;
    for (CStringYears month = from; month.isNotLaterThan(to); ++month) {
        const bool isNow = month.sameText(currentMonthValue);
        const std::wstring path = isNow ? calendarPath : files.getMonthPagePath(month.year, month.month);
        const std::wstring& position = month.sameText(from) ? kFirst : month.sameText(to) ? kLast : kMid;
        std::wstring markup = makeCalendarPage(month.year, month.month, path, create, position);
        if (isNow)
            result = markup;
    }
    return result;
}
