#include "log/LogFormat.h"
#include "res/Templates.h"
#include "support/SimDialogTest.h"

#include <gtest/gtest.h>

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
