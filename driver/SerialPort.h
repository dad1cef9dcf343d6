#pragma once
// One serial port opened by the driver: a kernel tty (/dev/ttyUSB0, ...) with
// the D2XX calls' behaviour on top: line settings, time-outs, the receive
// queue (ReceiveBuffer.h), purges and a reset.
//
// Thread-safe: any call may come from any thread. Reads are served one at a
// time, and so are writes; a read or write waiting for the line lets status
// queries, purges and settings through. Close() wakes every call waiting in
// the port, which then returns FT_INVALID_HANDLE.
//
// A port that goes away (its USB device unplugged: the tty hangs up) fails
// every read, write, status query, purge and line setting from then on with
// FT_IO_ERROR, at once, also a read or write already waiting. No signal can
// come of it: the tty never becomes the process's controlling terminal, and
// a tty raises no SIGPIPE.

#include "LineSettings.h"
#include "ReceiveBuffer.h"
#include "UniqueFd.h"

#include "link/D2xxTypes.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <shared_mutex>
#include <span>
#include <string>

namespace vexmoor::serial {

class SerialPort {
    struct Key {};

public:
    // The port's DSR line: asserted or not, or nothing when the port has no
    // modem lines to read.
    using DsrReader = std::function<std::optional<bool>(int fd)>;
    // Reads DSR with TIOCMGET.
    static std::optional<bool> ReadDsr(int fd);

    struct Opened {
        d2xx::FT_STATUS status;
        std::shared_ptr<SerialPort> port;  // set when status is FT_OK
    };
    // Opens the tty at `path` for this driver alone, and sets it up as a fresh
    // D2XX device: raw bytes, 9600 baud 8N1, no flow control, both queues
    // empty, no time-outs. Statuses: FT_DEVICE_NOT_FOUND (no such port),
    // FT_DEVICE_NOT_OPENED (open already, here or in another process, not
    // accessible, or not a tty), FT_INSUFFICIENT_RESOURCES (out of
    // descriptors or memory).
    static Opened Open(const std::string& path, DsrReader dsr = &ReadDsr);

    SerialPort(Key, UniqueFd tty, UniqueFd wake, DsrReader dsr);
    ~SerialPort();
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    // Up to out.size() bytes: returns once all have come or the read time-out
    // has run out (none: no limit), with FT_OK and the count that came.
    d2xx::FT_STATUS Read(std::span<std::uint8_t> out, d2xx::DWORD& returned);
    // Returns once every byte is with the kernel or the write time-out has run
    // out (none: no limit), with FT_OK and the count taken. Flow control may
    // hold the line (XOFF received, CTS or DSR not asserted).
    d2xx::FT_STATUS Write(std::span<const std::uint8_t> in, d2xx::DWORD& written);
    // Bytes waiting to be read.
    d2xx::FT_STATUS QueueStatus(d2xx::DWORD& rxBytes);
    // Bytes waiting to be read and bytes the kernel still holds to send (0
    // when the port cannot tell).
    d2xx::FT_STATUS Status(d2xx::DWORD& rxBytes, d2xx::DWORD& txBytes);
    // FT_PURGE_RX: drops every byte received and not read; FT_PURGE_TX: every
    // byte not sent yet. Other bits: FT_INVALID_PARAMETER.
    d2xx::FT_STATUS Purge(d2xx::DWORD mask);
    // Empties both queues and lets the line go again if an XOFF held it; the
    // line settings and time-outs stay.
    d2xx::FT_STATUS Reset();
    d2xx::FT_STATUS SetTimeouts(d2xx::DWORD readMs, d2xx::DWORD writeMs);
    d2xx::FT_STATUS SetBaudRate(d2xx::DWORD rate);
    // Values a D2XX device does not know: FT_INVALID_PARAMETER; a rate out of
    // range, or one the port cannot make within 3 %: FT_INVALID_BAUD_RATE;
    // settings the port does not take (a pseudo-terminal has no parity, for
    // one): FT_INVALID_PARAMETER. A refused setting leaves the line as it was.
    d2xx::FT_STATUS SetDataCharacteristics(d2xx::UCHAR wordLength, d2xx::UCHAR stopBits, d2xx::UCHAR parity);
    d2xx::FT_STATUS SetFlowControl(d2xx::WORD mode, d2xx::UCHAR xon, d2xx::UCHAR xoff);

    // Ends the port: wakes the calls waiting in it, waits for every call
    // under way to return, and closes the tty, which is then free for others.
    void Close();

private:
    using Clock = std::chrono::steady_clock;
    enum class Wait : std::uint8_t { Ready, TimedOut, Closing };

    // A time-out in milliseconds from now; 0: none.
    class Deadline {
    public:
        explicit Deadline(d2xx::DWORD timeoutMs);
        // Milliseconds left for poll(): -1 without a time-out.
        int RemainingMs() const;
        bool Passed() const;

    private:
        std::optional<Clock::time_point> at_;
    };

    // Waits until the tty has `events` (POLLIN, POLLOUT; also a hang-up), the
    // deadline passes or the port is being closed. `cap` bounds one wait.
    Wait WaitFor(short events, const Deadline& deadline, int capMs = -1) const;

    // Under stateMutex_ from here on.
    // Moves what the kernel has received into the receive queue, as far as
    // it has room; notices a port that went away.
    d2xx::FT_STATUS DrainLocked();
    // Drops what is queued here and in the kernel.
    d2xx::FT_STATUS DiscardInputLocked();
    // Puts `settings` on the tty: FT_INVALID_PARAMETER or
    // FT_INVALID_BAUD_RATE when the port does not take them as asked.
    d2xx::FT_STATUS ApplyLocked(const LineSettings& settings);
    // A setting asked for: refused with `refusal` unless `valid`; otherwise
    // the port's settings as `edit` changes them. When the port does not take
    // them it keeps the ones before, and the call fails with `refusal` (or
    // FT_INVALID_BAUD_RATE for the rate).
    template <typename Edit>
    d2xx::FT_STATUS ChangeSettings(bool valid, d2xx::FT_STATUS refusal, Edit edit);
    // A failed request on the tty: a port that went away is remembered as such.
    d2xx::FT_STATUS FailLocked(int error);
    bool HungUp() const;

    std::atomic<bool> closing_{false};
    // Every call holds it shared; Close() exclusively.
    std::shared_mutex lifetime_;
    std::mutex readMutex_;
    std::mutex writeMutex_;
    std::mutex stateMutex_;

    UniqueFd tty_;
    UniqueFd wake_;  // an eventfd, signalled by Close()
    DsrReader dsr_;
    ReceiveBuffer received_;
    LineSettings settings_;
    d2xx::DWORD readTimeoutMs_ = 0;
    d2xx::DWORD writeTimeoutMs_ = 0;
    bool gone_ = false;
};

} // namespace vexmoor::serial
