#pragma once
// The program's resources as data: dialog templates 102 (main dialog) and 100
// (About box), string 101 and the version record.

#include "platform/DialogTemplate.h"

#include <string_view>

namespace vexmoor::res {

const platform::DialogTemplate& MainDialogTemplate();
const platform::DialogTemplate& AboutBoxTemplate();

// The string table; an empty text for an identifier it does not hold.
std::string_view LoadString(int id);

struct VersionRecord {
    std::string_view fileVersion;
    std::string_view productVersion;
    std::string_view internalName;
    std::string_view originalFilename;
    std::string_view productName;
    std::string_view fileDescription;
    std::string_view legalCopyright;
};
const VersionRecord& Version();

} // namespace vexmoor::res
