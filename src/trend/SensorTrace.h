#pragma once
// One sensor's line on the trend chart: its valid readings as points (time,
// °C), in segments that break where the sensor gave no valid reading. The
// chart draws each segment as a line of its own, so a break shows as a gap.
//
// Break rule. Each channel is read every two seconds. Two consecutive valid
// readings of the channel are joined when the second comes at most
// kMaxJoinMs after the first and no other reply of that channel (no sensor,
// over range, bad frame, other status) came between them. A reply one tick
// late still joins; a pause between runs, a silent instrument or a clock set
// back breaks the line. Replies of the other channel play no part.
//
// With a bucket width (the whole-session view of a long run), the points of a
// segment are summed up per slot of that width as its lowest and its highest
// reading, and breaks shorter than one slot are not drawn: neither would show
// at that scale, and the number of points and segments stays bounded by the
// number of slots.

#include "trend/TrendStore.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

namespace vexmoor {

struct TracePoint {
    std::int64_t utcMs = 0;
    double celsius = 0.0;

    friend bool operator==(const TracePoint&, const TracePoint&) = default;
};

class SensorTrace {
public:
    static constexpr std::int64_t kMaxJoinMs = 3500;

    // `bucketMs` 0: every valid reading is a point of its own.
    explicit SensorTrace(std::uint8_t channel, std::int64_t bucketMs = 0);

    // What a reading changed: the points of the last segment from index
    // `from` on are new or replaced; `newSegment`: that segment was started by
    // this reading.
    struct Change {
        bool newSegment = false;
        std::size_t from = 0;

        friend bool operator==(const Change&, const Change&) = default;
    };
    // Nothing to draw changes for a reading of the other channel or a
    // non-valid one (which only breaks the line): nullopt.
    std::optional<Change> Add(const Reading& reading);

    // What DropBefore took: whole segments from the front, then leading
    // points of the segment that is now the first.
    struct Dropped {
        std::size_t segments = 0;
        std::size_t points = 0;

        friend bool operator==(const Dropped&, const Dropped&) = default;
    };
    // Drops every point older than `utcMs`.
    Dropped DropBefore(std::int64_t utcMs);

    const std::deque<std::vector<TracePoint>>& Segments() const { return segments_; }
    std::uint8_t Channel() const { return channel_; }
    std::int64_t BucketMs() const { return bucketMs_; }

private:
    bool Joins(std::int64_t utcMs) const;
    void EmitBucket();

    struct Bucket {
        std::int64_t index = 0;
        TracePoint low;
        TracePoint high;
        std::size_t start = 0;  // index of its first point in the last segment
        bool open = false;
    };

    std::uint8_t channel_;
    std::int64_t bucketMs_;
    std::deque<std::vector<TracePoint>> segments_;
    Bucket bucket_;
    bool hasLast_ = false;
    std::int64_t lastValidMs_ = 0;
    bool broken_ = false;
};

// The whole-session view's slot width for a run spanning `spanMs`: two
// seconds doubled until at most kMaxSessionSlots slots cover the span.
constexpr std::int64_t kMaxSessionSlots = 1000;
std::int64_t SessionBucketMs(std::int64_t spanMs);

} // namespace vexmoor
