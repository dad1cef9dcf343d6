#pragma once
// Small test seams: a clock that shows a set time, and a fresh working
// directory for tests that touch the log file.

#include "log/LogFile.h"

#include <filesystem>
#include <string>

namespace vexmoor::test {

class FixedClock final : public Clock {
public:
    TimeOfDay now{14, 5, 9};
    TimeOfDay LocalTimeOfDay() override { return now; }
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

} // namespace vexmoor::test
