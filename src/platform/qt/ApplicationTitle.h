#pragma once
// The application's title: the executable's file name without its extension.
// Every message box carries it as caption.

#include <QString>

namespace vexmoor::platform::qt {

QString ApplicationTitle();

} // namespace vexmoor::platform::qt
