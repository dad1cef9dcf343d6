// The fourteen D2XX entry points over the system's serial ports. See
// SerialD2xx.h and driver/README.md.

#include "SerialD2xx.h"

#include "HandleRegistry.h"
#include "Listing.h"
#include "SerialPort.h"
#include "UdevScan.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <span>

namespace vexmoor::serial {

namespace {

using namespace d2xx;

// An object that is never destroyed: the handles live until the process
// ends, as calls may come until its very end, from any thread. The kernel
// closes the ports then.
template <typename T>
union Immortal {
    Immortal() : object() {}
    ~Immortal() {}
    T object;
};

HandleRegistry<SerialPort>& Ports()
{
    static Immortal<HandleRegistry<SerialPort>> registry;
    return registry.object;
}

// No exception leaves an entry point.
template <typename Body>
FT_STATUS Guarded(Body body) noexcept
{
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return FT_INSUFFICIENT_RESOURCES;
    } catch (...) {
        return FT_OTHER_ERROR;
    }
}

// Runs `body` on the open port behind `handle`.
template <typename Body>
FT_STATUS WithPort(FT_HANDLE handle, Body body) noexcept
{
    return Guarded([&] {
        const std::shared_ptr<SerialPort> port = Ports().Find(handle);
        return port ? body(*port) : FT_INVALID_HANDLE;
    });
}

std::vector<ListedPort> Devices()
{
    return ListedPorts(ScanUsbSerialPorts());
}

// Opens the first of `candidates` that can be opened and hands out its
// handle. A port that is there but cannot be opened (in use, not accessible)
// says more than one that went away meanwhile.
FT_STATUS OpenFirst(const std::vector<ListedPort>& candidates, FT_HANDLE* handle)
{
    FT_STATUS status = FT_DEVICE_NOT_FOUND;
    for (const ListedPort& candidate : candidates) {
        SerialPort::Opened opened = SerialPort::Open(candidate.devicePath);
        if (opened.status == FT_OK) {
            *handle = Ports().Add(std::move(opened.port));
            return FT_OK;
        }
        if (opened.status != FT_DEVICE_NOT_FOUND) {
            status = opened.status;
        }
    }
    return status;
}

// `text` into a caller's buffer of `size` bytes, cut to fit, NUL-terminated.
void CopyText(const std::string& text, char* buffer, std::size_t size)
{
    const std::size_t length = std::min(text.size(), size - 1);
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
}

} // namespace

FT_STATUS VEXMOOR_D2XX_CALL FT_Open(int deviceIndex, FT_HANDLE* handle)
{
    return Guarded([&] {
        if (handle == nullptr) {
            return FT_INVALID_PARAMETER;
        }
        const std::vector<ListedPort> devices = Devices();
        if (deviceIndex < 0 || static_cast<std::size_t>(deviceIndex) >= devices.size()) {
            return FT_DEVICE_NOT_FOUND;
        }
        return OpenFirst({devices[static_cast<std::size_t>(deviceIndex)]}, handle);
    });
}

FT_STATUS VEXMOOR_D2XX_CALL FT_OpenEx(void* arg, DWORD flags, FT_HANDLE* handle)
{
    return Guarded([&] {
        if (handle == nullptr) {
            return FT_INVALID_PARAMETER;
        }
        if (flags == FT_OPEN_BY_LOCATION) {
            return FT_NOT_SUPPORTED;
        }
        if ((flags != FT_OPEN_BY_DESCRIPTION && flags != FT_OPEN_BY_SERIAL_NUMBER) || arg == nullptr) {
            return FT_INVALID_PARAMETER;
        }
        const std::string wanted = static_cast<const char*>(arg);
        std::vector<ListedPort> candidates = Devices();
        std::erase_if(candidates, [&](const ListedPort& port) {
            return (flags == FT_OPEN_BY_DESCRIPTION ? port.description : port.serialNumber) != wanted;
        });
        return OpenFirst(candidates, handle);
    });
}

FT_STATUS VEXMOOR_D2XX_CALL FT_ListDevices(void* arg1, void* arg2, DWORD flags)
{
    return Guarded([&] {
        const DWORD kind = flags & (FT_LIST_NUMBER_ONLY | FT_LIST_BY_INDEX | FT_LIST_ALL);
        const DWORD text = flags & ~kind;
        if (kind == FT_LIST_NUMBER_ONLY) {
            if (arg1 == nullptr) {
                return FT_INVALID_PARAMETER;
            }
            *static_cast<DWORD*>(arg1) = static_cast<DWORD>(Devices().size());
            return FT_OK;
        }
        if (kind != FT_LIST_BY_INDEX && kind != FT_LIST_ALL) {
            return FT_INVALID_PARAMETER;
        }
        if (text == FT_OPEN_BY_LOCATION) {
            return FT_NOT_SUPPORTED;
        }
        if (text != FT_OPEN_BY_DESCRIPTION && text != FT_OPEN_BY_SERIAL_NUMBER) {
            return FT_INVALID_PARAMETER;
        }
        const bool description = text == FT_OPEN_BY_DESCRIPTION;
        const std::size_t size = description ? FT_DESCRIPTION_BUFFER_SIZE : FT_SERIAL_NUMBER_BUFFER_SIZE;
        const auto textOf = [description](const ListedPort& port) {
            return description ? port.description : port.serialNumber;
        };

        if (kind == FT_LIST_BY_INDEX) {
            // The index comes in the pointer argument itself.
            const auto index = static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(arg1));
            if (arg2 == nullptr) {
                return FT_INVALID_PARAMETER;
            }
            const std::vector<ListedPort> devices = Devices();
            if (index >= devices.size()) {
                return FT_DEVICE_NOT_FOUND;
            }
            CopyText(textOf(devices[index]), static_cast<char*>(arg2), size);
            return FT_OK;
        }

        // FT_LIST_ALL: a NULL-terminated array of buffers, filled up to its
        // end or the last device; the count is that of every device.
        if (arg1 == nullptr || arg2 == nullptr) {
            return FT_INVALID_PARAMETER;
        }
        const std::vector<ListedPort> devices = Devices();
        char** buffers = static_cast<char**>(arg1);
        for (std::size_t i = 0; i < devices.size() && buffers[i] != nullptr; ++i) {
            CopyText(textOf(devices[i]), buffers[i], size);
        }
        *static_cast<DWORD*>(arg2) = static_cast<DWORD>(devices.size());
        return FT_OK;
    });
}

FT_STATUS VEXMOOR_D2XX_CALL FT_Close(FT_HANDLE handle)
{
    return Guarded([&] {
        const std::shared_ptr<SerialPort> port = Ports().Remove(handle);
        if (!port) {
            return FT_INVALID_HANDLE;
        }
        port->Close();
        return FT_OK;
    });
}

FT_STATUS VEXMOOR_D2XX_CALL FT_Read(FT_HANDLE handle, void* buffer, DWORD bytesToRead, DWORD* bytesReturned)
{
    return WithPort(handle, [&](SerialPort& port) {
        if (bytesReturned == nullptr || (buffer == nullptr && bytesToRead > 0)) {
            return FT_INVALID_PARAMETER;
        }
        DWORD returned = 0;
        const FT_STATUS status = port.Read({static_cast<std::uint8_t*>(buffer), bytesToRead}, returned);
        if (status == FT_OK) {
            *bytesReturned = returned;
        }
        return status;
    });
}

FT_STATUS VEXMOOR_D2XX_CALL FT_Write(FT_HANDLE handle, void* buffer, DWORD bytesToWrite, DWORD* bytesWritten)
{
    return WithPort(handle, [&](SerialPort& port) {
        if (bytesWritten == nullptr || (buffer == nullptr && bytesToWrite > 0)) {
            return FT_INVALID_PARAMETER;
        }
        DWORD written = 0;
        const FT_STATUS status = port.Write({static_cast<const std::uint8_t*>(buffer), bytesToWrite}, written);
        if (status == FT_OK) {
            *bytesWritten = written;
        }
        return status;
    });
}

FT_STATUS VEXMOOR_D2XX_CALL FT_ResetDevice(FT_HANDLE handle)
{
    return WithPort(handle, [](SerialPort& port) { return port.Reset(); });
}

FT_STATUS VEXMOOR_D2XX_CALL FT_Purge(FT_HANDLE handle, DWORD mask)
{
    return WithPort(handle, [&](SerialPort& port) { return port.Purge(mask); });
}

FT_STATUS VEXMOOR_D2XX_CALL FT_SetTimeouts(FT_HANDLE handle, DWORD readTimeoutMs, DWORD writeTimeoutMs)
{
    return WithPort(handle, [&](SerialPort& port) { return port.SetTimeouts(readTimeoutMs, writeTimeoutMs); });
}

FT_STATUS VEXMOOR_D2XX_CALL FT_GetQueueStatus(FT_HANDLE handle, DWORD* rxBytes)
{
    return WithPort(handle, [&](SerialPort& port) {
        if (rxBytes == nullptr) {
            return FT_INVALID_PARAMETER;
        }
        DWORD queued = 0;
        const FT_STATUS status = port.QueueStatus(queued);
        if (status == FT_OK) {
            *rxBytes = queued;
        }
        return status;
    });
}

FT_STATUS VEXMOOR_D2XX_CALL FT_SetFlowControl(FT_HANDLE handle, WORD mode, UCHAR xon, UCHAR xoff)
{
    return WithPort(handle, [&](SerialPort& port) { return port.SetFlowControl(mode, xon, xoff); });
}

FT_STATUS VEXMOOR_D2XX_CALL FT_SetBaudRate(FT_HANDLE handle, DWORD baudRate)
{
    return WithPort(handle, [&](SerialPort& port) { return port.SetBaudRate(baudRate); });
}

FT_STATUS VEXMOOR_D2XX_CALL FT_SetDataCharacteristics(FT_HANDLE handle, UCHAR wordLength, UCHAR stopBits,
                                                      UCHAR parity)
{
    return WithPort(handle,
                    [&](SerialPort& port) { return port.SetDataCharacteristics(wordLength, stopBits, parity); });
}

FT_STATUS VEXMOOR_D2XX_CALL FT_GetStatus(FT_HANDLE handle, DWORD* rxBytes, DWORD* txBytes, DWORD* eventStatus)
{
    return WithPort(handle, [&](SerialPort& port) {
        if (rxBytes == nullptr || txBytes == nullptr || eventStatus == nullptr) {
            return FT_INVALID_PARAMETER;
        }
        DWORD received = 0;
        DWORD unsent = 0;
        const FT_STATUS status = port.Status(received, unsent);
        if (status == FT_OK) {
            *rxBytes = received;
            *txBytes = unsent;
            *eventStatus = 0;  // no event notification here
        }
        return status;
    });
}

} // namespace vexmoor::serial
