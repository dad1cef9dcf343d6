#include "log/LogFormat.h"
#include "res/Templates.h"
#include "support/SimDialogTest.h"

#include <gtest/gtest.h>

#include <fstream>
#include <ostream>
#include <string>
#include <vector>

namespace vexmoor {
namespace {

using namespace res;
using Commands = test::SimDialogTest;

constexpr int kButtons[] = {IDC_START, IDC_STOP, IDC_REC, IDC_END, IDC_EXIT};

// Start, Stop, REC, END, Exit as enabled (1) or disabled (0).
std::vector<int> ButtonStates(const test::FakeHost& host)
{
    std::vector<int> states;
    for (const int id : kButtons) {
        states.push_back(host.IsItemEnabled(id) ? 1 : 0);
    }
    return states;
}

std::string LogBytes()
{
    return test::ReadFileBytes(kLogFileName);
}

TEST_F(Commands, StartUpWithAnInstrument)
{
    StartUp();
    EXPECT_EQ(ButtonStates(*host), (std::vector<int>{1, 0, 0, 0, 1}));
    EXPECT_EQ(host->texts[IDC_DEVICE_STATUS], "Quorvantex Z5 v1.0  ");
    EXPECT_EQ(host->texts[IDC_INTERVAL], "1");
    for (const int field : {IDC_T1_CELSIUS, IDC_T1_FAHRENHEIT, IDC_R1, IDC_T2_CELSIUS,
                            IDC_T2_FAHRENHEIT, IDC_R2, IDC_DIFF, IDC_RECORD_STATUS}) {
        EXPECT_EQ(host->texts[field], "") << field;
    }
    EXPECT_EQ(host->checks[IDC_CH1_ACTIVE], 0);
    EXPECT_EQ(host->checks[IDC_CH2_ACTIVE], 0);
    EXPECT_EQ(host->repaints, 1);
    EXPECT_EQ(host->icons, (std::vector<std::pair<int, bool>>{{IDR_MAINFRAME, true}, {IDR_MAINFRAME, false}}));
    ASSERT_GE(host->systemMenu.size(), 2u);
    EXPECT_EQ(host->systemMenu[host->systemMenu.size() - 2].commandId, 0u);
    EXPECT_EQ(host->systemMenu.back().commandId, IDM_ABOUTBOX);
    EXPECT_EQ(host->systemMenu.back().text, "&About Vexmoor...");
    EXPECT_TRUE(std::filesystem::exists(kLogFileName));
}

TEST_F(Commands, StartUpWithoutTheDriverLibrary)
{
    Boot(false);
    EXPECT_EQ(ButtonStates(*host), (std::vector<int>{0, 0, 0, 0, 1}));
    EXPECT_EQ(host->texts[IDC_DEVICE_STATUS], "No Quorvantex  !");
    EXPECT_EQ(host->boxes.size(), 10u);
    // REC does nothing without an instrument, even when clicked through.
    dialog->OnRec();
    EXPECT_EQ(LogBytes(), "");
}

TEST_F(Commands, RecAndEndAlternate)
{
    StartUp();
    Start();
    EXPECT_EQ(ButtonStates(*host), (std::vector<int>{0, 1, 1, 0, 1}));
    host->Click(IDC_REC);
    EXPECT_EQ(ButtonStates(*host), (std::vector<int>{0, 1, 0, 1, 1}));
    EXPECT_EQ(host->texts[IDC_RECORD_STATUS], "Recording...");
    Tick(2);
    host->Click(IDC_END);
    EXPECT_EQ(ButtonStates(*host), (std::vector<int>{0, 1, 1, 0, 1}));
    EXPECT_EQ(host->texts[IDC_RECORD_STATUS], " ");
    host->Click(IDC_REC);
    EXPECT_EQ(host->texts[IDC_RECORD_STATUS], "Recording...");

    const std::string log = LogBytes();
    EXPECT_EQ(log.find(HeaderLine()), 0u);
    EXPECT_EQ(log.substr(log.size() - HeaderLine().size()), HeaderLine());
    EXPECT_NE(log.find(EndMarkerLine()), std::string::npos);
}

TEST_F(Commands, StopEndsARecording)
{
    StartUp();
    Start();
    host->Click(IDC_REC);
    Tick();
    host->Click(IDC_STOP);
    EXPECT_EQ(ButtonStates(*host), (std::vector<int>{1, 0, 0, 0, 1}));
    EXPECT_EQ(dialog->m_recording, 0);
    EXPECT_FALSE(host->timers.count(kPollTimerId));
    const std::string log = LogBytes();
    EXPECT_EQ(log.substr(log.size() - EndMarkerLine().size()), EndMarkerLine());
}

TEST_F(Commands, IntervalTypedWhileIdleTakesEffectAtStart)
{
    StartUp();
    host->texts[IDC_INTERVAL] = "5";
    Start();
    EXPECT_EQ(dialog->m_intervalSec, 5);
    host->texts[IDC_INTERVAL] = "7";  // typed during the run
    Tick();
    EXPECT_EQ(host->texts[IDC_INTERVAL], "5");
    host->Click(IDC_REC);
    EXPECT_EQ(Run().logCountdown, 5);
}

TEST_F(Commands, LettersAtStartKeepThePreviousIntervalAndTheRunGoesOn)
{
    StartUp();
    host->texts[IDC_INTERVAL] = "abc";
    Start();
    EXPECT_EQ(host->BoxTexts(), std::vector<std::string>{"Please enter an integer."});
    EXPECT_EQ(dialog->m_intervalSec, 1);
    EXPECT_EQ(Run().measuring, 1);
    Tick();
    EXPECT_EQ(Run().status1, kCh1Valid);
}

TEST_F(Commands, ExitEndsTheRecordingClosesTheLogAndTheDialog)
{
    StartUp();
    Start();
    host->Click(IDC_REC);
    Tick();
    host->Click(IDC_EXIT);
    EXPECT_EQ(host->endCode, platform::IDOK);
    EXPECT_EQ(Run().logFile.GetState(), LogFile::State::Closed);
    EXPECT_FALSE(host->timers.count(kPollTimerId));
    const std::string log = LogBytes();
    EXPECT_EQ(log.substr(log.size() - EndMarkerLine().size()), EndMarkerLine());
}

TEST_F(Commands, RefusedExitLeavesTheDialogOpenAndTheClosedLogUntouched)
{
    StartUp();
    Start();
    host->Click(IDC_REC);
    Tick();
    host->texts[IDC_INTERVAL] = "abc";
    host->Click(IDC_EXIT);
    EXPECT_FALSE(host->endCode);
    EXPECT_EQ(host->BoxTexts(), std::vector<std::string>{"Please enter an integer."});
    EXPECT_EQ(ButtonStates(*host), (std::vector<int>{0, 1, 1, 0, 1}));
    EXPECT_FALSE(host->timers.count(kPollTimerId));
    const std::string closed = LogBytes();

    // Everything still clickable runs, and nothing reaches the closed log.
    host->Click(IDC_REC);
    host->Click(IDC_END);
    host->Click(IDC_STOP);
    host->Click(IDC_START);
    host->Click(IDC_REC);
    Tick(3);
    host->Click(IDC_EXIT);
    EXPECT_EQ(LogBytes(), closed);
}

// Exit when no recording is under way: the log is closed and nothing is
// appended to it, no end marker above all.
enum class BeforeExit { Started, RecordingEndedByEnd, RecordingEndedByStop, EarlierLog, NoInstrument };

struct ExitCase {
    const char* name;
    BeforeExit before;
};

void PrintTo(const ExitCase& c, std::ostream* out)
{
    *out << c.name;
}

class ExitWithoutRecording : public test::SimDialogTest, public testing::WithParamInterface<ExitCase> {};

TEST_P(ExitWithoutRecording, WritesNoEndMarker)
{
    const std::string earlier = "Time      t1(C)      t2(C)     t1-t2(C)   R1 (Ohm)  R2 (Ohm)\r\r\n"
                                "end recording\r\r\n";
    std::size_t endMarkers = 0;
    switch (GetParam().before) {
    case BeforeExit::Started:
        StartUp();
        Start();
        Tick(3);
        break;
    case BeforeExit::RecordingEndedByEnd:
        StartUp();
        Start();
        host->Click(IDC_REC);
        Tick(2);
        host->Click(IDC_END);
        Tick();
        endMarkers = 1;
        break;
    case BeforeExit::RecordingEndedByStop:
        StartUp();
        Start();
        host->Click(IDC_REC);
        Tick(2);
        host->Click(IDC_STOP);
        endMarkers = 1;
        break;
    case BeforeExit::EarlierLog:
        std::ofstream(std::string(kLogFileName), std::ios::binary) << earlier;
        StartUp();
        break;
    case BeforeExit::NoInstrument:
        Boot(false);
        host->boxes.clear();
        break;
    }
    ASSERT_EQ(dialog->m_recording, 0);
    const std::string before = LogBytes();
    const std::string recordStatus = dialog->m_recordStatus;

    host->Click(IDC_EXIT);
    EXPECT_EQ(host->endCode, platform::IDOK);
    EXPECT_EQ(Run().logFile.GetState(), LogFile::State::Closed);
    EXPECT_EQ(LogBytes(), before);
    EXPECT_EQ(dialog->m_recordStatus, recordStatus);  // no recording was ended
    EXPECT_TRUE(host->boxes.empty());

    // The end markers in the file are those of recordings ended before Exit.
    std::size_t found = 0;
    for (auto at = before.find("end recording\r\r\n"); at != std::string::npos;
         at = before.find("end recording\r\r\n", at + 1)) {
        ++found;
    }
    if (GetParam().before == BeforeExit::EarlierLog) {
        EXPECT_EQ(before, earlier);
    } else {
        EXPECT_EQ(found, endMarkers);
        EXPECT_EQ(before.empty(), endMarkers == 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Exit, ExitWithoutRecording,
    testing::Values(ExitCase{"measuring_never_recorded", BeforeExit::Started},
                    ExitCase{"recording_ended_by_end", BeforeExit::RecordingEndedByEnd},
                    ExitCase{"recording_ended_by_stop", BeforeExit::RecordingEndedByStop},
                    ExitCase{"idle_with_an_earlier_log", BeforeExit::EarlierLog},
                    ExitCase{"without_instrument", BeforeExit::NoInstrument}),
    [](const testing::TestParamInfo<ExitCase>& info) { return std::string(info.param.name); });

// A failed pull's box is open while the timer runs: the ticks it lets through
// go on reading and requesting, and the run goes on after it.
enum class FailedPull { AtStart, EnterDuringARun };

struct PullCase {
    const char* name;
    FailedPull pull;
};

void PrintTo(const PullCase& c, std::ostream* out)
{
    *out << c.name;
}

class TickDuringIntegerPrompt : public test::SimDialogTest, public testing::WithParamInterface<PullCase> {};

TEST_P(TickDuringIntegerPrompt, TheRunGoesOn)
{
    StartUp();
    if (GetParam().pull == FailedPull::EnterDuringARun) {
        Start();
        Tick();
    }
    host->texts[IDC_INTERVAL] = "abc";
    std::size_t requestsAtBox = 0;
    std::size_t requestsDuringBox = 0;
    host->whileBoxOpen = [&](const test::RecordedBox& box) {
        ASSERT_EQ(box.text, "Please enter an integer.");
        requestsAtBox = ChannelRequests().size();
        Tick(2);
        requestsDuringBox = ChannelRequests().size() - requestsAtBox;
    };
    if (GetParam().pull == FailedPull::AtStart) {
        Start();
    } else {
        dialog->OnCommand(platform::IDOK);
    }
    host->whileBoxOpen = nullptr;

    // Both ticks read a reply and sent the next request.
    EXPECT_EQ(host->BoxTexts(), std::vector<std::string>{"Please enter an integer."});
    EXPECT_EQ(requestsDuringBox, 2u);
    EXPECT_EQ(Run().measuring, 1);
    EXPECT_EQ(Run().deviceReady, 1);
    EXPECT_EQ(Run().awaitingReply, 1);
    EXPECT_EQ(Run().status1, kCh1Valid);
    EXPECT_EQ(Run().status2, kCh2Valid);
    EXPECT_FALSE(host->endCode);  // the dialog stays open
    EXPECT_EQ(dialog->m_intervalSec, 1);
    EXPECT_EQ(host->focusedControl, IDC_INTERVAL);
    EXPECT_TRUE(host->timers.count(kPollTimerId));

    // ... and after it.
    Tick(2);
    EXPECT_EQ(ChannelRequests().size(), requestsAtBox + 4);
    EXPECT_EQ(host->texts[IDC_T1_CELSIUS], dialog->m_t1C);
    EXPECT_EQ(host->texts[IDC_T2_CELSIUS], dialog->m_t2C);
    EXPECT_FALSE(dialog->m_diff.empty());
    EXPECT_EQ(host->boxes.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Pulls, TickDuringIntegerPrompt,
    testing::Values(PullCase{"start_with_letters_in_the_interval", FailedPull::AtStart},
                    PullCase{"enter_with_letters_during_a_run", FailedPull::EnterDuringARun}),
    [](const testing::TestParamInfo<PullCase>& info) { return std::string(info.param.name); });

TEST_F(Commands, OkFromTheKeyboardPullsThenEndsWithoutAnEndMarker)
{
    StartUp();
    Start();
    host->Click(IDC_REC);
    Tick();
    host->texts[IDC_INTERVAL] = "x";
    dialog->OnCommand(platform::IDOK);
    EXPECT_FALSE(host->endCode);  // the pull failed
    host->texts[IDC_INTERVAL] = "3";
    dialog->OnCommand(platform::IDOK);
    EXPECT_EQ(host->endCode, platform::IDOK);
    EXPECT_EQ(dialog->m_intervalSec, 3);
    EXPECT_EQ(dialog->m_recording, 1);
    EXPECT_EQ(LogBytes().find(EndMarkerLine()), std::string::npos);
}

TEST_F(Commands, CancelEndsAtOnceAndTheLogKeepsEveryRecord)
{
    StartUp();
    Start();
    host->Click(IDC_REC);
    Tick(2);
    host->texts[IDC_INTERVAL] = "letters";
    dialog->OnSysCommand(platform::SC_CLOSE, 0);
    EXPECT_EQ(host->endCode, platform::IDCANCEL);
    EXPECT_TRUE(host->boxes.empty());
    const std::string written = LogBytes();
    host.reset();
    dialog.reset();  // the program's end closes the log
    EXPECT_EQ(LogBytes(), written);
    // A record before channel 2 first answered (53 + 2 bytes), then a full one.
    EXPECT_EQ(written.size(), HeaderLine().size() + 55u + 66u);
}

TEST_F(Commands, AfterASilentInstrumentOnlyStopAndExitAct)
{
    Script().silentAfterReplies = 1;
    StartUp();
    Start();
    host->Click(IDC_REC);
    Tick(12);
    EXPECT_EQ(host->BoxTexts(), std::vector<std::string>{"Quorvantex, No Responding! Power OK?"});
    EXPECT_EQ(ButtonStates(*host), (std::vector<int>{0, 0, 0, 1, 1}));
    const std::string before = LogBytes();
    dialog->OnEnd();
    dialog->OnRec();
    EXPECT_EQ(LogBytes(), before);
    EXPECT_EQ(dialog->m_recording, 1);
    host->Click(IDC_EXIT);
    EXPECT_EQ(LogBytes(), before + EndMarkerLine());
}

TEST_F(Commands, AboutBoxOpensOverTheDialogWhileThePollingGoesOn)
{
    StartUp();
    Start();
    host->Click(IDC_REC);
    framework.whileModal = [this](test::FakeHost&, const platform::DialogTemplate& shown) {
        EXPECT_EQ(shown.caption, "About Vexmoor");
        Tick(4);
    };
    dialog->OnSysCommand(IDM_ABOUTBOX, 0);
    EXPECT_EQ(framework.createdTemplates, std::vector<int>{IDD_ABOUTBOX});
    EXPECT_EQ(framework.owners, std::vector<platform::CDialog*>{dialog.get()});
    EXPECT_EQ(LogBytes().size(), HeaderLine().size() + 55u + 3 * 66u);
}

TEST(IconOrigin, CentresWithTruncatingDivision)
{
    EXPECT_EQ(CentredIconOrigin({36, 36}, {32, 32}).x, 2);
    EXPECT_EQ(CentredIconOrigin({30, 30}, {32, 32}).x, 0);
    EXPECT_EQ(CentredIconOrigin({30, 27}, {32, 32}).y, -2);
}

TEST_F(Commands, MinimisedWindowDrawsTheIconCentred)
{
    StartUp();
    host->iconic = true;
    host->clientSize = {36, 40};
    dialog->OnPaint();
    ASSERT_EQ(host->drawnIcons.size(), 1u);
    EXPECT_EQ(host->drawnIcons[0].icon, IDR_MAINFRAME);
    EXPECT_EQ(host->drawnIcons[0].x, 2);
    EXPECT_EQ(host->drawnIcons[0].y, 4);
    EXPECT_EQ(host->iconErasures, 1);
    EXPECT_EQ(dialog->OnQueryDragIcon(), IDR_MAINFRAME);

    host->iconic = false;
    dialog->OnPaint();
    EXPECT_EQ(host->defaultPaints, 1);
}

} // namespace
} // namespace vexmoor
