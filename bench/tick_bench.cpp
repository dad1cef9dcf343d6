// One decoded tick of the polling cycle while recording at interval 1: the
// status query, the 24-byte read, decoding, storing, the display texts, the
// log line written to the file, and the next request. Measured without a
// window and with the real Qt window (offscreen: all twelve controls filled
// and the window repainted at once), each next to its floors.

#include "FixedReplyDriver.h"
#include "NullHost.h"
#include "TickRig.h"

#include "link/Protocol.h"
#include "log/LogFormat.h"
#include "res/resource.h"
#include "ui/VexmoorDlg.h"

#include <benchmark/benchmark.h>

#include <cstring>

namespace vexmoor::bench {
namespace {

using namespace res;

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

// The fixed-reply driver with a reply queued after each request.
struct FixedRig : NoWindowRig {
    FixedRig() : NoWindowRig(FixedReplyTable()) { SetReplyQueued(true); }
};

// Floor: a tick that finds no reply queued (the status query only).
void BM_EmptyTick(benchmark::State& state)
{
    FixedRig headless;
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
    FixedRig headless;
    Rig& rig = headless.rig;
    for (auto _ : state) {
        rig.dialog.OnTimer(kPollTimerId);
    }
    if (rig.dialog.m_run.deviceReady != 1 || rig.dialog.m_t1C.empty()) {
        state.SkipWithError("the ticks did not decode replies");
    }
}
BENCHMARK(BM_DecodedTick_NoWindow);

// Runs `body` in the real Qt window on the fixed-reply driver, with a reply
// queued after each request when `decoded`.
template <typename Body>
void InQtWindow(benchmark::State& state, bool decoded, Body body)
{
    bench::InQtWindow(FixedReplyTable(), [&](Rig& rig) {
        SetReplyQueued(decoded);
        body(rig);
        if (decoded && rig.dialog.m_t1C.empty()) {
            state.SkipWithError("the ticks did not decode replies");
        }
    });
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

