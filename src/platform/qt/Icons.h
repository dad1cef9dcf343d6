#pragma once
// The program's icon resources for the Qt backend.

#include "platform/Dialog.h"

#include <QIcon>

namespace vexmoor::platform::qt {

// The side of a standard (large) icon in pixels: an icon control's size, and
// the minimised window's icon.
inline constexpr int kStandardIconSize = 32;

// The icon with resource identifier `id`, with all its image sizes; a null
// icon for an identifier the program has no icon for.
QIcon LoadIcon(IconHandle id);

} // namespace vexmoor::platform::qt
