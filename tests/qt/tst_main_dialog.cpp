// The main dialog as Qt Widgets: its controls against the template, the
// keyboard interface, data exchange through the real widgets, and the window
// menu with the About box. The dialog runs on the in-process simulated
// instrument.

#include "QtTestSupport.h"

#include "app/AboutBox.h"
#include "platform/Clock.h"
#include "platform/LibraryLoader.h"
#include "platform/qt/QtFramework.h"
#include "res/Templates.h"
#include "res/resource.h"
#include "sim/InProcessTable.h"
#include "sim/SimInstrument.h"
#include "ui/VexmoorDlg.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QtTest>

#include <limits>

using namespace vexmoor;
using namespace vexmoor::res;
using platform::ControlKind;
using platform::qt::QtDialogHost;
using qttest::kEndedByTest;
using qttest::RunModal;

namespace {

constexpr int kStillOpen = -100;

// The main dialog on the in-process simulated instrument.
struct MainDialogRig {
    explicit MainDialogRig(platform::Framework& framework) : dialog(DialogServices{framework, loader, clock, nullptr, ShowAboutBox}) {}

    sim::ManualClock simClock;
    sim::Instrument instrument{simClock};
    platform::TableLibraryLoader loader{sim::InProcessTable(instrument)};
    platform::SystemClock clock;
    CVexmoorDlg dialog;
};

// dlu * base / divisor, rounded half up (every value here is positive).
int Pixels(int dlu, int base, int divisor)
{
    return (2 * dlu * base + divisor) / (2 * divisor);
}

QRect ExpectedGeometry(const platform::DluRect& rect, platform::qt::BaseUnits units)
{
    return QRect(Pixels(rect.x, units.x, 4), Pixels(rect.y, units.y, 8), Pixels(rect.width, units.x, 4),
                 Pixels(rect.height, units.y, 8));
}

int IdOf(const QtDialogHost& host, const QWidget* widget)
{
    const auto& controls = host.Controls();
    for (std::size_t i = 0; i < controls.size(); ++i) {
        if (controls[i] == widget) {
            return MainDialogTemplate().controls[i].id;
        }
    }
    return 0;
}

QLineEdit* Edit(const QtDialogHost& host, int id)
{
    return qobject_cast<QLineEdit*>(host.Item(id));
}

QCheckBox* Check(const QtDialogHost& host, int id)
{
    return qobject_cast<QCheckBox*>(host.Item(id));
}

enum class Action { Enter, Escape, CloseBox, AltF4, F1 };

} // namespace

class MainDialogTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void controlsFollowTheTemplate();
    void captionsFitTheirControls();
    void tabOrderFollowsTheTemplate();
    void keyboardInterface_data();
    void keyboardInterface();
    void pushAndPullThroughTheWidgets();
    void windowMenuOpensTheAboutBox();

private:
    QTemporaryDir workDir_;
    platform::qt::QtFramework framework_;
};

void MainDialogTest::initTestCase()
{
    // The dialog opens its log in the working directory.
    QVERIFY(workDir_.isValid());
    QVERIFY(QDir::setCurrent(workDir_.path()));
}

void MainDialogTest::controlsFollowTheTemplate()
{
    MainDialogRig rig(framework_);
    RunModal(rig.dialog, [&](QtDialogHost& host) {
        const platform::DialogTemplate& dialogTemplate = MainDialogTemplate();
        QDialog* window = host.Window();

        // The font: 14 points at 96 DPI, and the base units measured from it.
        const QFont font = window->font();
        QCOMPARE(font.pixelSize(), 19);
        QCOMPARE(font.family(), QStringLiteral("Liberation Sans"));
        const QFontMetrics metrics(font);
        const int alphabet = metrics.horizontalAdvance(
            QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
        const platform::qt::BaseUnits units = host.Units();
        QCOMPARE(units.x, (alphabet / 26 + 1) / 2);
        QCOMPARE(units.y, metrics.ascent() + metrics.descent());

        // The window: caption, fixed size, frame, position, icon.
        QCOMPARE(window->windowTitle(), QStringLiteral("Vexmoor"));
        QCOMPARE(window->size(), QSize(Pixels(241, units.x, 4), Pixels(162, units.y, 8)));
        QCOMPARE(window->minimumSize(), window->size());
        QCOMPARE(window->maximumSize(), window->size());
        const Qt::WindowFlags flags = window->windowFlags();
        QCOMPARE(flags & Qt::WindowType_Mask, Qt::Window);  // a taskbar entry of its own
        QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(flags.testFlag(Qt::WindowSystemMenuHint));
        QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowContextHelpButtonHint));
        const QRect screen = window->screen()->availableGeometry();
        QVERIFY(qAbs(window->frameGeometry().center().x() - screen.center().x()) <= 1);
        QVERIFY(qAbs(window->frameGeometry().center().y() - screen.center().y()) <= 1);
        const QList<QSize> iconSizes = window->windowIcon().availableSizes();
        QVERIFY(iconSizes.contains(QSize(16, 16)));
        QVERIFY(iconSizes.contains(QSize(32, 32)));

        // Every control, in template order.
        QCOMPARE(host.Controls().size(), dialogTemplate.controls.size());
        for (std::size_t i = 0; i < dialogTemplate.controls.size(); ++i) {
            const platform::ControlTemplate& control = dialogTemplate.controls[i];
            QWidget* widget = host.Controls()[i];
            const QString caption = QString::fromUtf8(control.caption.data(), control.caption.size());
            const bool centred = (control.styles & platform::kStyleCenterText) != 0;
            const QByteArray where = QByteArray::number(control.id) + " " + caption.toUtf8();
            QVERIFY2(widget->parentWidget() == window, where);
            QCOMPARE(widget->geometry(), ExpectedGeometry(control.rect, units));
            if (control.id != platform::kUnaddressed) {
                QCOMPARE(host.Item(control.id), widget);
            }
            switch (control.kind) {
            case ControlKind::PushButton: {
                auto* button = qobject_cast<QPushButton*>(widget);
                QVERIFY2(button != nullptr, where);
                QCOMPARE(button->text(), caption);
                QVERIFY2(!button->isDefault() && !button->autoDefault(), where);
                QVERIFY(button->focusPolicy() & Qt::TabFocus);
                break;
            }
            case ControlKind::DisplayField:
            case ControlKind::EditField: {
                auto* edit = qobject_cast<QLineEdit*>(widget);
                QVERIFY2(edit != nullptr, where);
                QCOMPARE(edit->isReadOnly(), control.kind == ControlKind::DisplayField);
                QCOMPARE(edit->hasFrame(), (control.styles & platform::kStyleNoBorder) == 0);
                QCOMPARE(edit->alignment() & Qt::AlignHorizontal_Mask, centred ? Qt::AlignHCenter : Qt::AlignLeft);
                QCOMPARE(edit->maxLength(), std::numeric_limits<int>::max());
                QVERIFY(edit->focusPolicy() & Qt::TabFocus);
                break;
            }
            case ControlKind::CheckBox: {
                auto* box = qobject_cast<QCheckBox*>(widget);
                QVERIFY2(box != nullptr, where);
                QVERIFY(box->text().isEmpty());
                QVERIFY(!box->isTristate());
                QVERIFY(box->focusPolicy() & Qt::TabFocus);
                break;
            }
            case ControlKind::GroupBox: {
                auto* group = qobject_cast<QGroupBox*>(widget);
                QVERIFY2(group != nullptr, where);
                QCOMPARE(group->title(), caption);
                QCOMPARE(group->alignment() & Qt::AlignHorizontal_Mask, centred ? Qt::AlignHCenter : Qt::AlignLeft);
                QCOMPARE(group->focusPolicy(), Qt::NoFocus);
                // Clicks pass through the frame to the controls inside it.
                QVERIFY(group->testAttribute(Qt::WA_TransparentForMouseEvents));
                break;
            }
            case ControlKind::StaticText: {
                auto* label = qobject_cast<QLabel*>(widget);
                QVERIFY2(label != nullptr, where);
                QCOMPARE(label->text(), caption);
                QVERIFY(label->wordWrap());
                QCOMPARE(label->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
                QCOMPARE(label->focusPolicy(), Qt::NoFocus);
                break;
            }
            case ControlKind::DefPushButton:
            case ControlKind::StaticIcon:
                QFAIL("the main dialog has no default button and no icon control");
            }
        }
        // The two fields that differ from the other display fields.
        QVERIFY(!Edit(host, IDC_RECORD_STATUS)->hasFrame());
        QVERIFY(!Edit(host, IDC_INTERVAL)->isReadOnly());
        QCOMPARE(Edit(host, IDC_INTERVAL)->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    });
}

void MainDialogTest::captionsFitTheirControls()
{
    MainDialogRig rig(framework_);
    RunModal(rig.dialog, [&](QtDialogHost& host) {
        for (QWidget* widget : host.Controls()) {
            const QFontMetrics metrics(widget->font());
            if (auto* label = qobject_cast<QLabel*>(widget)) {
                const QByteArray where = label->text().toUtf8();
                // Each word fits on a line, and the lines fit the height:
                // "Resistance (Ohm)" takes two.
                for (const QString& word : label->text().split(u' ')) {
                    QVERIFY2(metrics.horizontalAdvance(word) <= label->width(), where);
                }
                QVERIFY2(label->heightForWidth(label->width()) <= label->height(), where);
            } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
                QVERIFY(metrics.horizontalAdvance(button->text()) + 8 <= button->width());
                QVERIFY(metrics.height() + 4 <= button->height());
            } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
                QVERIFY2(metrics.horizontalAdvance(group->title()) + 2 * 9 <= group->width(), group->title().toUtf8());
            } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
                QVERIFY(metrics.height() + 4 <= edit->height());
            }
        }
    });
}

void MainDialogTest::tabOrderFollowsTheTemplate()
{
    MainDialogRig rig(framework_);
    RunModal(rig.dialog, [&](QtDialogHost& host) {
        // Instrument found: Start enabled; Stop, REC and END disabled and skipped.
        QCOMPARE(rig.dialog.m_run.deviceReady, 1);
        const QList<int> expected{IDC_START,       IDC_T1_CELSIUS, IDC_T1_FAHRENHEIT, IDC_R1,
                                  IDC_EXIT,        IDC_DEVICE_STATUS, IDC_CH1_ACTIVE, IDC_RECORD_STATUS,
                                  IDC_INTERVAL,    IDC_T2_CELSIUS, IDC_R2,            IDC_T2_FAHRENHEIT,
                                  IDC_DIFF,        IDC_CH2_ACTIVE};
        QList<int> visited;
        for (qsizetype i = 0; i < expected.size(); ++i) {
            QWidget* focused = QApplication::focusWidget();
            QVERIFY(focused != nullptr);
            visited << IdOf(host, focused);
            QTest::keyClick(focused, Qt::Key_Tab);
        }
        QCOMPARE(visited, expected);
        QCOMPARE(IdOf(host, QApplication::focusWidget()), IDC_START);
    });
}

void MainDialogTest::keyboardInterface_data()
{
    QTest::addColumn<int>("focusId");
    QTest::addColumn<QString>("interval");
    QTest::addColumn<int>("action");
    QTest::addColumn<int>("expectedCode");
    QTest::addColumn<QStringList>("expectedBoxes");
    QTest::addColumn<int>("expectedInterval");
    QTest::addColumn<bool>("startPressed");

    const QStringList none;
    const QStringList integerPrompt{QStringLiteral("Please enter an integer.")};
    QTest::newRow("Enter on the focused Start button presses it")
        << IDC_START << "1" << int(Action::Enter) << kStillOpen << none << 1 << true;
    QTest::newRow("Enter in the interval field: pull, then IDOK")
        << IDC_INTERVAL << " 12 " << int(Action::Enter) << platform::IDOK << none << 12 << false;
    QTest::newRow("Enter in the interval field with letters: stays open")
        << IDC_INTERVAL << "abc" << int(Action::Enter) << kStillOpen << integerPrompt << 1 << false;
    QTest::newRow("Enter on a check box sends IDOK")
        << IDC_CH1_ACTIVE << "7" << int(Action::Enter) << platform::IDOK << none << 7 << false;
    QTest::newRow("Escape cancels without a pull")
        << IDC_INTERVAL << "abc" << int(Action::Escape) << platform::IDCANCEL << none << 1 << false;
    QTest::newRow("the close box cancels without a pull")
        << IDC_EXIT << "abc" << int(Action::CloseBox) << platform::IDCANCEL << none << 1 << false;
    QTest::newRow("Alt+F4 cancels without a pull")
        << IDC_EXIT << "abc" << int(Action::AltF4) << platform::IDCANCEL << none << 1 << false;
    QTest::newRow("F1 does nothing") << IDC_INTERVAL << "abc" << int(Action::F1) << kStillOpen << none << 1 << false;
}

void MainDialogTest::keyboardInterface()
{
    QFETCH(int, focusId);
    QFETCH(QString, interval);
    QFETCH(int, action);
    QFETCH(int, expectedCode);
    QFETCH(QStringList, expectedBoxes);
    QFETCH(int, expectedInterval);
    QFETCH(bool, startPressed);

    MainDialogRig rig(framework_);
    qttest::BoxRecorder recorder;
    bool focusOnInterval = false;
    QString selection;
    bool stopEnabled = false;
    const int code = RunModal(rig.dialog, [&](QtDialogHost& host) {
        Edit(host, IDC_INTERVAL)->setText(interval);
        host.Item(focusId)->setFocus();
        QWidget* window = host.Window();
        switch (static_cast<Action>(action)) {
        case Action::Enter: QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return); break;
        case Action::Escape: QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape); break;
        case Action::CloseBox: window->close(); break;
        case Action::AltF4: QTest::keyClick(window, Qt::Key_F4, Qt::AltModifier); break;
        case Action::F1: QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1); break;
        }
        if (expectedCode == kStillOpen) {
            QTest::qWait(50);
        } else {
            QVERIFY(QTest::qWaitFor([&] { return host.HasEnded(); }, qttest::kWaitMs));
        }
        QVERIFY(window->isVisible() == !host.HasEnded());
        // The widget that has the focus within the window (and gets the
        // keyboard once the window system activates it again).
        focusOnInterval = window->focusWidget() == host.Item(IDC_INTERVAL);
        selection = Edit(host, IDC_INTERVAL)->selectedText();
        stopEnabled = host.IsItemEnabled(IDC_STOP);
    });

    QCOMPARE(code, expectedCode == kStillOpen ? kEndedByTest : expectedCode);
    QCOMPARE(recorder.Texts(), expectedBoxes);
    QCOMPARE(rig.dialog.m_intervalSec, expectedInterval);
    QCOMPARE(stopEnabled, startPressed);
    if (!expectedBoxes.isEmpty()) {
        // The failed pull leaves the focus on the field with its text selected.
        QVERIFY(focusOnInterval);
        QCOMPARE(selection, interval);
    }
}

void MainDialogTest::pushAndPullThroughTheWidgets()
{
    MainDialogRig rig(framework_);
    CVexmoorDlg& dialog = rig.dialog;
    RunModal(dialog, [&](QtDialogHost& host) {
        const std::string longStatus = "Quorvantex Not Detected !! (a status longer than its field)";
        dialog.m_t1C = "+21.500   ";
        dialog.m_deviceStatus = longStatus;
        dialog.m_recordStatus = "Recording...";
        dialog.m_intervalSec = -3;
        dialog.m_ch1Active = 1;
        dialog.m_ch2Active = 0;
        dialog.UpdateData(false);

        QCOMPARE(Edit(host, IDC_T1_CELSIUS)->text(), QStringLiteral("+21.500   "));
        QCOMPARE(Edit(host, IDC_DEVICE_STATUS)->text(), QString::fromStdString(longStatus));
        QCOMPARE(Edit(host, IDC_DEVICE_STATUS)->cursorPosition(), 0);  // shown from its start
        QCOMPARE(Edit(host, IDC_RECORD_STATUS)->text(), QStringLiteral("Recording..."));
        QCOMPARE(Edit(host, IDC_INTERVAL)->text(), QStringLiteral("-3"));
        QCOMPARE(Check(host, IDC_CH1_ACTIVE)->checkState(), Qt::Checked);
        QCOMPARE(Check(host, IDC_CH2_ACTIVE)->checkState(), Qt::Unchecked);

        // What the user changes: both indicators clicked, the interval typed.
        QTest::mouseClick(Check(host, IDC_CH1_ACTIVE), Qt::LeftButton);
        QTest::mouseClick(Check(host, IDC_CH2_ACTIVE), Qt::LeftButton);
        QLineEdit* interval = Edit(host, IDC_INTERVAL);
        interval->setFocus();
        interval->selectAll();
        QTest::keyClicks(interval, QStringLiteral(" 007 "));
        Edit(host, IDC_T2_FAHRENHEIT)->setText(QStringLiteral("+73.420   "));

        QVERIFY(dialog.UpdateData(true));
        QCOMPARE(dialog.m_ch1Active, 0);
        QCOMPARE(dialog.m_ch2Active, 1);
        QCOMPARE(dialog.m_intervalSec, 7);
        QCOMPARE(dialog.m_t2F, std::string("+73.420   "));
        QCOMPARE(dialog.m_t1C, std::string("+21.500   "));
        QCOMPARE(dialog.m_deviceStatus, longStatus);
        QCOMPARE(dialog.m_recordStatus, std::string("Recording..."));

        // The third check state goes both ways too.
        dialog.m_ch1Active = 2;
        dialog.UpdateData(false);
        QCOMPARE(Check(host, IDC_CH1_ACTIVE)->checkState(), Qt::PartiallyChecked);
        dialog.m_ch1Active = 0;
        QVERIFY(dialog.UpdateData(true));
        QCOMPARE(dialog.m_ch1Active, 2);
    });
}

void MainDialogTest::windowMenuOpensTheAboutBox()
{
    MainDialogRig rig(framework_);
    struct AboutSeen {
        bool shown = false;
        QString caption;
        QWidget* parent = nullptr;
        QWidget* owner = nullptr;
        Qt::WindowModality modality = Qt::NonModal;
        QPoint centre;
        QPoint ownerCentre;
        QStringList defaultButtons;
        QSize iconSize;
        bool closedByEnter = false;
    } about;

    const int code = RunModal(rig.dialog, [&](QtDialogHost& host) {
        QDialog* window = host.Window();
        QMenu* menu = host.SystemMenu();

        // Close, then the separator and the About item that start-up appended.
        const QList<QAction*> items = menu->actions();
        QCOMPARE(items.size(), 3);
        QCOMPARE(items[0]->text(), QStringLiteral("&Close"));
        QVERIFY(items[1]->isSeparator());
        QCOMPARE(items[2]->text(), QStringLiteral("&About Vexmoor..."));

        // A right click on the background opens the menu; Escape closes it.
        const QPoint background(4, 4);
        QVERIFY(window->childAt(background) == nullptr);
        QTest::mouseClick(window->windowHandle(), Qt::RightButton, Qt::NoModifier, background);
        QTRY_COMPARE(QApplication::activePopupWidget(), menu);
        QTest::keyClick(menu, Qt::Key_Escape);
        QTRY_VERIFY(!menu->isVisible());

        qttest::When(
            [] {
                QWidget* modal = QApplication::activeModalWidget();
                return modal != nullptr && modal->windowTitle() == QStringLiteral("About Vexmoor");
            },
            [&] {
                QWidget* box = QApplication::activeModalWidget();
                about.shown = true;
                about.caption = box->windowTitle();
                about.parent = box->parentWidget();
                about.owner = window;
                about.modality = box->windowModality();
                about.centre = box->frameGeometry().center();
                about.ownerCentre = window->frameGeometry().center();
                for (QPushButton* button : box->findChildren<QPushButton*>()) {
                    if (button->isDefault()) {
                        about.defaultButtons << button->text();
                    }
                }
                for (QLabel* label : box->findChildren<QLabel*>()) {
                    if (!label->pixmap().isNull()) {
                        about.iconSize = label->pixmap().size();
                    }
                }
                QTest::keyClick(box, Qt::Key_Return);
                about.closedByEnter = QTest::qWaitFor([box] { return !box->isVisible(); }, qttest::kWaitMs);
            },
            [] {
                if (QWidget* modal = QApplication::activeModalWidget()) {
                    modal->hide();
                }
            });

        // Alt+Space opens the menu; A chooses "&About Vexmoor...".
        QTest::keyClick(window, Qt::Key_Space, Qt::AltModifier);
        QTRY_COMPARE(QApplication::activePopupWidget(), menu);
        QTest::keyClick(menu, Qt::Key_A);
        QVERIFY(QTest::qWaitFor([&] { return about.closedByEnter; }, qttest::kWaitMs));
        QVERIFY(!host.HasEnded());

        // The Close item ends the dialog as Escape does.
        items[0]->trigger();
        QVERIFY(QTest::qWaitFor([&] { return host.HasEnded(); }, qttest::kWaitMs));
    });

    QCOMPARE(code, platform::IDCANCEL);
    QVERIFY(about.shown);
    QCOMPARE(about.caption, QStringLiteral("About Vexmoor"));
    QCOMPARE(about.modality, Qt::WindowModal);
    QCOMPARE(about.parent, about.owner);
    QVERIFY(qAbs(about.centre.x() - about.ownerCentre.x()) <= 1);
    QVERIFY(qAbs(about.centre.y() - about.ownerCentre.y()) <= 1);
    QCOMPARE(about.defaultButtons, QStringList{QStringLiteral("OK")});
    QCOMPARE(about.iconSize, QSize(32, 32));
}

QTEST_MAIN(MainDialogTest)
#include "tst_main_dialog.moc"
