#pragma once
#include <cstdint>
#include <string>

namespace platform {

// The local clock. A run can fix it (zebhost --now); while it is fixed, "now" is the fixed moment
// and files written through the platform get that moment as their last-write time, so a run at a
// fixed date behaves as it would have on that date.
class Clock {
public:
    // Seconds since 1970-01-01 UTC: the fixed moment when fixed, else the system clock.
    static std::int64_t now();
    // Fixes the clock at the given moment (seconds since 1970-01-01 UTC).
    static void fix(std::int64_t secondsSinceEpoch);
    // Returns the clock to the system time.
    static void release();
    // Whether the clock is fixed.
    static bool isFixed();
    // Local calendar year (e.g. 2008) and month (1..12) of a moment; false and both -1 when the
    // conversion fails.
    static bool localYearMonth(std::int64_t secondsSinceEpoch, int& year, int& month);
    // Local year and month of now; false and both -1 when the conversion fails.
    static bool currentYearMonth(int& year, int& month);
    // Sets the last-write time of a written file to the fixed moment; does nothing when the clock
    // is not fixed. Returns false when the time could not be set.
    static bool stampWrittenFile(const std::string& utf8Path);
};

} // namespace platform
