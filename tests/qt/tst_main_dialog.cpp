// The main dialog as Qt Widgets: its controls against the template, the
// keyboard interface, data exchange through the real widgets, and the window
// menu with the About box. The dialog runs on the in-process simulated
// instrument.

#include "QtTestSupport.h"

#include "app/AboutBox.h"
#include "log/LogFormat.h"
#include "platform/Clock.h"
#include "platform/LibraryLoader.h"
#include "platform/qt/QtFramework.h"
#include "res/Templates.h"
#include "res/resource.h"
#include "sim/InProcessTable.h"
#include "sim/SimInstrument.h"
#include "support/TemplateRows.h"
#include "support/TestEnv.h"
#include "ui/VexmoorDlg.h"

#include <QAbstractEventDispatcher>
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

#include <algorithm>
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

// The dialog units of a font, measured here: the average width of the 52
// letters, halved and rounded, and the line height.
platform::qt::BaseUnits MeasuredUnits(const QFont& font)
{
    const QFontMetrics metrics(font);
    const int alphabet =
        metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return {(alphabet / 26 + 1) / 2, metrics.ascent() + metrics.descent()};
}

// Timers the dialog's window has with Qt, by period.
QList<int> TimerPeriods(QWidget* window)
{
    QList<int> periods;
    for (const auto& timer : QAbstractEventDispatcher::instance()->registeredTimers(window)) {
        periods << timer.interval;
    }
    return periods;
}

// "+10.000   " for 10: what a Celsius field shows.
QString Shown(int celsius)
{
    return QStringLiteral("+%1.000").arg(celsius).leftJustified(10, u' ');
}

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
    void aboutBoxOverARunningPoll_data();
    void aboutBoxOverARunningPoll();

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

        // Every control, in template order, against the rows typed out in
        // the tests (not the program's own table).
        QCOMPARE(host.Controls().size(), test::kMainDialogRows.size());
        for (std::size_t i = 0; i < test::kMainDialogRows.size(); ++i) {
            const test::TemplateRow& control = test::kMainDialogRows[i];
            QWidget* widget = host.Controls()[i];
            QVERIFY(control.caption.has_value());
            const QString caption = QString::fromUtf8(control.caption->data(), qsizetype(control.caption->size()));
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

void MainDialogTest::aboutBoxOverARunningPoll_data()
{
    QTest::addColumn<int>("action");
    QTest::newRow("closed by Escape") << int(Action::Escape);
    QTest::newRow("closed by its close box") << int(Action::CloseBox);
}

// The About box opened while a run records: the main dialog's timer goes on
// ticking behind it, the readings change on screen and reach the log, and the
// box ends (IDCANCEL) without ending the main dialog or the run. The box's
// controls are checked against template 100 as typed out in the tests.
void MainDialogTest::aboutBoxOverARunningPoll()
{
    QFETCH(int, action);

    MainDialogRig rig(framework_);
    sim::Script& script = rig.instrument.GetScript();
    // The instrument's clock stands still here: replies are there at once, and
    // the timer's real second paces the run. Channels 1 and 2 alternate.
    script.replyDelayMs = 0;
    for (const int celsius : {10, 20, 11, 21, 12, 22, 13, 23, 14, 24}) {
        const std::uint8_t status = celsius < 20 ? kCh1Valid : kCh2Valid;
        script.scriptedReplies.push_back({sim::MakeReply(status, 100.0 + celsius, celsius), 0});
    }

    struct AboutSeen {
        bool shown = false;
        QSize size;
        QSize expectedSize;
        int fontPixels = 0;
        QStringList controlMismatches;
        QList<int> periodsBehind;
        bool readingsChanged = false;
        bool stillOnTop = false;
        std::size_t logBytesAtOpen = 0;
        std::size_t logBytesAtClose = 0;
        bool closed = false;
        int result = 0;
    } about;
    std::size_t logBytesBeforeRun = 0;
    QList<int> periodsRunning;
    bool mainStillOpen = false;
    int measuringAfter = 0;
    QList<int> periodsAfter;

    RunModal(rig.dialog, [&](QtDialogHost& host) {
        QDialog* window = host.Window();
        logBytesBeforeRun = test::ReadFileBytes(std::string(kLogFileName)).size();
        qobject_cast<QPushButton*>(host.Item(IDC_START))->click();
        qobject_cast<QPushButton*>(host.Item(IDC_REC))->click();
        periodsRunning = TimerPeriods(window);
        QTRY_COMPARE_WITH_TIMEOUT(Edit(host, IDC_T1_CELSIUS)->text(), Shown(10), qttest::kWaitMs);

        qttest::When(
            [] {
                QWidget* modal = QApplication::activeModalWidget();
                return modal != nullptr && modal->windowTitle() == QStringLiteral("About Vexmoor");
            },
            [&] {
                QPointer<QWidget> box = QApplication::activeModalWidget();
                about.shown = true;
                about.fontPixels = box->font().pixelSize();
                const platform::qt::BaseUnits units = MeasuredUnits(box->font());
                about.size = box->size();
                about.expectedSize = QSize(Pixels(test::kAboutBoxHead.rect.width, units.x, 4),
                                           Pixels(test::kAboutBoxHead.rect.height, units.y, 8));

                // The controls, in template order (the window menu is no control).
                QList<QWidget*> controls = box->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
                controls.removeIf([](QWidget* w) { return qobject_cast<QMenu*>(w) != nullptr; });
                if (controls.size() != qsizetype(test::kAboutBoxRows.size())) {
                    about.controlMismatches << QStringLiteral("%1 controls").arg(controls.size());
                }
                for (qsizetype i = 0; i < std::min(controls.size(), qsizetype(test::kAboutBoxRows.size())); ++i) {
                    const test::TemplateRow& row = test::kAboutBoxRows[std::size_t(i)];
                    QWidget* widget = controls[i];
                    const QString where = QStringLiteral("control #%1").arg(i + 1);
                    QRect expected = ExpectedGeometry(row.rect, units);
                    auto* label = qobject_cast<QLabel*>(widget);
                    auto* button = qobject_cast<QPushButton*>(widget);
                    switch (row.kind) {
                    case ControlKind::StaticIcon:
                        expected.setSize(QSize(32, 32));  // an icon control takes the icon's size
                        if (label == nullptr || label->pixmap().size() != QSize(32, 32)) {
                            about.controlMismatches << where + QStringLiteral(": no 32-pixel icon");
                        }
                        break;
                    case ControlKind::StaticText:
                        if (label == nullptr || label->text().isEmpty() ||
                            (row.caption && label->text() != QString::fromUtf8(row.caption->data(),
                                                                               qsizetype(row.caption->size())))) {
                            about.controlMismatches << where + QStringLiteral(": text");
                        }
                        break;
                    case ControlKind::DefPushButton:
                        if (button == nullptr || !button->isDefault() || button->text() != QStringLiteral("OK")) {
                            about.controlMismatches << where + QStringLiteral(": default OK button");
                        }
                        break;
                    default:
                        about.controlMismatches << where + QStringLiteral(": kind");
                    }
                    if (widget->geometry() != expected) {
                        about.controlMismatches << where + QStringLiteral(": geometry");
                    }
                }

                // Two more ticks behind the box: a channel-2 reading, then a new channel-1 one.
                about.periodsBehind = TimerPeriods(window);
                about.logBytesAtOpen = test::ReadFileBytes(std::string(kLogFileName)).size();
                about.readingsChanged = QTest::qWaitFor(
                    [&] {
                        return Edit(host, IDC_T2_CELSIUS)->text() == Shown(20) &&
                               Edit(host, IDC_T1_CELSIUS)->text() == Shown(11);
                    },
                    qttest::kWaitMs);
                about.stillOnTop = QApplication::activeModalWidget() == box.data() && box->isVisible();
                about.logBytesAtClose = test::ReadFileBytes(std::string(kLogFileName)).size();

                if (static_cast<Action>(action) == Action::Escape) {
                    QTest::keyClick(box, Qt::Key_Escape);
                } else {
                    box->close();
                }
                about.closed = QTest::qWaitFor([&] { return box.isNull() || !box->isVisible(); }, qttest::kWaitMs);
                if (auto* dialog = qobject_cast<QDialog*>(box.data())) {
                    if (!about.closed) {
                        dialog->done(kEndedByTest);  // so that no loop waits forever
                    }
                    about.result = dialog->result();
                }
            },
            [] {
                if (QWidget* modal = QApplication::activeModalWidget()) {
                    modal->hide();
                }
            });

        host.SystemMenu()->actions().at(2)->trigger();  // "&About Vexmoor..."
        QVERIFY(QTest::qWaitFor([&] { return about.closed; }, 3 * qttest::kWaitMs));
        // Back in the main dialog: still open, still running on its timer.
        QTest::qWait(20);
        mainStillOpen = !host.HasEnded() && window->isVisible();
        measuringAfter = rig.dialog.m_run.measuring;
        periodsAfter = TimerPeriods(window);
    });

    QCOMPARE(periodsRunning, QList<int>{1000});
    QVERIFY(about.shown);
    QCOMPARE(about.fontPixels, 11);  // 8 points at 96 DPI
    QCOMPARE(about.size, about.expectedSize);
    QVERIFY2(about.controlMismatches.isEmpty(), qPrintable(about.controlMismatches.join(QStringLiteral("; "))));
    QCOMPARE(about.periodsBehind, QList<int>{1000});
    QVERIFY(about.readingsChanged);
    QVERIFY(about.stillOnTop);
    // Before the box: the header (60 characters and CR CR LF) and the record of
    // the channel-1 reply (53 and CR LF). Behind it: a record for each of the
    // two replies, both channels valid (64 and CR LF).
    QCOMPARE(about.logBytesAtOpen - logBytesBeforeRun, std::size_t{63 + 55});
    QCOMPARE(about.logBytesAtClose - about.logBytesAtOpen, std::size_t{2 * 66});
    QVERIFY(about.closed);
    QCOMPARE(about.result, platform::IDCANCEL);
    QVERIFY(mainStillOpen);
    QCOMPARE(measuringAfter, 1);
    QCOMPARE(periodsAfter, QList<int>{1000});
}

QTEST_MAIN(MainDialogTest)
#include "tst_main_dialog.moc"
