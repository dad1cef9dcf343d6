#pragma once
// For code that implements the fourteen D2XX entry points: our driver
// libraries (the simulated instrument's, the serial driver) and the
// in-process stand-ins of the tests and benchmarks. Each writes its entry
// points as functions with the exact names and types of the list in
// link/D2xxTypes.h, in a namespace (or class) of its own, and then makes
//   - the library's exports in one line:
//       VEXMOOR_D2XX_EXPORTS(vexmoor::serial)
//     (at namespace scope; with cmake/D2xxDriver.cmake, which lets nothing
//     else out of the library), or
//   - an in-process table by name, for platform::TableLibraryLoader:
//       VEXMOOR_D2XX_ENTRY_TABLE(fake)
// A function whose type differs from its entry point's does not compile.

#include "link/D2xxTypes.h"

#include <array>
#include <string_view>
#include <type_traits>

namespace vexmoor::d2xx {

struct NamedEntryPoint {
    std::string_view name;
    void (*address)();
};

} // namespace vexmoor::d2xx

#if defined(_WIN32)
#define VEXMOOR_D2XX_EXPORT __declspec(dllexport)
#else
#define VEXMOOR_D2XX_EXPORT __attribute__((visibility("default")))
#endif

// One exported entry point calling impl::name, which must have exactly the
// entry point's parameters (its calling convention may be the default one).
#define VEXMOOR_D2XX_EXPORT_ONE(impl, name, parameters, arguments)                                        \
    static_assert(std::is_same_v<decltype(&impl::name), FT_STATUS(*) parameters> ||                       \
                      std::is_same_v<decltype(&impl::name), name##_t>,                                     \
                  #name " of " #impl " does not have the entry point's type");                            \
    extern "C" VEXMOOR_D2XX_EXPORT FT_STATUS VEXMOOR_D2XX_CALL name parameters                           \
    {                                                                                                      \
        return impl::name arguments;                                                                       \
    }

// The fourteen exports, each calling the function of the same name in `impl`.
#define VEXMOOR_D2XX_EXPORTS(impl)                                   \
    namespace vexmoor::d2xx {                                        \
    VEXMOOR_D2XX_ENTRY_POINTS(VEXMOOR_D2XX_EXPORT_ONE, impl)         \
    }                                                                \
    static_assert(true, "a semicolon after VEXMOOR_D2XX_EXPORTS(...)")

#define VEXMOOR_D2XX_TABLE_ENTRY(impl, name, parameters, arguments) \
    ::vexmoor::d2xx::NamedEntryPoint{                               \
        #name, reinterpret_cast<void (*)()>(static_cast<::vexmoor::d2xx::name##_t>(&impl::name))},

// The fourteen functions of `impl` by name, in lookup order.
#define VEXMOOR_D2XX_ENTRY_TABLE(impl)                          \
    std::to_array<::vexmoor::d2xx::NamedEntryPoint>({           \
        VEXMOOR_D2XX_ENTRY_POINTS(VEXMOOR_D2XX_TABLE_ENTRY, impl)})
