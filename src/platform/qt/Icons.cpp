#include "platform/qt/Icons.h"

#include "res/resource.h"

#include <QPixmap>

namespace vexmoor::platform::qt {

namespace {
#include "res/Vexmoor16.xpm"
#include "res/Vexmoor32.xpm"
} // namespace

QIcon LoadIcon(IconHandle id)
{
    QIcon icon;
    if (id == res::IDR_MAINFRAME) {
        icon.addPixmap(QPixmap(vexmoor32_xpm));
        icon.addPixmap(QPixmap(vexmoor16_xpm));
    }
    return icon;
}

} // namespace vexmoor::platform::qt
