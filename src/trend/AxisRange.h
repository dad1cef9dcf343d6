#pragma once
// The temperature axis of the trend chart: a range around the readings shown,
// with round tick marks. Pure arithmetic; the chart only applies it.

namespace vexmoor {

struct ValueRange {
    double low;
    double high;
    int ticks;  // tick marks from low to high, both included
};

// A range around [low, high] with a little room above and below (a tenth of
// the span, at least half a degree), its ends on multiples of a step of 1, 2
// or 5 times a power of ten: the smallest such step that is at least a fifth
// of the padded span, so the axis has at most six intervals.
ValueRange NiceRange(double low, double high);

} // namespace vexmoor
