// The trend window on Qt Charts: its place in the main dialog's window menu,
// one window at a time, the plot (legend, axes, gaps, the ten-minute view and
// the whole session), following the readings live (also while the About box
// is open), and saving as CSV.

#include "QtTestSupport.h"

#include "app/AboutBox.h"
#include "platform/Clock.h"
#include "platform/LibraryLoader.h"
#include "platform/qt/QtFramework.h"
#include "res/resource.h"
#include "sim/InProcessTable.h"
#include "sim/SimInstrument.h"
#include "support/TestEnv.h"
#include "trend/CsvExport.h"
#include "trend/TrendStore.h"
#include "trend/qt/TrendWindow.h"
#include "ui/VexmoorDlg.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QMenu>
#include <QTemporaryDir>
#include <QtCharts/QChart>
#include <QtCharts/QDateTimeAxis>
#include <QtCharts/QLegend>
#include <QtCharts/QLegendMarker>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>
#include <QtTest>

#include <memory>

using namespace vexmoor;
using platform::qt::QtDialogHost;
using trend::qt::TrendWindow;
using qttest::RunModal;

namespace {

constexpr std::int64_t kStartMs = 1796907909000;  // 2026-12-10T13:05:09Z

// Each reading one second after the one before.
class SteppingWallClock final : public platform::Clock {
public:
    platform::WallTime Now() override
    {
        const platform::WallTime now{nextMs, 3600};
        nextMs += stepMs;
        return now;
    }
    std::int64_t nextMs = kStartMs;
    std::int64_t stepMs = 1000;
};

DecodedReply Reply(ReplyOutcome outcome, double celsius = 0.0)
{
    DecodedReply reply;
    reply.outcome = outcome;
    if (outcome == ReplyOutcome::Valid) {
        reply.celsius = celsius;
        reply.ohms = 100.0 + 0.39 * celsius;
    }
    return reply;
}

// A healthy run's replies: channel 1, then channel 2, one a second.
void FeedHealthy(TrendStore& store, int count, int& index)
{
    for (int i = 0; i < count; ++i, ++index) {
        const bool first = index % 2 == 0;
        store.OnReading(first ? 1 : 2, Reply(ReplyOutcome::Valid, (first ? 21.0 : 23.0) + 0.01 * index));
    }
}

int PointCount(const TrendWindow& window, int channel)
{
    int count = 0;
    for (const QLineSeries* segment : window.Segments(channel)) {
        count += segment->count();
    }
    return count;
}

// The legend's entries as laid out (the layout runs from the event loop).
QStringList VisibleLegend(QChart& chart)
{
    QStringList labels;
    for (QLegendMarker* marker : chart.legend()->markers()) {
        if (marker->isVisible()) {
            labels << marker->label();
        }
    }
    return labels;
}

// The trend windows of `owner` on the screen.
QList<TrendWindow*> OpenTrendWindows(QWidget& owner)
{
    QList<TrendWindow*> open;
    for (TrendWindow* window : owner.findChildren<TrendWindow*>()) {
        if (window->isVisible()) {
            open << window;
        }
    }
    return open;
}

// The main dialog on the in-process simulated instrument, handing its
// readings to a trend store, with the window menu's "&Trend..." command.
struct TrendRig {
    explicit TrendRig(sim::SimClock& simClock) : instrument(simClock)
    {
        framework.AddWindowMenuCommand(res::IDD_VEXMOOR_DIALOG, QStringLiteral("&Trend..."),
                                       [this](QWidget& window) { trend::qt::ShowTrendWindow(window, store); });
    }

    SteppingWallClock wallClock;
    TrendStore store{wallClock};
    platform::qt::QtFramework framework;
    sim::Instrument instrument;
    platform::TableLibraryLoader loader{sim::InProcessTable(instrument)};
    platform::SystemClock clock;
    CVexmoorDlg dialog{DialogServices{framework, loader, clock, &store, ShowAboutBox}};
};

} // namespace

class TrendWindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void windowMenuOpensOneTrendWindow();
    void plotsEachSensorWithGapsAndFollowsLive();
    void wholeSessionShowsEverythingKept();
    void followsTheRunWhileTheAboutBoxIsOpen();
    void savesAsCsvAndReportsAFailure();

private:
    QTemporaryDir workDir_;
};

void TrendWindowTest::initTestCase()
{
    // The dialog opens its log in the working directory.
    QVERIFY(workDir_.isValid());
    QVERIFY(QDir::setCurrent(workDir_.path()));
}

void TrendWindowTest::windowMenuOpensOneTrendWindow()
{
    sim::ManualClock simClock;
    TrendRig rig(simClock);
    RunModal(rig.dialog, [&](QtDialogHost& host) {
        QDialog* window = host.Window();
        const QList<QAction*> items = host.SystemMenu()->actions();
        QCOMPARE(items.size(), 4);
        QCOMPARE(items[0]->text(), QStringLiteral("&Close"));
        QCOMPARE(items[1]->text(), QStringLiteral("&Trend..."));
        QVERIFY(items[2]->isSeparator());
        QCOMPARE(items[3]->text(), QStringLiteral("&About Vexmoor..."));

        // Alt+Space opens the menu; T chooses "&Trend...".
        QTest::keyClick(window, Qt::Key_Space, Qt::AltModifier);
        QTRY_COMPARE(QApplication::activePopupWidget(), host.SystemMenu());
        QTest::keyClick(host.SystemMenu(), Qt::Key_T);
        QTRY_COMPARE(OpenTrendWindows(*window).size(), 1);
        TrendWindow* trend = OpenTrendWindows(*window).front();
        QVERIFY(trend->isWindow());
        QCOMPARE(trend->parentWidget(), window);  // owned by the main dialog
        QVERIFY(QTest::qWaitForWindowActive(trend));
        QVERIFY(!host.HasEnded());

        // Readings of a run go to the open window.
        rig.dialog.OnCommand(res::IDC_START);
        rig.dialog.KillTimer(kPollTimerId);  // ticks by hand
        for (int i = 0; i < 4; ++i) {
            simClock.Advance(1000);
            rig.dialog.OnTimer(kPollTimerId);
        }
        QCOMPARE(rig.store.Readings().size(), std::size_t{4});
        QCOMPARE(PointCount(*trend, 1), 2);
        QCOMPARE(PointCount(*trend, 2), 2);

        // Chosen again: the same window, brought to the front.
        QApplication::setActiveWindow(window);
        QTRY_COMPARE(QApplication::activeWindow(), window);
        items[1]->trigger();
        QTRY_COMPARE(QApplication::activeWindow(), trend);
        QCOMPARE(OpenTrendWindows(*window), QList<TrendWindow*>{trend});

        // Closed and opened again: a new window with the readings kept.
        trend->close();
        QTRY_VERIFY(OpenTrendWindows(*window).isEmpty());
        items[1]->trigger();
        QTRY_COMPARE(OpenTrendWindows(*window).size(), 1);
        QCOMPARE(PointCount(*OpenTrendWindows(*window).front(), 1), 2);
        QCOMPARE(PointCount(*OpenTrendWindows(*window).front(), 2), 2);
        rig.dialog.OnCommand(res::IDC_EXIT);
    });
}

void TrendWindowTest::plotsEachSensorWithGapsAndFollowsLive()
{
    SteppingWallClock clock;
    TrendStore store(clock);
    int index = 0;
    FeedHealthy(store, 6, index);  // sensor 1 at 0, 2, 4 s; sensor 2 at 1, 3, 5 s
    TrendWindow window(store);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QCOMPARE(window.CurrentSpan(), TrendWindow::Span::LastTenMinutes);
    QCOMPARE(window.SpanChoice()->currentText(), QStringLiteral("Last 10 minutes"));
    QTRY_COMPARE(VisibleLegend(*window.Chart()), (QStringList{"Sensor1", "Sensor2"}));
    QCOMPARE(window.ValueAxis()->titleText(), QStringLiteral("°C"));
    QCOMPARE(window.Segments(1).size(), std::size_t{1});
    QCOMPARE(window.Segments(1)[0]->points(),
             (QList<QPointF>{{double(kStartMs), 21.0}, {double(kStartMs + 2000), 21.02}, {double(kStartMs + 4000), 21.04}}));
    QCOMPARE(window.TimeAxis()->max().toMSecsSinceEpoch(), kStartMs + 5000);
    QCOMPARE(window.TimeAxis()->min().toMSecsSinceEpoch(), kStartMs + 5000 - TrendWindow::kRecentMs);
    QVERIFY(window.ValueAxis()->min() <= 21.0 && window.ValueAxis()->max() >= 23.05);

    // Sensor 1 has no sensor once: a gap in its line only, the next point
    // alone on a line of its own (shown as a dot) until more follow.
    store.OnReading(1, Reply(ReplyOutcome::NoSensor));
    store.OnReading(2, Reply(ReplyOutcome::Valid, 23.5));
    store.OnReading(1, Reply(ReplyOutcome::Valid, 22.0));
    QCOMPARE(window.Segments(1).size(), std::size_t{2});
    QCOMPARE(window.Segments(2).size(), std::size_t{1});
    QCOMPARE(window.Segments(1)[1]->points(), (QList<QPointF>{{double(kStartMs + 8000), 22.0}}));
    QVERIFY(window.Segments(1)[1]->pointsVisible());
    QVERIFY(!window.Segments(1)[0]->pointsVisible());
    // Live: the view follows the newest reading.
    QCOMPARE(window.TimeAxis()->max().toMSecsSinceEpoch(), kStartMs + 8000);

    // A pause between runs: a gap in both lines.
    clock.nextMs += 60000;
    index = 0;
    FeedHealthy(store, 4, index);
    QCOMPARE(window.Segments(1).size(), std::size_t{3});
    QCOMPARE(window.Segments(2).size(), std::size_t{2});
    QTRY_COMPARE(VisibleLegend(*window.Chart()), (QStringList{"Sensor1", "Sensor2"}));

    // Twenty minutes later only the last ten (and at most a minute more)
    // are drawn; the store keeps everything.
    FeedHealthy(store, 1200, index);
    const std::int64_t newest = store.Readings().back().time.utcMs;
    QCOMPARE(window.TimeAxis()->max().toMSecsSinceEpoch(), newest);
    for (int channel = 1; channel <= 2; ++channel) {
        QCOMPARE(window.Segments(channel).size(), std::size_t{1});
        QVERIFY(window.Segments(channel)[0]->at(0).x() >= double(newest - TrendWindow::kRecentMs - 60000));
        QVERIFY(PointCount(window, channel) <= 331);
    }
    QCOMPARE(store.Readings().size(), std::size_t{1213});
}

void TrendWindowTest::wholeSessionShowsEverythingKept()
{
    SteppingWallClock clock;
    TrendStore store(clock, 5000);  // small enough to see the oldest go
    int index = 0;
    FeedHealthy(store, 100, index);
    TrendWindow window(store);
    window.SpanChoice()->setCurrentIndex(1);
    QCOMPARE(window.CurrentSpan(), TrendWindow::Span::WholeSession);
    QCOMPARE(window.TimeAxis()->min().toMSecsSinceEpoch(), kStartMs);
    QCOMPARE(PointCount(window, 1), 50);
    QCOMPARE(PointCount(window, 2), 50);

    // Ten hours: the oldest readings drop out of the store and the view, and
    // the points stay few however long the session.
    FeedHealthy(store, 36000, index);
    QCOMPARE(store.Readings().size(), std::size_t{5000});
    QCOMPARE(window.TimeAxis()->min().toMSecsSinceEpoch(), store.Readings().front().time.utcMs);
    QCOMPARE(window.TimeAxis()->max().toMSecsSinceEpoch(), store.Readings().back().time.utcMs);
    for (int channel = 1; channel <= 2; ++channel) {
        QVERIFY(PointCount(window, channel) > 0);
        QVERIFY(PointCount(window, channel) <= 2 * kMaxSessionSlots + 2);
        QVERIFY(window.Segments(channel).front()->at(0).x() >= double(store.Readings().front().time.utcMs));
    }

    // Back to the last ten minutes.
    window.SetSpan(TrendWindow::Span::LastTenMinutes);
    QCOMPARE(window.SpanChoice()->currentIndex(), 0);
    QCOMPARE(PointCount(window, 1), 300);
}

void TrendWindowTest::followsTheRunWhileTheAboutBoxIsOpen()
{
    // The instrument answers in real time; the dialog's own timer ticks.
    sim::SteadyClock simClock;
    TrendRig rig(simClock);
    int pointsBefore = -1;
    int pointsWhileOpen = -1;
    RunModal(rig.dialog, [&](QtDialogHost& host) {
        QDialog* window = host.Window();
        TrendWindow& trend = trend::qt::ShowTrendWindow(*window, rig.store);
        rig.dialog.OnCommand(res::IDC_START);
        QTRY_VERIFY_WITH_TIMEOUT(PointCount(trend, 1) + PointCount(trend, 2) >= 1, qttest::kWaitMs);

        qttest::When(
            [] {
                QWidget* modal = QApplication::activeModalWidget();
                return modal != nullptr && modal->windowTitle() == QStringLiteral("About Vexmoor");
            },
            [&] {
                QWidget* about = QApplication::activeModalWidget();
                pointsBefore = PointCount(trend, 1) + PointCount(trend, 2);
                static_cast<void>(QTest::qWaitFor([&] { return PointCount(trend, 1) + PointCount(trend, 2) >= pointsBefore + 2; },
                                qttest::kWaitMs));
                pointsWhileOpen = PointCount(trend, 1) + PointCount(trend, 2);
                QTest::keyClick(about, Qt::Key_Escape);
            },
            [] {
                if (QWidget* modal = QApplication::activeModalWidget()) {
                    modal->hide();
                }
            });
        host.SystemMenu()->actions().back()->trigger();  // "&About Vexmoor..."
        QTRY_VERIFY_WITH_TIMEOUT(pointsWhileOpen >= 0, 2 * qttest::kWaitMs);
        rig.dialog.OnCommand(res::IDC_EXIT);
    });
    QVERIFY(pointsBefore >= 1);
    QVERIFY2(pointsWhileOpen >= pointsBefore + 2, "the trend window was not fed while the About box was open");
}

void TrendWindowTest::savesAsCsvAndReportsAFailure()
{
    SteppingWallClock clock;
    TrendStore store(clock);
    int index = 0;
    FeedHealthy(store, 5, index);
    store.OnReading(2, Reply(ReplyOutcome::Overflow));
    const std::string expected = CsvText(store);
    TrendWindow window(store);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTemporaryDir dir;
    QVERIFY(dir.isValid());

    qttest::BoxRecorder boxes;
    // A path in a directory that does not exist: a box says so, nothing is lost.
    const QString missing = dir.filePath(QStringLiteral("missing/trend.csv"));
    QVERIFY(!window.SaveCsvTo(missing));
    QCOMPARE(boxes.boxes.size(), std::size_t{1});
    QCOMPARE(boxes.boxes[0].icon, QMessageBox::Warning);
    QVERIFY(boxes.boxes[0].text.contains(QDir::toNativeSeparators(missing)));
    QCOMPARE(boxes.boxes[0].parent, &window);
    QCOMPARE(CsvText(store), expected);
    QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList{});

    // The button asks for the file, then writes every reading kept.
    const QString target = dir.filePath(QStringLiteral("trend.csv"));
    bool asked = false;
    qttest::When([] { return qobject_cast<QFileDialog*>(QApplication::activeModalWidget()) != nullptr; },
                 [&] {
                     auto* ask = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
                     asked = ask->acceptMode() == QFileDialog::AcceptSave;
                     ask->selectFile(target);
                     QMetaObject::invokeMethod(ask, "accept");
                 },
                 [] {
                     if (QWidget* modal = QApplication::activeModalWidget()) {
                         modal->close();
                     }
                 });
    window.SaveButton()->click();
    QVERIFY(asked);
    QCOMPARE(boxes.boxes.size(), std::size_t{1});
    QCOMPARE(test::ReadFileBytes(QFile::encodeName(target).toStdString()), expected);
}

QTEST_MAIN(TrendWindowTest)
#include "tst_trend_window.moc"
