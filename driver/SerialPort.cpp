// One serial port opened by the driver. See SerialPort.h.

#include "SerialPort.h"

#include "CustomBaud.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>

namespace vexmoor::serial {

namespace {

using namespace d2xx;

// How often a write held back by an unasserted DSR looks at the line again.
constexpr int kDsrPollMs = 10;

// Errors that mean the tty is no longer there.
bool PortGone(int error)
{
    return error == EIO || error == ENXIO || error == ENODEV || error == EBADF || error == EPIPE;
}

FT_STATUS OpenFailure(int error)
{
    switch (error) {
    case ENOENT:
    case ENODEV:
    case ENXIO: return FT_DEVICE_NOT_FOUND;
    case EMFILE:
    case ENFILE:
    case ENOMEM: return FT_INSUFFICIENT_RESOURCES;
    default: return FT_DEVICE_NOT_OPENED;  // EACCES, EBUSY, ...
    }
}

} // namespace

// ---- deadlines -------------------------------------------------------------

SerialPort::Deadline::Deadline(DWORD timeoutMs)
{
    if (timeoutMs != 0) {
        at_ = Clock::now() + std::chrono::milliseconds(timeoutMs);
    }
}

int SerialPort::Deadline::RemainingMs() const
{
    if (!at_) {
        return -1;
    }
    // Rounded up, so that a wait never ends just before the deadline.
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(*at_ - Clock::now()).count();
    return static_cast<int>(std::clamp<std::int64_t>(left, 0, INT_MAX));
}

bool SerialPort::Deadline::Passed() const
{
    return at_ && Clock::now() >= *at_;
}

// ---- opening and closing ---------------------------------------------------

std::optional<bool> SerialPort::ReadDsr(int fd)
{
    int lines = 0;
    if (::ioctl(fd, TIOCMGET, &lines) != 0) {
        return std::nullopt;
    }
    return (lines & TIOCM_DSR) != 0;
}

SerialPort::Opened SerialPort::Open(const std::string& path, DsrReader dsr)
{
    // O_NOCTTY: the port never becomes the controlling terminal, so its
    // hang-up sends no SIGHUP. O_NONBLOCK: no wait for a carrier, and every
    // wait is the driver's own (poll), with its time-outs.
    UniqueFd tty(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!tty.Valid()) {
        return {OpenFailure(errno), nullptr};
    }
    // One user at a time: another open of the port, here or in another
    // process, fails. flock binds programs that lock serial ports the same
    // way; TIOCEXCL, where the port takes it, keeps out the others that are
    // not root.
    if (::flock(tty.Get(), LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        return {FT_DEVICE_NOT_OPENED, nullptr};
    }
    termios current{};
    if (::tcgetattr(tty.Get(), &current) != 0) {
        return {FT_DEVICE_NOT_OPENED, nullptr};  // not a tty
    }
    ::ioctl(tty.Get(), TIOCEXCL);
    UniqueFd wake(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!wake.Valid()) {
        return {OpenFailure(errno), nullptr};
    }

    auto port = std::make_shared<SerialPort>(Key{}, std::move(tty), std::move(wake), std::move(dsr));
    const std::lock_guard lock(port->stateMutex_);
    if (port->ApplyLocked(port->settings_) != FT_OK) {
        return {FT_DEVICE_NOT_OPENED, nullptr};
    }
    ::tcflush(port->tty_.Get(), TCIOFLUSH);
    if (port->DiscardInputLocked() != FT_OK) {
        return {FT_DEVICE_NOT_OPENED, nullptr};
    }
    return {FT_OK, std::move(port)};
}

SerialPort::SerialPort(Key, UniqueFd tty, UniqueFd wake, DsrReader dsr)
    : tty_(std::move(tty)), wake_(std::move(wake)), dsr_(std::move(dsr))
{
}

SerialPort::~SerialPort()
{
    Close();
}

void SerialPort::Close()
{
    if (closing_.exchange(true)) {
        // Closed before, or closing on another thread (which waits for us).
        return;
    }
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto signalled = ::write(wake_.Get(), &one, sizeof one);
    const std::unique_lock lifetime(lifetime_);
    // A pseudo-terminal's slave keeps the flag while its master is open.
    ::ioctl(tty_.Get(), TIOCNXCL);
    tty_.Reset();
    wake_.Reset();
    received_.Clear();
}

// ---- waiting ---------------------------------------------------------------

SerialPort::Wait SerialPort::WaitFor(short events, const Deadline& deadline, int capMs) const
{
    for (;;) {
        if (closing_) {
            return Wait::Closing;
        }
        int timeoutMs = deadline.RemainingMs();
        if (capMs >= 0 && (timeoutMs < 0 || timeoutMs > capMs)) {
            timeoutMs = capMs;
        }
        std::array<pollfd, 2> fds{pollfd{tty_.Get(), events, 0}, pollfd{wake_.Get(), POLLIN, 0}};
        const int ready = ::poll(fds.data(), fds.size(), timeoutMs);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (fds[1].revents != 0 || closing_) {
            return Wait::Closing;
        }
        if (ready > 0 && fds[0].revents != 0) {
            return Wait::Ready;  // the events asked for, or a hang-up or error
        }
        return Wait::TimedOut;  // of the deadline, or of the cap
    }
}

bool SerialPort::HungUp() const
{
    pollfd fd{tty_.Get(), 0, 0};
    return ::poll(&fd, 1, 0) > 0 && (fd.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

// ---- under the state lock --------------------------------------------------

FT_STATUS SerialPort::FailLocked(int error)
{
    if (PortGone(error)) {
        gone_ = true;
    }
    return FT_IO_ERROR;
}

FT_STATUS SerialPort::DrainLocked()
{
    if (gone_) {
        return FT_IO_ERROR;
    }
    for (;;) {
        const std::span<std::uint8_t> space = received_.FreeSpace();
        if (space.empty()) {
            return FT_OK;  // full: the kernel keeps the rest
        }
        const ssize_t got = ::read(tty_.Get(), space.data(), space.size());
        if (got > 0) {
            received_.Commit(static_cast<std::size_t>(got));
            continue;
        }
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return FT_OK;
        }
        // End of file: a hung-up tty. (A live tty with no data says EAGAIN
        // with the settings made here; the poll rules out settings changed
        // behind the driver's back.)
        if (got == 0 && !HungUp()) {
            return FT_OK;
        }
        gone_ = true;
        return FT_IO_ERROR;
    }
}

FT_STATUS SerialPort::DiscardInputLocked()
{
    received_.Clear();
    for (;;) {
        const FT_STATUS status = DrainLocked();
        if (status != FT_OK || received_.Size() == 0) {
            return status;
        }
        received_.Clear();
    }
}

FT_STATUS SerialPort::ApplyLocked(const LineSettings& settings)
{
    const int fd = tty_.Get();
    termios tty{};
    if (::tcgetattr(fd, &tty) != 0) {
        return FailLocked(errno);
    }
    ApplyLineSettings(tty, settings);
    if (::tcsetattr(fd, TCSANOW, &tty) != 0 && errno != EINVAL) {
        return FailLocked(errno);
    }
    // A port's driver takes what it cannot do without a word (a
    // pseudo-terminal keeps 8 bits without parity whatever it is asked): what
    // it took is what counts. (The C library's own check of this says EINVAL,
    // but not every time.)
    termios taken{};
    if (::tcgetattr(fd, &taken) != 0) {
        return FailLocked(errno);
    }
    constexpr tcflag_t kFrame = CSIZE | CSTOPB | PARENB | PARODD | CMSPAR;
    if ((taken.c_cflag & kFrame) != (tty.c_cflag & kFrame)) {
        return FT_INVALID_PARAMETER;
    }
    if (cfgetospeed(&taken) != cfgetospeed(&tty)) {
        return FT_INVALID_BAUD_RATE;
    }
    if (!StandardSpeed(settings.baudRate)) {
        const int error = SetCustomBaudRate(fd, settings.baudRate);
        if (error != 0) {
            return PortGone(error) ? FailLocked(error) : FT_INVALID_BAUD_RATE;
        }
    }
    // The port's driver may make another rate than asked for (a USB serial
    // converter derives it from its clock); too far off is refused.
    if (const auto actual = ActualBaudRate(fd); actual && !BaudRateWithinTolerance(settings.baudRate, *actual)) {
        return FT_INVALID_BAUD_RATE;
    }
    if (settings.flowControl == FT_FLOW_DTR_DSR) {
        // Ready to receive, for the far end's flow control.
        const int dtr = TIOCM_DTR;
        ::ioctl(fd, TIOCMBIS, &dtr);
    }
    return FT_OK;
}

template <typename Edit>
FT_STATUS SerialPort::ChangeSettings(bool valid, FT_STATUS refusal, Edit edit)
{
    const std::shared_lock lifetime(lifetime_);
    if (closing_) {
        return FT_INVALID_HANDLE;
    }
    if (!valid) {
        return refusal;
    }
    const std::lock_guard lock(stateMutex_);
    if (gone_) {
        return FT_IO_ERROR;
    }
    LineSettings next = settings_;
    edit(next);
    const FT_STATUS status = ApplyLocked(next);
    if (status == FT_OK) {
        settings_ = next;
        return FT_OK;
    }
    if (status == FT_IO_ERROR) {
        return status;
    }
    ApplyLocked(settings_);  // what the port had
    return status == FT_INVALID_BAUD_RATE ? status : refusal;
}

// ---- data ------------------------------------------------------------------

FT_STATUS SerialPort::Read(std::span<std::uint8_t> out, DWORD& returned)
{
    const std::shared_lock lifetime(lifetime_);
    if (closing_) {
        return FT_INVALID_HANDLE;
    }
    const std::lock_guard reading(readMutex_);
    DWORD timeoutMs = 0;
    {
        const std::lock_guard lock(stateMutex_);
        timeoutMs = readTimeoutMs_;
    }
    const Deadline deadline(timeoutMs);
    std::size_t done = 0;
    for (;;) {
        {
            const std::lock_guard lock(stateMutex_);
            const FT_STATUS status = DrainLocked();
            if (status != FT_OK) {
                return status;
            }
            done += received_.Take(out.subspan(done));
        }
        if (done == out.size()) {
            break;
        }
        const Wait wait = WaitFor(POLLIN, deadline);
        if (wait == Wait::Closing) {
            return FT_INVALID_HANDLE;
        }
        if (wait == Wait::TimedOut) {
            break;
        }
    }
    returned = static_cast<DWORD>(done);
    return FT_OK;
}

FT_STATUS SerialPort::Write(std::span<const std::uint8_t> in, DWORD& written)
{
    const std::shared_lock lifetime(lifetime_);
    if (closing_) {
        return FT_INVALID_HANDLE;
    }
    const std::lock_guard writing(writeMutex_);
    DWORD timeoutMs = 0;
    bool dsrFlow = false;
    {
        const std::lock_guard lock(stateMutex_);
        if (gone_) {
            return FT_IO_ERROR;
        }
        timeoutMs = writeTimeoutMs_;
        dsrFlow = settings_.flowControl == FT_FLOW_DTR_DSR;
    }
    const Deadline deadline(timeoutMs);
    std::size_t done = 0;
    while (done < in.size()) {
        if (dsrFlow) {
            // DTR/DSR flow control has no termios flag: the far end holds
            // our output by dropping DSR, looked at here before each piece.
            const std::optional<bool> dsr = dsr_(tty_.Get());
            if (dsr.has_value() && !*dsr) {
                const Wait wait = WaitFor(0, deadline, kDsrPollMs);
                if (wait == Wait::Closing) {
                    return FT_INVALID_HANDLE;
                }
                if (deadline.Passed()) {
                    break;
                }
                continue;
            }
        }
        const ssize_t sent = ::write(tty_.Get(), in.data() + done, in.size() - done);
        if (sent > 0) {
            done += static_cast<std::size_t>(sent);
            continue;
        }
        if (sent < 0 && errno == EINTR) {
            continue;
        }
        if (sent == 0 || errno == EAGAIN || errno == EWOULDBLOCK) {
            // The line is held (XOFF, CTS) or the kernel's queue is full.
            const Wait wait = WaitFor(POLLOUT, deadline);
            if (wait == Wait::Closing) {
                return FT_INVALID_HANDLE;
            }
            if (wait == Wait::TimedOut) {
                break;
            }
            continue;
        }
        const int error = errno;
        const std::lock_guard lock(stateMutex_);
        return FailLocked(error);
    }
    written = static_cast<DWORD>(done);
    return FT_OK;
}

FT_STATUS SerialPort::QueueStatus(DWORD& rxBytes)
{
    const std::shared_lock lifetime(lifetime_);
    if (closing_) {
        return FT_INVALID_HANDLE;
    }
    const std::lock_guard lock(stateMutex_);
    const FT_STATUS status = DrainLocked();
    if (status == FT_OK) {
        rxBytes = static_cast<DWORD>(received_.Size());
    }
    return status;
}

FT_STATUS SerialPort::Status(DWORD& rxBytes, DWORD& txBytes)
{
    const std::shared_lock lifetime(lifetime_);
    if (closing_) {
        return FT_INVALID_HANDLE;
    }
    const std::lock_guard lock(stateMutex_);
    const FT_STATUS status = DrainLocked();
    if (status != FT_OK) {
        return status;
    }
    int unsent = 0;
    if (::ioctl(tty_.Get(), TIOCOUTQ, &unsent) != 0 || unsent < 0) {
        unsent = 0;  // the port cannot tell (a mocked tty answers ENOTTY)
    }
    rxBytes = static_cast<DWORD>(received_.Size());
    txBytes = static_cast<DWORD>(unsent);
    return FT_OK;
}

FT_STATUS SerialPort::Purge(DWORD mask)
{
    const std::shared_lock lifetime(lifetime_);
    if (closing_) {
        return FT_INVALID_HANDLE;
    }
    if ((mask & ~(FT_PURGE_RX | FT_PURGE_TX)) != 0) {
        return FT_INVALID_PARAMETER;
    }
    const std::lock_guard lock(stateMutex_);
    if (gone_) {
        return FT_IO_ERROR;
    }
    if ((mask & FT_PURGE_TX) != 0) {
        ::tcflush(tty_.Get(), TCOFLUSH);
    }
    if ((mask & FT_PURGE_RX) != 0) {
        ::tcflush(tty_.Get(), TCIFLUSH);
        return DiscardInputLocked();
    }
    return FT_OK;
}

FT_STATUS SerialPort::Reset()
{
    const std::shared_lock lifetime(lifetime_);
    if (closing_) {
        return FT_INVALID_HANDLE;
    }
    const std::lock_guard lock(stateMutex_);
    if (gone_) {
        return FT_IO_ERROR;
    }
    ::tcflush(tty_.Get(), TCIOFLUSH);
    const FT_STATUS discarded = DiscardInputLocked();
    if (discarded != FT_OK) {
        return discarded;
    }
    // An XOFF received before no longer holds the line: the kernel lets
    // output go when XON/XOFF flow control is switched off.
    LineSettings released = settings_;
    released.flowControl = FT_FLOW_NONE;
    const FT_STATUS status = ApplyLocked(released);
    return status == FT_OK ? ApplyLocked(settings_) : status;
}

// ---- settings --------------------------------------------------------------

FT_STATUS SerialPort::SetTimeouts(DWORD readMs, DWORD writeMs)
{
    const std::shared_lock lifetime(lifetime_);
    if (closing_) {
        return FT_INVALID_HANDLE;
    }
    const std::lock_guard lock(stateMutex_);
    readTimeoutMs_ = readMs;
    writeTimeoutMs_ = writeMs;
    return FT_OK;
}

FT_STATUS SerialPort::SetBaudRate(DWORD rate)
{
    return ChangeSettings(ValidBaudRate(rate), FT_INVALID_BAUD_RATE,
                          [&](LineSettings& next) { next.baudRate = rate; });
}

FT_STATUS SerialPort::SetDataCharacteristics(UCHAR wordLength, UCHAR stopBits, UCHAR parity)
{
    return ChangeSettings(ValidDataCharacteristics(wordLength, stopBits, parity), FT_INVALID_PARAMETER,
                          [&](LineSettings& next) {
                              next.wordLength = wordLength;
                              next.stopBits = stopBits;
                              next.parity = parity;
                          });
}

FT_STATUS SerialPort::SetFlowControl(WORD mode, UCHAR xon, UCHAR xoff)
{
    return ChangeSettings(ValidFlowControl(mode), FT_INVALID_PARAMETER, [&](LineSettings& next) {
        next.flowControl = mode;
        next.xon = xon;
        next.xoff = xoff;
    });
}

} // namespace vexmoor::serial
