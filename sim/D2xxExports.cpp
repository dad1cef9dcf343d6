// THE SIMULATOR AS A LIBRARY: the fourteen D2XX entry points, exported under
// the FTDI driver's names from a library with the driver's file name, in
// front of one simulated instrument on the real clock. It drives no hardware.
// Scripted by the VEXMOOR_SIM environment variable (sim/README.md); the
// program itself reads no environment.

#include "SimInstrument.h"
#include "SimSettings.h"

#include "link/D2xxTypes.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

// Indirect functions (see VEXMOOR_SIM_ENTRY) need GNU ELF and glibc's loader.
#if !defined(VEXMOOR_SIM_IFUNC)
#if defined(__linux__) && defined(__GLIBC__) && (defined(__GNUC__) || defined(__clang__))
#define VEXMOOR_SIM_IFUNC 1
#else
#define VEXMOOR_SIM_IFUNC 0
#endif
#endif

using namespace vexmoor::d2xx;
using vexmoor::sim::Instrument;

namespace {

struct SimLibrary {
    explicit SimLibrary(vexmoor::sim::SimOptions parsed)
        : options(std::move(parsed)), instrument(clock, options.script)
    {
    }
    vexmoor::sim::SimOptions options;
    vexmoor::sim::SteadyClock clock;
    Instrument instrument;
    std::mutex mutex;
};

SimLibrary* Create()
{
    const char* settings = std::getenv("VEXMOOR_SIM");
    auto parsed = vexmoor::sim::ParseSimSettings(settings == nullptr ? "" : settings);
    std::fprintf(stderr, "vexmoor-sim: simulated Quorvantex Z5 behind a stand-in D2XX library "
                         "(no FTDI driver, no hardware); VEXMOOR_SIM=\"%s\"\n",
                 settings == nullptr ? "" : settings);
    for (const auto& error : parsed.errors) {
        std::fprintf(stderr, "vexmoor-sim: VEXMOOR_SIM: %s; ignored\n", error.c_str());
    }
#if !VEXMOOR_SIM_IFUNC
    if (!parsed.options.script.missingEntryPoints.empty()) {
        std::fprintf(stderr, "vexmoor-sim: 'missing=' is not supported on this platform; "
                             "every entry point is exported\n");
    }
#endif
    // Never destroyed: the program may call in until its very end.
    return new SimLibrary(std::move(parsed.options));
}

SimLibrary& Library()
{
    static SimLibrary* const library = Create();
    return *library;
}

template <typename Body>
FT_STATUS Call(Body body)
{
    SimLibrary& library = Library();
    const std::lock_guard<std::mutex> lock(library.mutex);
    const FT_STATUS status = body(library.instrument);
    if (library.options.trace) {
        for (const auto& line : library.instrument.Trace()) {
            std::fprintf(stderr, "vexmoor-sim: %s -> %u\n", line.c_str(), static_cast<unsigned>(status));
        }
    }
    library.instrument.ClearRecords();
    return status;
}

// The behaviour behind each exported name.
FT_STATUS VEXMOOR_D2XX_CALL Impl_FT_Open(int index, FT_HANDLE* handle)
{
    return Call([&](Instrument& i) { return i.Open(index, handle); });
}
FT_STATUS VEXMOOR_D2XX_CALL Impl_FT_OpenEx(void* arg, DWORD flags, FT_HANDLE* handle)
{
    return Call([&](Instrument& i) { return i.OpenEx(arg, flags, handle); });
}
FT_STATUS VEXMOOR_D2XX_CALL Impl_FT_ListDevices(void* arg1, void* arg2, DWORD flags)
{
    return Call([&](Instrument& i) { return i.ListDevices(arg1, arg2, flags); });
}
FT_STATUS VEXMOOR_D2XX_CALL Impl_FT_Close(FT_HANDLE handle)
{
    return Call([&](Instrument& i) { return i.Close(handle); });
}
FT_STATUS VEXMOOR_D2XX_CALL Impl_FT_Read(FT_HANDLE handle, void* buffer, DWORD toRead, DWORD* returned)
{
    return Call([&](Instrument& i) { return i.Read(handle, buffer, toRead, returned); });
}
FT_STATUS VEXMOOR_D2XX_CALL Impl_FT_Write(FT_HANDLE handle, void* buffer, DWORD toWrite, DWORD* written)
{
    return Call([&](Instrument& i) { return i.Write(handle, buffer, toWrite, written); });
}
FT_STATUS VEXMOOR_D2XX_CALL Impl_FT_ResetDevice(FT_HANDLE handle)
{
    return Call([&](Instrument& i) { return i.ResetDevice(handle); });
}
FT_STATUS VEXMOOR_D2XX_CALL Impl_FT_Purge(FT_HANDLE handle, DWORD mask)
{
    return Call([&](Instrument& i) { return i.Purge(handle, mask); });
}
FT_STATUS VEXMOOR_D2XX_CALL Impl_FT_SetTimeouts(FT_HANDLE handle, DWORD readMs, DWORD writeMs)
{
    return Call([&](Instrument& i) { return i.SetTimeouts(handle, readMs, writeMs); });
}
FT_STATUS VEXMOOR_D2XX_CALL Impl_FT_GetQueueStatus(FT_HANDLE handle, DWORD* rx)
{
    return Call([&](Instrument& i) { return i.GetQueueStatus(handle, rx); });
}
FT_STATUS VEXMOOR_D2XX_CALL Impl_FT_SetFlowControl(FT_HANDLE handle, WORD mode, UCHAR xon, UCHAR xoff)
{
    return Call([&](Instrument& i) { return i.SetFlowControl(handle, mode, xon, xoff); });
}
FT_STATUS VEXMOOR_D2XX_CALL Impl_FT_SetBaudRate(FT_HANDLE handle, DWORD rate)
{
    return Call([&](Instrument& i) { return i.SetBaudRate(handle, rate); });
}
FT_STATUS VEXMOOR_D2XX_CALL Impl_FT_SetDataCharacteristics(FT_HANDLE handle, UCHAR bits, UCHAR stop,
                                                           UCHAR parity)
{
    return Call([&](Instrument& i) { return i.SetDataCharacteristics(handle, bits, stop, parity); });
}
FT_STATUS VEXMOOR_D2XX_CALL Impl_FT_GetStatus(FT_HANDLE handle, DWORD* rx, DWORD* tx, DWORD* events)
{
    return Call([&](Instrument& i) { return i.GetStatus(handle, rx, tx, events); });
}

[[maybe_unused]] bool EntryMissing(const char* name)
{
    return Library().options.script.missingEntryPoints.count(name) != 0;
}

} // namespace

#if defined(_WIN32)
#define VEXMOOR_SIM_EXPORT __declspec(dllexport)
#else
#define VEXMOOR_SIM_EXPORT __attribute__((visibility("default")))
#endif

#if VEXMOOR_SIM_IFUNC
// Linux with glibc: each name is an indirect function. Its resolver runs when
// the name is looked up (dlsym) and answers null for a name that VEXMOOR_SIM
// lists as missing, so the lookup fails as in a library that lacks it.
#define VEXMOOR_SIM_ENTRY(name, params, args)                                                     \
    extern "C" {                                                                                  \
    static name##_t vexmoor_sim_resolve_##name()                                                  \
    {                                                                                             \
        return EntryMissing(#name) ? nullptr : &Impl_##name;                                      \
    }                                                                                             \
    VEXMOOR_SIM_EXPORT FT_STATUS name params __attribute__((ifunc("vexmoor_sim_resolve_" #name))); \
    }
#else
#define VEXMOOR_SIM_ENTRY(name, params, args)                                                     \
    extern "C" VEXMOOR_SIM_EXPORT FT_STATUS VEXMOOR_D2XX_CALL name params                         \
    {                                                                                             \
        return Impl_##name args;                                                                  \
    }
#endif

VEXMOOR_SIM_ENTRY(FT_Open, (int index, FT_HANDLE* handle), (index, handle))
VEXMOOR_SIM_ENTRY(FT_OpenEx, (void* arg, DWORD flags, FT_HANDLE* handle), (arg, flags, handle))
VEXMOOR_SIM_ENTRY(FT_ListDevices, (void* arg1, void* arg2, DWORD flags), (arg1, arg2, flags))
VEXMOOR_SIM_ENTRY(FT_Close, (FT_HANDLE handle), (handle))
VEXMOOR_SIM_ENTRY(FT_Read, (FT_HANDLE handle, void* buffer, DWORD toRead, DWORD* returned),
                  (handle, buffer, toRead, returned))
VEXMOOR_SIM_ENTRY(FT_Write, (FT_HANDLE handle, void* buffer, DWORD toWrite, DWORD* written),
                  (handle, buffer, toWrite, written))
VEXMOOR_SIM_ENTRY(FT_ResetDevice, (FT_HANDLE handle), (handle))
VEXMOOR_SIM_ENTRY(FT_Purge, (FT_HANDLE handle, DWORD mask), (handle, mask))
VEXMOOR_SIM_ENTRY(FT_SetTimeouts, (FT_HANDLE handle, DWORD readMs, DWORD writeMs), (handle, readMs, writeMs))
VEXMOOR_SIM_ENTRY(FT_GetQueueStatus, (FT_HANDLE handle, DWORD* rx), (handle, rx))
VEXMOOR_SIM_ENTRY(FT_SetFlowControl, (FT_HANDLE handle, WORD mode, UCHAR xon, UCHAR xoff),
                  (handle, mode, xon, xoff))
VEXMOOR_SIM_ENTRY(FT_SetBaudRate, (FT_HANDLE handle, DWORD rate), (handle, rate))
VEXMOOR_SIM_ENTRY(FT_SetDataCharacteristics, (FT_HANDLE handle, UCHAR bits, UCHAR stop, UCHAR parity),
                  (handle, bits, stop, parity))
VEXMOOR_SIM_ENTRY(FT_GetStatus, (FT_HANDLE handle, DWORD* rx, DWORD* tx, DWORD* events),
                  (handle, rx, tx, events))
