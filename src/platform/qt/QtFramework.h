#pragma once
// The Qt Widgets backend of the dialog framework: creates a QtDialogHost for
// every dialog that runs.

#include "platform/Dialog.h"
#include "platform/qt/ApplicationTitle.h"

#include <QString>

#include <functional>
#include <memory>
#include <vector>

class QWidget;

namespace vexmoor::platform::qt {

class QtFramework final : public Framework {
public:
    // Needs a QApplication. Selects the Fusion style, so the controls look the
    // same on every desktop and fit the rectangles the templates give them.
    QtFramework();

    std::unique_ptr<DialogHost> CreateHost(const DialogTemplate& dialogTemplate, CDialog& dialog,
                                           CDialog* owner) override;

    // A command of the window menu that the program adds beside the dialog
    // code, for every dialog made from template `templateId`: it stands after
    // "&Close" and before the items the dialog appends, and runs `action`
    // with the dialog's window once the menu has closed.
    using WindowMenuAction = std::function<void(QWidget& window)>;
    void AddWindowMenuCommand(int templateId, QString text, WindowMenuAction action);

private:
    struct WindowMenuCommand {
        int templateId;
        QString text;
        WindowMenuAction action;
    };
    std::vector<WindowMenuCommand> windowMenuCommands_;
};

} // namespace vexmoor::platform::qt
