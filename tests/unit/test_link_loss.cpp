// The USB link lost in the middle of a recording: a read that fails, a
// request that cannot be written, an instrument that falls silent. Each
// record of the replies read before the loss is in the file at once, nothing
// more is written while the link is gone (END included), and the next Stop or
// Exit writes the end marker.

#include "support/SimDialogTest.h"

#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace vexmoor {
namespace {

using namespace res;

const std::string kHeader = "Time      t1(C)      t2(C)     t1-t2(C)   R1 (Ohm)  R2 (Ohm)\r\r\n";
const std::string kEndMarker = "end recording\r\r\n";
const std::string kBlank(11, ' ');
// The three replies read before the link goes (channel 1, 2, 1) and their records.
const std::string kRecords = "14:05:09 +25.500    " + kBlank + "109.8000   " + kBlank + "\r\n"
                             "14:05:09 +25.500    +20.000    +5.500     109.8000   107.8000   \r\n"
                             "14:05:09 +26.000    +20.000    +6.000     110.1000   107.8000   \r\n";

enum class Ending { Stop, Exit };

struct LossCase {
    const char* name;
    std::function<void(sim::Script&)> loseLink;  // after the third reply
    int faultTick;                               // the tick that finds the link gone
    std::vector<std::string> boxes;
    bool stopEnabled;
    Ending ending;
};

void PrintTo(const LossCase& c, std::ostream* os)
{
    *os << c.name;
}

class LinkLoss : public test::SimDialogTest, public testing::WithParamInterface<LossCase> {
protected:
    std::string Log() const { return test::ReadFileBytes(kLogFileName); }
};

TEST_P(LinkLoss, RecordsSoFarAreKeptAndTheNextStopOrExitEndsTheRecording)
{
    const LossCase& c = GetParam();
    Script().scriptedReplies = {{sim::MakeReply(kCh1Valid, 109.8, 25.5), 20},
                                {sim::MakeReply(kCh2Valid, 107.8, 20.0), 20},
                                {sim::MakeReply(kCh1Valid, 110.1, 26.0), 20}};
    c.loseLink(Script());
    StartUp();
    Start();
    host->Click(IDC_REC);

    Tick(c.faultTick - 1);
    ASSERT_TRUE(host->boxes.empty());
    ASSERT_EQ(Run().deviceReady, 1);
    Tick();
    EXPECT_EQ(host->BoxTexts(), c.boxes);
    EXPECT_EQ(Run().deviceReady, 0);
    EXPECT_EQ(host->IsItemEnabled(IDC_STOP), c.stopEnabled);
    // Every record is in the file while the log is still open.
    EXPECT_EQ(Log(), kHeader + kRecords);
    EXPECT_EQ(dialog->m_recording, 1);

    // While the link is gone nothing more is written, and END does nothing.
    const std::size_t requests = instrument.Requests().size();
    Tick(5);
    ASSERT_TRUE(host->IsItemEnabled(IDC_END));
    host->Click(IDC_END);
    EXPECT_EQ(Log(), kHeader + kRecords);
    EXPECT_EQ(instrument.Requests().size(), requests);
    EXPECT_EQ(host->boxes.size(), c.boxes.size());

    if (c.ending == Ending::Stop) {
        host->Click(IDC_STOP);
        EXPECT_FALSE(host->IsItemEnabled(IDC_START));  // the instrument stays lost
    } else {
        host->Click(IDC_EXIT);
        EXPECT_EQ(host->endCode, platform::IDOK);
        EXPECT_EQ(Run().logFile.GetState(), LogFile::State::Closed);
    }
    EXPECT_EQ(dialog->m_recording, 0);
    EXPECT_EQ(Log(), kHeader + kRecords + kEndMarker);
}

INSTANTIATE_TEST_SUITE_P(
    UsbPulled, LinkLoss,
    testing::Values(
        // The fourth reply is queued but cannot be read.
        LossCase{"read_fails", [](sim::Script& s) { s.readFailAfterReplies = 3; }, 4,
                 {"Quorvantex, No Present! USB Connected?"}, false, Ending::Exit},
        // The fourth request cannot be written: no message, Stop stays enabled.
        LossCase{"write_fails_then_stop", [](sim::Script& s) { s.writeFailAfterReplies = 3; }, 3, {},
                 true, Ending::Stop},
        LossCase{"write_fails_then_exit", [](sim::Script& s) { s.writeFailAfterReplies = 3; }, 3, {},
                 true, Ending::Exit},
        // The write reports an I/O error, which counts as sent, but the request
        // is lost: eleven ticks without a reply.
        LossCase{"write_lost", [](sim::Script& s) {
                     s.writeFailAfterReplies = 3;
                     s.writeFailStatus = 4;
                 }, 3 + 11, {"Quorvantex, No Responding! Power OK?"}, false, Ending::Exit},
        // Nothing answers the fourth request.
        LossCase{"silent", [](sim::Script& s) { s.silentAfterReplies = 3; }, 3 + 11,
                 {"Quorvantex, No Responding! Power OK?"}, false, Ending::Exit}),
    [](const testing::TestParamInfo<LossCase>& info) { return std::string(info.param.name); });

} // namespace
} // namespace vexmoor
