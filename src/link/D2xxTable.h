#pragma once
// The binding to the D2XX driver library: the library handle, the opened
// instrument's handle and fourteen entry points, plus the guarded calls that
// are the only road into the library. A guarded call never calls through a
// missing entry point: it shows "<name> is not valid!" and returns 1.

#include "link/D2xxTypes.h"
#include "platform/LibraryLoader.h"

#include <functional>
#include <string_view>

namespace vexmoor {

// Shows a warning box and returns once the user has dismissed it.
using WarningBox = std::function<void(std::string_view text)>;

class D2xxTable {
public:
    explicit D2xxTable(WarningBox warn);

    // Loads the library by `fileName` and looks the fourteen names up; stops at
    // the first one that is missing, leaving it and the later ones null.
    void LoadD2xx(platform::LibraryLoader& loader, std::string_view fileName);

    d2xx::FT_STATUS FtRead(void* buffer, d2xx::DWORD bytesToRead, d2xx::DWORD* bytesReturned);
    d2xx::FT_STATUS FtWrite(void* buffer, d2xx::DWORD bytesToWrite, d2xx::DWORD* bytesWritten);
    d2xx::FT_STATUS FtOpen(int deviceIndex);
    d2xx::FT_STATUS FtOpenEx(void* arg, d2xx::DWORD flags);
    d2xx::FT_STATUS FtListDevices(void* arg1, void* arg2, d2xx::DWORD flags);
    d2xx::FT_STATUS FtClose();
    d2xx::FT_STATUS FtResetDevice();
    d2xx::FT_STATUS FtPurge(d2xx::DWORD mask);
    d2xx::FT_STATUS FtSetTimeouts(d2xx::DWORD readTimeoutMs, d2xx::DWORD writeTimeoutMs);
    d2xx::FT_STATUS FtGetQueueStatus(d2xx::DWORD* rxBytes);
    d2xx::FT_STATUS FtSetFlowControl(d2xx::WORD mode, d2xx::UCHAR xon, d2xx::UCHAR xoff);
    d2xx::FT_STATUS FtSetBaudRate(d2xx::DWORD baudRate);
    d2xx::FT_STATUS FtSetDataCharacteristics(d2xx::UCHAR wordLength, d2xx::UCHAR stopBits,
                                             d2xx::UCHAR parity);
    d2xx::FT_STATUS FtGetStatus(d2xx::DWORD* rxBytes, d2xx::DWORD* txBytes,
                                d2xx::DWORD* eventStatus);

    // The sixteen fields, in declared order. Null until LoadD2xx fills them;
    // deviceHandle is written only by the library during an open.
    platform::ModuleHandle libraryHandle = nullptr;
    d2xx::FT_HANDLE deviceHandle = nullptr;
    d2xx::FT_Open_t FT_Open = nullptr;
    d2xx::FT_OpenEx_t FT_OpenEx = nullptr;
    d2xx::FT_ListDevices_t FT_ListDevices = nullptr;
    d2xx::FT_Close_t FT_Close = nullptr;
    d2xx::FT_Read_t FT_Read = nullptr;
    d2xx::FT_Write_t FT_Write = nullptr;
    d2xx::FT_ResetDevice_t FT_ResetDevice = nullptr;
    d2xx::FT_Purge_t FT_Purge = nullptr;
    d2xx::FT_SetTimeouts_t FT_SetTimeouts = nullptr;
    d2xx::FT_GetQueueStatus_t FT_GetQueueStatus = nullptr;
    d2xx::FT_SetFlowControl_t FT_SetFlowControl = nullptr;
    d2xx::FT_SetBaudRate_t FT_SetBaudRate = nullptr;
    d2xx::FT_SetDataCharacteristics_t FT_SetDataCharacteristics = nullptr;
    d2xx::FT_GetStatus_t FT_GetStatus = nullptr;

private:
    // Calls `entry` with `args`, or warns and returns 1 when it is null.
    template <typename Entry, typename... Args>
    d2xx::FT_STATUS Guarded(Entry entry, std::string_view name, Args... args);

    WarningBox warn_;
};

// The text LoadD2xx shows when the library cannot be loaded. It names the
// driver's historic file, whatever file was asked for.
constexpr std::string_view kLibraryMissingText = "Error: Can't Load ft8u245.dll";

} // namespace vexmoor
