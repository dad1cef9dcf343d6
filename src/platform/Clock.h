#pragma once
// The wall clock, behind the seam that tests replace: the instant in UTC and
// the local time zone's offset from UTC at that instant. The log takes its
// time of day from it, the trend store the time of each reading.

#include <cstdint>

namespace vexmoor::platform {

struct WallTime {
    std::int64_t utcMs = 0;          // milliseconds since 1970-01-01T00:00:00Z
    std::int32_t utcOffsetSec = 0;   // local time minus UTC, in seconds
};

class Clock {
public:
    virtual ~Clock() = default;
    virtual WallTime Now() = 0;
};

// The system clock and the local time zone of the process.
class SystemClock final : public Clock {
public:
    WallTime Now() override;
};

// `utcMs` with the local time zone's offset at that instant.
WallTime LocalWallTime(std::int64_t utcMs);

} // namespace vexmoor::platform
