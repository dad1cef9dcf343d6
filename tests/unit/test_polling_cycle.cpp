#include "res/resource.h"
#include "sim/SimInstrument.h"
#include "support/SimDialogTest.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <map>
#include <ostream>
#include <string>

namespace vexmoor {
namespace {

using namespace res;
using test::Bytes;
using test::Frame;

MeasureReply Garbled(std::uint8_t status)
{
    MeasureReply frame;
    frame.fill('x');
    frame[0] = status;
    return frame;
}

using PollingCycle = test::SimDialogTest;

TEST_F(PollingCycle, AlternatesChannelsOneReplyPerTick)
{
    StartUp();
    Start();
    EXPECT_TRUE(host->timers.count(kPollTimerId));
    EXPECT_EQ(ChannelRequests(), std::vector<std::string>{"12 5\r"});

    Tick();  // the reply came within the first second: read, and channel 2 asked at once
    EXPECT_EQ(ChannelRequests(), (std::vector<std::string>{"12 5\r", "12 6\r"}));
    EXPECT_EQ(Run().status1, kCh1Valid);
    EXPECT_EQ(Run().channel, 2);
    EXPECT_EQ(dialog->m_ch1Active, 1);
    EXPECT_EQ(dialog->m_ch2Active, 0);
    EXPECT_FALSE(dialog->m_t1C.empty());
    EXPECT_TRUE(dialog->m_t2C.empty());
    EXPECT_EQ(dialog->m_diff, "");  // channel 2 has not answered in this run yet
    EXPECT_EQ(host->texts[IDC_T1_CELSIUS], dialog->m_t1C);  // pushed
    const int repaints = host->repaints;

    Tick();
    EXPECT_EQ(Run().status2, kCh2Valid);
    EXPECT_EQ(Run().channel, 1);
    EXPECT_EQ(dialog->m_ch1Active, 0);
    EXPECT_EQ(dialog->m_ch2Active, 1);
    EXPECT_EQ(dialog->m_diff, FormatReading(Run().t1 - Run().t2));
    EXPECT_EQ(host->texts[IDC_DIFF], dialog->m_diff);
    EXPECT_EQ(host->repaints, repaints + 1);
    EXPECT_EQ(ChannelRequests().back(), "12 5\r");
    EXPECT_EQ(Run().missCount, 0);
}

// The identifier and the period are written out here, not taken from the
// program's constants: a changed constant fails this test.
TEST_F(PollingCycle, RunsOnTimerEighteenEverySecond)
{
    using TimerRequest = test::FakeHost::TimerRequest;
    StartUp();
    EXPECT_TRUE(host->timerRequests.empty());  // start-up sets no timer

    Start();
    EXPECT_EQ(host->timerRequests, (std::vector<TimerRequest>{{18, 1000}}));
    EXPECT_EQ(host->timers, (std::map<std::uintptr_t, std::uint32_t>{{18, 1000}}));
    Tick();
    EXPECT_EQ(Run().status1, kCh1Valid);  // ticks of timer 18 run the cycle

    host->Click(IDC_STOP);
    EXPECT_EQ(host->timerKills, std::vector<std::uintptr_t>{18});
    EXPECT_TRUE(host->timers.empty());

    // Exit kills the same timer.
    Start();
    host->Click(IDC_EXIT);
    EXPECT_EQ(host->timerRequests, (std::vector<TimerRequest>{{18, 1000}, {18, 1000}}));
    EXPECT_EQ(host->timerKills, (std::vector<std::uintptr_t>{18, 18}));
    EXPECT_TRUE(host->timers.empty());
}

TEST_F(PollingCycle, TwentyThreeBytesAreAShortTickTwentyFourAReply)
{
    Script().scriptedReplies.push_back({std::vector<std::uint8_t>(23, 'x'), 0});
    StartUp();
    Start();
    Tick();
    EXPECT_EQ(Run().missCount, 1);
    EXPECT_EQ(Run().awaitingReply, 1);
    EXPECT_EQ(ChannelRequests().size(), 1u);

    instrument.InjectBytes({0x88});
    Tick();
    EXPECT_EQ(Run().missCount, 0);
    EXPECT_EQ(Run().status1, 'x');
    EXPECT_EQ(instrument.QueuedBytes(), 0u);
    EXPECT_EQ(ChannelRequests().size(), 2u);
}

TEST_F(PollingCycle, FortyEightBytesAreTwoRepliesOnTwoTicks)
{
    std::vector<std::uint8_t> both = Bytes(Frame(kCh1Valid, "  10.000"));
    const auto second = Bytes(Frame(kCh2Valid, "   4.000"));
    both.insert(both.end(), second.begin(), second.end());
    Script().scriptedReplies.push_back({both, 0});
    Script().scriptedReplies.push_back({{}, 0});  // the channel-2 request gets no reply of its own
    StartUp();
    Start();

    Tick();
    EXPECT_EQ(Run().t1, 10.0);
    EXPECT_EQ(instrument.QueuedBytes(), 24u);
    Tick();
    EXPECT_EQ(Run().t2, 4.0);
    EXPECT_EQ(dialog->m_diff, "+6.000    ");
}

struct FaultCase {
    const char* name;
    std::function<void(sim::Script&)> script;
    int ticks;
    std::vector<std::string> boxes;
    bool startEnabled;
    bool stopEnabled;
};

void PrintTo(const FaultCase& c, std::ostream* out)
{
    *out << c.name;
}

class PollingFaults : public test::SimDialogTest, public testing::WithParamInterface<FaultCase> {};

TEST_P(PollingFaults, EndTheRunAsTheStateTableSays)
{
    const FaultCase& c = GetParam();
    c.script(Script());
    StartUp();
    Start();
    Tick(c.ticks);

    EXPECT_EQ(host->BoxTexts(), c.boxes);
    EXPECT_EQ(Run().deviceReady, 0);
    EXPECT_EQ(Run().measuring, 0);
    EXPECT_EQ(host->IsItemEnabled(IDC_START), c.startEnabled);
    EXPECT_EQ(host->IsItemEnabled(IDC_STOP), c.stopEnabled);
    // No fault kills the timer or closes the instrument.
    EXPECT_TRUE(host->timers.count(kPollTimerId));
    EXPECT_EQ(Run().timerRunning, 1);
    EXPECT_TRUE(instrument.IsOpen());

    // Later ticks do nothing but clear the run flags again.
    const auto requests = instrument.Requests().size();
    Tick(3);
    EXPECT_EQ(instrument.Requests().size(), requests);
    EXPECT_EQ(host->boxes.size(), c.boxes.size());
    EXPECT_EQ(Run().awaitingReply, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, PollingFaults,
    testing::Values(
        FaultCase{"silent", [](sim::Script& s) { s.silentAfterReplies = 0; }, 11,
                  {"Quorvantex, No Responding! Power OK?"}, false, false},
        FaultCase{"read_fails", [](sim::Script& s) { s.readFailAfterReplies = 1; }, 2,
                  {"Quorvantex, No Present! USB Connected?"}, false, false},
        FaultCase{"write_status_1", [](sim::Script& s) {
                      s.writeFailAfterReplies = 1;
                      s.writeFailStatus = 1;
                  }, 1, {}, false, true}),
    [](const testing::TestParamInfo<FaultCase>& info) { return std::string(info.param.name); });

TEST_F(PollingCycle, SilenceIsToleratedForTenTicks)
{
    Script().silentAfterReplies = 0;
    StartUp();
    Start();
    Tick(10);
    EXPECT_TRUE(host->boxes.empty());
    EXPECT_EQ(Run().missCount, 10);
    EXPECT_EQ(Run().measuring, 1);
    Tick();
    EXPECT_EQ(Run().missCount, 11);
    EXPECT_EQ(host->BoxTexts(), std::vector<std::string>{"Quorvantex, No Responding! Power OK?"});
}

TEST_F(PollingCycle, WriteStatusFourCountsAsSent)
{
    Script().writeFailAfterReplies = 1;
    Script().writeFailStatus = 4;
    StartUp();
    Start();
    Tick();  // reads channel 1, its channel-2 request gets status 4
    EXPECT_EQ(Run().deviceReady, 1);
    EXPECT_EQ(Run().measuring, 1);
    EXPECT_EQ(Run().awaitingReply, 1);
    EXPECT_EQ(ChannelRequests().back(), "12 6\r");
    EXPECT_TRUE(host->boxes.empty());
}

TEST_F(PollingCycle, StopAfterAFailedWriteLeavesStartDisabled)
{
    Script().writeFailAfterReplies = 1;
    StartUp();
    Start();
    Tick();
    const std::string shown = dialog->m_t1C;
    Tick(2);
    EXPECT_EQ(dialog->m_t1C, shown);  // the display froze on the last values
    host->Click(IDC_STOP);
    EXPECT_FALSE(host->IsItemEnabled(IDC_START));
    EXPECT_FALSE(host->IsItemEnabled(IDC_STOP));
    EXPECT_FALSE(host->timers.count(kPollTimerId));
}

TEST_F(PollingCycle, BadFrameChangesOnlyTheFahrenheitFieldAndTheRunGoesOn)
{
    Script().scriptedReplies.push_back({Bytes(Frame(kCh1Valid, "  25.500")), 0});
    Script().scriptedReplies.push_back({Bytes(Frame(kCh2Valid, "  20.000")), 0});
    Script().scriptedReplies.push_back({Bytes(Garbled(0x12)), 0});
    StartUp();
    Start();
    Tick(2);
    const std::string celsius = dialog->m_t1C;
    const std::string resistance = dialog->m_r1;

    Tick();
    EXPECT_EQ(dialog->m_t1F, "USB data error 1");
    EXPECT_EQ(dialog->m_t1C, celsius);
    EXPECT_EQ(dialog->m_r1, resistance);
    EXPECT_EQ(Run().status1, 0x12);
    EXPECT_EQ(Run().r1, 0.0);
    EXPECT_EQ(Run().t1, 25.5);
    EXPECT_EQ(dialog->m_diff, "");
    EXPECT_EQ(ChannelRequests().back(), "12 6\r");
}

TEST_F(PollingCycle, ValidCodeInAGarbledFrameStillCountsForTheDifference)
{
    Script().scriptedReplies.push_back({Bytes(Frame(kCh1Valid, "  25.500")), 0});
    Script().scriptedReplies.push_back({Bytes(Frame(kCh2Valid, "  20.000")), 0});
    Script().scriptedReplies.push_back({Bytes(Garbled(kCh1Valid)), 0});
    StartUp();
    Start();
    Tick(3);
    EXPECT_EQ(dialog->m_t1F, "USB data error 1");
    EXPECT_EQ(Run().r1, 0.0);
    EXPECT_EQ(dialog->m_diff, "+5.500    ");  // t1 from the last valid reply
}

TEST_F(PollingCycle, OtherStatusLeavesTheTextsAndSwitchesTheChannel)
{
    Script().scriptedReplies.push_back({Bytes(Frame(kCh1Valid)), 0});
    Script().scriptedReplies.push_back({Bytes(Frame(kCh1Valid)), 0});  // channel 1's code on channel 2
    StartUp();
    Start();
    Tick(2);
    EXPECT_EQ(Run().status2, kCh1Valid);
    EXPECT_EQ(dialog->m_t2C, "");
    EXPECT_EQ(dialog->m_ch2Active, 1);
    EXPECT_EQ(Run().channel, 1);
}

TEST_F(PollingCycle, MissCountIsCarriedOverAStop)
{
    Script().silentAfterReplies = 0;
    StartUp();
    Start();
    Tick(7);
    host->Click(IDC_STOP);
    EXPECT_EQ(Run().missCount, 7);
    Start();
    Tick(3);
    EXPECT_TRUE(host->boxes.empty());
    Tick();
    EXPECT_EQ(host->BoxTexts(), std::vector<std::string>{"Quorvantex, No Responding! Power OK?"});
}

TEST_F(PollingCycle, DifferenceWaitsForBothChannelsOfTheCurrentRun)
{
    StartUp();
    Start();
    Tick(2);
    ASSERT_FALSE(dialog->m_diff.empty());
    host->Click(IDC_STOP);
    EXPECT_EQ(Run().status1, 0);
    EXPECT_EQ(Run().status2, 0);
    Start();
    Tick();
    EXPECT_EQ(dialog->m_diff, "");
    Tick();
    EXPECT_FALSE(dialog->m_diff.empty());
}

TEST_F(PollingCycle, TickWithoutAReadyDeviceOnlyClearsTheRunFlags)
{
    StartUp();
    Start();
    Run().deviceReady = 0;
    const auto calls = instrument.Calls().size();
    Tick();
    EXPECT_EQ(Run().measuring, 0);
    EXPECT_EQ(Run().awaitingReply, 0);
    EXPECT_EQ(Run().sendReady, 0);
    EXPECT_EQ(instrument.Calls().size(), calls);
    EXPECT_TRUE(host->timers.count(kPollTimerId));
}

TEST_F(PollingCycle, RefusedTimerIsReported)
{
    StartUp();
    host->refuseTimers = true;
    Start();
    EXPECT_EQ(host->BoxTexts(), std::vector<std::string>{"timer ERROR"});
    EXPECT_EQ(Run().timerRunning, 0);
    EXPECT_EQ(Run().measuring, 1);
    EXPECT_EQ(ChannelRequests(), std::vector<std::string>{"12 5\r"});
    host->Click(IDC_STOP);
    EXPECT_EQ(Run().measuring, 0);
    // A timer that never ran is not killed.
    EXPECT_EQ(host->timerRequests, (std::vector<test::FakeHost::TimerRequest>{{18, 1000}}));
    EXPECT_TRUE(host->timerKills.empty());
}

// Valid frames whose number texts read as infinities or NaNs (as atof reads
// them): the fields show them as printf writes them, the difference follows
// the arithmetic, and every log column keeps its width.
struct NonFiniteCase {
    const char* name;
    // Eight characters each, as the instrument sends them.
    std::string ohms1;
    std::string celsius1;
    std::string ohms2;
    std::string celsius2;
    // Celsius, Fahrenheit and resistance texts shown for each channel.
    std::array<std::string, 3> shown1;
    std::array<std::string, 3> shown2;
    std::string diff;
    std::string record1;  // after the channel-1 reply, before the line end
    std::string record2;  // after the channel-2 reply
};

void PrintTo(const NonFiniteCase& c, std::ostream* out)
{
    *out << c.name;
}

MeasureReply FrameOf(std::uint8_t status, const std::string& ohms, const std::string& celsius)
{
    const std::string text = std::string(1, static_cast<char>(status)) + 'R' + ohms + " \rT" + celsius + " \r\n";
    MeasureReply frame{};
    std::memcpy(frame.data(), text.data(), frame.size());
    return frame;
}

class NonFiniteNumbers : public test::SimDialogTest, public testing::WithParamInterface<NonFiniteCase> {};

TEST_P(NonFiniteNumbers, ShownAndLoggedAsPrintfWritesThem)
{
    const NonFiniteCase& c = GetParam();
    ASSERT_EQ(c.ohms1.size() + c.celsius1.size() + c.ohms2.size() + c.celsius2.size(), 32u);
    Script().scriptedReplies.push_back({Bytes(FrameOf(kCh1Valid, c.ohms1, c.celsius1)), 20});
    Script().scriptedReplies.push_back({Bytes(FrameOf(kCh2Valid, c.ohms2, c.celsius2)), 20});
    StartUp();
    Start();
    host->Click(IDC_REC);
    Tick(2);

    const std::array<std::string, 3> shown1{host->texts[IDC_T1_CELSIUS], host->texts[IDC_T1_FAHRENHEIT],
                                            host->texts[IDC_R1]};
    const std::array<std::string, 3> shown2{host->texts[IDC_T2_CELSIUS], host->texts[IDC_T2_FAHRENHEIT],
                                            host->texts[IDC_R2]};
    EXPECT_EQ(shown1, c.shown1);
    EXPECT_EQ(shown2, c.shown2);
    EXPECT_EQ(host->texts[IDC_DIFF], c.diff);
    EXPECT_EQ(test::ReadFileBytes(kLogFileName),
              "Time      t1(C)      t2(C)     t1-t2(C)   R1 (Ohm)  R2 (Ohm)\r\r\n" + c.record1 + "\r\n" +
                  c.record2 + "\r\n");
    // The run goes on.
    EXPECT_TRUE(host->boxes.empty());
    EXPECT_EQ(Run().measuring, 1);
    EXPECT_EQ(ChannelRequests().back(), "12 5\r");
}

const std::string kBlank(11, ' ');
const std::array<std::string, 3> kShown25{"+25.500   ", "+77.900   ", "110.2500 "};
const std::array<std::string, 3> kShown20{"+20.000   ", "+68.000   ", "107.8000 "};

INSTANTIATE_TEST_SUITE_P(
    Texts, NonFiniteNumbers,
    testing::Values(
        NonFiniteCase{"inf_temperature", "110.2500", "     inf", "107.8000", "  20.000",
                      {"+inf      ", "+inf      ", "110.2500 "}, kShown20, "+inf      ",
                      "14:05:09 +inf       " + kBlank + "110.2500   " + kBlank,
                      "14:05:09 +inf       +20.000    +inf       110.2500   107.8000   "},
        NonFiniteCase{"infinity_word_on_channel_2", "110.2500", "  25.500", "107.8000", "infinity", kShown25,
                      {"+inf      ", "+inf      ", "107.8000 "}, "-inf      ",
                      "14:05:09 +25.500    " + kBlank + "110.2500   " + kBlank,
                      "14:05:09 +25.500    +inf       -inf       110.2500   107.8000   "},
        NonFiniteCase{"exponent_beyond_a_double", "110.2500", "  25.500", "107.8000", "-1e999  ", kShown25,
                      {"-inf      ", "-inf      ", "107.8000 "}, "+inf      ",
                      "14:05:09 +25.500    " + kBlank + "110.2500   " + kBlank,
                      "14:05:09 +25.500    -inf       +inf       110.2500   107.8000   "},
        NonFiniteCase{"nan_temperature", "110.2500", "     nan", "107.8000", "  20.000",
                      {"+nan      ", "+nan      ", "110.2500 "}, kShown20, "+nan      ",
                      "14:05:09 +nan       " + kBlank + "110.2500   " + kBlank,
                      "14:05:09 +nan       +20.000    +nan       110.2500   107.8000   "},
        // Resistance texts are shown as received; the log writes the values.
        NonFiniteCase{"nan_and_minus_inf_resistances", "     nan", "  25.500", "    -inf", "  20.000",
                      {"+25.500   ", "+77.900   ", "     nan "}, {"+20.000   ", "+68.000   ", "    -inf "},
                      "+5.500    ", "14:05:09 +25.500    " + kBlank + "nan        " + kBlank,
                      "14:05:09 +25.500    +20.000    +5.500     nan        -inf       "}),
    [](const testing::TestParamInfo<NonFiniteCase>& info) { return std::string(info.param.name); });

// A library whose status query is missing: every tick shows the guarded call's
// warning and counts as short; ticks arriving while that box is open are held
// back instead of opening boxes of their own.
TEST_F(PollingCycle, FailedQueueQueryIsAShortTickAndBoxesDoNotPileUp)
{
    Script().missingEntryPoints = {"FT_GetStatus"};
    Boot();
    ASSERT_EQ(host->BoxTexts(), std::vector<std::string>{"Error: Can't Find FT_GetStatus"});
    host->boxes.clear();

    Start();
    simClock.Advance(1000);  // a whole reply is queued, but nobody can see it
    int nestedTicks = 0;
    host->whileBoxOpen = [&](const test::RecordedBox&) {
        ++nestedTicks;
        host->FireTimers();
        host->FireTimers();
    };
    host->FireTimers();
    EXPECT_EQ(nestedTicks, 1);
    EXPECT_EQ(host->BoxTexts(), std::vector<std::string>{"FT_GetStatus is not valid!"});
    EXPECT_EQ(Run().missCount, 1);
    EXPECT_EQ(Run().awaitingReply, 1);
}

// A driver that reports success but delivers fewer bytes than asked: the rest
// of the frame is blank, never what an earlier reply left.
sim::Instrument* gShortReadInstrument = nullptr;
d2xx::FT_STATUS ShortRead(d2xx::FT_HANDLE handle, void* buffer, d2xx::DWORD, d2xx::DWORD* returned)
{
    return gShortReadInstrument->FT_Read(handle, buffer, 1, returned);
}

TEST_F(PollingCycle, ShortSuccessfulReadNeverDecodesStaleBytes)
{
    StartUp();
    Start();
    Tick(2);
    ASSERT_EQ(Run().status1, kCh1Valid);

    gShortReadInstrument = &instrument;
    dialog->m_d2xx.FT_Read = &ShortRead;
    Tick();  // only the status byte arrives in the frame
    EXPECT_EQ(Run().status1, kCh1Valid);
    EXPECT_EQ(dialog->m_t1F, "USB data error 1");
    EXPECT_EQ(Run().r1, 0.0);
    gShortReadInstrument = nullptr;
}

} // namespace
} // namespace vexmoor
