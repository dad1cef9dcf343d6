#pragma once
// The binding to the D2XX driver library: the library handle, the opened
// instrument's handle and fourteen entry points, plus the guarded calls that
// are the only road into the library. A guarded call never calls through a
// missing entry point: it shows "<name> is not valid!" and returns 1.

#include "link/D2xxTypes.h"
#include "platform/LibraryLoader.h"

#include <cstddef>
#include <functional>
#include <string_view>
#include <utility>

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

    // The sixteen fields: the two handles, then the entry points in the
    // order of the list in link/D2xxTypes.h, which is the lookup order. Null
    // until LoadD2xx fills them; deviceHandle is written only by the library
    // during an open.
    platform::ModuleHandle libraryHandle = nullptr;
    d2xx::FT_HANDLE deviceHandle = nullptr;
#define VEXMOOR_D2XX_FIELD(context, name, parameters, arguments) d2xx::name##_t name = nullptr;
    VEXMOOR_D2XX_ENTRY_POINTS(VEXMOOR_D2XX_FIELD, )
#undef VEXMOOR_D2XX_FIELD

private:
    // Looks the entry points up in the list's order, stopping at the first
    // one that is missing.
    template <std::size_t... Index>
    void LookUp(platform::LibraryLoader& loader, std::index_sequence<Index...>);
    // Calls the entry point in `Field` with `args`, or warns with its name
    // and returns 1 when it is null.
    template <auto Field, typename... Args>
    d2xx::FT_STATUS Guarded(Args... args);

    WarningBox warn_;
};

// The text LoadD2xx shows when the library cannot be loaded. It names the
// driver's historic file, whatever file was asked for.
constexpr std::string_view kLibraryMissingText = "Error: Can't Load ft8u245.dll";

} // namespace vexmoor
