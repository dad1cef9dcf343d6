// The simulated instrument answering on a serial line (sim/WireServer), and
// the driver's serial port (driver/SerialPort) on a plain pseudo-terminal:
// what a mocked port cannot show (umockdev refuses the arbitrary-rate
// requests) and what needs a stand-in for the modem lines.

#include "LineIo.h"
#include "PtyPair.h"

#include "driver/CustomBaud.h"
#include "driver/SerialPort.h"
#include "sim/WireServer.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>

#include <atomic>
#include <future>
#include <thread>

namespace vexmoor {
namespace {

using namespace std::chrono_literals;
using namespace d2xx;
using test::Bytes;
using test::ReadFor;

constexpr auto kPatience = 5s;

// The host's end of a line: the slave side, opened as a serial port is.
serial::UniqueFd OpenHostSide(const test::PtyPair& pty)
{
    return serial::UniqueFd(::open(pty.slavePath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
}

bool WriteAll(int fd, const std::string& text)
{
    return ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
}

TEST(WireServer, AnswersEachRequestAfterItsDelayWithTheModelsBytes)
{
    test::PtyPair pty;
    const serial::UniqueFd host = OpenHostSide(pty);
    sim::Script script;
    script.replyDelayMs = 60;
    script.sensor2 = sim::SensorState::Missing;
    sim::WireServer instrument(std::move(pty.master), script);

    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(WriteAll(host.Get(), "12 2\r12 5\r"));
    const std::string greeting = ReadFor(host.Get(), 20, kPatience);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 55ms) << "the reply left before its delay";
    EXPECT_EQ(greeting, "Quorvantex Z5 v1.0b\r");
    const std::string first = ReadFor(host.Get(), 24, kPatience);
    ASSERT_EQ(first.size(), 24u);
    EXPECT_EQ(static_cast<std::uint8_t>(first[0]), 0x88);
    EXPECT_EQ(first.substr(1, 1) + first.substr(10, 3) + first.substr(21, 3), "R \rT \r\n");

    ASSERT_TRUE(WriteAll(host.Get(), "12 6\r"));
    const std::string second = ReadFor(host.Get(), 24, kPatience);
    EXPECT_EQ(second, test::Text(sim::MakeReply(0x66, 0.0, 0.0))) << "sensor 2 missing";

    EXPECT_EQ(instrument.Heard(), "12 2\r12 5\r12 6\r");
    EXPECT_EQ(instrument.ChannelRepliesSent(), 2);
}

TEST(WireServer, ScriptedRepliesThenSilenceAndBytesSentAheadOfReplies)
{
    test::PtyPair pty;
    const serial::UniqueFd host = OpenHostSide(pty);
    sim::Script script;
    script.silentAfterReplies = 1;
    script.scriptedReplies.push_back({Bytes("scripted"), 200});
    sim::WireServer instrument(std::move(pty.master), script);

    ASSERT_TRUE(WriteAll(host.Get(), "12 5\r"));
    ASSERT_TRUE(instrument.WaitForHeard(5, kPatience));
    instrument.SendNow({0x13});
    EXPECT_EQ(ReadFor(host.Get(), 1, 150ms), "\x13") << "sent at once, ahead of the reply still on its way";
    EXPECT_EQ(ReadFor(host.Get(), 8, kPatience), "scripted");

    ASSERT_TRUE(WriteAll(host.Get(), "12 6\r"));
    EXPECT_EQ(ReadFor(host.Get(), 24, 300ms), "") << "silent after one reply";
    EXPECT_EQ(instrument.ChannelRepliesSent(), 1);
}

TEST(WireServer, HangingUpEndsTheLineForTheHost)
{
    test::PtyPair pty;
    const serial::UniqueFd host = OpenHostSide(pty);
    sim::WireServer instrument(std::move(pty.master));
    instrument.HangUp();
    pollfd line{host.Get(), POLLIN, 0};
    ASSERT_EQ(::poll(&line, 1, 1000), 1);
    EXPECT_NE(line.revents & POLLHUP, 0);
    char byte = 0;
    EXPECT_LE(::read(host.Get(), &byte, 1), 0);
}

// ---- the driver's port on a plain pseudo-terminal --------------------------

using serial::SerialPort;

std::shared_ptr<SerialPort> OpenPort(const std::string& path, SerialPort::DsrReader dsr = &SerialPort::ReadDsr)
{
    SerialPort::Opened opened = SerialPort::Open(path, std::move(dsr));
    EXPECT_EQ(opened.status, FT_OK) << path;
    return opened.port;
}

TEST(SerialPort, RatesWithoutATermiosConstantGoThroughTheArbitraryRateInterface)
{
    test::PtyPair pty;
    const auto port = OpenPort(pty.slavePath);
    ASSERT_TRUE(port);

    EXPECT_EQ(port->SetBaudRate(250000), FT_OK);
    EXPECT_EQ(serial::ActualBaudRate(pty.master.Get()), 250000u) << "the port's own rate, seen from the far end";
    EXPECT_EQ(port->SetBaudRate(115200), FT_OK);
    termios tty{};
    ASSERT_EQ(::tcgetattr(pty.master.Get(), &tty), 0);
    EXPECT_EQ(cfgetospeed(&tty), B115200);
    EXPECT_EQ(serial::ActualBaudRate(pty.master.Get()), 115200u);

    EXPECT_EQ(port->SetBaudRate(0), FT_INVALID_BAUD_RATE);
    EXPECT_EQ(port->SetBaudRate(serial::kMaxBaudRate + 1), FT_INVALID_BAUD_RATE);
    EXPECT_EQ(serial::ActualBaudRate(pty.master.Get()), 115200u) << "a refused rate changes nothing";
    port->Close();
}

TEST(SerialPort, OpensOnlyTtysAndOnlyOnce)
{
    test::PtyPair pty;
    EXPECT_EQ(SerialPort::Open("/dev/null").status, FT_DEVICE_NOT_OPENED) << "not a tty";
    EXPECT_EQ(SerialPort::Open("/dev/ttyVEXMOOR-none").status, FT_DEVICE_NOT_FOUND);

    const auto port = OpenPort(pty.slavePath);
    ASSERT_TRUE(port);
    EXPECT_EQ(SerialPort::Open(pty.slavePath).status, FT_DEVICE_NOT_OPENED) << "open already";
    port->Close();
    const auto again = OpenPort(pty.slavePath);
    EXPECT_TRUE(again) << "free again once closed";
}

TEST(SerialPort, DtrDsrFlowControlHoldsOutputWhileDsrIsDown)
{
    test::PtyPair pty;
    std::atomic<bool> dsr{false};
    const auto port = OpenPort(pty.slavePath, [&dsr](int) { return std::optional<bool>(dsr.load()); });
    ASSERT_TRUE(port);
    ASSERT_EQ(port->SetFlowControl(FT_FLOW_DTR_DSR, 0, 0), FT_OK);

    ASSERT_EQ(port->SetTimeouts(0, 100), FT_OK);
    DWORD written = 99;
    const std::string request = "12 5\r";
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(request.data()), request.size());
    EXPECT_EQ(port->Write(bytes, written), FT_OK);
    EXPECT_EQ(written, 0u) << "the write time-out ran out with DSR down";

    ASSERT_EQ(port->SetTimeouts(0, 0), FT_OK);
    auto writing = std::async(std::launch::async, [&] {
        DWORD count = 0;
        const FT_STATUS status = port->Write(bytes, count);
        return std::pair{status, count};
    });
    EXPECT_EQ(ReadFor(pty.master.Get(), 5, 200ms), "") << "held while DSR is down";
    dsr = true;
    EXPECT_EQ(ReadFor(pty.master.Get(), 5, kPatience), request);
    ASSERT_EQ(writing.wait_for(kPatience), std::future_status::ready);
    EXPECT_EQ(writing.get(), std::pair(FT_OK, DWORD{5}));

    ASSERT_EQ(port->SetFlowControl(FT_FLOW_NONE, 0, 0), FT_OK);
    dsr = false;
    EXPECT_EQ(port->Write(bytes, written), FT_OK);
    EXPECT_EQ(written, 5u) << "without DTR/DSR flow control DSR does not matter";
    port->Close();
}

TEST(SerialPort, ClosingWakesCallsWaitingWithoutATimeLimit)
{
    test::PtyPair pty;
    const auto port = OpenPort(pty.slavePath);
    ASSERT_TRUE(port);
    ASSERT_EQ(port->SetTimeouts(0, 0), FT_OK);
    auto reading = std::async(std::launch::async, [&] {
        std::array<std::uint8_t, 24> buffer{};
        DWORD count = 77;
        const FT_STATUS status = port->Read(buffer, count);
        return std::pair{status, count};
    });
    EXPECT_EQ(reading.wait_for(200ms), std::future_status::timeout) << "a read without a time-out waits";
    DWORD queued = 5;
    EXPECT_EQ(port->QueueStatus(queued), FT_OK) << "status queries get through while a read waits";
    EXPECT_EQ(queued, 0u);
    port->Close();
    ASSERT_EQ(reading.wait_for(kPatience), std::future_status::ready);
    EXPECT_EQ(reading.get(), std::pair(FT_INVALID_HANDLE, DWORD{77}));
    EXPECT_EQ(port->QueueStatus(queued), FT_INVALID_HANDLE);
}

} // namespace
} // namespace vexmoor
