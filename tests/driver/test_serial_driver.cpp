// The serial-port D2XX driver's calls against mocked USB serial ports
// (umockdev; run under umockdev-wrapper): the device list and the opens, the
// line settings as the port's termios shows them, queue counts, time-outs,
// purges, XON/XOFF, a reset, a port that disappears, and handle checks. The
// simulated instrument answers on the far end of the line.

#include "LineIo.h"

#include "driver/SerialD2xx.h"
#include "sim/MockedSerialPorts.h"
#include "sim/WireServer.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <elf.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <termios.h>

#include <array>
#include <cstring>
#include <future>
#include <set>
#include <thread>

namespace vexmoor {
namespace {

using namespace std::chrono_literals;
using namespace d2xx;
namespace ft = serial;
using test::Bytes;
using test::ReadFor;

constexpr const char* kDescription = "Quorvantex Z5 RevavaZevod";
constexpr const char* kSerial = "QZ5A0001";
constexpr auto kPatience = 5s;
// How much later than its time-out a call may return on a busy machine.
constexpr auto kSlack = 900ms;

using Clock = std::chrono::steady_clock;

sim::UsbSerialDevice InstrumentDevice(const std::string& tty = "ttyUSB0", const std::string& usb = "1-1")
{
    return sim::UsbSerialDevice{usb, "0403", "6001", kDescription, kSerial, tty};
}

class SerialDriver : public testing::Test {
protected:
    void TearDown() override
    {
        for (FT_HANDLE handle : open_) {
            ft::FT_Close(handle);
        }
    }

    // The instrument on its own port, answering after `delayMs`.
    sim::WireServer& AddInstrument(sim::Script script = {}, const sim::UsbSerialDevice& device = InstrumentDevice())
    {
        servers_.push_back(std::make_unique<sim::WireServer>(ports_.Add(device), std::move(script)));
        return *servers_.back();
    }
    // Another USB serial converter, with something on its line that only listens.
    sim::WireServer& AddOtherPort(const sim::UsbSerialDevice& device)
    {
        sim::Script deaf;
        deaf.greeting.clear();
        deaf.silentAfterReplies = 0;
        return AddInstrument(deaf, device);
    }

    FT_HANDLE OpenInstrument()
    {
        FT_HANDLE handle = nullptr;
        EXPECT_EQ(ft::FT_OpenEx(const_cast<char*>(kDescription), FT_OPEN_BY_DESCRIPTION, &handle), FT_OK);
        if (handle != nullptr) {
            open_.push_back(handle);
        }
        return handle;
    }

    void Close(FT_HANDLE handle)
    {
        std::erase(open_, handle);
        EXPECT_EQ(ft::FT_Close(handle), FT_OK);
    }

    // The port's termios, seen from the far end of its line.
    static termios LineSettingsOf(const sim::WireServer& server)
    {
        termios tty{};
        EXPECT_EQ(::tcgetattr(server.Line(), &tty), 0);
        return tty;
    }

    sim::MockedSerialPorts ports_;
    std::vector<std::unique_ptr<sim::WireServer>> servers_;
    std::vector<FT_HANDLE> open_;
};

FT_STATUS Write(FT_HANDLE handle, const std::string& text, DWORD* written = nullptr)
{
    DWORD count = 0;
    std::string bytes = text;
    return ft::FT_Write(handle, bytes.data(), static_cast<DWORD>(bytes.size()), written != nullptr ? written : &count);
}

struct ReadResult {
    FT_STATUS status;
    std::string bytes;
    Clock::duration took;
};

ReadResult Read(FT_HANDLE handle, DWORD count)
{
    std::string buffer(count, '\0');
    DWORD returned = 0;
    const auto start = Clock::now();
    const FT_STATUS status = ft::FT_Read(handle, buffer.data(), count, &returned);
    const auto took = Clock::now() - start;
    buffer.resize(status == FT_OK ? returned : 0);
    return {status, buffer, took};
}

// Waits until the driver reports at least `count` bytes waiting; the last count.
DWORD WaitForQueued(FT_HANDLE handle, DWORD count)
{
    DWORD queued = 0;
    const auto deadline = Clock::now() + kPatience;
    while (Clock::now() < deadline) {
        if (ft::FT_GetQueueStatus(handle, &queued) != FT_OK || queued >= count) {
            break;
        }
        std::this_thread::sleep_for(5ms);
    }
    return queued;
}

std::string ListText(DWORD index, DWORD kind)
{
    std::array<char, FT_DESCRIPTION_BUFFER_SIZE> text{};
    const FT_STATUS status =
        ft::FT_ListDevices(reinterpret_cast<void*>(std::uintptr_t{index}), text.data(), FT_LIST_BY_INDEX | kind);
    return status == FT_OK ? std::string(text.data()) : "status " + std::to_string(status);
}

// ---- finding and opening ---------------------------------------------------

TEST_F(SerialDriver, FindsTheInstrumentByItsDescriptionAmongOtherPorts)
{
    sim::WireServer& other = AddOtherPort({"1-1", "0403", "6015", "FT231X USB UART", "DN0123", "ttyUSB0"});
    // Not an FTDI device: a D2XX library does not see it, whatever it is called.
    AddOtherPort({"1-2", "067b", "2303", kDescription, "PL0001", "ttyUSB1"});
    sim::WireServer& instrument = AddInstrument({}, InstrumentDevice("ttyUSB2", "1-3"));

    DWORD count = 0;
    ASSERT_EQ(ft::FT_ListDevices(&count, nullptr, FT_LIST_NUMBER_ONLY), FT_OK);
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(ListText(0, FT_OPEN_BY_DESCRIPTION), "FT231X USB UART");
    EXPECT_EQ(ListText(1, FT_OPEN_BY_DESCRIPTION), kDescription);
    EXPECT_EQ(ListText(0, FT_OPEN_BY_SERIAL_NUMBER), "DN0123");
    EXPECT_EQ(ListText(1, FT_OPEN_BY_SERIAL_NUMBER), kSerial);
    EXPECT_EQ(ListText(2, FT_OPEN_BY_DESCRIPTION), "status " + std::to_string(FT_DEVICE_NOT_FOUND));

    std::array<std::array<char, FT_DESCRIPTION_BUFFER_SIZE>, 2> texts{};
    std::array<char*, 3> buffers{texts[0].data(), texts[1].data(), nullptr};
    DWORD listed = 0;
    ASSERT_EQ(ft::FT_ListDevices(buffers.data(), &listed, FT_LIST_ALL | FT_OPEN_BY_DESCRIPTION), FT_OK);
    EXPECT_EQ(listed, 2u);
    EXPECT_STREQ(texts[0].data(), "FT231X USB UART");
    EXPECT_STREQ(texts[1].data(), kDescription);

    // Each way of opening gets the instrument's port, as its line shows.
    const auto opensTheInstrument = [&](FT_HANDLE handle, const char* how) {
        ASSERT_NE(handle, nullptr) << how;
        const std::size_t heard = instrument.Heard().size();
        ASSERT_EQ(Write(handle, "12 2\r"), FT_OK) << how;
        EXPECT_TRUE(instrument.WaitForHeard(heard + 5, kPatience)) << how;
        Close(handle);
    };
    opensTheInstrument(OpenInstrument(), "by description");
    FT_HANDLE handle = nullptr;
    ASSERT_EQ(ft::FT_OpenEx(const_cast<char*>(kSerial), FT_OPEN_BY_SERIAL_NUMBER, &handle), FT_OK);
    open_.push_back(handle);
    opensTheInstrument(handle, "by serial number");
    handle = nullptr;
    ASSERT_EQ(ft::FT_Open(1, &handle), FT_OK);
    open_.push_back(handle);
    opensTheInstrument(handle, "by index");
    EXPECT_EQ(other.Heard(), "") << "the other port was never written to";
}

TEST_F(SerialDriver, ADescriptionNoPortHasIsNotFoundAndLeavesTheHandle)
{
    FT_HANDLE handle = reinterpret_cast<FT_HANDLE>(std::uintptr_t{0x1234});
    DWORD count = 99;
    ASSERT_EQ(ft::FT_ListDevices(&count, nullptr, FT_LIST_NUMBER_ONLY), FT_OK);
    EXPECT_EQ(count, 0u) << "no ports at all";
    EXPECT_EQ(ft::FT_OpenEx(const_cast<char*>(kDescription), FT_OPEN_BY_DESCRIPTION, &handle), FT_DEVICE_NOT_FOUND);
    EXPECT_EQ(ft::FT_Open(0, &handle), FT_DEVICE_NOT_FOUND);

    AddOtherPort({"1-1", "0403", "6001", "FT232R USB UART", "A600XYZ", "ttyUSB0"});
    AddInstrument({}, InstrumentDevice("ttyUSB1", "1-2"));
    char other[] = "Quorvantex Z5";  // a prefix is not the description
    EXPECT_EQ(ft::FT_OpenEx(other, FT_OPEN_BY_DESCRIPTION, &handle), FT_DEVICE_NOT_FOUND);
    char lower[] = "quorvantex z5 revavazevod";
    EXPECT_EQ(ft::FT_OpenEx(lower, FT_OPEN_BY_DESCRIPTION, &handle), FT_DEVICE_NOT_FOUND);
    char serialAsDescription[] = "QZ5A0001";
    EXPECT_EQ(ft::FT_OpenEx(serialAsDescription, FT_OPEN_BY_DESCRIPTION, &handle), FT_DEVICE_NOT_FOUND);
    EXPECT_EQ(ft::FT_Open(2, &handle), FT_DEVICE_NOT_FOUND);
    EXPECT_EQ(ft::FT_Open(-1, &handle), FT_DEVICE_NOT_FOUND);
    EXPECT_EQ(handle, reinterpret_cast<FT_HANDLE>(std::uintptr_t{0x1234})) << "written by a failed open";

    // Arguments.
    EXPECT_EQ(ft::FT_OpenEx(nullptr, FT_OPEN_BY_DESCRIPTION, &handle), FT_INVALID_PARAMETER);
    EXPECT_EQ(ft::FT_OpenEx(const_cast<char*>(kDescription), FT_OPEN_BY_DESCRIPTION, nullptr), FT_INVALID_PARAMETER);
    EXPECT_EQ(ft::FT_OpenEx(const_cast<char*>(kDescription), 8, &handle), FT_INVALID_PARAMETER);
    EXPECT_EQ(ft::FT_OpenEx(const_cast<char*>(kDescription), FT_OPEN_BY_LOCATION, &handle), FT_NOT_SUPPORTED);
    EXPECT_EQ(ft::FT_Open(0, nullptr), FT_INVALID_PARAMETER);
    EXPECT_EQ(ft::FT_ListDevices(nullptr, nullptr, FT_LIST_NUMBER_ONLY), FT_INVALID_PARAMETER);
    EXPECT_EQ(ft::FT_ListDevices(nullptr, nullptr, FT_LIST_BY_INDEX | FT_OPEN_BY_DESCRIPTION), FT_INVALID_PARAMETER);
    EXPECT_EQ(ft::FT_ListDevices(&count, nullptr, 0), FT_INVALID_PARAMETER);
    EXPECT_EQ(handle, reinterpret_cast<FT_HANDLE>(std::uintptr_t{0x1234}));
}

TEST_F(SerialDriver, AnOpenInstrumentCannotBeOpenedAgainUntilClosed)
{
    AddInstrument();
    const FT_HANDLE first = OpenInstrument();
    ASSERT_NE(first, nullptr);
    FT_HANDLE second = nullptr;
    EXPECT_EQ(ft::FT_OpenEx(const_cast<char*>(kDescription), FT_OPEN_BY_DESCRIPTION, &second), FT_DEVICE_NOT_OPENED);
    EXPECT_EQ(ft::FT_Open(0, &second), FT_DEVICE_NOT_OPENED);
    EXPECT_EQ(second, nullptr);
    DWORD count = 0;
    ASSERT_EQ(ft::FT_ListDevices(&count, nullptr, FT_LIST_NUMBER_ONLY), FT_OK);
    EXPECT_EQ(count, 1u) << "an open device is still listed";

    Close(first);
    const FT_HANDLE again = OpenInstrument();
    EXPECT_NE(again, nullptr);
    EXPECT_NE(again, first) << "a handle is never given out twice";
}

// ---- the program's start-up and the line settings --------------------------

TEST_F(SerialDriver, TheProgramsStartUpCallsGetTheGreetingOnTheLineItAsksFor)
{
    sim::WireServer& instrument = AddInstrument();
    FT_HANDLE handle = nullptr;
    EXPECT_EQ(ft::FT_Close(handle), FT_INVALID_HANDLE);  // the program closes before it opens
    handle = OpenInstrument();
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(ft::FT_SetFlowControl(handle, FT_FLOW_XON_XOFF, 0x11, 0x13), FT_OK);
    EXPECT_EQ(ft::FT_SetBaudRate(handle, 115200), FT_OK);
    EXPECT_EQ(ft::FT_SetDataCharacteristics(handle, FT_BITS_8, FT_STOP_BITS_1, FT_PARITY_NONE), FT_OK);
    EXPECT_EQ(ft::FT_ResetDevice(handle), FT_OK);
    EXPECT_EQ(ft::FT_Purge(handle, FT_PURGE_RX), FT_OK);
    EXPECT_EQ(ft::FT_SetTimeouts(handle, 1000, 1000), FT_OK);
    DWORD written = 0;
    EXPECT_EQ(Write(handle, "12 2\r", &written), FT_OK);
    EXPECT_EQ(written, 5u);
    const ReadResult greeting = Read(handle, 18);
    EXPECT_EQ(greeting.status, FT_OK);
    EXPECT_EQ(greeting.bytes, "Quorvantex Z5 v1.0");
    EXPECT_EQ(ft::FT_SetTimeouts(handle, 500, 500), FT_OK);
    EXPECT_EQ(instrument.Heard(), "12 2\r");

    const termios tty = LineSettingsOf(instrument);
    EXPECT_EQ(cfgetispeed(&tty), B115200);
    EXPECT_EQ(cfgetospeed(&tty), B115200);
    EXPECT_EQ(tty.c_cflag & (CSIZE | CSTOPB | PARENB | CRTSCTS), tcflag_t{CS8});
    EXPECT_EQ(tty.c_cflag & (CREAD | CLOCAL), CREAD | CLOCAL);
    EXPECT_EQ(tty.c_iflag & (IXON | IXOFF | IXANY), IXON | IXOFF);
    EXPECT_EQ(tty.c_cc[VSTART], 0x11);
    EXPECT_EQ(tty.c_cc[VSTOP], 0x13);
    EXPECT_EQ(tty.c_iflag & (ICRNL | INLCR | IGNCR | ISTRIP), 0u) << "no CR/NL mapping";
    EXPECT_EQ(tty.c_oflag & OPOST, 0u) << "no output processing";
    EXPECT_EQ(tty.c_lflag & (ECHO | ICANON | ISIG | IEXTEN), 0u) << "no echo, no canonical input";

    // The 2 bytes of the greeting not read stay queued (the program purges them).
    EXPECT_EQ(WaitForQueued(handle, 2), 2u);
}

struct LineCase {
    const char* name;
    UCHAR bits, stop, parity;
    WORD flow;
    UCHAR xon, xoff;
    tcflag_t cflag;  // among CSIZE, CSTOPB, PARENB, PARODD, CMSPAR, CRTSCTS
    tcflag_t iflag;  // among IXON, IXOFF
};

TEST_F(SerialDriver, DataCharacteristicsAndFlowControlReachThePortsTermios)
{
    const sim::WireServer& instrument = AddInstrument();
    const FT_HANDLE handle = OpenInstrument();
    ASSERT_NE(handle, nullptr);
    // A pseudo-terminal always carries 8 bits without parity; the other
    // frames are in the termios mapping's own tests.
    for (const LineCase& line : {
             LineCase{"8N2 none", FT_BITS_8, FT_STOP_BITS_2, FT_PARITY_NONE, FT_FLOW_NONE, 0, 0, CS8 | CSTOPB, 0},
             LineCase{"8N1 RTS/CTS", FT_BITS_8, FT_STOP_BITS_1, FT_PARITY_NONE, FT_FLOW_RTS_CTS, 0, 0, CS8 | CRTSCTS, 0},
             LineCase{"8N1 DTR/DSR", FT_BITS_8, FT_STOP_BITS_1, FT_PARITY_NONE, FT_FLOW_DTR_DSR, 0, 0, CS8, 0},
             LineCase{"8N2 XON/XOFF 0x01/0x02", FT_BITS_8, FT_STOP_BITS_2, FT_PARITY_NONE, FT_FLOW_XON_XOFF, 0x01, 0x02,
                      CS8 | CSTOPB, IXON | IXOFF},
             LineCase{"8N1 XON/XOFF 0x11/0x13", FT_BITS_8, FT_STOP_BITS_1, FT_PARITY_NONE, FT_FLOW_XON_XOFF, 0x11, 0x13,
                      CS8, IXON | IXOFF},
         }) {
        SCOPED_TRACE(line.name);
        ASSERT_EQ(ft::FT_SetDataCharacteristics(handle, line.bits, line.stop, line.parity), FT_OK);
        ASSERT_EQ(ft::FT_SetFlowControl(handle, line.flow, line.xon, line.xoff), FT_OK);
        const termios tty = LineSettingsOf(instrument);
        EXPECT_EQ(tty.c_cflag & (CSIZE | CSTOPB | PARENB | PARODD | CMSPAR | CRTSCTS), line.cflag);
        EXPECT_EQ(tty.c_iflag & (IXON | IXOFF), line.iflag);
        if (line.iflag != 0) {
            EXPECT_EQ(tty.c_cc[VSTART], line.xon);
            EXPECT_EQ(tty.c_cc[VSTOP], line.xoff);
        }
    }
    for (const auto& [rate, speed] : {std::pair{DWORD{300}, B300}, std::pair{DWORD{921600}, B921600},
                                      std::pair{DWORD{115200}, B115200}}) {
        ASSERT_EQ(ft::FT_SetBaudRate(handle, rate), FT_OK) << rate;
        const termios tty = LineSettingsOf(instrument);
        EXPECT_EQ(cfgetospeed(&tty), speed) << rate;
    }

    // Refused settings change nothing: values a D2XX device does not know,
    // and frames this port cannot carry.
    const termios before = LineSettingsOf(instrument);
    EXPECT_EQ(ft::FT_SetDataCharacteristics(handle, 9, FT_STOP_BITS_1, FT_PARITY_NONE), FT_INVALID_PARAMETER);
    EXPECT_EQ(ft::FT_SetDataCharacteristics(handle, FT_BITS_8, 1, FT_PARITY_NONE), FT_INVALID_PARAMETER);
    EXPECT_EQ(ft::FT_SetDataCharacteristics(handle, FT_BITS_8, FT_STOP_BITS_1, 7), FT_INVALID_PARAMETER);
    EXPECT_EQ(ft::FT_SetDataCharacteristics(handle, FT_BITS_7, FT_STOP_BITS_1, FT_PARITY_NONE), FT_INVALID_PARAMETER);
    EXPECT_EQ(ft::FT_SetDataCharacteristics(handle, FT_BITS_8, FT_STOP_BITS_2, FT_PARITY_EVEN), FT_INVALID_PARAMETER);
    EXPECT_EQ(ft::FT_SetFlowControl(handle, 0x0300, 0x11, 0x13), FT_INVALID_PARAMETER);
    EXPECT_EQ(ft::FT_SetBaudRate(handle, 0), FT_INVALID_BAUD_RATE);
    EXPECT_EQ(ft::FT_SetBaudRate(handle, 50'000'000), FT_INVALID_BAUD_RATE);
    const termios after = LineSettingsOf(instrument);
    EXPECT_EQ(after.c_cflag, before.c_cflag);
    EXPECT_EQ(after.c_iflag, before.c_iflag);
    EXPECT_EQ(cfgetospeed(&after), B115200);
    EXPECT_EQ(ft::FT_SetFlowControl(handle, FT_FLOW_NONE, 0, 0), FT_OK) << "a refused frame is not kept";
}

// ---- data ------------------------------------------------------------------

TEST_F(SerialDriver, QueueCountsAreTheBytesArrivedAndNotRead)
{
    sim::Script script;
    script.replyDelayMs = 0;
    AddInstrument(script);
    const FT_HANDLE handle = OpenInstrument();
    ASSERT_NE(handle, nullptr);
    ASSERT_EQ(ft::FT_SetTimeouts(handle, 1000, 1000), FT_OK);

    DWORD rx = 99, tx = 99, events = 99;
    ASSERT_EQ(ft::FT_GetStatus(handle, &rx, &tx, &events), FT_OK);
    EXPECT_EQ(rx, 0u);

    ASSERT_EQ(Write(handle, "12 5\r12 6\r"), FT_OK);
    EXPECT_EQ(WaitForQueued(handle, 48), 48u);
    ASSERT_EQ(ft::FT_GetStatus(handle, &rx, &tx, &events), FT_OK);
    EXPECT_EQ(rx, 48u);
    EXPECT_EQ(tx, 0u);
    EXPECT_EQ(events, 0u);

    const ReadResult first = Read(handle, 24);
    ASSERT_EQ(first.status, FT_OK);
    ASSERT_EQ(first.bytes.size(), 24u);
    EXPECT_EQ(static_cast<std::uint8_t>(first.bytes[0]), 0x88);
    DWORD queued = 0;
    ASSERT_EQ(ft::FT_GetQueueStatus(handle, &queued), FT_OK);
    EXPECT_EQ(queued, 24u) << "the second reply stays";
    const ReadResult second = Read(handle, 24);
    ASSERT_EQ(second.bytes.size(), 24u);
    EXPECT_EQ(static_cast<std::uint8_t>(second.bytes[0]), 0x77);
    ASSERT_EQ(ft::FT_GetQueueStatus(handle, &queued), FT_OK);
    EXPECT_EQ(queued, 0u);
}

TEST_F(SerialDriver, AReadReturnsWhatCameWhenItsTimeOutRunsOut)
{
    sim::WireServer& instrument = AddInstrument();
    const FT_HANDLE handle = OpenInstrument();
    ASSERT_NE(handle, nullptr);
    ASSERT_EQ(ft::FT_SetTimeouts(handle, 300, 300), FT_OK);

    const ReadResult nothing = Read(handle, 24);
    EXPECT_EQ(nothing.status, FT_OK) << "a time-out is no error";
    EXPECT_EQ(nothing.bytes, "");
    EXPECT_GE(nothing.took, 290ms);
    EXPECT_LT(nothing.took, 300ms + kSlack);

    instrument.SendNow(Bytes("0123456789"));
    const ReadResult some = Read(handle, 24);
    EXPECT_EQ(some.status, FT_OK);
    EXPECT_EQ(some.bytes, "0123456789");
    EXPECT_GE(some.took, 290ms);

    // A read whose bytes all come returns then, not at its time-out.
    instrument.EditScript([](sim::Script& script) { script.replyDelayMs = 100; });
    ASSERT_EQ(ft::FT_SetTimeouts(handle, 3000, 3000), FT_OK);
    ASSERT_EQ(Write(handle, "12 5\r"), FT_OK);
    const ReadResult whole = Read(handle, 24);
    EXPECT_EQ(whole.status, FT_OK);
    EXPECT_EQ(whole.bytes.size(), 24u);
    EXPECT_LT(whole.took, 100ms + kSlack);
}

TEST_F(SerialDriver, AReadWithoutATimeOutWaitsForAllItsBytes)
{
    sim::Script script;
    script.replyDelayMs = 400;
    AddInstrument(script);
    const FT_HANDLE handle = OpenInstrument();
    ASSERT_NE(handle, nullptr);  // a fresh handle has no time-outs
    ASSERT_EQ(Write(handle, "12 5\r"), FT_OK);
    const ReadResult reply = Read(handle, 24);
    EXPECT_EQ(reply.status, FT_OK);
    EXPECT_EQ(reply.bytes.size(), 24u);
    EXPECT_GE(reply.took, 350ms);
}

TEST_F(SerialDriver, PurgeDropsWhatWasReceivedAndNotRead)
{
    sim::Script script;
    script.replyDelayMs = 0;
    sim::WireServer& instrument = AddInstrument(script);
    const FT_HANDLE handle = OpenInstrument();
    ASSERT_NE(handle, nullptr);
    ASSERT_EQ(ft::FT_SetTimeouts(handle, 500, 500), FT_OK);

    ASSERT_EQ(Write(handle, "12 2\r"), FT_OK);
    ASSERT_EQ(WaitForQueued(handle, 20), 20u);
    // More on its way into the kernel than the driver has taken yet.
    instrument.SendNow(Bytes("stale bytes"));
    ASSERT_TRUE(instrument.WaitUntilAllSent(kPatience));
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(ft::FT_Purge(handle, FT_PURGE_RX), FT_OK);
    DWORD queued = 99;
    ASSERT_EQ(ft::FT_GetQueueStatus(handle, &queued), FT_OK);
    EXPECT_EQ(queued, 0u);

    instrument.SendNow(Bytes("fresh"));
    EXPECT_EQ(Read(handle, 5).bytes, "fresh") << "only what came after the purge";
    EXPECT_EQ(ft::FT_Purge(handle, FT_PURGE_TX), FT_OK);
    EXPECT_EQ(ft::FT_Purge(handle, FT_PURGE_RX | FT_PURGE_TX), FT_OK);
    EXPECT_EQ(ft::FT_Purge(handle, 4), FT_INVALID_PARAMETER);
}

TEST_F(SerialDriver, XoffHoldsOurOutputUntilXon)
{
    sim::WireServer& instrument = AddInstrument();
    const FT_HANDLE handle = OpenInstrument();
    ASSERT_NE(handle, nullptr);
    ASSERT_EQ(ft::FT_SetFlowControl(handle, FT_FLOW_XON_XOFF, 0x11, 0x13), FT_OK);

    instrument.SendNow({0x13});
    ASSERT_TRUE(instrument.WaitUntilAllSent(kPatience));
    std::this_thread::sleep_for(50ms);

    // With a write time-out: it runs out, nothing sent, and that is no error.
    ASSERT_EQ(ft::FT_SetTimeouts(handle, 0, 200), FT_OK);
    DWORD written = 99;
    const auto start = Clock::now();
    EXPECT_EQ(Write(handle, "12 5\r", &written), FT_OK);
    EXPECT_EQ(written, 0u);
    EXPECT_GE(Clock::now() - start, 190ms);

    // Without one: it waits for XON.
    ASSERT_EQ(ft::FT_SetTimeouts(handle, 0, 0), FT_OK);
    auto writing = std::async(std::launch::async, [&] {
        DWORD count = 0;
        const FT_STATUS status = Write(handle, "12 6\r", &count);
        return std::pair{status, count};
    });
    EXPECT_EQ(writing.wait_for(300ms), std::future_status::timeout);
    EXPECT_EQ(instrument.Heard(), "") << "held by XOFF";
    instrument.SendNow({0x11});
    ASSERT_EQ(writing.wait_for(kPatience), std::future_status::ready);
    EXPECT_EQ(writing.get(), std::pair(FT_OK, DWORD{5}));
    EXPECT_TRUE(instrument.WaitForHeard(5, kPatience));
    EXPECT_EQ(instrument.Heard(), "12 6\r");

    // The flow-control characters are the line's, not data to read.
    DWORD queued = 99;
    ASSERT_EQ(ft::FT_GetQueueStatus(handle, &queued), FT_OK);
    EXPECT_EQ(queued, 0u);
}

TEST_F(SerialDriver, ResetEmptiesTheQueuesReleasesAHeldLineAndKeepsTheSettings)
{
    sim::Script script;
    script.replyDelayMs = 0;
    sim::WireServer& instrument = AddInstrument(script);
    const FT_HANDLE handle = OpenInstrument();
    ASSERT_NE(handle, nullptr);
    ASSERT_EQ(ft::FT_SetFlowControl(handle, FT_FLOW_XON_XOFF, 0x11, 0x13), FT_OK);
    ASSERT_EQ(ft::FT_SetBaudRate(handle, 115200), FT_OK);
    ASSERT_EQ(ft::FT_SetTimeouts(handle, 500, 200), FT_OK);
    const termios before = LineSettingsOf(instrument);

    instrument.SendNow(Bytes("left over"));
    ASSERT_EQ(WaitForQueued(handle, 9), 9u);
    instrument.SendNow({0x13});  // and the instrument stopped us
    ASSERT_TRUE(instrument.WaitUntilAllSent(kPatience));
    std::this_thread::sleep_for(50ms);

    EXPECT_EQ(ft::FT_ResetDevice(handle), FT_OK);
    DWORD queued = 99;
    ASSERT_EQ(ft::FT_GetQueueStatus(handle, &queued), FT_OK);
    EXPECT_EQ(queued, 0u);
    DWORD written = 0;
    EXPECT_EQ(Write(handle, "12 2\r", &written), FT_OK);
    EXPECT_EQ(written, 5u) << "the line goes again";
    EXPECT_EQ(Read(handle, 20).bytes, "Quorvantex Z5 v1.0b\r");

    const termios after = LineSettingsOf(instrument);
    EXPECT_EQ(after.c_cflag, before.c_cflag);
    EXPECT_EQ(after.c_iflag, before.c_iflag);
    EXPECT_EQ(after.c_lflag, before.c_lflag);
    EXPECT_EQ(cfgetospeed(&after), B115200);
}

// ---- faults ----------------------------------------------------------------

TEST_F(SerialDriver, APortThatDisappearsFailsEveryCallAtOnce)
{
    sim::WireServer& instrument = AddInstrument();
    const FT_HANDLE handle = OpenInstrument();
    const FT_HANDLE waiting = handle;
    ASSERT_NE(handle, nullptr);
    ASSERT_EQ(ft::FT_SetTimeouts(handle, 0, 0), FT_OK);  // no time limit: only the fault ends the read
    auto reading = std::async(std::launch::async, [waiting] { return Read(waiting, 24); });
    EXPECT_EQ(reading.wait_for(200ms), std::future_status::timeout);

    instrument.HangUp();
    ports_.Unplug("ttyUSB0");

    ASSERT_EQ(reading.wait_for(kPatience), std::future_status::ready) << "the waiting read hangs";
    EXPECT_EQ(reading.get().status, FT_IO_ERROR);

    ASSERT_EQ(ft::FT_SetTimeouts(handle, 1000, 1000), FT_OK);
    DWORD rx = 7, tx = 7, events = 7, queued = 7, written = 7;
    const auto start = Clock::now();
    EXPECT_EQ(ft::FT_GetStatus(handle, &rx, &tx, &events), FT_IO_ERROR);
    EXPECT_EQ(ft::FT_GetQueueStatus(handle, &queued), FT_IO_ERROR);
    EXPECT_EQ(Read(handle, 24).status, FT_IO_ERROR);
    EXPECT_EQ(Write(handle, "12 5\r", &written), FT_IO_ERROR);
    EXPECT_EQ(ft::FT_Purge(handle, FT_PURGE_RX), FT_IO_ERROR);
    EXPECT_EQ(ft::FT_ResetDevice(handle), FT_IO_ERROR);
    EXPECT_EQ(ft::FT_SetBaudRate(handle, 115200), FT_IO_ERROR);
    EXPECT_LT(Clock::now() - start, 1000ms) << "faults do not wait for the time-outs";
    EXPECT_EQ((std::vector<DWORD>{rx, tx, events, queued, written}), (std::vector<DWORD>{7, 7, 7, 7, 7}));

    Close(handle);
    EXPECT_EQ(ft::FT_GetQueueStatus(handle, &queued), FT_INVALID_HANDLE);
    FT_HANDLE again = nullptr;
    EXPECT_EQ(ft::FT_OpenEx(const_cast<char*>(kDescription), FT_OPEN_BY_DESCRIPTION, &again), FT_DEVICE_NOT_FOUND);
}

TEST_F(SerialDriver, HandlesAreCheckedAndOutArgumentsLeftAloneOnFailure)
{
    AddInstrument();
    // A handle of a port closed since.
    const FT_HANDLE closed = OpenInstrument();
    ASSERT_NE(closed, nullptr);
    Close(closed);
    const FT_HANDLE current = OpenInstrument();
    ASSERT_NE(current, nullptr);

    for (const FT_HANDLE bad : {FT_HANDLE{nullptr}, closed, reinterpret_cast<FT_HANDLE>(std::uintptr_t{0xDEADBEEF}),
                                reinterpret_cast<FT_HANDLE>(std::uintptr_t{1})}) {
        SCOPED_TRACE(testing::Message() << "handle " << bad);
        std::array<char, 8> buffer{'u', 'n', 't', 'o', 'u', 'c', 'h', 'd'};
        DWORD a = 7, b = 7, c = 7;
        EXPECT_EQ(ft::FT_Read(bad, buffer.data(), 8, &a), FT_INVALID_HANDLE);
        EXPECT_EQ(ft::FT_Write(bad, buffer.data(), 8, &a), FT_INVALID_HANDLE);
        EXPECT_EQ(ft::FT_GetStatus(bad, &a, &b, &c), FT_INVALID_HANDLE);
        EXPECT_EQ(ft::FT_GetQueueStatus(bad, &a), FT_INVALID_HANDLE);
        EXPECT_EQ(ft::FT_Purge(bad, FT_PURGE_RX), FT_INVALID_HANDLE);
        EXPECT_EQ(ft::FT_ResetDevice(bad), FT_INVALID_HANDLE);
        EXPECT_EQ(ft::FT_SetTimeouts(bad, 1, 1), FT_INVALID_HANDLE);
        EXPECT_EQ(ft::FT_SetBaudRate(bad, 9600), FT_INVALID_HANDLE);
        EXPECT_EQ(ft::FT_SetDataCharacteristics(bad, FT_BITS_8, FT_STOP_BITS_1, FT_PARITY_NONE), FT_INVALID_HANDLE);
        EXPECT_EQ(ft::FT_SetFlowControl(bad, FT_FLOW_NONE, 0, 0), FT_INVALID_HANDLE);
        EXPECT_EQ(ft::FT_Close(bad), FT_INVALID_HANDLE);
        EXPECT_EQ((std::vector<DWORD>{a, b, c}), (std::vector<DWORD>{7, 7, 7}));
        EXPECT_EQ(std::string(buffer.data(), buffer.size()), "untouchd");
    }

    // Null out-pointers on a live handle.
    std::array<char, 8> buffer{};
    DWORD a = 7, b = 7;
    EXPECT_EQ(ft::FT_Read(current, buffer.data(), 8, nullptr), FT_INVALID_PARAMETER);
    EXPECT_EQ(ft::FT_Read(current, nullptr, 8, &a), FT_INVALID_PARAMETER);
    EXPECT_EQ(ft::FT_Write(current, buffer.data(), 8, nullptr), FT_INVALID_PARAMETER);
    EXPECT_EQ(ft::FT_Write(current, nullptr, 8, &a), FT_INVALID_PARAMETER);
    EXPECT_EQ(ft::FT_GetQueueStatus(current, nullptr), FT_INVALID_PARAMETER);
    EXPECT_EQ(ft::FT_GetStatus(current, &a, nullptr, &b), FT_INVALID_PARAMETER);
    EXPECT_EQ(ft::FT_GetStatus(current, nullptr, &a, &b), FT_INVALID_PARAMETER);
    EXPECT_EQ((std::vector<DWORD>{a, b}), (std::vector<DWORD>{7, 7}));
    // Zero bytes need no buffer.
    EXPECT_EQ(ft::FT_Read(current, nullptr, 0, &a), FT_OK);
    EXPECT_EQ(a, 0u);
}

TEST_F(SerialDriver, ClosingEndsAReadWaitingOnAnotherThread)
{
    AddInstrument();
    const FT_HANDLE handle = OpenInstrument();
    ASSERT_NE(handle, nullptr);
    auto reading = std::async(std::launch::async, [handle] { return Read(handle, 24); });
    EXPECT_EQ(reading.wait_for(200ms), std::future_status::timeout);
    DWORD rx = 9, tx = 9, events = 9;
    EXPECT_EQ(ft::FT_GetStatus(handle, &rx, &tx, &events), FT_OK) << "another thread's status query gets through";
    Close(handle);
    ASSERT_EQ(reading.wait_for(kPatience), std::future_status::ready);
    EXPECT_EQ(reading.get().status, FT_INVALID_HANDLE);
}

// ---- the shared library ----------------------------------------------------

// The names a shared library exports (defined, global or weak, in .dynsym).
std::set<std::string> ExportedNames(const char* path)
{
    std::set<std::string> names;
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    struct stat info {};
    if (fd < 0 || ::fstat(fd, &info) != 0) {
        return names;
    }
    void* mapped = ::mmap(nullptr, static_cast<std::size_t>(info.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
    ::close(fd);
    if (mapped == MAP_FAILED) {
        return names;
    }
    const auto* base = static_cast<const std::uint8_t*>(mapped);
    const auto* header = reinterpret_cast<const Elf64_Ehdr*>(base);
    const auto* sections = reinterpret_cast<const Elf64_Shdr*>(base + header->e_shoff);
    for (int i = 0; i < header->e_shnum; ++i) {
        if (sections[i].sh_type != SHT_DYNSYM) {
            continue;
        }
        const char* strings = reinterpret_cast<const char*>(base + sections[sections[i].sh_link].sh_offset);
        const auto* symbols = reinterpret_cast<const Elf64_Sym*>(base + sections[i].sh_offset);
        for (std::size_t s = 0; s < sections[i].sh_size / sizeof(Elf64_Sym); ++s) {
            const int binding = ELF64_ST_BIND(symbols[s].st_info);
            if (symbols[s].st_shndx != SHN_UNDEF && (binding == STB_GLOBAL || binding == STB_WEAK)) {
                names.insert(strings + symbols[s].st_name);
            }
        }
    }
    ::munmap(mapped, static_cast<std::size_t>(info.st_size));
    return names;
}

TEST_F(SerialDriver, TheLibraryExportsTheFourteenEntryPointsAndNothingElse)
{
    const std::set<std::string> expected{"FT_Open",        "FT_OpenEx",         "FT_ListDevices",
                                         "FT_Close",       "FT_Read",           "FT_Write",
                                         "FT_ResetDevice", "FT_Purge",          "FT_SetTimeouts",
                                         "FT_GetQueueStatus", "FT_SetFlowControl", "FT_SetBaudRate",
                                         "FT_SetDataCharacteristics", "FT_GetStatus"};
    EXPECT_EQ(ExportedNames(VEXMOOR_SERIAL_DRIVER_LIBRARY), expected);

    AddInstrument();
    void* library = ::dlopen(VEXMOOR_SERIAL_DRIVER_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << ::dlerror();
    const auto listDevices = reinterpret_cast<FT_ListDevices_t>(::dlsym(library, "FT_ListDevices"));
    const auto openEx = reinterpret_cast<FT_OpenEx_t>(::dlsym(library, "FT_OpenEx"));
    const auto close = reinterpret_cast<FT_Close_t>(::dlsym(library, "FT_Close"));
    ASSERT_TRUE(listDevices && openEx && close);
    DWORD count = 0;
    EXPECT_EQ(listDevices(&count, nullptr, FT_LIST_NUMBER_ONLY), FT_OK);
    EXPECT_EQ(count, 1u);
    FT_HANDLE handle = nullptr;
    EXPECT_EQ(openEx(const_cast<char*>(kDescription), FT_OPEN_BY_DESCRIPTION, &handle), FT_OK);
    EXPECT_EQ(close(handle), FT_OK);
    ::dlclose(library);
}

} // namespace
} // namespace vexmoor
