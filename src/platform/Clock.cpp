#include "platform/Clock.h"

#include <chrono>
#include <ctime>

namespace vexmoor::platform {

WallTime LocalWallTime(std::int64_t utcMs)
{
    using namespace std::chrono;
    // Whole seconds, rounded towards minus infinity also before 1970.
    const sys_seconds utc = floor<seconds>(sys_time<milliseconds>(milliseconds(utcMs)));
    const std::int64_t utcSec = utc.time_since_epoch().count();
    const auto instant = static_cast<std::time_t>(utcSec);
    std::tm local{};
#if defined(_WIN32)
    const bool converted = localtime_s(&local, &instant) == 0;
#else
    const bool converted = localtime_r(&instant, &local) != nullptr;
#endif
    if (!converted) {
        return WallTime{utcMs, 0};
    }
    // The local broken-down time read as if it were UTC, minus the instant.
    const sys_days date = year(local.tm_year + 1900) / month(static_cast<unsigned>(local.tm_mon + 1)) /
                          day(static_cast<unsigned>(local.tm_mday));
    const std::int64_t localSec = static_cast<std::int64_t>(date.time_since_epoch().count()) * 86400 +
                                  local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec;
    return WallTime{utcMs, static_cast<std::int32_t>(localSec - utcSec)};
}

WallTime SystemClock::Now()
{
    const auto now = std::chrono::system_clock::now();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
    return LocalWallTime(static_cast<std::int64_t>(ms));
}

} // namespace vexmoor::platform
