// A log record from arbitrary readings: any status bytes, any doubles (NaN,
// infinities, the largest magnitudes), any time of day. Input: status1,
// status2, then t1, t2, r1, r2 as raw 8-byte doubles, then hour, minute and
// second bytes (taken modulo 24, 60 and 61); missing bytes are 0.

#include "FuzzCheck.h"
#include "log/LogFormat.h"
#include "support/ReferenceText.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

using namespace vexmoor;
using vexmoor::test::Printf;

namespace {

// The record as printf writes its columns.
std::string Reference(const RecordValues& v, TimeOfDay time)
{
    const bool valid1 = v.status1 == 0x88;
    const bool valid2 = v.status2 == 0x77;
    const std::string blank(11, ' ');
    std::string line = Printf("%02d:%02d:%02d ", time.hour, time.minute, time.second);
    line += valid1 ? Printf("%+-11.3f", v.t1)
            : v.status1 == 0x55 ? "No Sensor1 "
            : v.status1 == 0x33 ? "Overflow1  "
                                : "";
    line += valid2 ? Printf("%+-11.3f", v.t2)
            : v.status2 == 0x66 ? "No Sensor2"
            : v.status2 == 0x44 ? "Overflow2"
                                : "";
    line += valid1 && valid2 ? Printf("%+-11.3f", v.t1 - v.t2) : blank;
    line += valid1 ? Printf("%-11.4f", v.r1) : blank;
    line += valid2 ? Printf("%-11.4f", v.r2) : blank;
    return line + "\r\n";
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::array<std::uint8_t, 2 + 4 * 8 + 3> in{};
    std::copy_n(data, std::min(size, in.size()), in.begin());

    RecordValues values;
    values.status1 = in[0];
    values.status2 = in[1];
    std::memcpy(&values.t1, &in[2], 8);
    std::memcpy(&values.t2, &in[10], 8);
    std::memcpy(&values.r1, &in[18], 8);
    std::memcpy(&values.r2, &in[26], 8);
    const TimeOfDay time{in[34] % 24, in[35] % 60, in[36] % 61};

    const std::string line = RecordLine(values, time);

    FUZZ_CHECK(line.size() >= 9 + 33 + 2);
    FUZZ_CHECK(line.compare(0, 9, Printf("%02d:%02d:%02d ", time.hour, time.minute, time.second)) == 0);
    FUZZ_CHECK(line.compare(line.size() - 2, 2, "\r\n") == 0);
    FUZZ_CHECK(line.find_first_of("\r\n") == line.size() - 2);
    FUZZ_CHECK(line == Reference(values, time));
    return 0;
}
