// The kernel's arbitrary-rate interface. See CustomBaud.h.

#include "CustomBaud.h"

#include <asm/ioctls.h>
#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <cerrno>

namespace vexmoor::serial {

int SetCustomBaudRate(int fd, std::uint32_t rate)
{
    termios2 tty{};
    if (::ioctl(fd, TCGETS2, &tty) != 0) {
        return errno;
    }
    tty.c_cflag &= ~static_cast<tcflag_t>(CBAUD | (CBAUD << IBSHIFT));
    tty.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    tty.c_ispeed = rate;
    tty.c_ospeed = rate;
    return ::ioctl(fd, TCSETS2, &tty) == 0 ? 0 : errno;
}

std::optional<std::uint32_t> ActualBaudRate(int fd)
{
    termios2 tty{};
    if (::ioctl(fd, TCGETS2, &tty) != 0) {
        return std::nullopt;
    }
    return tty.c_ospeed;
}

} // namespace vexmoor::serial
