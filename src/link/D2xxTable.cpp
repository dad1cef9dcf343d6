#include "link/D2xxTable.h"

#include <string>
#include <utility>

namespace vexmoor {

using namespace d2xx;

namespace {

template <typename Field>
bool Resolve(platform::LibraryLoader& loader, platform::ModuleHandle module,
             std::string_view name, Field& field, const WarningBox& warn)
{
    const platform::EntryPoint entry = loader.Lookup(module, std::string(name));
    field = reinterpret_cast<Field>(entry);
    if (entry == nullptr) {
        warn("Error: Can't Find " + std::string(name));
        return false;
    }
    return true;
}

} // namespace

D2xxTable::D2xxTable(WarningBox warn) : warn_(std::move(warn)) {}

void D2xxTable::LoadD2xx(platform::LibraryLoader& loader, std::string_view fileName)
{
    libraryHandle = loader.Load(std::string(fileName));
    if (libraryHandle == nullptr) {
        warn_(kLibraryMissingText);
        return;
    }
    // The lookup order is the driver's historic one, not the declared order;
    // the first missing name ends the lookup.
    const auto resolve = [&](std::string_view name, auto& field) {
        return Resolve(loader, libraryHandle, name, field, warn_);
    };
    resolve("FT_Write", FT_Write) && resolve("FT_Read", FT_Read) && resolve("FT_Open", FT_Open) &&
        resolve("FT_OpenEx", FT_OpenEx) && resolve("FT_ListDevices", FT_ListDevices) &&
        resolve("FT_Close", FT_Close) && resolve("FT_ResetDevice", FT_ResetDevice) &&
        resolve("FT_Purge", FT_Purge) && resolve("FT_SetTimeouts", FT_SetTimeouts) &&
        resolve("FT_GetQueueStatus", FT_GetQueueStatus) &&
        resolve("FT_SetFlowControl", FT_SetFlowControl) &&
        resolve("FT_SetBaudRate", FT_SetBaudRate) &&
        resolve("FT_SetDataCharacteristics", FT_SetDataCharacteristics) &&
        resolve("FT_GetStatus", FT_GetStatus);
}

template <typename Entry, typename... Args>
FT_STATUS D2xxTable::Guarded(Entry entry, std::string_view name, Args... args)
{
    if (entry == nullptr) {
        warn_(std::string(name) + " is not valid!");
        return FT_INVALID_HANDLE;
    }
    return entry(args...);
}

FT_STATUS D2xxTable::FtRead(void* buffer, DWORD bytesToRead, DWORD* bytesReturned)
{
    return Guarded(FT_Read, "FT_Read", deviceHandle, buffer, bytesToRead, bytesReturned);
}

FT_STATUS D2xxTable::FtWrite(void* buffer, DWORD bytesToWrite, DWORD* bytesWritten)
{
    return Guarded(FT_Write, "FT_Write", deviceHandle, buffer, bytesToWrite, bytesWritten);
}

FT_STATUS D2xxTable::FtOpen(int deviceIndex)
{
    return Guarded(FT_Open, "FT_Open", deviceIndex, &deviceHandle);
}

FT_STATUS D2xxTable::FtOpenEx(void* arg, DWORD flags)
{
    return Guarded(FT_OpenEx, "FT_OpenEx", arg, flags, &deviceHandle);
}

FT_STATUS D2xxTable::FtListDevices(void* arg1, void* arg2, DWORD flags)
{
    return Guarded(FT_ListDevices, "FT_ListDevices", arg1, arg2, flags);
}

FT_STATUS D2xxTable::FtClose()
{
    return Guarded(FT_Close, "FT_Close", deviceHandle);
}

FT_STATUS D2xxTable::FtResetDevice()
{
    return Guarded(FT_ResetDevice, "FT_ResetDevice", deviceHandle);
}

FT_STATUS D2xxTable::FtPurge(DWORD mask)
{
    return Guarded(FT_Purge, "FT_Purge", deviceHandle, mask);
}

FT_STATUS D2xxTable::FtSetTimeouts(DWORD readTimeoutMs, DWORD writeTimeoutMs)
{
    return Guarded(FT_SetTimeouts, "FT_SetTimeouts", deviceHandle, readTimeoutMs, writeTimeoutMs);
}

FT_STATUS D2xxTable::FtGetQueueStatus(DWORD* rxBytes)
{
    return Guarded(FT_GetQueueStatus, "FT_GetQueueStatus", deviceHandle, rxBytes);
}

FT_STATUS D2xxTable::FtSetFlowControl(WORD mode, UCHAR xon, UCHAR xoff)
{
    return Guarded(FT_SetFlowControl, "FT_SetFlowControl", deviceHandle, mode, xon, xoff);
}

FT_STATUS D2xxTable::FtSetBaudRate(DWORD baudRate)
{
    return Guarded(FT_SetBaudRate, "FT_SetBaudRate", deviceHandle, baudRate);
}

FT_STATUS D2xxTable::FtSetDataCharacteristics(UCHAR wordLength, UCHAR stopBits, UCHAR parity)
{
    return Guarded(FT_SetDataCharacteristics, "FT_SetDataCharacteristics", deviceHandle,
                   wordLength, stopBits, parity);
}

FT_STATUS D2xxTable::FtGetStatus(DWORD* rxBytes, DWORD* txBytes, DWORD* eventStatus)
{
    return Guarded(FT_GetStatus, "FT_GetStatus", deviceHandle, rxBytes, txBytes, eventStatus);
}

} // namespace vexmoor
