#include "log/LogFormat.h"

#include "link/NumberText.h"
#include "link/Protocol.h"

#include <chrono>
#include <cstdio>

namespace vexmoor {

namespace {

// Line ends as a Windows text-mode stream stores "\r\n" and "\n".
constexpr std::string_view kMarkerLineEnd = "\r\r\n";
constexpr std::string_view kRecordLineEnd = "\r\n";
constexpr std::size_t kColumn = 11;
const std::string kBlankColumn(kColumn, ' ');

std::string Temperature(double value)
{
    return FormatFixed(value, 3, true, kColumn);   // "%+-11.3f"
}

std::string Resistance(double value)
{
    return FormatFixed(value, 4, false, kColumn);  // "%-11.4f"
}

std::string TwoDigits(int value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%02d", value);
    return text;
}

} // namespace

TimeOfDay LocalTimeOfDay(const platform::WallTime& time)
{
    using namespace std::chrono;
    // Floors, not truncations: times before 1970 count back from it.
    const sys_seconds local =
        floor<seconds>(sys_time<milliseconds>(milliseconds(time.utcMs))) + seconds(time.utcOffsetSec);
    const hh_mm_ss clock(local - floor<days>(local));
    return TimeOfDay{static_cast<int>(clock.hours().count()), static_cast<int>(clock.minutes().count()),
                     static_cast<int>(clock.seconds().count())};
}

std::string HeaderLine()
{
    std::string line = "Time      t1(C)      t2(C)     t1-t2(C)   R1 (Ohm)  R2 (Ohm)";
    line += kMarkerLineEnd;
    return line;
}

std::string EndMarkerLine()
{
    std::string line = "end recording";
    line += kMarkerLineEnd;
    return line;
}

std::string RecordLine(const RecordValues& values, TimeOfDay time)
{
    const bool valid1 = values.status1 == kCh1Valid;
    const bool valid2 = values.status2 == kCh2Valid;

    std::string line = TwoDigits(time.hour) + ':' + TwoDigits(time.minute) + ':' +
                       TwoDigits(time.second) + ' ';

    if (valid1) {
        line += Temperature(values.t1);
    } else if (values.status1 == kCh1NoSensor) {
        line += "No Sensor1 ";
    } else if (values.status1 == kCh1Overflow) {
        line += "Overflow1  ";
    }

    if (valid2) {
        line += Temperature(values.t2);
    } else if (values.status2 == kCh2NoSensor) {
        line += "No Sensor2";
    } else if (values.status2 == kCh2Overflow) {
        line += "Overflow2";
    }

    line += valid1 && valid2 ? Temperature(values.t1 - values.t2) : kBlankColumn;
    line += valid1 ? Resistance(values.r1) : kBlankColumn;
    line += valid2 ? Resistance(values.r2) : kBlankColumn;
    line += kRecordLineEnd;
    return line;
}

} // namespace vexmoor
