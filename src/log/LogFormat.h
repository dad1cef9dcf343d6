#pragma once
// The measurement log's lines, byte for byte. The file is a Windows text file:
// the header and the end marker end in CR CR LF, records in CR LF, on every
// platform. Pure functions of values and the time of day.

#include "platform/Clock.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace vexmoor {

struct TimeOfDay {
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// The local time of day of `time`, to the second.
TimeOfDay LocalTimeOfDay(const platform::WallTime& time);

// What a record is made of: the readings as they stand when it is written.
struct RecordValues {
    std::uint8_t status1 = 0;
    std::uint8_t status2 = 0;
    double t1 = 0.0;
    double t2 = 0.0;
    double r1 = 0.0;
    double r2 = 0.0;
};

constexpr std::string_view kLogFileName = "U_z5data.txt";

// "Time      t1(C)      t2(C)     t1-t2(C)   R1 (Ohm)  R2 (Ohm)" + CR CR LF.
std::string HeaderLine();
// "end recording" + CR CR LF.
std::string EndMarkerLine();
// One record: time, t1, t2, t1 - t2, R1, R2 in fixed columns, then CR LF.
std::string RecordLine(const RecordValues& values, TimeOfDay time);

} // namespace vexmoor
