// Renders the trend window beside the main dialog, both running on the
// simulated instrument for about ten minutes of readings (with a sensor
// unplugged for a while and a pause between two runs), into a PNG file:
//
//   vexmoor_trend_screenshot OUTPUT.png
//
// Runs headless with QT_QPA_PLATFORM=offscreen. The log goes to a temporary
// working directory, which is removed afterwards.

#include "ScreenshotSession.h"
#include "platform/Clock.h"
#include "platform/qt/QtDialogHost.h"
#include "res/resource.h"
#include "sim/SimInstrument.h"
#include "trend/TrendStore.h"
#include "trend/qt/TrendWindow.h"
#include "ui/VexmoorDlg.h"

#include <QApplication>
#include <QPainter>
#include <QPixmap>

#include <algorithm>
#include <optional>

namespace {

using namespace vexmoor;

// Wall-clock time that moves with the simulated instrument's clock.
class SimWallClock final : public platform::Clock {
public:
    explicit SimWallClock(sim::ManualClock& clock) : clock_(clock) {}
    platform::WallTime Now() override { return platform::LocalWallTime(kStartMs + clock_.NowMs()); }

private:
    static constexpr std::int64_t kStartMs = 1796907000000;  // 2026-12-10T12:50:00Z
    sim::ManualClock& clock_;
};

// What a user does before the picture is taken: Start, some minutes of
// polling with sensor 2 out for half a minute, Stop, a pause, Start again.
bool TakeReadings(CVexmoorDlg& dialog, sim::Instrument& instrument, sim::ManualClock& simClock)
{
    const auto tick = [&](int count) {
        for (int i = 0; i < count; ++i) {
            simClock.Advance(1000);
            dialog.OnTimer(kPollTimerId);
        }
        instrument.ClearRecords();
    };
    dialog.OnCommand(res::IDC_START);
    // The polling timer would tick once a second; the picture does not wait for it.
    dialog.KillTimer(kPollTimerId);
    tick(300);
    instrument.GetScript().sensor2 = sim::SensorState::Missing;
    tick(30);
    instrument.GetScript().sensor2 = sim::SensorState::Present;
    tick(120);
    dialog.OnCommand(res::IDC_STOP);
    simClock.Advance(45000);
    dialog.OnCommand(res::IDC_START);
    dialog.KillTimer(kPollTimerId);
    tick(150);
    return screenshot::ShowsReadings(dialog);
}

// A window's picture under a plain title bar with its caption.
QPixmap Framed(QWidget& window)
{
    constexpr int kTitleHeight = 28;
    const QPixmap content = window.grab();
    QPixmap framed(content.width() + 2, content.height() + kTitleHeight + 1);
    framed.fill(QColor(0x4c, 0x56, 0x6a));
    QPainter painter(&framed);
    QFont font = window.font();
    font.setBold(true);
    font.setPixelSize(14);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRect(10, 0, framed.width() - 20, kTitleHeight), Qt::AlignVCenter | Qt::AlignLeft,
                     window.windowTitle());
    painter.drawPixmap(1, kTitleHeight, content);
    return framed;
}

QPixmap SideBySide(QWidget& left, QWidget& right)
{
    constexpr int kMargin = 16;
    const QPixmap a = Framed(left);
    const QPixmap b = Framed(right);
    QPixmap canvas(a.width() + b.width() + 3 * kMargin, std::max(a.height(), b.height()) + 2 * kMargin);
    canvas.fill(QColor(0xe4, 0xe7, 0xeb));
    QPainter painter(&canvas);
    painter.drawPixmap(kMargin, kMargin, a);
    painter.drawPixmap(2 * kMargin + a.width(), kMargin, b);
    return canvas;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    screenshot::Session session(argc, argv);
    if (const std::optional<int> failed = session.Failed()) {
        return *failed;
    }
    SimWallClock wallClock(session.simClock);
    TrendStore store(wallClock);
    return session.Run(
        [&](CVexmoorDlg& dialog, platform::qt::QtDialogHost& host) -> std::optional<QPixmap> {
            trend::qt::TrendWindow& trend = trend::qt::ShowTrendWindow(*host.Window(), store);
            if (!TakeReadings(dialog, session.instrument, session.simClock)) {
                return std::nullopt;
            }
            // Lets the chart lay itself out before it is drawn.
            for (int i = 0; i < 5; ++i) {
                QApplication::processEvents();
            }
            return SideBySide(*host.Window(), trend);
        },
        &store);
}
