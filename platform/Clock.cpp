#include "platform/Clock.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <atomic>
#include <ctime>

namespace platform {

namespace {

// One process-wide clock; the platform is linked once into the host services library, so the
// host and the modules it loads see the same setting.
std::atomic<bool> fixedFlag{false};
std::atomic<std::int64_t> fixedMoment{0};

} // namespace

std::int64_t Clock::now()
{
    if (fixedFlag.load())
        return fixedMoment.load();
    return static_cast<std::int64_t>(std::time(nullptr));
}

void Clock::fix(std::int64_t secondsSinceEpoch)
{
    fixedMoment.store(secondsSinceEpoch);
    fixedFlag.store(true);
}

void Clock::release()
{
    fixedFlag.store(false);
}

bool Clock::isFixed()
{
    return fixedFlag.load();
}

bool Clock::localYearMonth(std::int64_t secondsSinceEpoch, int& year, int& month)
{
    year = -1;
    month = -1;
    const std::time_t t = static_cast<std::time_t>(secondsSinceEpoch);
    std::tm parts{};
    if (!localtime_r(&t, &parts))
        return false;
    year = parts.tm_year + 1900;
    month = parts.tm_mon + 1;
    return true;
}

bool Clock::currentYearMonth(int& year, int& month)
{
    return localYearMonth(now(), year, month);
}

bool Clock::stampWrittenFile(const std::string& utf8Path)
{
    if (!isFixed())
        return true;
    timespec times[2];
    times[0].tv_sec = static_cast<std::time_t>(fixedMoment.load());
    times[0].tv_nsec = 0;
    times[1] = times[0];
    return utimensat(AT_FDCWD, utf8Path.c_str(), times, 0) == 0;
}

} // namespace platform
