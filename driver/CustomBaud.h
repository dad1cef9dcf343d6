#pragma once
// Baud rates that termios has no constant for, through the kernel's
// arbitrary-rate interface (TCGETS2/TCSETS2 with BOTHER). A translation unit
// of its own: the kernel's termios2 headers clash with the C library's.

#include <cstdint>
#include <optional>

namespace vexmoor::serial {

// Sets input and output rate of the tty `fd` to `rate`, leaving every other
// setting as it is. 0 on success, else the errno of the failed request.
int SetCustomBaudRate(int fd, std::uint32_t rate);

// The output rate the tty `fd` reports in effect (its driver may have made
// another rate than asked for), or nothing when the port cannot tell.
std::optional<std::uint32_t> ActualBaudRate(int fd);

} // namespace vexmoor::serial
