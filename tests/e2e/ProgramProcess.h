#pragma once
// The built program as a child process for the end-to-end tests: offscreen,
// its driver library taken from a given directory, with libraries preloaded
// into it (the harness that presses its buttons, kill_harness.cpp). Killed
// and reaped if the test leaves early.

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace vexmoor::test {

struct ProgramSetup {
    std::string program;
    // Searched first for the driver library (libftd2xx.so).
    std::string libraryDir;
    // Preloaded, in this order.
    std::vector<std::string> preload;
    // More NAME=value pairs.
    std::vector<std::string> environment;
};

class ProgramProcess {
public:
    // Starts the program with this process's environment, less its own
    // LD_PRELOAD, LD_LIBRARY_PATH, QT_QPA_PLATFORM and VEXMOOR_ variables.
    explicit ProgramProcess(const ProgramSetup& setup);
    ~ProgramProcess();
    ProgramProcess(const ProgramProcess&) = delete;
    ProgramProcess& operator=(const ProgramProcess&) = delete;

    bool Running() const { return pid_ > 0; }
    // Kills the program and returns its wait status.
    int Kill();
    // The wait status once the program has ended by itself, or nothing when it
    // is still running after `patience`.
    std::optional<int> WaitForExit(std::chrono::milliseconds patience);
    // False when the program ended on its own.
    bool Alive();

private:
    pid_t pid_ = -1;
};

} // namespace vexmoor::test
