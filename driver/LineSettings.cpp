// D2XX line settings to termios. See LineSettings.h.

#include "LineSettings.h"

#include <array>
#include <cmath>
#include <utility>

namespace vexmoor::serial {

namespace {

using namespace d2xx;

constexpr std::array<std::pair<DWORD, speed_t>, 30> kStandardSpeeds{{
    {50, B50},         {75, B75},           {110, B110},         {134, B134},         {150, B150},
    {200, B200},       {300, B300},         {600, B600},         {1200, B1200},       {1800, B1800},
    {2400, B2400},     {4800, B4800},       {9600, B9600},       {19200, B19200},     {38400, B38400},
    {57600, B57600},   {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000}, {921600, B921600},   {1000000, B1000000}, {1152000, B1152000}, {1500000, B1500000},
    {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000}, {3500000, B3500000}, {4000000, B4000000},
}};

} // namespace

bool ValidBaudRate(DWORD rate)
{
    return rate > 0 && rate <= kMaxBaudRate;
}

bool ValidDataCharacteristics(UCHAR wordLength, UCHAR stopBits, UCHAR parity)
{
    return (wordLength == FT_BITS_7 || wordLength == FT_BITS_8) &&
           (stopBits == FT_STOP_BITS_1 || stopBits == FT_STOP_BITS_2) && parity <= FT_PARITY_SPACE;
}

bool ValidFlowControl(WORD mode)
{
    return mode == FT_FLOW_NONE || mode == FT_FLOW_RTS_CTS || mode == FT_FLOW_DTR_DSR || mode == FT_FLOW_XON_XOFF;
}

bool BaudRateWithinTolerance(DWORD requested, DWORD actual)
{
    const double difference = std::abs(static_cast<double>(actual) - static_cast<double>(requested));
    return difference <= kBaudTolerance * static_cast<double>(requested);
}

std::optional<speed_t> StandardSpeed(DWORD rate)
{
    for (const auto& [value, speed] : kStandardSpeeds) {
        if (value == rate) {
            return speed;
        }
    }
    return std::nullopt;
}

void ApplyLineSettings(termios& tty, const LineSettings& settings)
{
    tty.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON |
                                          IXOFF | IXANY | INPCK | IGNPAR | IUCLC | IMAXBEL);
    tty.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    tty.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHOE | ECHOK | ECHONL | ICANON | ISIG | IEXTEN | NOFLSH | TOSTOP);
    tty.c_cflag &= ~static_cast<tcflag_t>(CSIZE | CSTOPB | PARENB | PARODD | CMSPAR | CRTSCTS);
    tty.c_cflag |= CREAD | CLOCAL;

    tty.c_cflag |= settings.wordLength == FT_BITS_7 ? CS7 : CS8;
    if (settings.stopBits == FT_STOP_BITS_2) {
        tty.c_cflag |= CSTOPB;
    }
    switch (settings.parity) {
    case FT_PARITY_ODD: tty.c_cflag |= PARENB | PARODD; break;
    case FT_PARITY_EVEN: tty.c_cflag |= PARENB; break;
    case FT_PARITY_MARK: tty.c_cflag |= PARENB | CMSPAR | PARODD; break;
    case FT_PARITY_SPACE: tty.c_cflag |= PARENB | CMSPAR; break;
    default: break;
    }

    switch (settings.flowControl) {
    case FT_FLOW_RTS_CTS: tty.c_cflag |= CRTSCTS; break;
    case FT_FLOW_XON_XOFF:
        tty.c_iflag |= IXON | IXOFF;
        tty.c_cc[VSTART] = settings.xon;
        tty.c_cc[VSTOP] = settings.xoff;
        break;
    default: break;
    }

    tty.c_cc[VMIN] = 1;
    tty.c_cc[VTIME] = 0;

    const speed_t speed = StandardSpeed(settings.baudRate).value_or(B38400);
    cfsetispeed(&tty, speed);
    cfsetospeed(&tty, speed);
}

} // namespace vexmoor::serial
