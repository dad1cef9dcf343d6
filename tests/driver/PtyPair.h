#pragma once
// A plain pseudo-terminal pair for tests: its slave side is a real kernel tty
// the driver can open by path, its master side the far end of the line.

#include "driver/UniqueFd.h"

#include <pty.h>
#include <unistd.h>
#include <termios.h>

#include <array>
#include <stdexcept>
#include <string>

namespace vexmoor::test {

struct PtyPair {
    serial::UniqueFd master;
    std::string slavePath;

    PtyPair()
    {
        int masterFd = -1;
        int slaveFd = -1;
        std::array<char, 64> name{};
        if (::openpty(&masterFd, &slaveFd, name.data(), nullptr, nullptr) != 0) {
            throw std::runtime_error("openpty failed");
        }
        master = serial::UniqueFd(masterFd);
        slavePath = name.data();
        // Raw from the start, so that nothing the far end sends is echoed back.
        termios tty{};
        ::tcgetattr(slaveFd, &tty);
        ::cfmakeraw(&tty);
        ::tcsetattr(slaveFd, TCSANOW, &tty);
        ::close(slaveFd);
    }
};

} // namespace vexmoor::test
