// The trend chart's temperature axis: room around the readings, round ends
// and tick marks, worked out by hand for typical and awkward spans.

#include "trend/AxisRange.h"

#include <gtest/gtest.h>

#include <string>

namespace vexmoor {
namespace {

struct AxisCase {
    const char* name;
    double low;
    double high;
    ValueRange expected;
};

class TemperatureAxis : public testing::TestWithParam<AxisCase> {};

TEST_P(TemperatureAxis, RoundEndsAroundTheReadings)
{
    const AxisCase& c = GetParam();
    const ValueRange range = NiceRange(c.low, c.high);
    EXPECT_DOUBLE_EQ(range.low, c.expected.low);
    EXPECT_DOUBLE_EQ(range.high, c.expected.high);
    EXPECT_EQ(range.ticks, c.expected.ticks);
}

INSTANTIATE_TEST_SUITE_P(
    Spans, TemperatureAxis,
    testing::Values(
        // Padded to [19.5, 25.5]; a fifth of that is 1.2, so steps of 2.
        AxisCase{"room_temperature", 20.0, 25.0, {18.0, 26.0, 5}},
        // A flat line still gets half a degree each side, in steps of 0.2.
        AxisCase{"flat_line", 21.5, 21.5, {21.0, 22.0, 6}},
        // Below zero the ends round outwards too: [-40.7, -39.3] in steps of 0.5.
        AxisCase{"below_zero", -40.2, -39.8, {-41.0, -39.0, 5}},
        // A tenth of the span as room: [-10, 110] in steps of 50.
        AxisCase{"wide", 0.0, 100.0, {-50.0, 150.0, 5}},
        // [-3.75, 41.25]: a fifth is 9, above 5, so steps of 10 and six intervals.
        AxisCase{"step_of_ten", 0.0, 37.5, {-10.0, 50.0, 7}},
        // The sensor's whole range: [-305, 955] in steps of 500.
        AxisCase{"whole_sensor_range", -200.0, 850.0, {-500.0, 1000.0, 4}}),
    [](const testing::TestParamInfo<AxisCase>& info) { return std::string(info.param.name); });

} // namespace
} // namespace vexmoor
