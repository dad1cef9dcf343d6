// Whole-process figures of the real program on the simulated driver library,
// each beside a minimal Qt Widgets program that opens one empty dialog:
//   startup  process start to the first painted window, several runs of
//            each, alternating; minimum and median
//   memory   resident memory while recording at interval 1 (sampled every
//            minute) against the minimal dialog's once shown
//   wakeups  the dialog's timer events and the main thread's wake-ups, idle
//            and while running
// A harness library preloaded into both programs (bench_harness.cpp) does
// the clicking and the timing inside them.
//
//   process_bench --program P --baseline B --harness H --sim-dir D
//                 [--runs N] [--memory-seconds S] [--wakeup-seconds W] [--only startup|memory|wakeups]

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

struct Options {
    std::string program, baseline, harness, simDir, only;
    int runs = 15;
    int memorySeconds = 600;
    int wakeupSeconds = 20;
};

struct Child {
    pid_t pid = -1;
    ~Child()
    {
        if (pid > 0) {
            ::kill(pid, SIGKILL);
            int status = 0;
            ::waitpid(pid, &status, 0);
        }
    }
    int Wait()
    {
        int status = 0;
        ::waitpid(pid, &status, 0);
        pid = -1;
        return status;
    }
};

// Starts `program` with the harness preloaded, offscreen, its output discarded.
void Spawn(Child& child, const Options& options, const std::string& program, bool onSim,
           const std::vector<std::string>& extra)
{
    std::vector<std::string> environment;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string variable = *entry;
        if (!variable.starts_with("LD_PRELOAD=") && !variable.starts_with("LD_LIBRARY_PATH=") &&
            !variable.starts_with("QT_QPA_PLATFORM=") && !variable.starts_with("VEXMOOR_")) {
            environment.push_back(variable);
        }
    }
    environment.push_back("LD_PRELOAD=" + options.harness);
    environment.push_back("QT_QPA_PLATFORM=offscreen");
    if (onSim) {
        environment.push_back("LD_LIBRARY_PATH=" + options.simDir);
        environment.push_back("VEXMOOR_SIM=reply-delay-ms=1");  // a promptly answering instrument
    }
    environment.insert(environment.end(), extra.begin(), extra.end());
    std::vector<char*> envp;
    for (auto& variable : environment) {
        envp.push_back(variable.data());
    }
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::string path = program;
    char* argv[] = {path.data(), nullptr};
    if (posix_spawn(&child.pid, path.c_str(), &actions, nullptr, argv, envp.data()) != 0) {
        std::fprintf(stderr, "cannot start %s\n", path.c_str());
        std::exit(1);
    }
    posix_spawn_file_actions_destroy(&actions);
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

long RssKiB(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::strtol(line.c_str() + 6, nullptr, 10);
        }
    }
    return -1;
}

void Startup(const Options& options)
{
    std::map<std::string, std::vector<double>> ms;
    const std::pair<const char*, const std::string*> programs[] = {{"Vexmoor", &options.program},
                                                                   {"minimal dialog", &options.baseline}};
    // One unmeasured run of each first, so that both start from a warm file cache.
    for (int run = -1; run < options.runs; ++run) {
        for (const auto& [name, program] : programs) {
            Child child;
            const auto start = Clock::now();
            Spawn(child, options, *program, program == &options.program, {"VEXMOOR_BENCH_MODE=shown"});
            const int status = child.Wait();
            const double elapsed = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
            if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
                std::fprintf(stderr, "%s did not reach its window (status %d)\n", name, status);
                std::exit(1);
            }
            if (run >= 0) {
                ms[name].push_back(elapsed);
            }
        }
    }
    const auto& v = ms["Vexmoor"];
    const auto& b = ms["minimal dialog"];
    std::printf("startup to the first painted window, %d runs each:\n", options.runs);
    std::printf("  Vexmoor         min %7.1f ms   median %7.1f ms\n", *std::min_element(v.begin(), v.end()), Median(v));
    std::printf("  minimal dialog  min %7.1f ms   median %7.1f ms\n", *std::min_element(b.begin(), b.end()), Median(b));
    std::printf("  ratio           min %7.2f      median %7.2f\n",
                *std::min_element(v.begin(), v.end()) / *std::min_element(b.begin(), b.end()), Median(v) / Median(b));
}

void Memory(const Options& options)
{
    Child baseline;
    Spawn(baseline, options, options.baseline, false, {});
    std::this_thread::sleep_for(5s);
    const long baselineKiB = RssKiB(baseline.pid);

    Child program;
    Spawn(program, options, options.program, true, {"VEXMOOR_BENCH_MODE=record"});
    std::vector<long> samples;  // one a minute (or at the end of a shorter run)
    const auto start = Clock::now();
    for (int second = 1; second <= options.memorySeconds; ++second) {
        std::this_thread::sleep_until(start + std::chrono::seconds(second));
        if (second % 60 == 0 || second == options.memorySeconds) {
            samples.push_back(RssKiB(program.pid));
        }
    }
    const long records = [] {
        std::ifstream log("U_z5data.txt");
        std::string line;
        long count = 0;
        while (std::getline(log, line)) {
            count += !line.empty() && line[0] >= '0' && line[0] <= '9' ? 1 : 0;
        }
        return count;
    }();
    std::printf("resident memory (VmRSS):\n");
    std::printf("  minimal dialog, shown:           %6ld KiB\n", baselineKiB);
    std::printf("  Vexmoor, recording %4d s:       %6ld KiB   (%ld records logged)\n", options.memorySeconds,
                samples.back(), records);
    std::printf("  by minute:");
    for (const long kib : samples) {
        std::printf(" %ld", kib);
    }
    std::printf(" KiB\n  growth from the first sample to the last: %+ld KiB\n", samples.back() - samples.front());
    std::printf("  ratio to the minimal dialog: %.2f\n", static_cast<double>(samples.back()) / baselineKiB);
}

void Wakeups(const Options& options)
{
    const std::string report = std::filesystem::absolute("wakeups.txt").string();
    std::filesystem::remove(report);
    Child program;
    Spawn(program, options, options.program, true,
          {"VEXMOOR_BENCH_MODE=wakeups", "VEXMOOR_BENCH_SECONDS=" + std::to_string(options.wakeupSeconds),
           "VEXMOOR_BENCH_REPORT=" + report});
    program.Wait();
    std::ifstream in(report);
    std::string phase;
    int seconds = 0;
    long dialogTimers = 0, otherTimers = 0, switches = 0;
    std::printf("timer wake-ups of the running program over %d s each:\n", options.wakeupSeconds);
    while (in >> phase >> seconds >> dialogTimers >> otherTimers >> switches) {
        std::printf("  %-8s poll timer events %4ld (%.2f/s)   other Qt timer events %4ld   main-thread wake-ups %4ld (%.2f/s)\n",
                    phase.c_str(), dialogTimers, static_cast<double>(dialogTimers) / seconds, otherTimers, switches,
                    static_cast<double>(switches) / seconds);
    }
}

} // namespace

int main(int argc, char** argv)
{
    std::setvbuf(stdout, nullptr, _IOLBF, 0);  // each figure as soon as it is known
    Options options;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string key = argv[i];
        const std::string value = argv[i + 1];
        if (key == "--program") options.program = value;
        else if (key == "--baseline") options.baseline = value;
        else if (key == "--harness") options.harness = value;
        else if (key == "--sim-dir") options.simDir = value;
        else if (key == "--runs") options.runs = std::max(1, std::atoi(value.c_str()));
        else if (key == "--memory-seconds") options.memorySeconds = std::max(1, std::atoi(value.c_str()));
        else if (key == "--wakeup-seconds") options.wakeupSeconds = std::max(1, std::atoi(value.c_str()));
        else if (key == "--only") options.only = value;
    }
    if (options.program.empty() || options.baseline.empty() || options.harness.empty() || options.simDir.empty()) {
        std::fprintf(stderr, "usage: process_bench --program P --baseline B --harness H --sim-dir D [...]\n");
        return 2;
    }
    for (std::string* path : {&options.program, &options.baseline, &options.harness, &options.simDir}) {
        *path = std::filesystem::absolute(*path).string();
    }
    // The program writes its log in the working directory: keep it out of the tree.
    const auto dir = std::filesystem::temp_directory_path() / ("vexmoor-process-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::filesystem::current_path(dir);
    if (options.only.empty() || options.only == "startup") Startup(options);
    if (options.only.empty() || options.only == "wakeups") Wakeups(options);
    if (options.only.empty() || options.only == "memory") Memory(options);
    std::filesystem::current_path("/");
    std::filesystem::remove_all(dir);
    return 0;
}
