// The in-process packaging of the simulated instrument: functions with the
// D2XX entry points' exact signatures, forwarding to the current instrument,
// served to the program through a TableLibraryLoader.

#include "InProcessCurrent.h"
#include "SimInstrument.h"

#include "link/D2xxTypes.h"

#include <type_traits>

namespace vexmoor::sim {

namespace {

using namespace d2xx;

// Status of a call made when no instrument is current (it was destroyed).
constexpr FT_STATUS kNoInstrument = FT_INVALID_HANDLE;

Instrument* Current()
{
    return detail::inProcessInstrument;
}

FT_STATUS VEXMOOR_D2XX_CALL SimOpen(int deviceIndex, FT_HANDLE* handle)
{
    return Current() ? Current()->Open(deviceIndex, handle) : kNoInstrument;
}

FT_STATUS VEXMOOR_D2XX_CALL SimOpenEx(void* arg, DWORD flags, FT_HANDLE* handle)
{
    return Current() ? Current()->OpenEx(arg, flags, handle) : kNoInstrument;
}

FT_STATUS VEXMOOR_D2XX_CALL SimListDevices(void* arg1, void* arg2, DWORD flags)
{
    return Current() ? Current()->ListDevices(arg1, arg2, flags) : kNoInstrument;
}

FT_STATUS VEXMOOR_D2XX_CALL SimClose(FT_HANDLE handle)
{
    return Current() ? Current()->Close(handle) : kNoInstrument;
}

FT_STATUS VEXMOOR_D2XX_CALL SimRead(FT_HANDLE handle, void* buffer, DWORD toRead, DWORD* returned)
{
    return Current() ? Current()->Read(handle, buffer, toRead, returned) : kNoInstrument;
}

FT_STATUS VEXMOOR_D2XX_CALL SimWrite(FT_HANDLE handle, void* buffer, DWORD toWrite, DWORD* written)
{
    return Current() ? Current()->Write(handle, buffer, toWrite, written) : kNoInstrument;
}

FT_STATUS VEXMOOR_D2XX_CALL SimResetDevice(FT_HANDLE handle)
{
    return Current() ? Current()->ResetDevice(handle) : kNoInstrument;
}

FT_STATUS VEXMOOR_D2XX_CALL SimPurge(FT_HANDLE handle, DWORD mask)
{
    return Current() ? Current()->Purge(handle, mask) : kNoInstrument;
}

FT_STATUS VEXMOOR_D2XX_CALL SimSetTimeouts(FT_HANDLE handle, DWORD readMs, DWORD writeMs)
{
    return Current() ? Current()->SetTimeouts(handle, readMs, writeMs) : kNoInstrument;
}

FT_STATUS VEXMOOR_D2XX_CALL SimGetQueueStatus(FT_HANDLE handle, DWORD* rx)
{
    return Current() ? Current()->GetQueueStatus(handle, rx) : kNoInstrument;
}

FT_STATUS VEXMOOR_D2XX_CALL SimSetFlowControl(FT_HANDLE handle, WORD mode, UCHAR xon, UCHAR xoff)
{
    return Current() ? Current()->SetFlowControl(handle, mode, xon, xoff) : kNoInstrument;
}

FT_STATUS VEXMOOR_D2XX_CALL SimSetBaudRate(FT_HANDLE handle, DWORD rate)
{
    return Current() ? Current()->SetBaudRate(handle, rate) : kNoInstrument;
}

FT_STATUS VEXMOOR_D2XX_CALL SimSetDataCharacteristics(FT_HANDLE handle, UCHAR bits, UCHAR stop, UCHAR parity)
{
    return Current() ? Current()->SetDataCharacteristics(handle, bits, stop, parity) : kNoInstrument;
}

FT_STATUS VEXMOOR_D2XX_CALL SimGetStatus(FT_HANDLE handle, DWORD* rx, DWORD* tx, DWORD* events)
{
    return Current() ? Current()->GetStatus(handle, rx, tx, events) : kNoInstrument;
}

// The functions must have exactly the types the program casts them back to.
static_assert(std::is_same_v<decltype(&SimOpen), FT_Open_t>);
static_assert(std::is_same_v<decltype(&SimOpenEx), FT_OpenEx_t>);
static_assert(std::is_same_v<decltype(&SimListDevices), FT_ListDevices_t>);
static_assert(std::is_same_v<decltype(&SimClose), FT_Close_t>);
static_assert(std::is_same_v<decltype(&SimRead), FT_Read_t>);
static_assert(std::is_same_v<decltype(&SimWrite), FT_Write_t>);
static_assert(std::is_same_v<decltype(&SimResetDevice), FT_ResetDevice_t>);
static_assert(std::is_same_v<decltype(&SimPurge), FT_Purge_t>);
static_assert(std::is_same_v<decltype(&SimSetTimeouts), FT_SetTimeouts_t>);
static_assert(std::is_same_v<decltype(&SimGetQueueStatus), FT_GetQueueStatus_t>);
static_assert(std::is_same_v<decltype(&SimSetFlowControl), FT_SetFlowControl_t>);
static_assert(std::is_same_v<decltype(&SimSetBaudRate), FT_SetBaudRate_t>);
static_assert(std::is_same_v<decltype(&SimSetDataCharacteristics), FT_SetDataCharacteristics_t>);
static_assert(std::is_same_v<decltype(&SimGetStatus), FT_GetStatus_t>);

template <typename Function>
platform::EntryPoint Entry(Function function)
{
    return reinterpret_cast<platform::EntryPoint>(function);
}

} // namespace

platform::TableLibraryLoader::Table InProcessTable(Instrument& instrument)
{
    detail::inProcessInstrument = &instrument;
    platform::TableLibraryLoader::Table table{
        {"FT_Open", Entry(&SimOpen)},
        {"FT_OpenEx", Entry(&SimOpenEx)},
        {"FT_ListDevices", Entry(&SimListDevices)},
        {"FT_Close", Entry(&SimClose)},
        {"FT_Read", Entry(&SimRead)},
        {"FT_Write", Entry(&SimWrite)},
        {"FT_ResetDevice", Entry(&SimResetDevice)},
        {"FT_Purge", Entry(&SimPurge)},
        {"FT_SetTimeouts", Entry(&SimSetTimeouts)},
        {"FT_GetQueueStatus", Entry(&SimGetQueueStatus)},
        {"FT_SetFlowControl", Entry(&SimSetFlowControl)},
        {"FT_SetBaudRate", Entry(&SimSetBaudRate)},
        {"FT_SetDataCharacteristics", Entry(&SimSetDataCharacteristics)},
        {"FT_GetStatus", Entry(&SimGetStatus)},
    };
    for (const auto& missing : instrument.GetScript().missingEntryPoints) {
        table.erase(missing);
    }
    return table;
}

} // namespace vexmoor::sim
