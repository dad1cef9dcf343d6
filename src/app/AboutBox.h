#pragma once
// The About box: template 100, nothing bound, closed by OK or cancel.

#include "platform/Dialog.h"

namespace vexmoor {

class CAboutBox : public platform::CDialog {
public:
    // `owner` is the window it is centred over and that is disabled while it runs.
    CAboutBox(platform::Framework& framework, platform::CDialog* owner);
    ~CAboutBox() override;
};

// Runs the About box over `owner` until it is closed: the main dialog's
// window-menu command.
void ShowAboutBox(platform::CDialog& owner);

} // namespace vexmoor
