#pragma once
// USB serial ports that exist only for this process and the programs it
// starts, mocked with umockdev: the system's device database (libudev), /sys
// and /dev show them as a kernel would show a USB serial converter. Each
// port's line is a pseudo-terminal: the port (/dev/ttyUSB0, ...) is its slave
// side, a real kernel tty; the far end of the cable is its master side, where
// a WireServer can answer as the instrument.
//
// umockdev's preload library must be in the process from its start: run it
// under umockdev-wrapper. Programs started from it find the ports too (the
// preload library and UMOCKDEV_DIR are in the environment they inherit).
// umockdev answers most ioctl requests on a mocked port with ENOTTY (the
// C library's own termios calls get through).

#include "driver/UniqueFd.h"

#include <map>
#include <string>

using UMockdevTestbed = struct _UMockdevTestbed;

namespace vexmoor::sim {

using serial::UniqueFd;

struct UsbSerialDevice {
    std::string usbName = "1-1";  // the USB device's name in sysfs (bus-port)
    std::string vendorId = "0403";
    std::string productId = "6001";
    std::string product;          // the USB product string
    std::string serialNumber;
    std::string ttyName = "ttyUSB0";
};

class MockedSerialPorts {
public:
    // Throws std::runtime_error when umockdev's preload library is not loaded.
    MockedSerialPorts();
    ~MockedSerialPorts();
    MockedSerialPorts(const MockedSerialPorts&) = delete;
    MockedSerialPorts& operator=(const MockedSerialPorts&) = delete;

    // Whether umockdev's preload library is loaded.
    static bool Available();

    // Adds the USB device, with one interface, and its serial port
    // /dev/<ttyName>. Returns the far end of the port's line: a descriptor of
    // the caller's own.
    UniqueFd Add(const UsbSerialDevice& device);
    // As when the USB plug is pulled: the device leaves the database and /dev,
    // and the line hangs up once the caller has closed its far-end
    // descriptors too.
    void Unplug(const std::string& ttyName);

private:
    struct Port {
        std::string usbSyspath;
        std::string ttySyspath;
        int masterFd;  // the test bed's own
    };

    UMockdevTestbed* testbed_;
    std::map<std::string, Port> ports_;
    int nextMinor_ = 0;
};

} // namespace vexmoor::sim
