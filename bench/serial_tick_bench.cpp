// One decoded tick of the polling cycle while recording at interval 1, through
// the serial-port driver (driver/) and a real kernel tty, beside the same
// tick on the in-process simulated instrument, without a window and in the
// real Qt window (offscreen). The tty is a mocked USB serial
// port (umockdev) with the simulated instrument answering at once on the far
// end of its line: run under umockdev-wrapper. Between ticks, untimed, the
// benchmark waits until the instrument's reply is in the port, as it is after
// the second a real tick waits.

#include "TickRig.h"

#include "driver/SerialD2xx.h"
#include "driver/SerialPort.h"
#include "sim/MockedSerialPorts.h"
#include "sim/SimInstrument.h"
#include "sim/WireServer.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <thread>

namespace vexmoor::bench {
namespace {

using namespace std::chrono_literals;

constexpr std::size_t kRequestLength = 5;
constexpr int kReplyLength = 24;

template <typename Function>
platform::EntryPoint Entry(Function function)
{
    return reinterpret_cast<platform::EntryPoint>(function);
}

platform::TableLibraryLoader::Table SerialDriverTable()
{
    return {
        {"FT_Open", Entry(&serial::FT_Open)},
        {"FT_OpenEx", Entry(&serial::FT_OpenEx)},
        {"FT_ListDevices", Entry(&serial::FT_ListDevices)},
        {"FT_Close", Entry(&serial::FT_Close)},
        {"FT_Read", Entry(&serial::FT_Read)},
        {"FT_Write", Entry(&serial::FT_Write)},
        {"FT_ResetDevice", Entry(&serial::FT_ResetDevice)},
        {"FT_Purge", Entry(&serial::FT_Purge)},
        {"FT_SetTimeouts", Entry(&serial::FT_SetTimeouts)},
        {"FT_GetQueueStatus", Entry(&serial::FT_GetQueueStatus)},
        {"FT_SetFlowControl", Entry(&serial::FT_SetFlowControl)},
        {"FT_SetBaudRate", Entry(&serial::FT_SetBaudRate)},
        {"FT_SetDataCharacteristics", Entry(&serial::FT_SetDataCharacteristics)},
        {"FT_GetStatus", Entry(&serial::FT_GetStatus)},
    };
}

sim::Script AnswerAtOnce()
{
    sim::Script script;
    script.replyDelayMs = 0;
    return script;
}

// The instrument behind a mocked serial port, and a second descriptor of
// the port to see its replies arrive.
class SerialLine {
public:
    SerialLine()
        : instrument_(ports_.Add({"1-1", "0403", "6001", "Quorvantex Z5 RevavaZevod", "QZ5A0001", "ttyUSB0"}),
                      AnswerAtOnce())
    {
    }

    // Once the program has opened the port: the observer opens it too.
    void Observe() { observer_ = sim::UniqueFd(::open("/dev/ttyUSB0", O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)); }

    // Waits until the instrument has heard `requests` requests and the reply
    // to the last is in the port's input, for the driver to find.
    bool WaitForReply(std::size_t requests)
    {
        if (!instrument_.WaitForHeard(requests * kRequestLength, 2s) || !instrument_.WaitUntilAllSent(2s)) {
            return false;
        }
        const auto deadline = std::chrono::steady_clock::now() + 2s;
        while (std::chrono::steady_clock::now() < deadline) {
            // The bytes waiting in the tty, asked past umockdev's preload
            // library (which answers FIONREAD on a mocked port with ENOTTY).
            int waiting = 0;
            if (::syscall(SYS_ioctl, observer_.Get(), FIONREAD, &waiting) == 0 && waiting >= kReplyLength) {
                return true;
            }
            pollfd port{observer_.Get(), POLLIN, 0};
            ::poll(&port, 1, 1);
        }
        return false;
    }

private:
    sim::MockedSerialPorts ports_;
    sim::WireServer instrument_;
    sim::UniqueFd observer_;
};

// The simulated instrument in process, answering at once.
struct SimulatedTable {
    sim::SteadyClock clock;
    sim::Instrument instrument{clock, AnswerAtOnce()};
};

// Ticks `rig` for `state`, each tick with a reply waiting (`waitForReply`
// untimed before it).
template <typename Wait>
void DecodedTicks(benchmark::State& state, Rig& rig, std::size_t requestsSoFar, Wait waitForReply)
{
    for (auto _ : state) {
        state.PauseTiming();
        if (!waitForReply(requestsSoFar)) {
            state.SkipWithError("no reply came");
            state.ResumeTiming();
            break;
        }
        state.ResumeTiming();
        rig.dialog.OnTimer(kPollTimerId);
        ++requestsSoFar;
    }
    if (rig.dialog.m_run.deviceReady != 1 || rig.dialog.m_t1C.empty()) {
        state.SkipWithError("the ticks did not decode replies");
    }
}

// Floors: the driver's status query with nothing queued (a non-blocking read
// that finds nothing, and TIOCOUTQ), on the mocked port and on a plain
// pseudo-terminal. umockdev's preload library serves every ioctl on a mocked
// port through its own thread, which a real port does not do; the difference
// between the two is what the mock adds to each tick.
void BM_StatusQuery_MockedPort(benchmark::State& state)
{
    SerialLine line;
    d2xx::FT_HANDLE handle = nullptr;
    char description[] = "Quorvantex Z5 RevavaZevod";
    if (serial::FT_OpenEx(description, d2xx::FT_OPEN_BY_DESCRIPTION, &handle) != d2xx::FT_OK) {
        state.SkipWithError("the mocked port did not open");
        return;
    }
    d2xx::DWORD rx = 0, tx = 0, events = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(serial::FT_GetStatus(handle, &rx, &tx, &events));
    }
    serial::FT_Close(handle);
}
BENCHMARK(BM_StatusQuery_MockedPort);

void BM_StatusQuery_PlainPty(benchmark::State& state)
{
    int master = -1;
    int slave = -1;
    std::array<char, 64> name{};
    if (::openpty(&master, &slave, name.data(), nullptr, nullptr) != 0) {
        state.SkipWithError("no pseudo-terminal");
        return;
    }
    const sim::UniqueFd masterSide(master);
    ::close(slave);
    serial::SerialPort::Opened opened = serial::SerialPort::Open(name.data());
    if (opened.status != d2xx::FT_OK) {
        state.SkipWithError("the pseudo-terminal did not open");
        return;
    }
    d2xx::DWORD rx = 0, tx = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(opened.port->Status(rx, tx));
    }
    opened.port->Close();
}
BENCHMARK(BM_StatusQuery_PlainPty);

// Identify and the channel-1 request of Start.
constexpr std::size_t kRequestsAtStart = 2;

void BM_DecodedTick_SerialDriver_NoWindow(benchmark::State& state)
{
    SerialLine line;
    NoWindowRig headless(SerialDriverTable());
    line.Observe();
    DecodedTicks(state, headless.rig, kRequestsAtStart,
                 [&line](std::size_t requests) { return line.WaitForReply(requests); });
}
BENCHMARK(BM_DecodedTick_SerialDriver_NoWindow);

void BM_DecodedTick_SimulatedTable_NoWindow(benchmark::State& state)
{
    SimulatedTable simulated;
    NoWindowRig headless(sim::InProcessTable(simulated.instrument));
    DecodedTicks(state, headless.rig, kRequestsAtStart, [](std::size_t) { return true; });
}
BENCHMARK(BM_DecodedTick_SimulatedTable_NoWindow);

void BM_DecodedTick_SerialDriver_QtWindow(benchmark::State& state)
{
    SerialLine line;
    InQtWindow(SerialDriverTable(), [&](Rig& rig) {
        line.Observe();
        DecodedTicks(state, rig, kRequestsAtStart, [&line](std::size_t requests) { return line.WaitForReply(requests); });
    });
}
BENCHMARK(BM_DecodedTick_SerialDriver_QtWindow);

void BM_DecodedTick_SimulatedTable_QtWindow(benchmark::State& state)
{
    SimulatedTable simulated;
    InQtWindow(sim::InProcessTable(simulated.instrument),
               [&](Rig& rig) { DecodedTicks(state, rig, kRequestsAtStart, [](std::size_t) { return true; }); });
}
BENCHMARK(BM_DecodedTick_SimulatedTable_QtWindow);

} // namespace
} // namespace vexmoor::bench
