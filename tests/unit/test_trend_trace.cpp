// A sensor's line on the trend chart: where it breaks, how a long session is
// summed up per slot, and how old points go.

#include "trend/SensorTrace.h"

#include <gtest/gtest.h>

#include <vector>

namespace vexmoor {
namespace {

Reading At(std::int64_t ms, std::uint8_t channel, ReplyOutcome outcome = ReplyOutcome::Valid, double celsius = 20.0)
{
    Reading reading;
    reading.time = platform::WallTime{ms, 0};
    reading.channel = channel;
    reading.outcome = outcome;
    reading.celsius = celsius;
    return reading;
}

// The times of each segment's points.
std::vector<std::vector<std::int64_t>> Times(const SensorTrace& trace)
{
    std::vector<std::vector<std::int64_t>> times;
    for (const auto& segment : trace.Segments()) {
        times.emplace_back();
        for (const TracePoint& point : segment) {
            times.back().push_back(point.utcMs);
        }
    }
    return times;
}

struct BreakCase {
    const char* name;
    std::vector<Reading> readings;
    std::vector<std::vector<std::int64_t>> channel1;
};

TEST(SensorTrace, BreaksWhereTheChannelGaveNoValidReading)
{
    using enum ReplyOutcome;
    const std::vector<BreakCase> cases{
        {"a healthy run: channel 1 every two seconds, channel 2 between",
         {At(0, 1), At(1000, 2), At(2000, 1), At(3000, 2), At(4000, 1)},
         {{0, 2000, 4000}}},
        {"a reply one tick late joins", {At(0, 1), At(3000, 1), At(6500, 1)}, {{0, 3000, 6500}}},
        {"longer than 3.5 s breaks", {At(0, 1), At(3501, 1)}, {{0}, {3501}}},
        {"no sensor breaks", {At(0, 1), At(2000, 1, NoSensor), At(4000, 1)}, {{0}, {4000}}},
        {"over range breaks", {At(0, 1), At(2000, 1, Overflow), At(4000, 1)}, {{0}, {4000}}},
        {"a bad frame breaks", {At(0, 1), At(2000, 1, BadFrame), At(4000, 1)}, {{0}, {4000}}},
        {"another status breaks", {At(0, 1), At(2000, 1, OtherStatus), At(4000, 1)}, {{0}, {4000}}},
        {"a run of failures is one gap",
         {At(0, 1), At(2000, 1, NoSensor), At(4000, 1, NoSensor), At(6000, 1), At(8000, 1)},
         {{0}, {6000, 8000}}},
        {"the other channel's failures do not break",
         {At(0, 1), At(1000, 2, NoSensor), At(2000, 1), At(3000, 2, BadFrame), At(4000, 1)},
         {{0, 2000, 4000}}},
        {"a pause between runs breaks", {At(0, 1), At(2000, 1), At(65000, 1), At(67000, 1)}, {{0, 2000}, {65000, 67000}}},
        {"a clock set back breaks", {At(10000, 1), At(8000, 1), At(10000, 1)}, {{10000}, {8000, 10000}}},
        {"only failures: nothing to draw", {At(0, 1, NoSensor), At(2000, 1, Overflow)}, {}},
    };
    for (const BreakCase& c : cases) {
        SCOPED_TRACE(c.name);
        SensorTrace trace(1);
        for (const Reading& reading : c.readings) {
            trace.Add(reading);
        }
        EXPECT_EQ(Times(trace), c.channel1);
    }
}

TEST(SensorTrace, ReportsWhatEachReadingChanged)
{
    using Change = SensorTrace::Change;
    SensorTrace trace(2);
    EXPECT_EQ(trace.Add(At(0, 2)), (Change{true, 0}));
    EXPECT_EQ(trace.Add(At(1000, 1)), std::nullopt);  // the other channel
    EXPECT_EQ(trace.Add(At(2000, 2)), (Change{false, 1}));
    EXPECT_EQ(trace.Add(At(4000, 2, ReplyOutcome::Overflow)), std::nullopt);
    EXPECT_EQ(trace.Add(At(6000, 2, ReplyOutcome::Valid, 21.25)), (Change{true, 0}));
    ASSERT_EQ(trace.Segments().size(), 2u);
    EXPECT_EQ(trace.Segments().back(), (std::vector<TracePoint>{{6000, 21.25}}));
}

TEST(SensorTrace, SlotsSumUpTheirReadingsAsLowestAndHighestInTimeOrder)
{
    using Change = SensorTrace::Change;
    SensorTrace trace(1, 10000);
    EXPECT_EQ(trace.Add(At(0, 1, ReplyOutcome::Valid, 20.0)), (Change{true, 0}));
    EXPECT_EQ(trace.Add(At(2000, 1, ReplyOutcome::Valid, 22.0)), (Change{false, 0}));
    EXPECT_EQ(trace.Add(At(4000, 1, ReplyOutcome::Valid, 19.0)), (Change{false, 0}));
    EXPECT_EQ(trace.Add(At(6000, 1, ReplyOutcome::Valid, 21.0)), (Change{false, 0}));
    EXPECT_EQ(trace.Segments().back(), (std::vector<TracePoint>{{2000, 22.0}, {4000, 19.0}}));

    EXPECT_EQ(trace.Add(At(10000, 1, ReplyOutcome::Valid, 20.5)), (Change{false, 2}));
    EXPECT_EQ(trace.Add(At(12000, 1, ReplyOutcome::Valid, 18.0)), (Change{false, 2}));
    EXPECT_EQ(trace.Segments().back(),
              (std::vector<TracePoint>{{2000, 22.0}, {4000, 19.0}, {10000, 20.5}, {12000, 18.0}}));

    // A failure shorter than a slot is not drawn; a pause longer than one is.
    trace.Add(At(14000, 1, ReplyOutcome::NoSensor));
    trace.Add(At(16000, 1, ReplyOutcome::Valid, 18.5));
    EXPECT_EQ(trace.Segments().size(), 1u);
    EXPECT_EQ(trace.Add(At(40000, 1, ReplyOutcome::Valid, 18.5)), (Change{true, 0}));
    EXPECT_EQ(Times(trace), (std::vector<std::vector<std::int64_t>>{{2000, 4000, 10000, 12000}, {40000}}));
}

TEST(SensorTrace, DropsOldPointsWholeSegmentsFirst)
{
    using Dropped = SensorTrace::Dropped;
    SensorTrace trace(1);
    for (const std::int64_t ms : {0, 2000, 4000, 60000, 62000, 64000}) {
        trace.Add(At(ms, 1));
    }
    EXPECT_EQ(trace.DropBefore(3000), (Dropped{0, 2}));
    EXPECT_EQ(Times(trace), (std::vector<std::vector<std::int64_t>>{{4000}, {60000, 62000, 64000}}));
    EXPECT_EQ(trace.DropBefore(61000), (Dropped{1, 1}));
    EXPECT_EQ(Times(trace), (std::vector<std::vector<std::int64_t>>{{62000, 64000}}));
    EXPECT_EQ(trace.DropBefore(0), (Dropped{0, 0}));
    trace.Add(At(66000, 1));  // still joins the line it continues
    EXPECT_EQ(Times(trace), (std::vector<std::vector<std::int64_t>>{{62000, 64000, 66000}}));
    EXPECT_EQ(trace.DropBefore(100000), (Dropped{1, 0}));
    EXPECT_TRUE(trace.Segments().empty());
    EXPECT_EQ(trace.Add(At(68000, 1)), (SensorTrace::Change{true, 0}));

    // Dropping into the open slot: the slot's next reading starts afresh and
    // no dropped point comes back.
    SensorTrace slots(1, 10000);
    slots.Add(At(0, 1, ReplyOutcome::Valid, 25.0));
    slots.Add(At(2000, 1, ReplyOutcome::Valid, 20.0));
    EXPECT_EQ(slots.DropBefore(1000), (Dropped{0, 1}));
    slots.Add(At(4000, 1, ReplyOutcome::Valid, 21.0));
    EXPECT_EQ(Times(slots), (std::vector<std::vector<std::int64_t>>{{2000, 4000}}));
}

TEST(SensorTrace, SessionSlotsCoverTheSpanInAtMostAThousand)
{
    EXPECT_EQ(SessionBucketMs(0), 2000);
    EXPECT_EQ(SessionBucketMs(2000 * kMaxSessionSlots), 2000);
    EXPECT_EQ(SessionBucketMs(2000 * kMaxSessionSlots + 1), 4000);
    for (const std::int64_t span : {std::int64_t{3'600'000}, std::int64_t{86'400'000}, std::int64_t{8} * 86'400'000}) {
        const std::int64_t width = SessionBucketMs(span);
        EXPECT_LE(span, width * kMaxSessionSlots);
        EXPECT_GT(span, width / 2 * kMaxSessionSlots);  // the narrowest that does
    }
}

} // namespace
} // namespace vexmoor
