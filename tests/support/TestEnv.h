#pragma once
// Small test seams: a clock that shows a set time, and a fresh working
// directory for tests that touch the log file.

#include "platform/Clock.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace vexmoor::test {

// `hour`:`minute`:`second` on 2026-12-10 in a time zone at UTC.
constexpr platform::WallTime LocalTime(int hour, int minute, int second)
{
    constexpr std::int64_t kMidnightMs = 1796860800000;  // 2026-12-10T00:00:00Z
    return platform::WallTime{kMidnightMs + ((hour * 60 + minute) * 60 + second) * std::int64_t{1000}, 0};
}

// Shows `now` until a test sets another time.
class FixedClock final : public platform::Clock {
public:
    platform::WallTime now = LocalTime(14, 5, 9);
    platform::WallTime Now() override { return now; }
};

// Makes a new empty directory the working directory for its lifetime.
class ScopedWorkDir {
public:
    ScopedWorkDir();
    ~ScopedWorkDir();
    ScopedWorkDir(const ScopedWorkDir&) = delete;
    ScopedWorkDir& operator=(const ScopedWorkDir&) = delete;

    const std::filesystem::path& Path() const { return dir_; }

private:
    std::filesystem::path previous_;
    std::filesystem::path dir_;
};

// The whole content of a file as bytes; empty when it cannot be read.
std::string ReadFileBytes(const std::filesystem::path& path);

// `text` cut after each line feed, the line ends kept; a last piece without a
// line feed is a line of its own.
std::vector<std::string> LinesWithEnds(const std::string& text);

} // namespace vexmoor::test
