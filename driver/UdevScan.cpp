// Serial ports from libudev. See UdevScan.h.

#include "UdevScan.h"

#include <libudev.h>

#include <charconv>
#include <memory>
#include <string_view>

namespace vexmoor::serial {

namespace {

struct UdevDeleter {
    void operator()(udev* context) const { udev_unref(context); }
    void operator()(udev_enumerate* enumeration) const { udev_enumerate_unref(enumeration); }
    void operator()(udev_device* device) const { udev_device_unref(device); }
};
template <typename T>
using UdevPtr = std::unique_ptr<T, UdevDeleter>;

std::string Attribute(udev_device* device, const char* name)
{
    const char* value = device == nullptr ? nullptr : udev_device_get_sysattr_value(device, name);
    return value == nullptr ? std::string() : std::string(value);
}

// A number as sysfs writes it (bNumInterfaces " 1", bInterfaceNumber "00"),
// or `fallback`.
int Number(const std::string& text, int base, int fallback)
{
    std::string_view digits = text;
    while (!digits.empty() && (digits.front() == ' ' || digits.front() == '\t')) {
        digits.remove_prefix(1);
    }
    int value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
    return error == std::errc() && end != digits.data() ? value : fallback;
}

} // namespace

std::vector<PortRecord> ScanUsbSerialPorts()
{
    std::vector<PortRecord> records;
    const UdevPtr<udev> context(udev_new());
    if (!context) {
        return records;
    }
    const UdevPtr<udev_enumerate> enumeration(udev_enumerate_new(context.get()));
    if (!enumeration || udev_enumerate_add_match_subsystem(enumeration.get(), "tty") < 0 ||
        udev_enumerate_scan_devices(enumeration.get()) < 0) {
        return records;
    }
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumeration.get()))
    {
        const UdevPtr<udev_device> tty(udev_device_new_from_syspath(context.get(), udev_list_entry_get_name(entry)));
        const char* devnode = tty ? udev_device_get_devnode(tty.get()) : nullptr;
        if (devnode == nullptr) {
            continue;
        }
        // Parents belong to their child: not released here.
        udev_device* usb = udev_device_get_parent_with_subsystem_devtype(tty.get(), "usb", "usb_device");
        if (usb == nullptr) {
            continue;
        }
        udev_device* interface = udev_device_get_parent_with_subsystem_devtype(tty.get(), "usb", "usb_interface");
        records.push_back(PortRecord{
            devnode,
            Attribute(usb, "idVendor"),
            Attribute(usb, "product"),
            Attribute(usb, "serial"),
            Number(Attribute(interface, "bInterfaceNumber"), 16, 0),
            Number(Attribute(usb, "bNumInterfaces"), 10, 1),
        });
    }
    return records;
}

} // namespace vexmoor::serial
