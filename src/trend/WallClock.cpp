#include "trend/WallClock.h"

#include <chrono>
#include <ctime>

namespace vexmoor {

// The civil calendar conversions count in eras of 400 years (146097 days),
// in which the Gregorian leap-year pattern repeats; the year is taken to start
// in March so that the leap day ends it.
std::int64_t DaysFromCivil(std::int64_t year, unsigned month, unsigned day)
{
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = FloorDiv(year, 400);
    const auto yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<std::int64_t>(dayOfEra) - 719468;
}

CivilDate CivilFromDays(std::int64_t days)
{
    days += 719468;
    const std::int64_t era = FloorDiv(days, 146097);
    const auto dayOfEra = static_cast<unsigned>(days - era * 146097);
    const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned monthIndex = (5 * dayOfYear + 2) / 153;
    const unsigned day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
    const unsigned month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
    const std::int64_t year = static_cast<std::int64_t>(yearOfEra) + era * 400 + (month <= 2 ? 1 : 0);
    return CivilDate{year, month, day};
}

WallTime LocalWallTime(std::int64_t utcMs)
{
    const std::int64_t utcSec = FloorDiv(utcMs, 1000);
    const auto seconds = static_cast<std::time_t>(utcSec);
    std::tm local{};
#if defined(_WIN32)
    const bool converted = localtime_s(&local, &seconds) == 0;
#else
    const bool converted = localtime_r(&seconds, &local) != nullptr;
#endif
    if (!converted) {
        return WallTime{utcMs, 0};
    }
    // The local broken-down time read as if it were UTC, minus the instant.
    const std::int64_t localSec =
        DaysFromCivil(static_cast<std::int64_t>(local.tm_year) + 1900, static_cast<unsigned>(local.tm_mon + 1),
                      static_cast<unsigned>(local.tm_mday)) * 86400 +
        local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec;
    return WallTime{utcMs, static_cast<std::int32_t>(localSec - utcSec)};
}

WallTime SystemWallClock::Now()
{
    const auto now = std::chrono::system_clock::now();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
    return LocalWallTime(static_cast<std::int64_t>(ms));
}

} // namespace vexmoor
