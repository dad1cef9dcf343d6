#pragma once
// A dialog template made into Qt widgets: the window's caption, font and
// fixed size, and each control as the widget that looks and behaves as the
// template's control does, placed in pixels of the font's dialog units.
// Building runs nothing: QtDialogHost runs the window.

#include "platform/DialogTemplate.h"
#include "platform/qt/DialogUnits.h"

#include <functional>
#include <vector>

class QPushButton;
class QWidget;

namespace vexmoor::platform::qt {

struct TemplateWidgets {
    BaseUnits units{};
    // Every control in template order: control i was made from the
    // template's control i. Owned by the window.
    std::vector<QWidget*> controls;
    // The template's default push button, if it has one.
    QPushButton* defaultButton = nullptr;
};

// Gives `window` the template's caption, font and size and builds its
// controls on it. A push button's click calls `command` with its identifier.
TemplateWidgets BuildTemplateWidgets(const DialogTemplate& dialogTemplate, QWidget& window,
                                     const std::function<void(int id)>& command);

} // namespace vexmoor::platform::qt
