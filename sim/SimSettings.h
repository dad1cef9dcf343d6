#pragma once
// The simulator library's script, given as one text (the VEXMOOR_SIM
// environment variable): comma-separated key=value pairs, e.g.
//   open-failures=1,sensor2=missing,reply-delay-ms=50,missing=FT_Purge
// sim/README.md lists the keys. Pure: no environment, no I/O.

#include "SimInstrument.h"

#include <string>
#include <string_view>
#include <vector>

namespace vexmoor::sim {

struct SimOptions {
    Script script;
    // Print every entry-point call to standard error.
    bool trace = false;
};

struct SimSettingsResult {
    SimOptions options;
    // One message per pair that was not understood; those pairs are ignored.
    std::vector<std::string> errors;
};

SimSettingsResult ParseSimSettings(std::string_view settings);

// Text values may hold escapes: \r \n \t \0 \\ \, (a comma) and \xHH.
std::string UnescapeSimText(std::string_view text);

} // namespace vexmoor::sim
