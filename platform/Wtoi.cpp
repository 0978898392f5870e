#include "platform/Wtoi.h"

#include <climits>

namespace platform {

namespace {

// The white space the C locale knows. Not iswspace: its answer depends on the locale the process
// has set (the terminal dialog sets the user's), and a number must read the same everywhere.
bool isAsciiSpace(wchar_t c)
{
    return c == L' ' || (c >= L'\t' && c <= L'\r');
}

} // namespace

int wtoi(const wchar_t* text)
{
    if (!text)
        return 0;
    const wchar_t* p = text;
    while (isAsciiSpace(*p))
        ++p;
    bool negative = false;
    if (*p == L'+' || *p == L'-') {
        negative = *p == L'-';
        ++p;
    }
    // Accumulate as a negative number: its range holds INT_MIN, so both ends saturate exactly.
    long long value = 0;
    for (; *p >= L'0' && *p <= L'9'; ++p) {
        value = value * 10 - (*p - L'0');
        if (value < static_cast<long long>(INT_MIN) - 1)
            value = static_cast<long long>(INT_MIN) - 1; // keeps going without overflowing
    }
    if (negative)
        return value < INT_MIN ? INT_MIN : static_cast<int>(value);
    if (-value > INT_MAX)
        return INT_MAX;
    return static_cast<int>(-value);
}

int wtoi(const std::wstring& text)
{
    return wtoi(text.c_str());
}

} // namespace platform
