#pragma once
// Private to the simulator: the instrument that the in-process entry points
// (InProcessTable) forward to. An instrument that is destroyed stops being it.

namespace vexmoor::sim {

class Instrument;

namespace detail {
inline Instrument* inProcessInstrument = nullptr;
} // namespace detail

} // namespace vexmoor::sim
