#include "log/LogFormat.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace vexmoor {
namespace {

constexpr TimeOfDay kTime{14, 5, 9};

RecordValues Values(std::uint8_t status1, std::uint8_t status2)
{
    return RecordValues{status1, status2, 26.3, 23.5, 110.25, 109.13};
}

const std::string kBlank(11, ' ');

struct RecordCase {
    const char* name;
    RecordValues values;
    TimeOfDay time;
    std::string expected;  // without the line end
};

void PrintTo(const RecordCase& c, std::ostream* out)
{
    *out << c.name;
}

class RecordLines : public testing::TestWithParam<RecordCase> {};

TEST_P(RecordLines, ByteForByte)
{
    const RecordCase& c = GetParam();
    EXPECT_EQ(RecordLine(c.values, c.time), c.expected + "\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    Columns, RecordLines,
    testing::Values(
        RecordCase{"both_valid", Values(0x88, 0x77), kTime,
                   "14:05:09 +26.300    +23.500    +2.800     110.2500   109.1300   "},
        RecordCase{"ch2_no_sensor", Values(0x88, 0x66), kTime,
                   "14:05:09 +26.300    No Sensor2" + kBlank + "110.2500   " + kBlank},
        RecordCase{"ch2_overflow", Values(0x88, 0x44), kTime,
                   "14:05:09 +26.300    Overflow2" + kBlank + "110.2500   " + kBlank},
        RecordCase{"no_ch2_reply_yet", Values(0x88, 0x00), kTime,
                   "14:05:09 +26.300    " + kBlank + "110.2500   " + kBlank},
        RecordCase{"ch1_no_sensor", Values(0x55, 0x77), kTime,
                   "14:05:09 No Sensor1 +23.500    " + kBlank + kBlank + "109.1300   "},
        RecordCase{"ch1_overflow", Values(0x33, 0x77), kTime,
                   "14:05:09 Overflow1  +23.500    " + kBlank + kBlank + "109.1300   "},
        // Another channel's code in a status byte counts as no reading at all.
        RecordCase{"codes_of_the_other_channel", Values(0x77, 0x88), kTime,
                   "14:05:09 " + kBlank + kBlank + kBlank},
        RecordCase{"negative_temperature", RecordValues{0x88, 0x77, -5.125, 20.0, 98.0, 107.79}, kTime,
                   "14:05:09 -5.125     +20.000    -25.125    98.0000    107.7900   "},
        RecordCase{"megaohm_is_written_in_full",
                   RecordValues{0x88, 0x77, 20.0, 20.0, 1000000.0, 12345678.5}, kTime,
                   "14:05:09 +20.000    +20.000    +0.000     1000000.000012345678.5000"},
        RecordCase{"after_midnight", Values(0x88, 0x77), TimeOfDay{0, 0, 7},
                   "00:00:07 +26.300    +23.500    +2.800     110.2500   109.1300   "}),
    [](const testing::TestParamInfo<RecordCase>& info) { return std::string(info.param.name); });

TEST(RecordLines, LengthsBeforeTheLineEnd)
{
    const auto length = [](std::uint8_t s1, std::uint8_t s2) {
        return RecordLine(Values(s1, s2), kTime).size() - 2;
    };
    EXPECT_EQ(length(0x88, 0x77), 64u);
    EXPECT_EQ(length(0x88, 0x66), 63u);
    EXPECT_EQ(length(0x88, 0x44), 62u);
    EXPECT_EQ(length(0x88, 0x00), 53u);
}

TEST(MarkerLines, EndInTwoCarriageReturnsAndALineFeed)
{
    EXPECT_EQ(HeaderLine(), "Time      t1(C)      t2(C)     t1-t2(C)   R1 (Ohm)  R2 (Ohm)\r\r\n");
    EXPECT_EQ(EndMarkerLine(), "end recording\r\r\n");
    // Titles start at columns 0, 10, 21, 31, 42 and 52.
    const std::string header = HeaderLine();
    EXPECT_EQ(header.find("t1(C)"), 10u);
    EXPECT_EQ(header.find("t2(C)"), 21u);
    EXPECT_EQ(header.find("t1-t2(C)"), 31u);
    EXPECT_EQ(header.find("R1 (Ohm)"), 42u);
    EXPECT_EQ(header.find("R2 (Ohm)"), 52u);
}

} // namespace
} // namespace vexmoor
