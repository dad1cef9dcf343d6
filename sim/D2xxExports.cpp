// THE SIMULATOR AS A LIBRARY: the fourteen D2XX entry points, exported under
// the FTDI driver's names from a library with the driver's file name, in
// front of one simulated instrument on the real clock. It drives no hardware.
// Scripted by the VEXMOOR_SIM environment variable (sim/README.md); the
// program itself reads no environment.

#include "EntryPoints.h"
#include "SimInstrument.h"
#include "SimSettings.h"

#include "link/D2xxDriver.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

// Indirect functions (see VEXMOOR_SIM_INDIRECT_EXPORT) need GNU ELF and glibc's loader.
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

// The instrument of the library, one call at a time, with the trace.
struct LibraryInstrument {
    template <typename Body>
    static FT_STATUS Call(Body body)
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
};

// The behaviour behind each exported name.
using Behaviour = vexmoor::sim::EntryPoints<LibraryInstrument>;

[[maybe_unused]] bool EntryMissing(const char* name)
{
    return Library().options.script.missingEntryPoints.count(name) != 0;
}

} // namespace

#if VEXMOOR_SIM_IFUNC
// Linux with glibc: each name is an indirect function. Its resolver runs when
// the name is looked up (dlsym) and answers null for a name that VEXMOOR_SIM
// lists as missing, so the lookup fails as in a library that lacks it.
// The resolvers, by the C names the ifunc attributes give. Not static: clang
// takes a static function named only there for unused, and refuses it as a
// resolver.
#define VEXMOOR_SIM_RESOLVER(impl, name, parameters, arguments)                                \
    extern "C" {                                                                              \
    __attribute__((visibility("hidden"))) vexmoor::d2xx::name##_t vexmoor_sim_resolve_##name() \
    {                                                                                         \
        return EntryMissing(#name) ? nullptr : &impl::name;                                   \
    }                                                                                         \
    }
VEXMOOR_D2XX_ENTRY_POINTS(VEXMOOR_SIM_RESOLVER, ::Behaviour)
#define VEXMOOR_SIM_INDIRECT_EXPORT(context, name, parameters, arguments) \
    extern "C" VEXMOOR_D2XX_EXPORT FT_STATUS name parameters __attribute__((ifunc("vexmoor_sim_resolve_" #name)));
namespace vexmoor::d2xx {
VEXMOOR_D2XX_ENTRY_POINTS(VEXMOOR_SIM_INDIRECT_EXPORT, )
} // namespace vexmoor::d2xx
#else
VEXMOOR_D2XX_EXPORTS(::Behaviour);
#endif
