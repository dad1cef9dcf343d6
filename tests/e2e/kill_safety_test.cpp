// The real program, recording on the simulated instrument (the driver library
// of build/sim, offscreen), killed with SIGKILL: every record written before
// the kill is complete in the file, and the program started again appends
// after it without damage. A small library preloaded into the program
// (kill_harness.cpp) presses its buttons.

#include "ProgramProcess.h"

#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <random>
#include <string_view>
#include <string>
#include <thread>
#include <vector>

namespace vexmoor {
namespace {

using namespace std::chrono_literals;

const std::string kLogName = "U_z5data.txt";
const std::string kHeader = "Time      t1(C)      t2(C)     t1-t2(C)   R1 (Ohm)  R2 (Ohm)\r\r\n";
const std::string kEndMarker = "end recording\r\r\n";
// How long the program may take to give the records waited for (its ticks are
// real seconds; the sanitized build starts slower).
constexpr auto kPatience = 60s;

// The program on the simulated instrument, with the harness that presses its
// buttons.
class Program : public test::ProgramProcess {
public:
    explicit Program(const std::vector<std::string>& extraEnvironment)
        : ProgramProcess({VEXMOOR_PROGRAM, VEXMOOR_SIM_DIR, {VEXMOOR_KILL_HARNESS}, extraEnvironment})
    {
    }
};

// "<digits>.<decimals digits>" then spaces, exactly `width` characters.
bool IsFixedColumn(std::string_view text, bool sign, std::size_t decimals)
{
    if (text.size() != 11) {
        return false;
    }
    std::size_t at = 0;
    if (sign) {
        if (text[at] != '+' && text[at] != '-') {
            return false;
        }
        ++at;
    }
    const auto digits = [&text, &at] {
        const std::size_t from = at;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
            ++at;
        }
        return at - from;
    };
    if (digits() == 0 || at == text.size() || text[at++] != '.' || digits() != decimals) {
        return false;
    }
    return text.find_first_not_of(' ', at) == std::string_view::npos;
}

// A complete record of two present sensors: the time, then t1, t2 (absent
// before the first channel-2 reply of a run), t1 - t2, R1 and R2, each in its
// 11-character column, then CR LF.
bool IsCompleteRecord(std::string_view line)
{
    const auto digit = [&line](std::size_t at) { return line[at] >= '0' && line[at] <= '9'; };
    if (line.size() < 11 || !line.ends_with("\r\n") || !digit(0) || !digit(1) || line[2] != ':' ||
        !digit(3) || !digit(4) || line[5] != ':' || !digit(6) || !digit(7) || line[8] != ' ') {
        return false;
    }
    const auto column = [&line](std::size_t index) { return line.substr(9 + 11 * index, 11); };
    const auto temperature = [](std::string_view text) { return IsFixedColumn(text, true, 3); };
    const auto resistance = [](std::string_view text) { return IsFixedColumn(text, false, 4); };
    const auto blank = [](std::string_view text) { return text == std::string(11, ' '); };
    if (line.size() == 9 + 5 * 11 + 2) {
        return temperature(column(0)) && temperature(column(1)) && temperature(column(2)) &&
               resistance(column(3)) && resistance(column(4));
    }
    return line.size() == 9 + 4 * 11 + 2 && temperature(column(0)) && blank(column(1)) &&
           resistance(column(2)) && blank(column(3));
}

int RecordCount(const std::string& text)
{
    int records = 0;
    for (const auto& line : test::LinesWithEnds(text)) {
        records += IsCompleteRecord(line) ? 1 : 0;
    }
    return records;
}

// Waits until the log holds `records` records after byte `from`.
bool WaitForRecords(Program& program, std::size_t from, int records)
{
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (std::chrono::steady_clock::now() < deadline && program.Alive()) {
        const std::string log = test::ReadFileBytes(kLogName);
        if (log.size() > from && RecordCount(log.substr(from)) >= records) {
            return true;
        }
        std::this_thread::sleep_for(20ms);
    }
    return false;
}

// One recording as the file holds it: a header, complete records, and the end
// marker only when `ended`.
void ExpectRecording(const std::string& text, bool ended, int atLeast)
{
    const std::vector<std::string> lines = test::LinesWithEnds(text);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), kHeader);
    const std::size_t records = lines.size() - 1 - (ended ? 1 : 0);
    for (std::size_t i = 1; i <= records; ++i) {
        EXPECT_TRUE(IsCompleteRecord(lines[i])) << "line " << i << ": " << testing::PrintToString(lines[i]);
    }
    EXPECT_GE(static_cast<int>(records), atLeast);
    if (ended) {
        EXPECT_EQ(lines.back(), kEndMarker);
    } else {
        EXPECT_NE(lines.back(), kEndMarker);
    }
}

TEST(KillSafety, RecordsBeforeAKillAreCompleteAndARestartAppendsAfterThem)
{
    test::ScopedWorkDir workDir;
    std::mt19937 random(std::random_device{}());
    std::string beforeRestart;

    // Killed twice during a recording: once as soon as a record has appeared,
    // once at a random moment of the next second.
    for (int run = 0; run < 2; ++run) {
        Program program({});
        ASSERT_TRUE(program.Running()) << VEXMOOR_PROGRAM;
        ASSERT_TRUE(WaitForRecords(program, beforeRestart.size(), 3))
            << "no records from the program; the log holds " << testing::PrintToString(test::ReadFileBytes(kLogName));
        if (run == 1) {
            std::this_thread::sleep_for(std::chrono::milliseconds(std::uniform_int_distribution<int>(0, 999)(random)));
        }
        const int status = program.Kill();
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "the program ended by itself: " << status;

        const std::string log = test::ReadFileBytes(kLogName);
        ASSERT_TRUE(log.starts_with(beforeRestart)) << "what earlier runs wrote was changed";
        ASSERT_NO_FATAL_FAILURE(ExpectRecording(log.substr(beforeRestart.size()), false, 3));
        beforeRestart = log;
    }

    // Started again, it records after what is there and ends by Exit.
    Program program({"VEXMOOR_TEST_EXIT_AFTER_RECORDS=3"});
    ASSERT_TRUE(program.Running());
    const std::optional<int> status = program.WaitForExit(kPatience);
    ASSERT_TRUE(status.has_value()) << "the program did not end by Exit";
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << "wait status " << *status;

    const std::string log = test::ReadFileBytes(kLogName);
    ASSERT_TRUE(log.starts_with(beforeRestart)) << "what the killed runs wrote was changed";
    ExpectRecording(log.substr(beforeRestart.size()), true, 3);
}

} // namespace
} // namespace vexmoor
