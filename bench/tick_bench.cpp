// One decoded tick of the polling cycle while recording at interval 1: the
// status query, the 24-byte read, decoding, storing, the display texts, the
// log line written to the file, and the next request. Measured without a
// window and with the real Qt window (offscreen: all twelve controls filled
// and the window repainted at once), each next to its floors.

#include "FixedReplyDriver.h"
#include "NullHost.h"

#include "link/Protocol.h"
#include "log/LogFormat.h"
#include "platform/qt/QtFramework.h"
#include "res/resource.h"
#include "ui/VexmoorDlg.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <chrono>
#include <cstring>
#include <filesystem>

namespace vexmoor::bench {
namespace {

using namespace res;

// A fresh working directory for the log, removed afterwards.
class TempWorkDir {
public:
    TempWorkDir() : previous_(std::filesystem::current_path())
    {
        dir_ = std::filesystem::temp_directory_path() /
               ("vexmoor-bench-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
        std::filesystem::create_directories(dir_);
        std::filesystem::current_path(dir_);
    }
    ~TempWorkDir()
    {
        std::error_code ignored;
        std::filesystem::current_path(previous_, ignored);
        std::filesystem::remove_all(dir_, ignored);
    }
    TempWorkDir(const TempWorkDir&) = delete;
    TempWorkDir& operator=(const TempWorkDir&) = delete;

private:
    std::filesystem::path previous_;
    std::filesystem::path dir_;
};

MeasureReply Frame()
{
    MeasureReply frame{};
    std::memcpy(frame.data(), "\x88R 109.800 \rT  25.500 \r\n", frame.size());
    return frame;
}

// Floor: decoding one reply, nothing else.
void BM_DecodeMeasureReply(benchmark::State& state)
{
    const MeasureReply frame = Frame();
    for (auto _ : state) {
        benchmark::DoNotOptimize(DecodeMeasureReply(frame, 1));
    }
}
BENCHMARK(BM_DecodeMeasureReply);

// Floor: the log's record line, formatted but not written.
void BM_RecordLine(benchmark::State& state)
{
    const RecordValues values{0x88, 0x77, 25.5, 22.0, 109.8, 108.6};
    for (auto _ : state) {
        benchmark::DoNotOptimize(RecordLine(values, TimeOfDay{14, 5, 9}));
    }
}
BENCHMARK(BM_RecordLine);

// The dialog started, Start and REC pressed, on the given framework.
struct Rig {
    TempWorkDir workDir;
    platform::TableLibraryLoader loader{FixedReplyTable()};
    platform::SystemClock clock;
    CVexmoorDlg dialog;

    explicit Rig(platform::Framework& framework) : dialog(DialogServices{framework, loader, clock})
    {
        SetReplyQueued(true);
    }
    void StartRecording()
    {
        dialog.OnCommand(IDC_START);
        dialog.OnCommand(IDC_REC);
    }
};

// A Rig recording in a window that does nothing.
struct NoWindowRig {
    NullFramework framework;
    NullHost host;
    Rig rig{framework};

    NoWindowRig()
    {
        rig.dialog.AttachHost(&host);
        rig.dialog.OnInitDialog();
        rig.StartRecording();
    }
};

// Floor: a tick that finds no reply queued (the status query only).
void BM_EmptyTick(benchmark::State& state)
{
    NoWindowRig headless;
    Rig& rig = headless.rig;
    SetReplyQueued(false);
    for (auto _ : state) {
        rig.dialog.OnTimer(kPollTimerId);
        rig.dialog.m_run.missCount = 0;  // never reach the silence limit
    }
}
BENCHMARK(BM_EmptyTick);

// One decoded tick without a window.
void BM_DecodedTick_NoWindow(benchmark::State& state)
{
    NoWindowRig headless;
    Rig& rig = headless.rig;
    for (auto _ : state) {
        rig.dialog.OnTimer(kPollTimerId);
    }
    if (rig.dialog.m_run.deviceReady != 1 || rig.dialog.m_t1C.empty()) {
        state.SkipWithError("the ticks did not decode replies");
    }
}
BENCHMARK(BM_DecodedTick_NoWindow);

// Runs `body` inside the real Qt window once it is on the (offscreen) screen.
template <typename Body>
void InQtWindow(benchmark::State& state, bool decoded, Body body)
{
    platform::qt::QtFramework framework;
    Rig rig(framework);
    QTimer::singleShot(0, [&] {
        // Wait for the window to be exposed, so that repaints really paint.
        for (int i = 0; i < 200; ++i) {
            for (QWidget* window : QApplication::topLevelWidgets()) {
                if (window->isVisible() && window->windowHandle() != nullptr && window->windowHandle()->isExposed()) {
                    i = 200;
                }
            }
            QApplication::processEvents();
        }
        rig.StartRecording();
        SetReplyQueued(decoded);
        body(rig);
        rig.dialog.OnCommand(IDC_EXIT);
    });
    rig.dialog.DoModal();
    if (decoded && rig.dialog.m_t1C.empty()) {
        state.SkipWithError("the ticks did not decode replies");
    }
}

// Floor of the window variant: the push into the twelve controls and the
// repaint alone, without a reply.
void BM_PushAndRepaint_QtWindow(benchmark::State& state)
{
    InQtWindow(state, false, [&state](Rig& rig) {
        for (auto _ : state) {
            rig.dialog.UpdateData(false);
            rig.dialog.UpdateWindow();
        }
    });
}
BENCHMARK(BM_PushAndRepaint_QtWindow);

// One decoded tick with the push into the twelve controls and the repaint.
void BM_DecodedTick_QtWindow(benchmark::State& state)
{
    InQtWindow(state, true, [&state](Rig& rig) {
        for (auto _ : state) {
            rig.dialog.OnTimer(kPollTimerId);
        }
    });
}
BENCHMARK(BM_DecodedTick_QtWindow);

} // namespace
} // namespace vexmoor::bench

