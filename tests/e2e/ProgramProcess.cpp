// The built program as a child process. See ProgramProcess.h.

#include "ProgramProcess.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>
#include <thread>

extern char** environ;

namespace vexmoor::test {

ProgramProcess::ProgramProcess(const ProgramSetup& setup)
{
    std::vector<std::string> environment;
    std::string asanOptions = "verify_asan_link_order=0";  // libraries are preloaded
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
    environment.push_back("LD_LIBRARY_PATH=" + setup.libraryDir +
                          (libraryPath != nullptr && *libraryPath != '\0' ? std::string(":") + libraryPath : ""));
    std::string preload = "LD_PRELOAD=";
    for (const std::string& library : setup.preload) {
        preload += (preload.back() == '=' ? "" : ":") + library;
    }
    environment.push_back(preload);
    environment.push_back("QT_QPA_PLATFORM=offscreen");
    environment.push_back("ASAN_OPTIONS=" + asanOptions);
    environment.insert(environment.end(), setup.environment.begin(), setup.environment.end());

    std::vector<char*> envp;
    for (auto& variable : environment) {
        envp.push_back(variable.data());
    }
    envp.push_back(nullptr);
    std::string program = setup.program;
    char* argv[] = {program.data(), nullptr};
    if (posix_spawn(&pid_, program.c_str(), nullptr, nullptr, argv, envp.data()) != 0) {
        pid_ = -1;
    }
}

ProgramProcess::~ProgramProcess()
{
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }
}

int ProgramProcess::Kill()
{
    ::kill(pid_, SIGKILL);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    return status;
}

std::optional<int> ProgramProcess::WaitForExit(std::chrono::milliseconds patience)
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

bool ProgramProcess::Alive()
{
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return false;
    }
    return true;
}

} // namespace vexmoor::test
