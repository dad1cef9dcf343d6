// What the Qt backend gives every dialog: dialog units and the dialog font,
// window timers (also while a message box is open), and the two kinds of
// message box. Run on a small probe dialog.

#include "QtTestSupport.h"

#include "platform/qt/DialogUnits.h"
#include "platform/qt/QtFramework.h"

#include <QAbstractEventDispatcher>
#include <QtTest>

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

using namespace vexmoor;
using platform::ControlKind;
using platform::ControlTemplate;
using platform::qt::QtDialogHost;
using qttest::RunModal;

namespace {

constexpr std::array<ControlTemplate, 2> kProbeControls{{
    {100, ControlKind::EditField, "", {4, 4, 60, 12}},
    {101, ControlKind::PushButton, "Go", {70, 4, 30, 14}},
}};

const platform::DialogTemplate kProbeTemplate{
    900, "Probe", {0, 0, 110, 24}, {"MS Sans Serif", 8}, false, kProbeControls};

// A dialog that records its timer ticks.
class ProbeDialog final : public platform::CDialog {
public:
    explicit ProbeDialog(platform::Framework& framework) : CDialog(kProbeTemplate, framework, nullptr) {}

    void OnTimer(std::uintptr_t id) override { ticks.push_back(id); }

    int TicksOf(std::uintptr_t id) const { return static_cast<int>(std::count(ticks.begin(), ticks.end(), id)); }

    std::vector<std::uintptr_t> ticks;
};

} // namespace

class WindowServicesTest : public QObject {
    Q_OBJECT

private slots:
    void mulDivRoundsHalfAwayFromZero_data();
    void mulDivRoundsHalfAwayFromZero();
    void dialogFont_data();
    void dialogFont();
    void controlsPlacedByDialogUnits();
    void timersTickUntilKilled();
    void timersTickWhileAMessageBoxIsOpen();
    void messageBoxes_data();
    void messageBoxes();

private:
    platform::qt::QtFramework framework_;
};

void WindowServicesTest::mulDivRoundsHalfAwayFromZero_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<int>("numerator");
    QTest::addColumn<int>("denominator");
    QTest::addColumn<int>("expected");
    QTest::newRow("exact") << 8 << 12 << 4 << 24;
    QTest::newRow("below half") << 5 << 21 << 8 << 13;      // 13.125
    QTest::newRow("half rounds up") << 3 << 6 << 4 << 5;    // 4.5
    QTest::newRow("above half") << 241 << 11 << 4 << 663;  // 662.75
    QTest::newRow("negative half rounds down") << -3 << 6 << 4 << -5;
    QTest::newRow("negative denominator") << 3 << 6 << -4 << -5;
    QTest::newRow("no denominator") << 3 << 6 << 0 << -1;
    QTest::newRow("no 32-bit overflow inside") << 100000 << 100000 << 100000 << 100000;
}

void WindowServicesTest::mulDivRoundsHalfAwayFromZero()
{
    QFETCH(int, number);
    QFETCH(int, numerator);
    QFETCH(int, denominator);
    QFETCH(int, expected);
    QCOMPARE(platform::qt::MulDiv(number, numerator, denominator), expected);
}

void WindowServicesTest::dialogFont_data()
{
    QTest::addColumn<QString>("face");
    QTest::addColumn<int>("points");
    QTest::addColumn<QString>("expectedFamily");
    QTest::addColumn<int>("expectedPixels");
    QTest::newRow("main dialog") << "MS Sans Serif" << 14 << "Liberation Sans" << 19;
    QTest::newRow("About box") << "MS Sans Serif" << 8 << "Liberation Sans" << 11;
    QTest::newRow("installed face kept") << "DejaVu Sans" << 9 << "DejaVu Sans" << 12;
}

void WindowServicesTest::dialogFont()
{
    QFETCH(QString, face);
    QFETCH(int, points);
    QFETCH(QString, expectedFamily);
    QFETCH(int, expectedPixels);
    const QByteArray faceUtf8 = face.toUtf8();
    const QFont font = platform::qt::DialogFont({std::string_view(faceUtf8.constData(), faceUtf8.size()), points});
    QCOMPARE(font.family(), expectedFamily);
    QCOMPARE(QFontInfo(font).family(), expectedFamily);  // really installed
    QCOMPARE(font.pixelSize(), expectedPixels);
}

void WindowServicesTest::controlsPlacedByDialogUnits()
{
    // x and width are mapped each on its own, not as the two edges.
    const platform::qt::BaseUnits units{6, 13};
    QCOMPARE(platform::qt::DluToPixels(platform::DluRect{1, 3, 1, 3}, units), QRect(2, 5, 2, 5));
    QCOMPARE(platform::qt::DluToPixels(platform::DluRect{15, 47, 28, 14}, {11, 21}), QRect(41, 123, 77, 37));
    QCOMPARE(platform::qt::DluToPixels(241, 162, {11, 21}), QSize(663, 425));
}

void WindowServicesTest::timersTickUntilKilled()
{
    ProbeDialog probe(framework_);
    bool killedUnknown = true;
    bool killedKnown = false;
    int ticksAfterKill = -1;
    int replacedTicksAfterKill = -1;
    qsizetype timersLeft = -1;
    RunModal(probe, [&](QtDialogHost& host) {
        QVERIFY(probe.SetTimer(7, 10));
        QVERIFY(probe.SetTimer(9, 10));
        QVERIFY(QTest::qWaitFor([&] { return probe.TicksOf(7) >= 3 && probe.TicksOf(9) >= 3; }, qttest::kWaitMs));

        killedKnown = probe.KillTimer(7);
        killedUnknown = probe.KillTimer(8);
        const int sevens = probe.TicksOf(7);
        QTest::qWait(60);
        ticksAfterKill = probe.TicksOf(7) - sevens;

        // Setting an identifier again replaces its timer: one kill stops it.
        QVERIFY(probe.SetTimer(9, 5));
        probe.KillTimer(9);
        const int nines = probe.TicksOf(9);
        QTest::qWait(60);
        replacedTicksAfterKill = probe.TicksOf(9) - nines;
        // ... and leaves no Qt timer behind.
        timersLeft = QAbstractEventDispatcher::instance()->registeredTimers(host.Window()).size();
    });
    QVERIFY(killedKnown);
    QVERIFY(!killedUnknown);
    QCOMPARE(ticksAfterKill, 0);
    QCOMPARE(replacedTicksAfterKill, 0);
    QCOMPARE(timersLeft, 0);
}

void WindowServicesTest::timersTickWhileAMessageBoxIsOpen()
{
    ProbeDialog probe(framework_);
    qttest::BoxRecorder recorder;
    int ticksWhileOpen = 0;
    recorder.whileOpen = [&](QMessageBox&) {
        const auto before = probe.ticks.size();
        QVERIFY(QTest::qWaitFor([&] { return probe.ticks.size() >= before + 3; }, qttest::kWaitMs));
        ticksWhileOpen = static_cast<int>(probe.ticks.size() - before);
    };
    RunModal(probe, [&](QtDialogHost&) {
        QVERIFY(probe.SetTimer(18, 10));
        probe.MessageBox("timer ERROR");
    });
    QCOMPARE(recorder.Texts(), QStringList{QStringLiteral("timer ERROR")});
    QVERIFY(ticksWhileOpen >= 3);
}

void WindowServicesTest::messageBoxes_data()
{
    QTest::addColumn<bool>("frameworkBox");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expectedIcon");
    QTest::newRow("the dialog's own box: no icon")
        << false << "Quorvantex, No Present! USB Connected?" << int(QMessageBox::NoIcon);
    QTest::newRow("the framework's box: exclamation")
        << true << "Please enter an integer." << int(QMessageBox::Warning);
    QTest::newRow("markup is shown as text") << false << "<b>t1 & t2</b>" << int(QMessageBox::NoIcon);
}

void WindowServicesTest::messageBoxes()
{
    QFETCH(bool, frameworkBox);
    QFETCH(QString, text);
    QFETCH(int, expectedIcon);

    ProbeDialog probe(framework_);
    qttest::BoxRecorder recorder;
    Qt::TextFormat format = Qt::AutoText;
    recorder.whileOpen = [&](QMessageBox& box) { format = box.textFormat(); };
    QWidget* dialogWindow = nullptr;
    RunModal(probe, [&](QtDialogHost& host) {
        dialogWindow = host.Window();
        const QByteArray utf8 = text.toUtf8();
        const std::string_view message(utf8.constData(), utf8.size());
        if (frameworkBox) {
            probe.AfxMessageBox(message);
        } else {
            probe.MessageBox(message);
        }
    });

    QCOMPARE(recorder.boxes.size(), std::size_t{1});
    const qttest::SeenBox& box = recorder.boxes.front();
    // The caption is the executable's name without its extension.
    QCOMPARE(box.caption, QStringLiteral("vexmoor_qt_window_services"));
    QCOMPARE(box.text, text);
    QCOMPARE(format, Qt::PlainText);  // shown as it is, never as markup
    QCOMPARE(int(box.icon), expectedIcon);
    QCOMPARE(box.buttonCount, 1);
    QVERIFY(box.okButton);
    QCOMPARE(box.parent, dialogWindow);
    QVERIFY(box.modality != Qt::NonModal);
}

QTEST_MAIN(WindowServicesTest)
#include "tst_window_services.moc"
