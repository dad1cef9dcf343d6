#pragma once
// Private to the simulator: the fourteen D2XX entry points in front of an
// instrument, made from the list in link/D2xxTypes.h. Each is a function with
// its entry point's name and exact type that calls the instrument's function
// of the same name. `Access::Call(body)` finds the instrument, runs
// body(Instrument&) and returns its status: the in-process table and the
// shared library reach their instrument differently.

#include "SimInstrument.h"

#include "link/D2xxTypes.h"

namespace vexmoor::sim {

template <typename Access>
struct EntryPoints {
    using FT_STATUS = d2xx::FT_STATUS;
    using FT_HANDLE = d2xx::FT_HANDLE;
    using DWORD = d2xx::DWORD;
    using WORD = d2xx::WORD;
    using UCHAR = d2xx::UCHAR;

#define VEXMOOR_SIM_FORWARD(context, name, parameters, arguments)                                  \
    static FT_STATUS VEXMOOR_D2XX_CALL name parameters                                             \
    {                                                                                              \
        return Access::Call([&](Instrument& instrument) { return instrument.name arguments; });     \
    }
    VEXMOOR_D2XX_ENTRY_POINTS(VEXMOOR_SIM_FORWARD, )
#undef VEXMOOR_SIM_FORWARD
};

} // namespace vexmoor::sim
