// Archive regeneration of the calendar-type diary: gathers the archive's state, asks ArchivePlan
// for the steps and carries them out. Part of CZebCMLinkParts.
#include <algorithm>
#include <string>
#include <vector>

#include "archive/ArchivePlan.h"
#include "archive/CZebCMLinkPartsData.h"
#include "generation/CZebCMLinkParts.h"
#include "platform/PageWriter.h"
#include "platform/TextConv.h"
#include "sitefiles/CZebCMLinkPartsFiles.h"

namespace {

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

// Reports the calendar page skipped because the walk from first to last is beyond the bound,
// naming the range and its origins.
void reportTooLong(const CStringYears& first, const CStringYears& last, const CStringYears& now)
{
    const long months = (last.year - first.year) * 12L + (last.month - first.month) + 1;
    CZebCMLinkPartsFiles files;
    const std::wstring reason = L"the diary's months " + first.text + L" to " + last.text + L" span " +
                                std::to_wstring(months) + L" months, more than " + std::to_wstring(kMostMonthsInARun) +
                                L" (" + first.text + L": " + originOf(first, now) + L"; " + last.text + L": " +
                                originOf(last, now) + L"); no diary page written";
    platform::PageWriter::skip(files.getCalendarPagePath(), platform::toUtf8(reason));
}

} // namespace

std::wstring CZebCMLinkParts::regenerateArchive()
{
    CZebCMLinkPartsFiles files;
    CZebCMLinkPartsData data;
    const std::wstring calendarPath = files.getCalendarPagePath();

    ArchiveState state;
    state.now = currentMonthValue;
    std::vector<std::wstring> staleTexts;
    data.collectStaleMonths(staleTexts);
    state.staleMonths = validMonths(staleTexts);
    state.calendarPageExists = files.calendarPageExists();
    // Read in an update too: whether the page still holds its calendar decides what is written.
    std::wstring storedMarkup;
    if (state.calendarPageExists && state.staleMonths.empty())
        state.calendarHoldsCalendar = files.readElementMarkup(calendarPath, storedMarkup, calendarId);
    // Nothing stale and the calendar in place: the plan needs no more, so the folder is not listed.
    if (state.calendarPageExists && !state.calendarHoldsCalendar) {
        std::vector<std::wstring> existingTexts;
        files.getMonthPageMonths(existingTexts);
        state.monthPages = validMonths(existingTexts);
        state.calendarPageMonth = CStringYears(files.getLastWriteMonth(calendarPath));
    }
    state.monthPageExists = [&files](const CStringYears& month) {
        return files.pageExists(files.getMonthPagePath(month.year, month.month));
    };
    state.monthPageStale = [&data](const CStringYears& month) {
        return data.isMonthPageStale(month.year, month.month);
    };

    const ArchivePlan plan = planArchive(state);
    if (plan.storedCalendar == ArchivePlan::StoredCalendar::Always)
        return storedMarkup;
    if (plan.tooLong)
        reportTooLong(plan.tooLongFirst, plan.tooLongLast, state.now);

    std::wstring result;
    bool builtNow = false;
    for (const ArchiveStep& step : plan.steps) {
        const std::wstring path =
            step.intoCalendarPage ? calendarPath : files.getMonthPagePath(step.month.year, step.month.month);
        std::wstring markup = makeCalendarPage(step.month.year, step.month.month, path, step.create, step.position);
        if (step.intoCalendarPage) {
            result = markup;
            builtNow = true;
        }
    }
    if (!builtNow && markupWanted && plan.storedCalendar == ArchivePlan::StoredCalendar::WhenNotBuilt) {
        std::wstring markup;
        if (files.readElementMarkup(calendarPath, markup, calendarId))
            result = markup;
    }
    return result;
}
