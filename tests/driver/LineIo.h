#pragma once
// Reading a descriptor with a time limit, for tests on both ends of a line.

#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace vexmoor::test {

// Reads from `fd` until `count` bytes have come, the line ends or `patience`
// has passed; returns what came.
inline std::string ReadFor(int fd, std::size_t count, std::chrono::milliseconds patience)
{
    const auto deadline = std::chrono::steady_clock::now() + patience;
    std::string got;
    while (got.size() < count) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            break;
        }
        pollfd line{fd, POLLIN, 0};
        if (::poll(&line, 1, static_cast<int>(left.count())) <= 0) {
            break;
        }
        char buffer[256];
        const ssize_t n = ::read(fd, buffer, std::min(sizeof buffer, count - got.size()));
        if (n <= 0) {
            break;
        }
        got.append(buffer, static_cast<std::size_t>(n));
    }
    return got;
}

inline std::vector<std::uint8_t> Bytes(const std::string& text)
{
    return {text.begin(), text.end()};
}

inline std::string Text(const std::vector<std::uint8_t>& bytes)
{
    return {bytes.begin(), bytes.end()};
}

} // namespace vexmoor::test
