#pragma once
// The measurement state beside the main dialog. All zero when the program starts.

#include "log/LogFile.h"

#include <cstdint>

namespace vexmoor {

struct RunState {
    std::uint8_t deviceReady = 0;    // instrument opened and its greeting accepted
    std::uint8_t timerRunning = 0;   // timer 18 is set
    std::uint8_t channel = 0;        // channel requested last; any value but 1 is 2
    std::int32_t measuring = 0;      // a measurement run is active
    std::int32_t awaitingReply = 0;  // a request is out, its reply not read yet
    std::int32_t sendReady = 0;      // a reply was just handled; the next request may go
    std::int32_t missCount = 0;      // consecutive short ticks while a reply is awaited
    std::uint8_t status1 = 0;        // status byte of the last reply of each channel
    std::uint8_t status2 = 0;
    double t1 = 0.0;                 // last valid temperature of each channel, deg C
    double t2 = 0.0;
    double r1 = 0.0;                 // resistance of each channel's last reply, ohms
    double r2 = 0.0;
    LogFile logFile;                 // the measurement log
    std::int32_t logCountdown = 0;   // replies left in the recording interval
};

} // namespace vexmoor
