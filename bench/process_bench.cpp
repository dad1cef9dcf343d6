// Whole-process figures of the real program on the simulated driver library,
// with and without its trend window, each beside two floors: a minimal Qt
// Widgets program that opens one empty dialog (minimal_dialog.cpp), and a
// plain Qt Widgets program that shows the main dialog's 37 controls with the
// same font and style (widgets_floor.cpp):
//   startup  process start to the first painted window (for the program with
//            its trend window: to the trend window's first paint, the window
//            asked for as soon as the main dialog was painted), several runs
//            of each, alternating; minimum and median
//   memory   resident memory while recording at interval 1 (sampled every
//            minute), once with the trend window closed and once open,
//            against the floors' once shown
//   wakeups  the dialog's timer events and the main thread's wake-ups, idle
//            and while running
// A harness library preloaded into every program (bench_harness.cpp) does
// the clicking and the timing inside them.
//
//   process_bench --program P --baseline B --floor F --harness H --sim-dir D
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
    std::string program, baseline, floor, harness, simDir, only;
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

// Starts `program` with the harness preloaded, offscreen, its output
// discarded, in `workDir` (the current one when empty).
void Spawn(Child& child, const Options& options, const std::string& program, bool onSim,
           const std::vector<std::string>& extra, const std::string& workDir = {})
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
    if (!workDir.empty()) {
        posix_spawn_file_actions_addchdir_np(&actions, workDir.c_str());
    }
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

// One program of the start-up runs: what it is, how it is started, and how
// it ends (the harness mode).
struct Contender {
    const char* name;
    const std::string* program;
    bool onSim;
    const char* mode;
};

void PrintRatio(const char* what, const char* floor, const std::vector<double>& v, const std::vector<double>& f)
{
    std::printf("  %-34s / %-16s min %5.2f   median %5.2f\n", what, floor,
                *std::min_element(v.begin(), v.end()) / *std::min_element(f.begin(), f.end()), Median(v) / Median(f));
}

void Startup(const Options& options)
{
    const Contender contenders[] = {
        {"Vexmoor", &options.program, true, "VEXMOOR_BENCH_MODE=shown"},
        {"Vexmoor, trend window opened", &options.program, true, "VEXMOOR_BENCH_MODE=trend-shown"},
        {"minimal dialog", &options.baseline, false, "VEXMOOR_BENCH_MODE=shown"},
        {"widgets floor", &options.floor, false, "VEXMOOR_BENCH_MODE=shown"},
    };
    std::map<std::string, std::vector<double>> ms;
    // One unmeasured run of each first, so that all start from a warm file cache.
    for (int run = -1; run < options.runs; ++run) {
        for (const Contender& contender : contenders) {
            Child child;
            const auto start = Clock::now();
            Spawn(child, options, *contender.program, contender.onSim, {contender.mode});
            const int status = child.Wait();
            const double elapsed = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
            if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
                std::fprintf(stderr, "%s did not reach its window (status %d)\n", contender.name, status);
                std::exit(1);
            }
            if (run >= 0) {
                ms[contender.name].push_back(elapsed);
            }
        }
    }
    std::printf("startup to the first painted window, %d runs each:\n", options.runs);
    for (const Contender& contender : contenders) {
        const auto& v = ms[contender.name];
        std::printf("  %-30s min %7.1f ms   median %7.1f ms\n", contender.name, *std::min_element(v.begin(), v.end()),
                    Median(v));
    }
    std::printf("  ratios:\n");
    for (const char* program : {"Vexmoor", "Vexmoor, trend window opened"}) {
        PrintRatio(program, "minimal dialog", ms[program], ms["minimal dialog"]);
        PrintRatio(program, "widgets floor", ms[program], ms["widgets floor"]);
    }
}

long RecordsIn(const std::filesystem::path& log)
{
    std::ifstream in(log);
    std::string line;
    long count = 0;
    while (std::getline(in, line)) {
        count += !line.empty() && line[0] >= '0' && line[0] <= '9' ? 1 : 0;
    }
    return count;
}

void Memory(const Options& options)
{
    // The floors, shown.
    Child baseline;
    Child floor;
    Spawn(baseline, options, options.baseline, false, {});
    Spawn(floor, options, options.floor, false, {});
    std::this_thread::sleep_for(5s);
    const long baselineKiB = RssKiB(baseline.pid);
    const long floorKiB = RssKiB(floor.pid);

    // The program recording, its trend window closed and open, side by side,
    // each writing its log in a folder of its own.
    const std::string closedDir = std::filesystem::absolute("closed").string();
    const std::string openDir = std::filesystem::absolute("open").string();
    std::filesystem::create_directories(closedDir);
    std::filesystem::create_directories(openDir);
    Child closed;
    Child open;
    Spawn(closed, options, options.program, true, {"VEXMOOR_BENCH_MODE=record"}, closedDir);
    Spawn(open, options, options.program, true, {"VEXMOOR_BENCH_MODE=record-trend"}, openDir);
    std::vector<long> closedSamples;  // one a minute (or at the end of a shorter run)
    std::vector<long> openSamples;
    const auto start = Clock::now();
    for (int second = 1; second <= options.memorySeconds; ++second) {
        std::this_thread::sleep_until(start + std::chrono::seconds(second));
        if (second % 60 == 0 || second == options.memorySeconds) {
            closedSamples.push_back(RssKiB(closed.pid));
            openSamples.push_back(RssKiB(open.pid));
        }
    }
    const auto print = [&](const char* what, const std::vector<long>& samples, const std::string& dir) {
        std::printf("  Vexmoor, recording %4d s, %-19s %6ld KiB   (%ld records logged)\n", options.memorySeconds, what,
                    samples.back(), RecordsIn(std::filesystem::path(dir) / "U_z5data.txt"));
        std::printf("    by minute:");
        for (const long kib : samples) {
            std::printf(" %ld", kib);
        }
        std::printf(" KiB; growth from the first sample to the last: %+ld KiB\n", samples.back() - samples.front());
        std::printf("    ratio to the minimal dialog: %.2f   to the widgets floor: %.2f\n",
                    static_cast<double>(samples.back()) / baselineKiB, static_cast<double>(samples.back()) / floorKiB);
    };
    std::printf("resident memory (VmRSS):\n");
    std::printf("  minimal dialog, shown:                       %6ld KiB\n", baselineKiB);
    std::printf("  widgets floor, shown:                        %6ld KiB\n", floorKiB);
    print("trend window closed:", closedSamples, closedDir);
    print("trend window open:", openSamples, openDir);
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
        else if (key == "--floor") options.floor = value;
        else if (key == "--harness") options.harness = value;
        else if (key == "--sim-dir") options.simDir = value;
        else if (key == "--runs") options.runs = std::max(1, std::atoi(value.c_str()));
        else if (key == "--memory-seconds") options.memorySeconds = std::max(1, std::atoi(value.c_str()));
        else if (key == "--wakeup-seconds") options.wakeupSeconds = std::max(1, std::atoi(value.c_str()));
        else if (key == "--only") options.only = value;
    }
    if (options.program.empty() || options.baseline.empty() || options.floor.empty() || options.harness.empty() ||
        options.simDir.empty()) {
        std::fprintf(stderr, "usage: process_bench --program P --baseline B --floor F --harness H --sim-dir D [...]\n");
        return 2;
    }
    for (std::string* path : {&options.program, &options.baseline, &options.floor, &options.harness, &options.simDir}) {
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
