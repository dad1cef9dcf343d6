#include "support/FakeHost.h"
#include "support/TestEnv.h"
#include "log/LogFormat.h"
#include "ui/VexmoorDlg.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>

namespace vexmoor {
namespace {

using test::FakeFramework;
using test::FakeHost;
using test::FixedClock;
using test::ReadFileBytes;
using test::ScopedWorkDir;

// A dialog without instrument whose log operations are driven by hand.
class LogTest : public testing::Test {
protected:
    ScopedWorkDir workDir;
    FakeFramework framework;
    platform::TableLibraryLoader loader{{}, false};
    FixedClock clock;
    CVexmoorDlg dialog{DialogServices{framework, loader, clock}};
    FakeHost host{&dialog};

    LogTest() { dialog.AttachHost(&host); }

    std::string File() const { return ReadFileBytes(kLogFileName); }

    // Stores a reply's values as the polling cycle does, then lets the log take a record.
    void Reply(std::uint8_t status1, std::uint8_t status2, int second = 9)
    {
        dialog.m_run.status1 = status1;
        dialog.m_run.status2 = status2;
        dialog.m_run.t1 = 26.3;
        dialog.m_run.t2 = 23.5;
        dialog.m_run.r1 = 110.25;
        dialog.m_run.r2 = 109.13;
        clock.now = test::LocalTime(14, 5, second);
        dialog.AppendRecordIfDue();
    }
};

TEST_F(LogTest, RecordingIsHeaderRecordsAndEndMarkerByteForByte)
{
    dialog.OpenLog();
    dialog.BeginRecording();
    EXPECT_EQ(dialog.m_recordStatus, "Recording...");
    Reply(0x88, 0x00);
    Reply(0x88, 0x77);
    dialog.EndRecording();
    EXPECT_EQ(dialog.m_recordStatus, " ");
    EXPECT_EQ(dialog.m_recording, 0);

    EXPECT_EQ(File(), "Time      t1(C)      t2(C)     t1-t2(C)   R1 (Ohm)  R2 (Ohm)\r\r\n"
                      "14:05:09 +26.300               110.2500              \r\n"
                      "14:05:09 +26.300    +23.500    +2.800     110.2500   109.1300   \r\n"
                      "end recording\r\r\n");
    EXPECT_TRUE(host.boxes.empty());
}

TEST_F(LogTest, AppendsToAnExistingLogAndCreatesAMissingOne)
{
    dialog.OpenLog();
    EXPECT_TRUE(std::filesystem::exists(kLogFileName));
    EXPECT_EQ(File(), "");
    dialog.CloseLog();

    const std::string earlier = "earlier run\r\n";
    std::ofstream(std::string(kLogFileName), std::ios::binary) << earlier;
    CVexmoorDlg second{DialogServices{framework, loader, clock}};
    FakeHost secondHost{&second};
    second.AttachHost(&secondHost);
    second.OpenLog();
    second.BeginRecording();
    EXPECT_EQ(File(), earlier + HeaderLine());
}

TEST_F(LogTest, EachLineReachesTheFileWhileTheLogIsStillOpen)
{
    dialog.OpenLog();
    dialog.BeginRecording();
    Reply(0x88, 0x77, 41);
    // Another reader sees the whole record at once: nothing waits in a buffer.
    EXPECT_EQ(File(), HeaderLine() + RecordLine({0x88, 0x77, 26.3, 23.5, 110.25, 109.13}, {14, 5, 41}));
    ASSERT_TRUE(dialog.m_run.logFile.IsOpen());
}

struct IntervalCase {
    std::int32_t interval;
    std::vector<int> recordedReplies;  // 1-based, of eight replies after REC
};

// "interval_3", "interval_minus_2".
std::string IntervalName(const IntervalCase& c)
{
    return "interval_" + (c.interval < 0 ? "minus_" + std::to_string(-c.interval) : std::to_string(c.interval));
}

void PrintTo(const IntervalCase& c, std::ostream* out)
{
    *out << IntervalName(c);
}

class RecordInterval : public LogTest, public testing::WithParamInterface<IntervalCase> {};

TEST_P(RecordInterval, CountsRepliesFromRec)
{
    dialog.OpenLog();
    dialog.m_intervalSec = GetParam().interval;
    dialog.BeginRecording();
    for (int reply = 1; reply <= 8; ++reply) {
        Reply(0x88, 0x77, reply);
    }
    dialog.EndRecording();

    std::string expected = HeaderLine();
    for (const int reply : GetParam().recordedReplies) {
        expected += RecordLine({0x88, 0x77, 26.3, 23.5, 110.25, 109.13}, {14, 5, reply});
    }
    expected += EndMarkerLine();
    EXPECT_EQ(File(), expected);
}

INSTANTIATE_TEST_SUITE_P(Intervals, RecordInterval,
                         testing::Values(IntervalCase{1, {1, 2, 3, 4, 5, 6, 7, 8}},
                                         IntervalCase{3, {1, 4, 7}},
                                         IntervalCase{0, {}},
                                         IntervalCase{-2, {}}),
                         [](const testing::TestParamInfo<IntervalCase>& info) { return IntervalName(info.param); });

TEST_F(LogTest, NotRecordingWritesNothing)
{
    dialog.OpenLog();
    Reply(0x88, 0x77);
    EXPECT_EQ(File(), "");
}

TEST_F(LogTest, WithoutALogEverythingRunsOnAndNothingIsWritten)
{
    // A directory where the log should be: neither open can succeed, even for root.
    std::filesystem::create_directory(kLogFileName);
    dialog.OpenLog();
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, " can not open file -Z5_U_data.txt- to write");
    EXPECT_EQ(host.boxes[0].icon, platform::BoxIcon::None);
    EXPECT_FALSE(dialog.m_run.logFile.IsOpen());

    dialog.BeginRecording();
    Reply(0x88, 0x77);
    dialog.EndRecording();
    dialog.CloseLog();
    dialog.CloseLog();
    EXPECT_EQ(dialog.m_recordStatus, " ");
    EXPECT_TRUE(std::filesystem::is_directory(kLogFileName));
    EXPECT_EQ(host.boxes.size(), 1u);
}

TEST_F(LogTest, AClosedLogTakesNothingMoreAndClosesOnce)
{
    dialog.OpenLog();
    dialog.BeginRecording();
    dialog.EndRecording();
    dialog.CloseLog();
    const std::string closed = File();

    dialog.BeginRecording();
    Reply(0x88, 0x77);
    dialog.EndRecording();
    dialog.CloseLog();
    EXPECT_EQ(File(), closed);
    EXPECT_EQ(dialog.m_run.logFile.GetState(), LogFile::State::Closed);
}

TEST(LogFile, FallbackNeverEmptiesAnExistingFile)
{
    ScopedWorkDir workDir;
    // Appending to a directory fails; the second attempt must not replace it
    // or anything else that exists under the name.
    std::filesystem::create_directory("log");
    std::ofstream("log/keep", std::ios::binary) << "kept";
    EXPECT_FALSE(LogFile::OpenForAppend("log").IsOpen());
    EXPECT_EQ(ReadFileBytes("log/keep"), "kept");

    std::ofstream("existing", std::ios::binary) << "old";
    LogFile file = LogFile::OpenForAppend("existing");
    file.Write("new");
    EXPECT_EQ(ReadFileBytes("existing"), "oldnew");
}

// The first open fails although the log exists and holds earlier recordings:
// the second attempt must leave every byte of it. Without a log it creates one.
TEST(LogFile, FallbackAfterAFailedAppendOpenKeepsAnExistingLogByteForByte)
{
    const LogFile::AppendOpener failing = [](const std::filesystem::path&) -> std::FILE* { return nullptr; };
    const std::string earlier = HeaderLine() + RecordLine({0x88, 0x77, 26.3, 23.5, 110.25, 109.13}, {14, 5, 9}) +
                                EndMarkerLine() + std::string("\0\xFF no line end", 14);
    {
        ScopedWorkDir workDir;
        std::ofstream(std::string(kLogFileName), std::ios::binary) << earlier;
        LogFile log = LogFile::OpenForAppend(kLogFileName, failing);
        EXPECT_FALSE(log.IsOpen());
        log.Write(HeaderLine());
        EXPECT_EQ(ReadFileBytes(kLogFileName), earlier);
    }
    {
        ScopedWorkDir workDir;
        LogFile log = LogFile::OpenForAppend(kLogFileName, failing);
        ASSERT_TRUE(log.IsOpen());
        log.Write(HeaderLine());
        EXPECT_EQ(ReadFileBytes(kLogFileName), HeaderLine());
    }
}

TEST(LogFile, CreateNewRefusesAnExistingFileAndKeepsIt)
{
    ScopedWorkDir workDir;
    std::ofstream("existing", std::ios::binary) << "old";
    EXPECT_FALSE(LogFile::CreateNew("existing").IsOpen());
    EXPECT_EQ(ReadFileBytes("existing"), "old");

    LogFile created = LogFile::CreateNew("created");
    ASSERT_TRUE(created.IsOpen());
    created.Write("one\r\n");
    created.Write("two\r\n");
    EXPECT_EQ(ReadFileBytes("created"), "one\r\ntwo\r\n");
}

} // namespace
} // namespace vexmoor
