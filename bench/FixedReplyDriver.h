#pragma once
// A D2XX driver for benchmarks: an instrument that answers every request at
// once with a fixed frame, so that a tick measures the program's own work and
// not a model of the instrument.

#include "platform/LibraryLoader.h"

namespace vexmoor::bench {

// The fourteen entry points, by name.
platform::TableLibraryLoader::Table FixedReplyTable();

// Whether a reply is queued (a tick would read it) or not (a tick only asks).
void SetReplyQueued(bool queued);

} // namespace vexmoor::bench
