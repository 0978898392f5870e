#include "archive/CZebCMLinkPartsData.h"

#include <cstdint>
#include <utility>

#include "content/CZebCMPartsXmlData.h"
#include "host/ArraySort.h"
#include "host/CRuvFileFind.h"
#include "platform/TextConv.h"
#include "platform/Wtoi.h"
#include "sitefiles/CZebCMLinkPartsFiles.h"

namespace {

const std::wstring kCalendarId = CZebCMLinkPartsFiles::kCalendarId;

// Stale: the page's last-write time is strictly earlier than its data file's. A missing file (and
// an empty page) has time 0, so a missing page with data is stale and a missing data file never
// makes a page stale.
bool isOlderThanData(CZebCMLinkPartsFiles& files, const std::wstring& pagePath, const std::wstring& dataPath)
{
    if (pagePath.empty())
        return false;
    std::int64_t pageTime = files.getPageWriteTime(pagePath);
    std::int64_t dataTime = files.getLastWriteTime(dataPath);
    return pageTime < dataTime;
}

} // namespace

CZebCMLinkPartsData::~CZebCMLinkPartsData() = default;

bool CZebCMLinkPartsData::listContentFiles(std::vector<std::wstring>& names)
{
    names.clear();
    CZebCMLinkPartsFiles files;
    std::wstring folder = files.getCmsFolder();
    if (folder.empty())
        return false;
    CRuvFileFind finder;
    if (finder.FindFile(folder + L"*.xml")) {
        do {
            if (finder.IsDots())
                continue;
            std::wstring name = finder.GetFileName();
            if (name.find(kCalendarId) != std::wstring::npos)
                names.push_back(name);
        } while (finder.FindNextFile());
    }
    finder.Close();
    return !names.empty();
}

std::wstring CZebCMLinkPartsData::getMonthDataPath(int year, int month)
{
    CZebCMLinkPartsFiles files;
    std::wstring folder = files.getCmsFolder();
    if (folder.empty())
        return folder;
    static const std::wstring format = kCalendarId + L"%04d%02d.xml";
    return folder += platform::formatW(format.c_str(), year, month);
}

std::wstring CZebCMLinkPartsData::getCategoryDataPath(int n)
{
    CZebCMLinkPartsFiles files;
    std::wstring id = files.getCategoryPartId(n);
    if (id.empty())
        return std::wstring();
    std::wstring folder = files.getCmsFolder();
    if (folder.empty())
        return folder;
    return folder.append(id).append(L".xml");
}

void CZebCMLinkPartsData::readCategoryEntries(int n, std::vector<std::wstring>& links,
                                              std::vector<std::wstring>& titles, int limit)
{
    links.clear();
    titles.clear();
    std::wstring path = getCategoryDataPath(n);
    if (path.empty())
        return;
    CZebCMPartsXmlData reader(path);
    // The counter is compared with "not greater than", so limit + 1 entries are taken: the link
    // parts rely on that count.
    int count = 0;
    for (CZebCMPartsXmlData::CSelection* entry = reader.getFirst(); entry && count <= limit;
         entry = reader.getNext(), ++count) {
        // The reader is this walk's alone: its texts are taken rather than copied.
        links.push_back(std::move(entry->link));
        titles.push_back(std::move(entry->title));
    }
}

void CZebCMLinkPartsData::readMonthDayLinks(int year, int month, std::vector<std::wstring>& dayLinks)
{
    dayLinks.assign(31, std::wstring());
    std::wstring path = getMonthDataPath(year, month);
    if (path.empty())
        return;
    CZebCMPartsXmlData reader(path);
    int lastDay = 0;
    for (CZebCMPartsXmlData::CSelection* entry = reader.getFirst(); entry; entry = reader.getNext()) {
        int day = platform::wtoi(entry->day);
        if (day < 1 || day > 31 || day == lastDay)
            continue;
        dayLinks.at(static_cast<std::size_t>(day - 1)) = std::move(entry->link);
        lastDay = day;
    }
}

bool CZebCMLinkPartsData::isMonthPageStale(int year, int month)
{
    CZebCMLinkPartsFiles files;
    return isOlderThanData(files, files.getMonthPagePath(year, month), getMonthDataPath(year, month));
}

bool CZebCMLinkPartsData::collectStaleMonths(std::vector<std::wstring>& months)
{
    std::vector<std::wstring> names;
    if (!listContentFiles(names))
        return false;
    months.clear();
    CZebCMLinkPartsFiles files;
    for (const std::wstring& name : names) {
        std::wstring yearText;
        std::wstring monthText;
        // The category data file (the id followed by ".") is no month.
        if (!CZebCMLinkPartsFiles::cutMonthFromName(name, yearText, monthText))
            continue;
        int year = platform::wtoi(yearText);
        int month = platform::wtoi(monthText);
        std::int64_t pageTime = files.getPageWriteTime(files.getMonthPagePath(year, month));
        if (pageTime == 0 || pageTime < files.getLastWriteTime(getMonthDataPath(year, month)))
            months.push_back(yearText + L"-" + monthText);
    }
    ArraySort::Sort(months);
    return !months.empty();
}

bool CZebCMLinkPartsData::isCategoryPageStale(int n)
{
    CZebCMLinkPartsFiles files;
    return isOlderThanData(files, files.getCategoryPagePath(n), getCategoryDataPath(n));
}

bool CZebCMLinkPartsData::isCategoryPageCurrent(int n)
{
    CZebCMLinkPartsFiles files;
    std::int64_t pageTime = 0;
    return files.findPage(files.getCategoryPagePath(n), pageTime) &&
           !(pageTime < files.getLastWriteTime(getCategoryDataPath(n)));
}
