#include "platform/qt/QtFramework.h"

#include "platform/qt/QtDialogHost.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>
#include <QStyleFactory>

namespace vexmoor::platform::qt {

QString ApplicationTitle()
{
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

QtFramework::QtFramework()
{
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) {
        QApplication::setStyle(fusion);
    }
}

std::unique_ptr<DialogHost> QtFramework::CreateHost(const DialogTemplate& dialogTemplate, CDialog& dialog,
                                                    CDialog* owner)
{
    QWidget* ownerWindow = nullptr;
    if (owner != nullptr) {
        if (auto* ownerHost = dynamic_cast<QtDialogHost*>(owner->Host())) {
            ownerWindow = ownerHost->Window();
        }
    }
    return std::make_unique<QtDialogHost>(dialogTemplate, dialog, ownerWindow);
}

} // namespace vexmoor::platform::qt
