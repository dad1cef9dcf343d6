// The real program on our serial-port driver library (build/driver), the
// instrument behind a mocked USB serial port (umockdev; run under
// umockdev-wrapper) with the simulated instrument answering on the far end
// of the line: start-up greeting in the status line, Start, readings of both
// channels, a recording whose log bytes are checked, Exit. A small library
// preloaded into the program (kill_harness.cpp) presses its buttons.

#include "ProgramProcess.h"

#include "platform/DialogTemplate.h"
#include "res/Templates.h"
#include "res/resource.h"
#include "sim/MockedSerialPorts.h"
#include "sim/WireServer.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <termios.h>

#include <cstdlib>
#include <sstream>

namespace vexmoor {
namespace {

using namespace std::chrono_literals;

constexpr auto kPatience = 90s;  // three one-second ticks, in a sanitized build on a busy machine
constexpr int kRecords = 3;

// The texts of the window's edit fields as the harness wrote them, by control id.
std::map<int, std::string> FieldTexts(const std::string& report)
{
    std::vector<std::string> lines;
    std::istringstream in(report);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    std::map<int, std::string> texts;
    std::size_t index = 0;
    for (const platform::ControlTemplate& control : res::MainDialogTemplate().controls) {
        if (control.kind == platform::ControlKind::DisplayField || control.kind == platform::ControlKind::EditField) {
            texts[control.id] = index < lines.size() ? lines[index] : "<missing>";
            ++index;
        }
    }
    return texts;
}

// "hh:mm:ss " at the start of a record.
bool StartsWithTimeOfDay(const std::string& record)
{
    const auto digit = [&record](std::size_t at) { return record[at] >= '0' && record[at] <= '9'; };
    return record.size() >= 9 && digit(0) && digit(1) && record[2] == ':' && digit(3) && digit(4) &&
           record[5] == ':' && digit(6) && digit(7) && record[8] == ' ';
}

// The program under test and where it takes its driver library from: the
// build's program on the build's driver, or, when VEXMOOR_E2E_COMMAND names
// one (scripts/package-check: the installed `vexmoor`), that command, which
// picks the driver library itself.
test::ProgramSetup ProgramUnderTest(std::vector<std::string> preload, std::vector<std::string> environment)
{
    const char* command = std::getenv("VEXMOOR_E2E_COMMAND");
    if (command != nullptr && *command != '\0') {
        return {command, "", std::move(preload), std::move(environment)};
    }
    return {VEXMOOR_PROGRAM, VEXMOOR_SERIAL_DRIVER_DIR, std::move(preload), std::move(environment)};
}

TEST(ProgramOnTheSerialDriver, GreetsReadsBothChannelsRecordsAndExitsThroughAMockedPort)
{
    test::ScopedWorkDir workDir;
    sim::MockedSerialPorts ports;
    // Another FTDI converter first: the program must open the instrument by
    // its description, not the first port there is.
    sim::Script deaf;
    deaf.greeting.clear();
    deaf.silentAfterReplies = 0;
    sim::WireServer other(ports.Add({"1-1", "0403", "6001", "FT232R USB UART", "A50285BI", "ttyUSB0"}), deaf);

    // Fixed readings, so that every byte of the log but the time of day is known.
    sim::Script script;
    for (int reply = 0; reply < 20; ++reply) {
        script.scriptedReplies.push_back(
            {reply % 2 == 0 ? sim::MakeReply(0x88, 108.381, 21.5) : sim::MakeReply(0x77, 108.96, 23.004), 20});
    }
    sim::WireServer instrument(
        ports.Add({"1-2", "0403", "6001", "Quorvantex Z5 RevavaZevod", "QZ5A0001", "ttyUSB1"}), script);

    const std::string report = (workDir.Path() / "fields.txt").string();
    const test::ProgramSetup setup =
        ProgramUnderTest({"libumockdev-preload.so.0", VEXMOOR_KILL_HARNESS},
                         {"VEXMOOR_TEST_EXIT_AFTER_RECORDS=" + std::to_string(kRecords), "VEXMOOR_TEST_REPORT=" + report});
    test::ProgramProcess program(setup);
    ASSERT_TRUE(program.Running()) << setup.program;
    const std::optional<int> status = program.WaitForExit(kPatience);
    ASSERT_TRUE(status.has_value()) << "the program did not end by Exit; the instrument heard "
                                    << testing::PrintToString(instrument.Heard());
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << "wait status " << *status;

    // The program talked to the instrument through this driver, and only to it.
    EXPECT_TRUE(instrument.Heard().starts_with("12 2\r12 5\r12 6\r12 5\r"))
        << testing::PrintToString(instrument.Heard());
    EXPECT_EQ(other.Heard(), "");
    termios line{};
    ASSERT_EQ(::tcgetattr(instrument.Line(), &line), 0);
    EXPECT_EQ(cfgetospeed(&line), B115200);
    EXPECT_EQ(line.c_iflag & (IXON | IXOFF), IXON | IXOFF);
    EXPECT_EQ(line.c_cc[VSTART], 0x11);
    EXPECT_EQ(line.c_cc[VSTOP], 0x13);

    // What the window showed when Exit was pressed.
    std::map<int, std::string> fields = FieldTexts(test::ReadFileBytes(report));
    EXPECT_EQ(fields[res::IDC_DEVICE_STATUS], "Quorvantex Z5 v1.0  ") << "the greeting: 18 bytes read, then spaces";
    EXPECT_EQ(fields[res::IDC_T1_CELSIUS], "+21.500   ");
    EXPECT_EQ(fields[res::IDC_T1_FAHRENHEIT], "+70.700   ");
    EXPECT_EQ(fields[res::IDC_T2_CELSIUS], "+23.004   ");
    EXPECT_EQ(fields[res::IDC_T2_FAHRENHEIT], "+73.407   ");

    // The log: one recording, every byte fixed but the times of day.
    const std::vector<std::string> log = test::LinesWithEnds(test::ReadFileBytes("U_z5data.txt"));
    ASSERT_GE(log.size(), 2u + kRecords) << testing::PrintToString(log);
    EXPECT_EQ(log.front(), "Time      t1(C)      t2(C)     t1-t2(C)   R1 (Ohm)  R2 (Ohm)\r\r\n");
    EXPECT_EQ(log.back(), "end recording\r\r\n");
    // t1, t2, t1 - t2, R1, R2 in columns of 11; no t2 column at all before
    // sensor 2's first reply, blanks for what needs it.
    const std::string firstRecord = "+21.500    " + std::string(11, ' ') + "108.3810   " + std::string(11, ' ') + "\r\n";
    const std::string bothRecord = "+21.500    +23.004    -1.504     108.3810   108.9600   \r\n";
    for (std::size_t i = 1; i + 1 < log.size(); ++i) {
        const std::string& record = log[i];
        ASSERT_TRUE(StartsWithTimeOfDay(record)) << "record " << i << ": " << testing::PrintToString(record);
        EXPECT_EQ(record.substr(9), i == 1 ? firstRecord : bothRecord) << "record " << i;
    }
}

} // namespace
} // namespace vexmoor
