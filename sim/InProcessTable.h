#pragma once
// The in-process packaging of the simulated instrument, for the tests: its
// fourteen entry points as a table by name for platform::TableLibraryLoader.

#include "SimInstrument.h"

#include "platform/LibraryLoader.h"

namespace vexmoor::sim {

// Makes `instrument` the one the entry points talk to and returns the
// name-to-function table of the fourteen entry points, leaving out the
// script's missing ones.
platform::TableLibraryLoader::Table InProcessTable(Instrument& instrument);

} // namespace vexmoor::sim
