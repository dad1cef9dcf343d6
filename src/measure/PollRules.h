#pragma once
// The polling cycle's fixed rules, apart from the dialog that runs them: its
// timer, how many ticks without a whole reply pass quietly, which write
// statuses count as a request sent, and when t1 - t2 is shown. Pure.

#include "link/D2xxTypes.h"

#include <cstdint>
#include <string>

namespace vexmoor {

// The window timer that paces the cycle.
constexpr std::uintptr_t kPollTimerId = 18;
constexpr std::uint32_t kPollPeriodMs = 1000;

// Ticks without a complete reply that pass quietly; the next one is a fault.
constexpr std::int32_t kMaxShortTicks = 10;

// A channel request counts as sent on 0 and on the driver's I/O error (4),
// after which the instrument may still answer; any other status ends the run.
bool RequestCountsAsSent(d2xx::FT_STATUS status);

// The t1 - t2 text: shown only while the last reply of each channel was a
// valid reading of it, empty otherwise.
std::string DifferenceText(std::uint8_t status1, std::uint8_t status2, double t1, double t2);

} // namespace vexmoor
