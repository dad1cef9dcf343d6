// The serial driver's pure pieces: D2XX line settings to termios, the
// receive queue, the handle registry and the device list.

#include "driver/HandleRegistry.h"
#include "driver/LineSettings.h"
#include "driver/Listing.h"
#include "driver/ReceiveBuffer.h"

#include <gtest/gtest.h>

#include <numeric>
#include <ostream>
#include <set>

namespace vexmoor::serial {
namespace {

using namespace d2xx;

// What a tty starts as: cooked, echoing, mapping CR/NL, processing output.
termios CookedTty()
{
    termios tty{};
    tty.c_iflag = ICRNL | IXON | IXANY | IMAXBEL | BRKINT | INLCR | ISTRIP;
    tty.c_oflag = OPOST | ONLCR;
    tty.c_cflag = CS7 | PARENB | PARODD | CSTOPB | HUPCL | CRTSCTS;
    tty.c_lflag = ECHO | ECHOE | ECHOK | ICANON | ISIG | IEXTEN;
    tty.c_cc[VMIN] = 0;
    tty.c_cc[VTIME] = 5;
    cfsetispeed(&tty, B9600);
    cfsetospeed(&tty, B9600);
    return tty;
}

struct LineCase {
    const char* name;
    LineSettings settings;
    tcflag_t cflagSet;       // among CSIZE, CSTOPB, PARENB, PARODD, CMSPAR, CRTSCTS
    tcflag_t iflagFlow;      // among IXON, IXOFF
    speed_t speed;
};

void PrintTo(const LineCase& line, std::ostream* out)
{
    *out << line.name;
}

class LineSettingsMapping : public testing::TestWithParam<LineCase> {};

TEST_P(LineSettingsMapping, GivesRawBytesAndExactlyTheLineAskedFor)
{
    const LineCase& line = GetParam();
    termios tty = CookedTty();
    ApplyLineSettings(tty, line.settings);

    constexpr tcflag_t kLineFlags = CSIZE | CSTOPB | PARENB | PARODD | CMSPAR | CRTSCTS;
    EXPECT_EQ(tty.c_cflag & kLineFlags, line.cflagSet);
    EXPECT_EQ(tty.c_iflag & (IXON | IXOFF | IXANY), line.iflagFlow);
    EXPECT_EQ(tty.c_cflag & (CREAD | CLOCAL), CREAD | CLOCAL);
    EXPECT_EQ(tty.c_cflag & HUPCL, tcflag_t{HUPCL}) << "what the settings do not decide stays";
    // Raw both ways.
    EXPECT_EQ(tty.c_iflag & (ICRNL | INLCR | IGNCR | ISTRIP | BRKINT | INPCK | IMAXBEL), 0u);
    EXPECT_EQ(tty.c_oflag & OPOST, 0u);
    EXPECT_EQ(tty.c_lflag & (ECHO | ECHOE | ECHOK | ECHONL | ICANON | ISIG | IEXTEN), 0u);
    EXPECT_EQ(tty.c_cc[VMIN], 1);
    EXPECT_EQ(tty.c_cc[VTIME], 0);
    EXPECT_EQ(cfgetispeed(&tty), line.speed);
    EXPECT_EQ(cfgetospeed(&tty), line.speed);
    if ((line.iflagFlow & IXON) != 0) {
        EXPECT_EQ(tty.c_cc[VSTART], line.settings.xon);
        EXPECT_EQ(tty.c_cc[VSTOP], line.settings.xoff);
    }
}

LineSettings Line(DWORD baud, UCHAR bits, UCHAR stop, UCHAR parity, WORD flow, UCHAR xon = 0x11, UCHAR xoff = 0x13)
{
    return LineSettings{baud, bits, stop, parity, flow, xon, xoff};
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LineSettingsMapping,
    testing::Values(
        LineCase{"Instrument", Line(115200, FT_BITS_8, FT_STOP_BITS_1, FT_PARITY_NONE, FT_FLOW_XON_XOFF), CS8,
                 IXON | IXOFF, B115200},
        LineCase{"Defaults", LineSettings{}, CS8, 0, B9600},
        LineCase{"SevenEvenTwo", Line(19200, FT_BITS_7, FT_STOP_BITS_2, FT_PARITY_EVEN, FT_FLOW_NONE),
                 CS7 | CSTOPB | PARENB, 0, B19200},
        LineCase{"Odd", Line(9600, FT_BITS_8, FT_STOP_BITS_1, FT_PARITY_ODD, FT_FLOW_NONE), CS8 | PARENB | PARODD, 0,
                 B9600},
        LineCase{"Mark", Line(9600, FT_BITS_8, FT_STOP_BITS_1, FT_PARITY_MARK, FT_FLOW_NONE),
                 CS8 | PARENB | CMSPAR | PARODD, 0, B9600},
        LineCase{"Space", Line(9600, FT_BITS_7, FT_STOP_BITS_1, FT_PARITY_SPACE, FT_FLOW_NONE),
                 CS7 | PARENB | CMSPAR, 0, B9600},
        LineCase{"RtsCts", Line(57600, FT_BITS_8, FT_STOP_BITS_1, FT_PARITY_NONE, FT_FLOW_RTS_CTS), CS8 | CRTSCTS, 0,
                 B57600},
        LineCase{"DtrDsrHasNoTermiosFlag", Line(9600, FT_BITS_8, FT_STOP_BITS_1, FT_PARITY_NONE, FT_FLOW_DTR_DSR),
                 CS8, 0, B9600},
        LineCase{"OtherFlowCharacters", Line(9600, FT_BITS_8, FT_STOP_BITS_1, FT_PARITY_NONE, FT_FLOW_XON_XOFF, 0x01, 0x02),
                 CS8, IXON | IXOFF, B9600},
        LineCase{"RateWithoutConstantLeavesAPlaceholder",
                 Line(250000, FT_BITS_8, FT_STOP_BITS_1, FT_PARITY_NONE, FT_FLOW_NONE), CS8, 0, B38400}),
    [](const testing::TestParamInfo<LineCase>& info) { return info.param.name; });

TEST(LineSettingsValidity, DataCharacteristicsFlowControlAndRates)
{
    EXPECT_TRUE(ValidDataCharacteristics(FT_BITS_8, FT_STOP_BITS_1, FT_PARITY_NONE));
    EXPECT_TRUE(ValidDataCharacteristics(FT_BITS_7, FT_STOP_BITS_2, FT_PARITY_SPACE));
    EXPECT_FALSE(ValidDataCharacteristics(6, FT_STOP_BITS_1, FT_PARITY_NONE));
    EXPECT_FALSE(ValidDataCharacteristics(9, FT_STOP_BITS_1, FT_PARITY_NONE));
    EXPECT_FALSE(ValidDataCharacteristics(FT_BITS_8, 1, FT_PARITY_NONE)) << "1.5 stop bits is not a D2XX value";
    EXPECT_FALSE(ValidDataCharacteristics(FT_BITS_8, FT_STOP_BITS_1, 5));

    for (const WORD mode : {FT_FLOW_NONE, FT_FLOW_RTS_CTS, FT_FLOW_DTR_DSR, FT_FLOW_XON_XOFF}) {
        EXPECT_TRUE(ValidFlowControl(mode)) << mode;
    }
    for (const WORD mode : {WORD{0x0001}, WORD{0x0300}, WORD{0x0500}, WORD{0x0800}, WORD{0xFFFF}}) {
        EXPECT_FALSE(ValidFlowControl(mode)) << mode;
    }

    EXPECT_FALSE(ValidBaudRate(0));
    EXPECT_TRUE(ValidBaudRate(300));
    EXPECT_TRUE(ValidBaudRate(kMaxBaudRate));
    EXPECT_FALSE(ValidBaudRate(kMaxBaudRate + 1));

    EXPECT_EQ(StandardSpeed(115200), B115200);
    EXPECT_EQ(StandardSpeed(4000000), B4000000);
    EXPECT_EQ(StandardSpeed(250000), std::nullopt);
    EXPECT_EQ(StandardSpeed(115201), std::nullopt);

    EXPECT_TRUE(BaudRateWithinTolerance(115200, 115200));
    EXPECT_TRUE(BaudRateWithinTolerance(250000, 242500));   // -3 %
    EXPECT_FALSE(BaudRateWithinTolerance(250000, 242000));  // -3.2 %
    EXPECT_FALSE(BaudRateWithinTolerance(50, 9600)) << "a driver that fell back to its default";
}

TEST(ReceiveBuffer, KeepsOrderAcrossTheRingsEndAndNeverHoldsMoreThanItsCapacity)
{
    ReceiveBuffer buffer(8);
    std::uint8_t next = 0;
    std::vector<std::uint8_t> taken;
    const auto fill = [&](std::size_t count) {
        std::size_t put = 0;
        while (put < count) {
            const std::span<std::uint8_t> space = buffer.FreeSpace();
            if (space.empty()) {
                break;
            }
            const std::size_t now = std::min(space.size(), count - put);
            for (std::size_t i = 0; i < now; ++i) {
                space[i] = next++;
            }
            buffer.Commit(now);
            put += now;
        }
        return put;
    };
    const auto take = [&](std::size_t count) {
        std::vector<std::uint8_t> out(count);
        out.resize(buffer.Take(out));
        taken.insert(taken.end(), out.begin(), out.end());
        return out.size();
    };

    EXPECT_EQ(fill(6), 6u);
    EXPECT_EQ(take(4), 4u);
    EXPECT_EQ(fill(10), 6u) << "only the room there is, in two pieces around the ring's end";
    EXPECT_EQ(buffer.Size(), 8u);
    EXPECT_EQ(buffer.Room(), 0u);
    EXPECT_TRUE(buffer.FreeSpace().empty());
    EXPECT_EQ(take(3), 3u);
    EXPECT_EQ(fill(1), 1u);
    EXPECT_EQ(take(100), 6u);
    EXPECT_EQ(buffer.Size(), 0u);
    EXPECT_EQ(buffer.FreeSpace().size(), 8u) << "an empty buffer offers its whole space in one piece";

    std::vector<std::uint8_t> expected(taken.size());
    std::iota(expected.begin(), expected.end(), std::uint8_t{0});
    EXPECT_EQ(taken, expected);

    fill(5);
    buffer.Clear();
    EXPECT_EQ(buffer.Size(), 0u);
    std::array<std::uint8_t, 4> out{};
    EXPECT_EQ(buffer.Take(out), 0u);
}

TEST(HandleRegistry, FindsOnlyLiveHandlesAndNeverReusesOne)
{
    HandleRegistry<int> registry;
    void* first = registry.Add(std::make_shared<int>(1));
    void* second = registry.Add(std::make_shared<int>(2));
    ASSERT_NE(first, second);
    EXPECT_NE(first, nullptr);
    ASSERT_TRUE(registry.Find(first));
    EXPECT_EQ(*registry.Find(first), 1);
    EXPECT_EQ(*registry.Find(second), 2);

    EXPECT_FALSE(registry.Find(nullptr));
    EXPECT_FALSE(registry.Find(reinterpret_cast<void*>(std::uintptr_t{0xDEADBEEF})));
    EXPECT_FALSE(registry.Find(reinterpret_cast<void*>(std::uintptr_t{1})));

    const std::shared_ptr<int> removed = registry.Remove(first);
    ASSERT_TRUE(removed);
    EXPECT_EQ(*removed, 1);
    EXPECT_FALSE(registry.Find(first)) << "a closed handle is stale";
    EXPECT_FALSE(registry.Remove(first)) << "and cannot be closed twice";

    std::set<void*> handles{first, second};
    for (int i = 0; i < 100; ++i) {
        void* handle = registry.Add(std::make_shared<int>(i));
        EXPECT_TRUE(handles.insert(handle).second) << "handle given out twice";
        registry.Remove(handle);
    }
}

TEST(DeviceList, FtdiPortsOnlyInTheOrderOfTheirNumbersWithInterfacesToldApart)
{
    const std::vector<PortRecord> records{
        {"/dev/ttyUSB10", "0403", "Later", "S10", 0, 1},
        {"/dev/ttyUSB2", "0403", "Quorvantex Z5 RevavaZevod", "QZ5A0001", 0, 1},
        {"/dev/ttyUSB0", "067b", "Quorvantex Z5 RevavaZevod", "PL1", 0, 1},  // not FTDI: not a D2XX device
        {"/dev/ttyUSB4", "0403", "Dual RS232", "FT4321", 1, 2},
        {"/dev/ttyUSB3", "0403", "Dual RS232", "FT4321", 0, 2},
        {"/dev/ttyACM0", "0403", "Modem", "M1", 0, 1},
    };
    const std::vector<ListedPort> expected{
        {"/dev/ttyACM0", "Modem", "M1"},
        {"/dev/ttyUSB2", "Quorvantex Z5 RevavaZevod", "QZ5A0001"},
        {"/dev/ttyUSB3", "Dual RS232 A", "FT4321A"},
        {"/dev/ttyUSB4", "Dual RS232 B", "FT4321B"},
        {"/dev/ttyUSB10", "Later", "S10"},
    };
    EXPECT_EQ(ListedPorts(records), expected);
    EXPECT_TRUE(ListedPorts({}).empty());
}

TEST(DeviceList, NaturalOrder)
{
    struct Pair {
        const char* less;
        const char* more;
    };
    for (const Pair& pair : {Pair{"ttyUSB2", "ttyUSB10"}, Pair{"ttyUSB0", "ttyUSB1"}, Pair{"a", "b"},
                             Pair{"ttyACM9", "ttyUSB0"}, Pair{"ttyUSB", "ttyUSB0"}, Pair{"x1y2", "x1y10"},
                             Pair{"x01", "x2"}}) {
        EXPECT_TRUE(NaturalLess(pair.less, pair.more)) << pair.less << " < " << pair.more;
        EXPECT_FALSE(NaturalLess(pair.more, pair.less)) << pair.more << " < " << pair.less;
    }
    EXPECT_FALSE(NaturalLess("ttyUSB3", "ttyUSB3"));
}

} // namespace
} // namespace vexmoor::serial
