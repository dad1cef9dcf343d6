#include "measure/PollRules.h"

#include "link/Protocol.h"

namespace vexmoor {

bool RequestCountsAsSent(d2xx::FT_STATUS status)
{
    return status == d2xx::FT_OK || status == d2xx::FT_IO_ERROR;
}

std::string DifferenceText(std::uint8_t status1, std::uint8_t status2, double t1, double t2)
{
    if (status1 == kCh1Valid && status2 == kCh2Valid) {
        return FormatReading(t1 - t2);
    }
    return {};
}

} // namespace vexmoor
