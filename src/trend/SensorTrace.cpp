#include "trend/SensorTrace.h"

#include <algorithm>

namespace vexmoor {

namespace {

// a / b rounded towards minus infinity (b > 0), so that times before 1970
// fall into the bucket before theirs, not the one after.
constexpr std::int64_t FloorDiv(std::int64_t a, std::int64_t b)
{
    const std::int64_t q = a / b;
    return (a % b != 0 && a < 0) ? q - 1 : q;
}

} // namespace

SensorTrace::SensorTrace(std::uint8_t channel, std::int64_t bucketMs)
    : channel_(channel == 1 ? 1 : 2), bucketMs_(std::max<std::int64_t>(bucketMs, 0))
{
}

bool SensorTrace::Joins(std::int64_t utcMs) const
{
    if (!hasLast_ || segments_.empty() || utcMs < lastValidMs_) {
        return false;
    }
    const std::int64_t since = utcMs - lastValidMs_;
    if (since > std::max(kMaxJoinMs, bucketMs_)) {
        return false;
    }
    return !broken_ || (bucketMs_ > 0 && since <= bucketMs_);
}

std::optional<SensorTrace::Change> SensorTrace::Add(const Reading& reading)
{
    if (reading.channel != channel_) {
        return std::nullopt;
    }
    if (reading.outcome != ReplyOutcome::Valid) {
        broken_ = true;
        return std::nullopt;
    }

    const TracePoint point{reading.time.utcMs, reading.celsius};
    Change change;
    if (!Joins(point.utcMs)) {
        segments_.emplace_back();
        bucket_.open = false;
        change.newSegment = true;
    }
    hasLast_ = true;
    lastValidMs_ = point.utcMs;
    broken_ = false;

    std::vector<TracePoint>& segment = segments_.back();
    if (bucketMs_ == 0) {
        change.from = segment.size();
        segment.push_back(point);
        return change;
    }

    const std::int64_t index = FloorDiv(point.utcMs, bucketMs_);
    if (bucket_.open && bucket_.index == index) {
        if (point.celsius < bucket_.low.celsius) {
            bucket_.low = point;
        }
        if (point.celsius > bucket_.high.celsius) {
            bucket_.high = point;
        }
    } else {
        bucket_ = Bucket{index, point, point, segment.size(), true};
    }
    change.from = bucket_.start;
    EmitBucket();
    return change;
}

void SensorTrace::EmitBucket()
{
    std::vector<TracePoint>& segment = segments_.back();
    segment.resize(bucket_.start);
    if (bucket_.low.utcMs == bucket_.high.utcMs) {
        segment.push_back(bucket_.low);
    } else if (bucket_.low.utcMs < bucket_.high.utcMs) {
        segment.push_back(bucket_.low);
        segment.push_back(bucket_.high);
    } else {
        segment.push_back(bucket_.high);
        segment.push_back(bucket_.low);
    }
}

SensorTrace::Dropped SensorTrace::DropBefore(std::int64_t utcMs)
{
    Dropped dropped;
    while (!segments_.empty() && segments_.front().back().utcMs < utcMs) {
        segments_.pop_front();
        ++dropped.segments;
    }
    if (segments_.empty()) {
        bucket_.open = false;
        return dropped;
    }
    std::vector<TracePoint>& first = segments_.front();
    const auto keep = std::find_if(first.begin(), first.end(),
                                   [utcMs](const TracePoint& point) { return point.utcMs >= utcMs; });
    dropped.points = static_cast<std::size_t>(keep - first.begin());
    first.erase(first.begin(), keep);
    if (segments_.size() == 1 && bucket_.open) {
        if (dropped.points > bucket_.start) {
            // Part of the open slot went: the next reading starts a new one.
            bucket_.open = false;
        } else {
            bucket_.start -= dropped.points;
        }
    }
    return dropped;
}

std::int64_t SessionBucketMs(std::int64_t spanMs)
{
    std::int64_t width = 2000;
    while (spanMs > width * kMaxSessionSlots) {
        width *= 2;
    }
    return width;
}

} // namespace vexmoor
