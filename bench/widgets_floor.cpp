// The floor for the program's whole-process figures: a plain Qt Widgets
// program that shows the main dialog's window (template 102: its 37 controls
// where the template puts them, the template's font, Qt's Fusion style, as the
// program's Qt backend uses) with Qt's stock widgets, through none of the
// program's own code but the template's data. It opens no driver, no log and
// no timer: what the program costs beyond it is the program's own.

#include "res/Templates.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyleFactory>

#include <cmath>

namespace {

using vexmoor::platform::ControlKind;
using vexmoor::platform::ControlTemplate;

// number * numerator / denominator, rounded.
int Scale(int number, int numerator, int denominator)
{
    return static_cast<int>(std::lround(static_cast<double>(number) * numerator / denominator));
}

QWidget* Make(const ControlTemplate& control, QWidget* parent)
{
    const QString caption = QString::fromUtf8(control.caption.data(), static_cast<qsizetype>(control.caption.size()));
    switch (control.kind) {
    case ControlKind::PushButton:
    case ControlKind::DefPushButton: {
        auto* button = new QPushButton(caption, parent);
        button->setDefault(control.kind == ControlKind::DefPushButton);
        return button;
    }
    case ControlKind::DisplayField:
    case ControlKind::EditField: {
        auto* edit = new QLineEdit(parent);
        edit->setReadOnly(control.kind == ControlKind::DisplayField);
        return edit;
    }
    case ControlKind::CheckBox:
        return new QCheckBox(caption, parent);
    case ControlKind::GroupBox:
        return new QGroupBox(caption, parent);
    case ControlKind::StaticText: {
        auto* label = new QLabel(caption, parent);
        label->setWordWrap(true);
        return label;
    }
    case ControlKind::StaticIcon:
        return new QLabel(parent);
    }
    return new QWidget(parent);
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) {
        QApplication::setStyle(fusion);
    }
    const vexmoor::platform::DialogTemplate& layout = vexmoor::res::MainDialogTemplate();

    QDialog dialog;
    dialog.setWindowTitle(QString::fromUtf8(layout.caption.data(), static_cast<qsizetype>(layout.caption.size())));
    // The template's face where installed, else the one the program falls
    // back to; its size in pixels at 96 dots per inch.
    const QString face = QString::fromUtf8(layout.font.face.data(), static_cast<qsizetype>(layout.font.face.size()));
    QFont font(QFontDatabase::hasFamily(face) ? face : QStringLiteral("Liberation Sans"));
    font.setPixelSize(Scale(layout.font.pointSize, 96, 72));
    dialog.setFont(font);

    // Dialog units: a quarter of the average character width, an eighth of
    // the character height.
    const QFontMetrics metrics(font);
    const int unitX = (metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) / 26 + 1) / 2;
    const int unitY = metrics.ascent() + metrics.descent();
    dialog.setFixedSize(Scale(layout.rect.width, unitX, 4), Scale(layout.rect.height, unitY, 8));
    for (const ControlTemplate& control : layout.controls) {
        Make(control, &dialog)->setGeometry(Scale(control.rect.x, unitX, 4), Scale(control.rect.y, unitY, 8),
                                            Scale(control.rect.width, unitX, 4), Scale(control.rect.height, unitY, 8));
    }
    return dialog.exec() == QDialog::Accepted ? 0 : 1;
}
