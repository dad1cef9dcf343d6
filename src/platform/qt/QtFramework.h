#pragma once
// The Qt Widgets backend of the dialog framework: creates a QtDialogHost for
// every dialog that runs.

#include "platform/Dialog.h"

#include <QString>

#include <memory>

namespace vexmoor::platform::qt {

// The application's title: the executable's file name without its extension.
// Every message box carries it as caption.
QString ApplicationTitle();

class QtFramework final : public Framework {
public:
    // Needs a QApplication. Selects the Fusion style, so the controls look the
    // same on every desktop and fit the rectangles the templates give them.
    QtFramework();

    std::unique_ptr<DialogHost> CreateHost(const DialogTemplate& dialogTemplate, CDialog& dialog,
                                           CDialog* owner) override;
};

} // namespace vexmoor::platform::qt
