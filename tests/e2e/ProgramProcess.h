#pragma once
// The built program as a child process of an end-to-end test, with a harness
// library preloaded into it that presses its buttons from inside.

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace vexmoor::test {

// Killed and reaped if the test leaves early.
class Program {
public:
    // `program` with `harness` preloaded, offscreen, on the simulated
    // instrument's driver library in `simDir`.
    Program(const std::string& program, const std::string& harness, const std::string& simDir,
            const std::vector<std::string>& extraEnvironment)
    {
        std::vector<std::string> environment;
        std::string asanOptions = "verify_asan_link_order=0";  // the harness is preloaded
        for (char** entry = environ; *entry != nullptr; ++entry) {
            const std::string variable = *entry;
            if (variable.starts_with("ASAN_OPTIONS=")) {
                asanOptions = variable.substr(13) + ":" + asanOptions;
            } else if (!variable.starts_with("LD_PRELOAD=") && !variable.starts_with("LD_LIBRARY_PATH=") &&
                       !variable.starts_with("QT_QPA_PLATFORM=") && !variable.starts_with("VEXMOOR_")) {
                environment.push_back(variable);
            }
        }
        const char* libraryPath = std::getenv("LD_LIBRARY_PATH");
        environment.push_back("LD_LIBRARY_PATH=" + simDir +
                              (libraryPath != nullptr && *libraryPath != '\0' ? std::string(":") + libraryPath : ""));
        environment.push_back("LD_PRELOAD=" + harness);
        environment.push_back("QT_QPA_PLATFORM=offscreen");
        environment.push_back("ASAN_OPTIONS=" + asanOptions);
        environment.insert(environment.end(), extraEnvironment.begin(), extraEnvironment.end());

        std::vector<char*> envp;
        for (auto& variable : environment) {
            envp.push_back(variable.data());
        }
        envp.push_back(nullptr);
        std::string path = program;
        char* argv[] = {path.data(), nullptr};
        if (posix_spawn(&pid_, path.c_str(), nullptr, nullptr, argv, envp.data()) != 0) {
            pid_ = -1;
        }
    }

    ~Program()
    {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            int status = 0;
            ::waitpid(pid_, &status, 0);
        }
    }

    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    bool Running() const { return pid_ > 0; }
    pid_t Pid() const { return pid_; }

    // Kills the program and returns its wait status.
    int Kill()
    {
        ::kill(pid_, SIGKILL);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        return status;
    }

    // The wait status once the program has ended by itself, or nothing when it
    // is still running after `patience`.
    std::optional<int> WaitForExit(std::chrono::milliseconds patience)
    {
        const auto deadline = std::chrono::steady_clock::now() + patience;
        while (std::chrono::steady_clock::now() < deadline) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return status;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return std::nullopt;
    }

    // False when the program ended on its own.
    bool Alive()
    {
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return false;
        }
        return true;
    }

private:
    pid_t pid_ = -1;
};

} // namespace vexmoor::test
