// The wall clock seam: the local offset at each instant, and the log's time
// of day taken from it, which must be what the C library's local time gives
// for the same second (the log's bytes depend on it).

#include "log/LogFormat.h"
#include "platform/Clock.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace vexmoor {
namespace {

struct TimeOfDayCase {
    const char* name;
    std::int64_t utcMs;
    std::int32_t offsetSec;
    TimeOfDay expected;
};

class LogTimeOfDay : public testing::TestWithParam<TimeOfDayCase> {};

TEST_P(LogTimeOfDay, IsTheLocalSecond)
{
    const TimeOfDayCase& c = GetParam();
    const TimeOfDay got = LocalTimeOfDay(platform::WallTime{c.utcMs, c.offsetSec});
    EXPECT_EQ(got.hour, c.expected.hour);
    EXPECT_EQ(got.minute, c.expected.minute);
    EXPECT_EQ(got.second, c.expected.second);
}

INSTANTIATE_TEST_SUITE_P(
    Instants, LogTimeOfDay,
    testing::Values(
        // 2026-12-10T13:05:09.999Z: milliseconds are cut, never rounded up.
        TimeOfDayCase{"utc_plus_one", 1796907909999, 3600, {14, 5, 9}},
        TimeOfDayCase{"utc", 1796907909000, 0, {13, 5, 9}},
        // 02:00Z five hours west is the evening before.
        TimeOfDayCase{"west_of_utc_the_day_before", 1796868000000, -5 * 3600, {21, 0, 0}},
        TimeOfDayCase{"fourteen_hours_east", 1796904000000, 14 * 3600, {2, 0, 0}},
        TimeOfDayCase{"half_hour_zone", 1796861700000, -(9 * 3600 + 1800), {14, 45, 0}},
        TimeOfDayCase{"last_second_of_the_day", 1796947199000, 0, {23, 59, 59}},
        TimeOfDayCase{"midnight", 1796947200000, 0, {0, 0, 0}},
        // Before 1970 the second still starts at the whole second below.
        TimeOfDayCase{"just_before_1970", -1, 0, {23, 59, 59}},
        TimeOfDayCase{"a_day_and_a_half_second_before_1970", -86400500, 0, {23, 59, 59}}),
    [](const testing::TestParamInfo<TimeOfDayCase>& info) { return std::string(info.param.name); });

#if !defined(_WIN32)
// Sets TZ for its lifetime (POSIX zone rules, so no time-zone database is needed).
class ScopedZone {
public:
    explicit ScopedZone(const char* zone)
    {
        if (const char* previous = std::getenv("TZ")) {
            saved_ = previous;
        }
        Set(zone);
    }
    ~ScopedZone()
    {
        if (saved_) {
            setenv("TZ", saved_->c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }
    ScopedZone(const ScopedZone&) = delete;
    ScopedZone& operator=(const ScopedZone&) = delete;

    static void Set(const char* zone)
    {
        setenv("TZ", zone, 1);
        tzset();
    }

private:
    std::optional<std::string> saved_;
};

// The offset is the local zone's at each instant.
TEST(WallClock, LocalOffsetFollowsTheZoneAtEachInstant)
{
    ScopedZone zone("UTC0");
    const auto offsetIn = [](const char* name, std::int64_t utcMs) {
        ScopedZone::Set(name);
        return platform::LocalWallTime(utcMs).utcOffsetSec;
    };
    EXPECT_EQ(offsetIn("CET-1CEST,M3.5.0,M10.5.0/3", 1796907909000), 3600);   // December
    EXPECT_EQ(offsetIn("CET-1CEST,M3.5.0,M10.5.0/3", 1782930600000), 7200);   // July
    EXPECT_EQ(offsetIn("CET-1CEST,M3.5.0,M10.5.0/3", 1792889999000), 7200);   // the last summer second
    EXPECT_EQ(offsetIn("CET-1CEST,M3.5.0,M10.5.0/3", 1792890000000), 3600);
    EXPECT_EQ(offsetIn("<+0545>-5:45", 1782930600000), 20700);
    EXPECT_EQ(offsetIn("<-0330>3:30", 1772331000000), -12600);
    EXPECT_EQ(platform::LocalWallTime(1772331000123).utcMs, 1772331000123);
}

// The log's time of day from the clock is the C library's local time of the
// same second, in every zone and across the changes to and from summer time.
TEST(WallClock, LogTimeOfDayIsTheCLibrarysLocalTime)
{
    ScopedZone zone("UTC0");
    for (const char* name : {"CET-1CEST,M3.5.0,M10.5.0/3", "EST5EDT,M3.2.0,M11.1.0", "<+0545>-5:45", "UTC0"}) {
        ScopedZone::Set(name);
        // Around the 2026 changes in Europe and North America, and a midnight.
        for (const std::int64_t aroundMs : {1774746000000, 1792890000000, 1773558000000, 1793512800000,
                                            1796947200000}) {
            for (std::int64_t stepMs = -2 * 3600 * 1000; stepMs <= 2 * 3600 * 1000; stepMs += 15 * 60 * 1000 + 1) {
                const std::int64_t utcMs = aroundMs + stepMs;
                const auto second = static_cast<std::time_t>(utcMs / 1000);
                std::tm expected{};
                ASSERT_NE(localtime_r(&second, &expected), nullptr);
                const TimeOfDay got = LocalTimeOfDay(platform::LocalWallTime(utcMs));
                EXPECT_EQ(got.hour, expected.tm_hour) << name << " " << utcMs;
                EXPECT_EQ(got.minute, expected.tm_min) << name << " " << utcMs;
                EXPECT_EQ(got.second, expected.tm_sec) << name << " " << utcMs;
            }
        }
    }
}
#endif

} // namespace
} // namespace vexmoor
