// USB serial ports mocked with umockdev. See MockedSerialPorts.h.

#include "MockedSerialPorts.h"

#include <umockdev.h>

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <memory>
#include <stdexcept>
#include <vector>

namespace vexmoor::sim {

namespace {

struct GFreeDeleter {
    void operator()(gchar* text) const { g_free(text); }
};
using GText = std::unique_ptr<gchar, GFreeDeleter>;

// A NULL-terminated list of C strings, as umockdev takes name/value pairs.
class CStringList {
public:
    CStringList(std::initializer_list<std::string> texts) : texts_(texts)
    {
        for (const std::string& text : texts_) {
            pointers_.push_back(text.c_str());
        }
        pointers_.push_back(nullptr);
    }
    gchar** Get() { return const_cast<gchar**>(pointers_.data()); }

private:
    std::vector<std::string> texts_;
    std::vector<const gchar*> pointers_;
};

std::string AddUsbDevice(UMockdevTestbed* testbed, const std::string& name, const std::string& parent,
                         CStringList attributes, CStringList properties)
{
    const GText syspath(umockdev_testbed_add_devicev(testbed, "usb", name.c_str(),
                                                     parent.empty() ? nullptr : parent.c_str(), attributes.Get(),
                                                     properties.Get()));
    if (!syspath) {
        throw std::runtime_error("umockdev could not add " + name);
    }
    return syspath.get();
}

} // namespace

MockedSerialPorts::MockedSerialPorts()
{
    if (!Available()) {
        throw std::runtime_error("umockdev's preload library is not loaded (run under umockdev-wrapper)");
    }
    testbed_ = umockdev_testbed_new();
}

MockedSerialPorts::~MockedSerialPorts()
{
    g_object_unref(testbed_);
}

bool MockedSerialPorts::Available()
{
    // (umockdev_in_mock_environment() says whether a test bed is active.)
    void* preload = ::dlopen("libumockdev-preload.so.0", RTLD_NOW | RTLD_NOLOAD);
    if (preload == nullptr) {
        return false;
    }
    ::dlclose(preload);
    return true;
}

UniqueFd MockedSerialPorts::Add(const UsbSerialDevice& device)
{
    const std::string usbSyspath =
        AddUsbDevice(testbed_, device.usbName, {},
                     {"idVendor", device.vendorId, "idProduct", device.productId, "product", device.product, "serial",
                      device.serialNumber, "bNumInterfaces", " 1"},
                     {"DEVTYPE", "usb_device"});
    const std::string interfaceSyspath = AddUsbDevice(testbed_, device.usbName + ":1.0", usbSyspath,
                                                      {"bInterfaceNumber", "00"}, {"DEVTYPE", "usb_interface"});

    // A tty with a device node is backed by a pseudo-terminal; only a device
    // description (not add_device) makes umockdev create the node.
    const std::string ttySyspath = interfaceSyspath + "/" + device.ttyName;
    const std::string devnode = "/dev/" + device.ttyName;
    const std::string description = "P: " + ttySyspath.substr(4) + "\nN: " + device.ttyName + "\nE: DEVNAME=" +
                                    devnode + "\nE: SUBSYSTEM=tty\nA: dev=188:" +
                                    std::to_string(nextMinor_++) + "\n\n";
    GError* error = nullptr;
    if (umockdev_testbed_add_from_string(testbed_, description.c_str(), &error) == FALSE) {
        const std::string message = error != nullptr ? error->message : "unknown error";
        g_clear_error(&error);
        throw std::runtime_error("umockdev could not add " + devnode + ": " + message);
    }
    const int masterFd = umockdev_testbed_get_dev_fd(testbed_, devnode.c_str());
    if (masterFd < 0) {
        throw std::runtime_error("umockdev gave " + devnode + " no pseudo-terminal");
    }
    ports_[device.ttyName] = Port{usbSyspath, ttySyspath, masterFd};
    return UniqueFd(::fcntl(masterFd, F_DUPFD_CLOEXEC, 0));
}

void MockedSerialPorts::Unplug(const std::string& ttyName)
{
    const auto port = ports_.find(ttyName);
    if (port == ports_.end()) {
        return;
    }
    umockdev_testbed_remove_device(testbed_, port->second.ttySyspath.c_str());
    umockdev_testbed_remove_device(testbed_, port->second.usbSyspath.c_str());
    // The test bed keeps its master descriptor (and closes it when it goes):
    // put /dev/null in its place, so that the line's master side closes now
    // and the descriptor number stays the test bed's.
    const UniqueFd devNull(::open("/dev/null", O_RDWR | O_CLOEXEC));
    ::dup3(devNull.Get(), port->second.masterFd, O_CLOEXEC);
    ports_.erase(port);
}

} // namespace vexmoor::sim
