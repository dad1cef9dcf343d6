#pragma once
// The serial line as the D2XX calls describe it (baud rate, data
// characteristics, flow control) and its translation to a tty's termios
// settings. Pure: no port is touched here.

#include "link/D2xxTypes.h"

#include <termios.h>

#include <cstdint>
#include <optional>

namespace vexmoor::serial {

struct LineSettings {
    // What a freshly opened port gets: 9600 baud, 8 data bits, 1 stop bit,
    // no parity, no flow control.
    d2xx::DWORD baudRate = 9600;
    d2xx::UCHAR wordLength = d2xx::FT_BITS_8;
    d2xx::UCHAR stopBits = d2xx::FT_STOP_BITS_1;
    d2xx::UCHAR parity = d2xx::FT_PARITY_NONE;
    d2xx::WORD flowControl = d2xx::FT_FLOW_NONE;
    d2xx::UCHAR xon = 0x11;
    d2xx::UCHAR xoff = 0x13;

    bool operator==(const LineSettings&) const = default;
};

// The fastest rate of the USB serial converters a D2XX library drives.
constexpr d2xx::DWORD kMaxBaudRate = 12'000'000;
// How far the rate a port's driver actually makes may lie from the one asked for.
constexpr double kBaudTolerance = 0.03;

bool ValidBaudRate(d2xx::DWORD rate);
bool ValidDataCharacteristics(d2xx::UCHAR wordLength, d2xx::UCHAR stopBits, d2xx::UCHAR parity);
bool ValidFlowControl(d2xx::WORD mode);
// Whether `actual` is within kBaudTolerance of `requested`.
bool BaudRateWithinTolerance(d2xx::DWORD requested, d2xx::DWORD actual);

// The termios speed constant for `rate`, when termios has one; otherwise the
// rate needs the kernel's arbitrary-rate interface (CustomBaud.h).
std::optional<speed_t> StandardSpeed(d2xx::DWORD rate);

// Writes `settings` into `tty`, keeping only what they do not decide: raw
// bytes both ways (no echo, no canonical input, no signals, no CR/NL
// mapping, no output processing, no parity checking), the receiver on and
// the modem lines ignored (CLOCAL), and a non-blocking read that reports "no
// data" as EAGAIN and a hang-up as end of file (VMIN 1, VTIME 0 with
// O_NONBLOCK). A rate without a termios constant leaves B38400 here, to be
// replaced through the arbitrary-rate interface. DTR/DSR flow control has
// no termios flag: it is left to the driver (SerialPort).
void ApplyLineSettings(termios& tty, const LineSettings& settings);

} // namespace vexmoor::serial
