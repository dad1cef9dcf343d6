#include "platform/qt/TemplateWidgets.h"

#include "platform/qt/Icons.h"
#include "platform/qt/QtText.h"
#include "platform/qt/TemplateControls.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <limits>

namespace vexmoor::platform::qt {

namespace {

// A static text's caption as shown: "&&" is an ampersand, a single "&" marks
// the mnemonic and is not shown, unless the control shows ampersands as such.
QString StaticCaption(std::string_view caption, bool noPrefix)
{
    const QString text = ToQString(caption);
    if (noPrefix) {
        return text;
    }
    QString shown;
    shown.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'&' && i + 1 < text.size()) {
            ++i;
        }
        shown.append(text[i]);
    }
    return shown;
}

QWidget* BuildControl(const ControlTemplate& control, QWidget& window, BaseUnits units,
                      const std::function<void(int id)>& command, QPushButton*& defaultButton)
{
    QWidget* const parent = &window;
    const QString caption = ToQString(control.caption);
    QRect geometry = DluToPixels(control.rect, units);
    QWidget* widget = nullptr;

    switch (control.kind) {
    case ControlKind::PushButton:
    case ControlKind::DefPushButton: {
        auto* button = new QPushButton(caption, parent);
        // Only a default push button takes Enter; no button becomes default
        // by having the focus.
        button->setAutoDefault(false);
        button->setDefault(control.kind == ControlKind::DefPushButton);
        if (control.kind == ControlKind::DefPushButton) {
            defaultButton = button;
        }
        const int id = control.id;
        QObject::connect(button, &QPushButton::clicked, parent, [command, id] { command(id); });
        widget = button;
        break;
    }
    case ControlKind::DisplayField:
    case ControlKind::EditField: {
        auto* edit = new QLineEdit(parent);
        const bool readOnly = control.kind == ControlKind::DisplayField;
        edit->setReadOnly(readOnly);
        edit->setFrame((control.styles & kStyleNoBorder) == 0);
        edit->setAlignment(((control.styles & kStyleCenterText) != 0 ? Qt::AlignHCenter : Qt::AlignLeft) |
                           Qt::AlignVCenter);
        edit->setMaxLength(std::numeric_limits<int>::max());
        if (readOnly) {
            // Read-only fields sit on the dialog's face colour, like static text.
            QPalette palette = edit->palette();
            palette.setColor(QPalette::Base, palette.color(QPalette::Window));
            edit->setPalette(palette);
        }
        widget = edit;
        break;
    }
    case ControlKind::CheckBox:
        widget = new TemplateCheckBox(caption, parent);
        break;
    case ControlKind::GroupBox: {
        auto* group = new TemplateGroupBox(caption, parent);
        group->setAlignment((control.styles & kStyleCenterText) != 0 ? Qt::AlignHCenter : Qt::AlignLeft);
        group->setFocusPolicy(Qt::NoFocus);
        widget = group;
        break;
    }
    case ControlKind::StaticText: {
        auto* label = new StaticText(StaticCaption(control.caption, (control.styles & kStyleNoPrefix) != 0), parent);
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setWordWrap(true);
        widget = label;
        break;
    }
    case ControlKind::StaticIcon: {
        auto* label = new QLabel(parent);
        label->setPixmap(LoadIcon(control.iconId).pixmap(kStandardIconSize, kStandardIconSize));
        // An icon control takes the icon's size.
        geometry.setSize(QSize(kStandardIconSize, kStandardIconSize));
        widget = label;
        break;
    }
    }

    // Frames and texts let clicks through to what lies under them, as on the
    // platform the templates come from; they must not hide the controls
    // they enclose.
    if (control.kind == ControlKind::GroupBox || control.kind == ControlKind::StaticText ||
        control.kind == ControlKind::StaticIcon) {
        widget->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    if (control.kind == ControlKind::GroupBox) {
        widget->lower();
    }
    widget->setGeometry(geometry);
    return widget;
}

} // namespace

TemplateWidgets BuildTemplateWidgets(const DialogTemplate& dialogTemplate, QWidget& window,
                                     const std::function<void(int id)>& command)
{
    TemplateWidgets built;
    window.setWindowTitle(ToQString(dialogTemplate.caption));
    const QFont font = DialogFont(dialogTemplate.font);
    window.setFont(font);
    built.units = DialogBaseUnits(font);
    window.setFixedSize(DluToPixels(dialogTemplate.rect.width, dialogTemplate.rect.height, built.units));

    built.controls.reserve(dialogTemplate.controls.size());
    for (const ControlTemplate& control : dialogTemplate.controls) {
        built.controls.push_back(BuildControl(control, window, built.units, command, built.defaultButton));
    }
    return built;
}

} // namespace vexmoor::platform::qt
