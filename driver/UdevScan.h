#pragma once
// The system's serial ports on USB devices, from its device database
// (libudev). Every call asks afresh, with a libudev context of its own, so
// it is safe from any thread.

#include "Listing.h"

#include <vector>

namespace vexmoor::serial {

// Every tty with a device node whose device hangs off a USB device; empty
// when the database cannot be read.
std::vector<PortRecord> ScanUsbSerialPorts();

} // namespace vexmoor::serial
