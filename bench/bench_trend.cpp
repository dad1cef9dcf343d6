// One decoded tick of the polling cycle in the real Qt window (offscreen),
// without the trend window and with it open: showing the last ten minutes
// (its steady state: the oldest points leave as new ones come), and showing
// the whole session of a day. Each tick is followed by the event processing
// that paints what it changed. Also: the CSV text of a week of readings.
//
// The instrument is the in-process simulation on a hand-moved clock; the
// figures that matter are the differences between the tick variants.

#include "platform/Clock.h"
#include "platform/LibraryLoader.h"
#include "platform/qt/QtDialogHost.h"
#include "platform/qt/QtFramework.h"
#include "res/resource.h"
#include "sim/InProcessTable.h"
#include "sim/SimInstrument.h"
#include "trend/CsvExport.h"
#include "trend/TrendStore.h"
#include "trend/qt/TrendWindow.h"
#include "ui/VexmoorDlg.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>

namespace vexmoor::bench {
namespace {

constexpr std::int64_t kStartMs = 1796907000000;  // 2026-12-10T12:50:00Z

// Wall-clock time that moves with the simulated instrument's clock.
class SimWallClock final : public platform::Clock {
public:
    explicit SimWallClock(sim::ManualClock& clock) : clock_(clock) {}
    platform::WallTime Now() override { return platform::WallTime{kStartMs + clock_.NowMs(), 3600}; }

private:
    sim::ManualClock& clock_;
};

enum class Trend { Closed, LastTenMinutes, WholeSessionOfADay };

void ProcessEvents()
{
    QApplication::processEvents();
}

bool Exposed(QWidget& widget)
{
    return widget.isVisible() && widget.windowHandle() != nullptr && widget.windowHandle()->isExposed();
}

void WaitExposed(QWidget& widget)
{
    for (int i = 0; i < 200 && !Exposed(widget); ++i) {
        ProcessEvents();
    }
}

void TickInQtWindow(benchmark::State& state, Trend trend)
{
    QTemporaryDir workDir;  // the dialog opens its log in the working directory
    const QString previous = QDir::currentPath();
    QDir::setCurrent(workDir.path());

    platform::qt::QtFramework framework;
    sim::ManualClock simClock;
    sim::Instrument instrument(simClock);
    platform::TableLibraryLoader loader(sim::InProcessTable(instrument));
    platform::SystemClock clock;
    SimWallClock wallClock(simClock);
    TrendStore store(wallClock);
    CVexmoorDlg dialog(DialogServices{framework, loader, clock, &store});

    const auto tick = [&] {
        simClock.Advance(1000);
        dialog.OnTimer(kPollTimerId);
        ProcessEvents();
    };

    QTimer::singleShot(0, [&] {
        auto& host = dynamic_cast<platform::qt::QtDialogHost&>(*dialog.Host());
        WaitExposed(*host.Window());
        if (trend == Trend::WholeSessionOfADay) {
            // A day of readings kept before the window opens.
            DecodedReply reply;
            reply.outcome = ReplyOutcome::Valid;
            for (int i = 0; i < 86400; ++i) {
                reply.celsius = 21.0 + 0.001 * (i % 1000);
                store.OnReading(static_cast<std::uint8_t>(1 + i % 2), reply);
                simClock.Advance(1000);
            }
        }
        dialog.OnCommand(res::IDC_START);
        dialog.KillTimer(kPollTimerId);  // ticks by hand
        if (trend != Trend::Closed) {
            auto& window = trend::qt::ShowTrendWindow(*host.Window(), store);
            if (trend == Trend::WholeSessionOfADay) {
                window.SetSpan(trend::qt::TrendWindow::Span::WholeSession);
            }
            WaitExposed(window);
        }
        // Eleven minutes first: the ten-minute view in its steady state.
        for (int i = 0; i < 660; ++i) {
            tick();
        }
        instrument.ClearRecords();
        std::int64_t ticks = 0;
        for (auto _ : state) {
            tick();
            if (++ticks % 1024 == 0) {
                instrument.ClearRecords();
            }
        }
        if (dialog.m_run.deviceReady != 1 || store.Readings().empty()) {
            state.SkipWithError("the ticks did not decode replies");
        }
        dialog.OnCommand(res::IDC_EXIT);
    });
    dialog.DoModal();
    QDir::setCurrent(previous);
}

void BM_Tick_TrendClosed(benchmark::State& state)
{
    TickInQtWindow(state, Trend::Closed);
}
BENCHMARK(BM_Tick_TrendClosed)->Unit(benchmark::kMicrosecond);

void BM_Tick_TrendOpen_LastTenMinutes(benchmark::State& state)
{
    TickInQtWindow(state, Trend::LastTenMinutes);
}
BENCHMARK(BM_Tick_TrendOpen_LastTenMinutes)->Unit(benchmark::kMicrosecond);

void BM_Tick_TrendOpen_WholeSessionOfADay(benchmark::State& state)
{
    TickInQtWindow(state, Trend::WholeSessionOfADay);
}
BENCHMARK(BM_Tick_TrendOpen_WholeSessionOfADay)->Unit(benchmark::kMicrosecond);

// Keeping one reading, with no window listening.
void BM_StoreOneReading(benchmark::State& state)
{
    sim::ManualClock simClock;
    SimWallClock wallClock(simClock);
    TrendStore store(wallClock);
    DecodedReply reply;
    reply.outcome = ReplyOutcome::Valid;
    reply.celsius = 21.5;
    std::uint8_t channel = 1;
    for (auto _ : state) {
        store.OnReading(channel, reply);
        channel = channel == 1 ? 2 : 1;
        simClock.Advance(1000);
    }
}
BENCHMARK(BM_StoreOneReading);

// The CSV text of a week of readings at one a second.
void BM_CsvText_Week(benchmark::State& state)
{
    sim::ManualClock simClock;
    SimWallClock wallClock(simClock);
    TrendStore store(wallClock);
    DecodedReply reply;
    reply.outcome = ReplyOutcome::Valid;
    reply.ohms = 108.4182;
    for (int i = 0; i < 7 * 86400; ++i) {
        reply.celsius = 21.0 + 0.001 * (i % 1000);
        store.OnReading(static_cast<std::uint8_t>(1 + i % 2), reply);
        simClock.Advance(1000);
    }
    std::size_t bytes = 0;
    for (auto _ : state) {
        const std::string text = CsvText(store);
        bytes = text.size();
        benchmark::DoNotOptimize(text.data());
    }
    state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_CsvText_Week)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace vexmoor::bench

