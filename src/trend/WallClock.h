#pragma once
// The wall-clock time of a reading: the instant in UTC and the local time
// zone's offset from UTC at that instant, behind a seam that tests replace.

#include <cstdint>

namespace vexmoor {

struct WallTime {
    std::int64_t utcMs = 0;          // milliseconds since 1970-01-01T00:00:00Z
    std::int32_t utcOffsetSec = 0;   // local time minus UTC, in seconds
};

class WallClock {
public:
    virtual ~WallClock() = default;
    virtual WallTime Now() = 0;
};

// The system clock and the local time zone of the process.
class SystemWallClock final : public WallClock {
public:
    WallTime Now() override;
};

// `utcMs` with the local time zone's offset at that instant.
WallTime LocalWallTime(std::int64_t utcMs);

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
