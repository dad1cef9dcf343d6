#pragma once
// Which serial ports the driver shows as D2XX devices, in which order, and
// under which description and serial number. Pure: the records come from the
// device database (UdevScan.h).

#include <string>
#include <vector>

namespace vexmoor::serial {

// What the device database tells of one tty on a USB device.
struct PortRecord {
    std::string devicePath;     // "/dev/ttyUSB0"
    std::string vendorId;       // the USB device's idVendor, "0403"
    std::string product;        // the USB device's product string
    std::string serialNumber;   // the USB device's serial number string
    int interfaceNumber = 0;    // of the USB interface the tty belongs to
    int interfaceCount = 1;     // of the USB device
};

// A port as FT_ListDevices shows it and the opens find it.
struct ListedPort {
    std::string devicePath;
    std::string description;
    std::string serialNumber;

    bool operator==(const ListedPort&) const = default;
};

// FTDI's USB vendor id: the devices a D2XX library drives.
constexpr const char* kFtdiVendorId = "0403";

// The ports of FTDI devices (vendor 0403), ordered by device path with
// numbers compared as numbers (ttyUSB2 before ttyUSB10). A device with
// several interfaces has a port per interface, told apart as D2XX does: " A",
// " B", ... after the description and "A", "B", ... after the serial number.
std::vector<ListedPort> ListedPorts(const std::vector<PortRecord>& records);

// Orders texts with their runs of digits compared as numbers.
bool NaturalLess(const std::string& left, const std::string& right);

} // namespace vexmoor::serial
