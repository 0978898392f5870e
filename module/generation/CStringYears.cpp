#include "generation/CStringYears.h"

#include <utility>

#include "platform/Clock.h"
#include "platform/TextConv.h"
#include "platform/Wtoi.h"

namespace {

// Sum that wraps instead of overflowing: a damaged text can parse to a month near INT_MAX, and
// stepping such a value must stay defined even though no user will look at the result.
int wrappingAdd(int a, int b)
{
    return static_cast<int>(static_cast<unsigned>(a) + static_cast<unsigned>(b));
}

} // namespace

CStringYears::CStringYears() : year(0), month(0) {}

CStringYears::CStringYears(int year, int month) : year(year), month(month)
{
    format();
}

CStringYears::CStringYears(std::wstring source) : year(0), month(0), text(std::move(source))
{
    year = platform::wtoi(text.substr(0, 4));
    // Without a "-" the position is taken as -1, so the month is read from the whole text.
    const std::wstring::size_type dash = text.find(L'-');
    month = platform::wtoi(dash == std::wstring::npos ? text : text.substr(dash + 1));
    format();
}

CStringYears::CStringYears(const CStringYears& other) = default;

CStringYears::~CStringYears() = default;

CStringYears& CStringYears::operator=(const CStringYears& other)
{
    // Equal texts leave the target as it is, numbers included.
    if (text == other.text)
        return *this;
    year = other.year;
    month = other.month;
    text = other.text;
    return *this;
}

CStringYears& CStringYears::operator++()
{
    if (month == 12) {
        month = 1;
        year = wrappingAdd(year, 1);
    } else {
        month = wrappingAdd(month, 1);
    }
    format();
    return *this;
}

CStringYears CStringYears::operator++(int)
{
    CStringYears before(*this);
    ++*this;
    return before;
}

CStringYears CStringYears::operator+(int n) const
{
    int newYear = wrappingAdd(year, n / 12);
    int newMonth = wrappingAdd(month, n % 12);
    if (newMonth > 12) {
        newMonth -= 12;
        newYear = wrappingAdd(newYear, 1);
    }
    return CStringYears(newYear, newMonth);
}

CStringYears CStringYears::operator-(int n) const
{
    int newYear = wrappingAdd(year, -(n / 12));
    int newMonth = wrappingAdd(month, -(n % 12));
    if (newMonth <= 0) {
        newMonth = wrappingAdd(newMonth, 12);
        newYear = wrappingAdd(newYear, -1);
    }
    return CStringYears(newYear, newMonth);
}

bool CStringYears::isEarlierThan(const CStringYears& other) const
{
    if (year != other.year)
        return year < other.year;
    return month < other.month;
}

bool CStringYears::isNotLaterThan(const CStringYears& other) const
{
    if (year != other.year)
        return year < other.year;
    return month <= other.month;
}

bool CStringYears::isLaterThan(const CStringYears& other) const
{
    return other.isEarlierThan(*this);
}

bool CStringYears::isValid() const
{
    // A month of a file name has a four-digit year, so nothing beyond 9999 names a real month.
    return year >= 1 && year <= 9999 && month >= 1 && month <= 12;
}

bool CStringYears::currentMonth(int& year, int& month)
{
    if (!platform::Clock::currentYearMonth(year, month)) {
        year = -1;
        month = -1;
        return false;
    }
    return true;
}

void CStringYears::format()
{
    text = platform::formatW(L"%04d-%02d", year, month);
}
