// The in-process packaging of the simulated instrument: the fourteen entry
// points (EntryPoints.h) forwarding to the current instrument, served to the
// program through a TableLibraryLoader.

#include "InProcessTable.h"

#include "EntryPoints.h"
#include "InProcessCurrent.h"

#include "link/D2xxDriver.h"

namespace vexmoor::sim {

namespace {

// The instrument InProcessTable was last made for, while it lives.
struct CurrentInstrument {
    template <typename Body>
    static d2xx::FT_STATUS Call(Body body)
    {
        Instrument* const instrument = detail::inProcessInstrument;
        // A call made when no instrument is current (it was destroyed).
        return instrument != nullptr ? body(*instrument) : d2xx::FT_INVALID_HANDLE;
    }
};

} // namespace

platform::TableLibraryLoader::Table InProcessTable(Instrument& instrument)
{
    detail::inProcessInstrument = &instrument;
    auto table = platform::TableLibraryLoader::TableOf(VEXMOOR_D2XX_ENTRY_TABLE(EntryPoints<CurrentInstrument>));
    for (const auto& missing : instrument.GetScript().missingEntryPoints) {
        table.erase(missing);
    }
    return table;
}

} // namespace vexmoor::sim
