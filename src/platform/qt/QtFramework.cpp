#include "platform/qt/QtFramework.h"

#include "platform/qt/QtDialogHost.h"

#include <QApplication>
#include <QStyleFactory>

#include <utility>

namespace vexmoor::platform::qt {

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
    auto host = std::make_unique<QtDialogHost>(dialogTemplate, dialog, ownerWindow);
    for (const WindowMenuCommand& command : windowMenuCommands_) {
        if (command.templateId == dialogTemplate.id) {
            host->AddWindowMenuCommand(command.text, command.action);
        }
    }
    return host;
}

void QtFramework::AddWindowMenuCommand(int templateId, QString text, WindowMenuAction action)
{
    windowMenuCommands_.push_back(WindowMenuCommand{templateId, std::move(text), std::move(action)});
}

} // namespace vexmoor::platform::qt
