#pragma once
// Calendar arithmetic on UTC milliseconds and days, for the trend's times:
// pure, with no time zone of its own (a WallTime carries its offset).

#include <cstdint>

namespace vexmoor {

// a / b rounded towards minus infinity (b != 0), for times before 1970 and
// negative offsets.
constexpr std::int64_t FloorDiv(std::int64_t a, std::int64_t b)
{
    const std::int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

// Days since 1970-01-01 of a date in the proleptic Gregorian calendar, and back.
std::int64_t DaysFromCivil(std::int64_t year, unsigned month, unsigned day);
struct CivilDate {
    std::int64_t year;
    unsigned month;
    unsigned day;
};
CivilDate CivilFromDays(std::int64_t days);

} // namespace vexmoor
