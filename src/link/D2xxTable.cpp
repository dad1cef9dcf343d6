#include "link/D2xxTable.h"

#include <string>
#include <tuple>
#include <type_traits>
#include <utility>

namespace vexmoor {

using namespace d2xx;

namespace {

// The entry-point fields, in the list's order: beside d2xx::kEntryPointNames.
#define VEXMOOR_D2XX_FIELD_POINTER(context, name, parameters, arguments) &D2xxTable::name,
constexpr auto kFields = std::tuple{VEXMOOR_D2XX_ENTRY_POINTS(VEXMOOR_D2XX_FIELD_POINTER, )};
#undef VEXMOOR_D2XX_FIELD_POINTER
static_assert(std::tuple_size_v<decltype(kFields)> == kEntryPointNames.size());

// The position of `Field` in the list.
template <auto Field, std::size_t Index = 0>
constexpr std::size_t PositionOf()
{
    static_assert(Index < kEntryPointNames.size(), "not an entry-point field of D2xxTable");
    constexpr auto candidate = std::get<Index>(kFields);
    if constexpr (std::is_same_v<std::remove_const_t<decltype(candidate)>, decltype(Field)>) {
        if constexpr (candidate == Field) {
            return Index;
        } else {
            return PositionOf<Field, Index + 1>();
        }
    } else {
        return PositionOf<Field, Index + 1>();
    }
}

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
    LookUp(loader, std::make_index_sequence<kEntryPointNames.size()>{});
}

template <std::size_t... Index>
void D2xxTable::LookUp(platform::LibraryLoader& loader, std::index_sequence<Index...>)
{
    // The lookup order is the driver's historic one, not the order of the
    // guarded calls; && stops at the first missing name.
    (Resolve(loader, libraryHandle, kEntryPointNames[Index], this->*std::get<Index>(kFields), warn_) && ...);
}

template <auto Field, typename... Args>
FT_STATUS D2xxTable::Guarded(Args... args)
{
    const auto entry = this->*Field;
    if (entry == nullptr) {
        warn_(std::string(kEntryPointNames[PositionOf<Field>()]) + " is not valid!");
        return FT_INVALID_HANDLE;
    }
    return entry(args...);
}

// The device handle goes in front of the arguments, except for the opens,
// which hand over its address behind them, and FT_ListDevices, which takes
// no handle.

FT_STATUS D2xxTable::FtRead(void* buffer, DWORD bytesToRead, DWORD* bytesReturned)
{
    return Guarded<&D2xxTable::FT_Read>(deviceHandle, buffer, bytesToRead, bytesReturned);
}

FT_STATUS D2xxTable::FtWrite(void* buffer, DWORD bytesToWrite, DWORD* bytesWritten)
{
    return Guarded<&D2xxTable::FT_Write>(deviceHandle, buffer, bytesToWrite, bytesWritten);
}

FT_STATUS D2xxTable::FtOpen(int deviceIndex)
{
    return Guarded<&D2xxTable::FT_Open>(deviceIndex, &deviceHandle);
}

FT_STATUS D2xxTable::FtOpenEx(void* arg, DWORD flags)
{
    return Guarded<&D2xxTable::FT_OpenEx>(arg, flags, &deviceHandle);
}

FT_STATUS D2xxTable::FtListDevices(void* arg1, void* arg2, DWORD flags)
{
    return Guarded<&D2xxTable::FT_ListDevices>(arg1, arg2, flags);
}

FT_STATUS D2xxTable::FtClose()
{
    return Guarded<&D2xxTable::FT_Close>(deviceHandle);
}

FT_STATUS D2xxTable::FtResetDevice()
{
    return Guarded<&D2xxTable::FT_ResetDevice>(deviceHandle);
}

FT_STATUS D2xxTable::FtPurge(DWORD mask)
{
    return Guarded<&D2xxTable::FT_Purge>(deviceHandle, mask);
}

FT_STATUS D2xxTable::FtSetTimeouts(DWORD readTimeoutMs, DWORD writeTimeoutMs)
{
    return Guarded<&D2xxTable::FT_SetTimeouts>(deviceHandle, readTimeoutMs, writeTimeoutMs);
}

FT_STATUS D2xxTable::FtGetQueueStatus(DWORD* rxBytes)
{
    return Guarded<&D2xxTable::FT_GetQueueStatus>(deviceHandle, rxBytes);
}

FT_STATUS D2xxTable::FtSetFlowControl(WORD mode, UCHAR xon, UCHAR xoff)
{
    return Guarded<&D2xxTable::FT_SetFlowControl>(deviceHandle, mode, xon, xoff);
}

FT_STATUS D2xxTable::FtSetBaudRate(DWORD baudRate)
{
    return Guarded<&D2xxTable::FT_SetBaudRate>(deviceHandle, baudRate);
}

FT_STATUS D2xxTable::FtSetDataCharacteristics(UCHAR wordLength, UCHAR stopBits, UCHAR parity)
{
    return Guarded<&D2xxTable::FT_SetDataCharacteristics>(deviceHandle, wordLength, stopBits, parity);
}

FT_STATUS D2xxTable::FtGetStatus(DWORD* rxBytes, DWORD* txBytes, DWORD* eventStatus)
{
    return Guarded<&D2xxTable::FT_GetStatus>(deviceHandle, rxBytes, txBytes, eventStatus);
}

} // namespace vexmoor
