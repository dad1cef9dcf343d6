#include "platform/qt/ApplicationTitle.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace vexmoor::platform::qt {

QString ApplicationTitle()
{
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

} // namespace vexmoor::platform::qt
