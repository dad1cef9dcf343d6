// The trend store: what the polling cycle hands it (every decoded reply,
// whatever its outcome, and nothing else), readings arriving while boxes are
// open, the bound, and its listeners.

#include "res/resource.h"
#include "support/SimDialogTest.h"
#include "trend/TrendStore.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string_view>
#include <vector>

namespace vexmoor {
namespace {

using namespace res;
using test::Bytes;
using test::Frame;

// Each reading one step later than the one before, in a fixed zone.
class SteppingWallClock final : public platform::Clock {
public:
    static constexpr std::int64_t kStart = 1796907909000;  // 2026-12-10T13:05:09Z
    platform::WallTime Now() override
    {
        const platform::WallTime now{nextMs, 3600};
        nextMs += 1000;
        return now;
    }
    std::int64_t nextMs = kStart;
};

DecodedReply ValidReply(double celsius)
{
    DecodedReply reply;
    reply.outcome = ReplyOutcome::Valid;
    reply.celsius = celsius;
    reply.ohms = 100.0 + celsius * 0.39;
    return reply;
}

// The main dialog on the simulated instrument, handing its readings to a store.
class TrendDialogTest : public test::SimDialogTest {
protected:
    SteppingWallClock wallClock;
    TrendStore store{wallClock};

    void StartUpWithTrend()
    {
        loader = std::make_unique<platform::TableLibraryLoader>(sim::InProcessTable(instrument), true);
        dialog = std::make_unique<CVexmoorDlg>(DialogServices{framework, *loader, clock, &store, ShowAboutBox});
        host = std::make_unique<test::FakeHost>(dialog.get());
        dialog->AttachHost(host.get());
        dialog->OnInitDialog();
        ASSERT_EQ(Run().deviceReady, 1) << dialog->m_deviceStatus;
    }
};

struct Expected {
    std::uint8_t channel;
    ReplyOutcome outcome;
    double celsius;
    double ohms;
};

void ExpectReadings(const TrendStore& store, const std::vector<Expected>& expected)
{
    ASSERT_EQ(store.Readings().size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "reading " << i);
        const Reading& got = store.Readings()[i];
        EXPECT_EQ(got.channel, expected[i].channel);
        EXPECT_EQ(got.outcome, expected[i].outcome);
        EXPECT_EQ(got.celsius, expected[i].celsius);
        EXPECT_EQ(got.ohms, expected[i].ohms);
        EXPECT_EQ(got.time.utcMs, SteppingWallClock::kStart + 1000 * static_cast<std::int64_t>(i));
        EXPECT_EQ(got.time.utcOffsetSec, 3600);
    }
}

TEST_F(TrendDialogTest, EveryDecodedReplyIsKeptWithItsOutcomeAndAFaultKeepsThem)
{
    MeasureReply garbled;
    garbled.fill('x');
    garbled[0] = kCh2Valid;
    for (const MeasureReply& frame : {Frame(kCh1Valid, "  25.500"), Frame(kCh2Valid, " -3.2500"),
                                      Frame(kCh1NoSensor), Frame(kCh2Overflow), Frame(0x12), garbled}) {
        Script().scriptedReplies.push_back({Bytes(frame), 20});
    }
    // Then a reply that never completes: short ticks, and the eleventh a fault.
    Script().scriptedReplies.push_back({std::vector<std::uint8_t>(23, 'x'), 20});
    StartUpWithTrend();
    EXPECT_TRUE(store.Readings().empty());  // start-up's greeting is no reading

    Start();
    Tick(6);
    const std::vector<Expected> decoded{
        {1, ReplyOutcome::Valid, 25.5, 110.25},     {2, ReplyOutcome::Valid, -3.25, 110.25},
        {1, ReplyOutcome::NoSensor, 0.0, 0.0},      {2, ReplyOutcome::Overflow, 0.0, 0.0},
        {1, ReplyOutcome::OtherStatus, 0.0, 0.0},   {2, ReplyOutcome::BadFrame, 0.0, 0.0},
    };
    ExpectReadings(store, decoded);

    std::optional<std::size_t> keptWhileFaultBoxOpen;
    host->whileBoxOpen = [&](const test::RecordedBox&) { keptWhileFaultBoxOpen = store.Readings().size(); };
    Tick(11);
    ASSERT_EQ(host->BoxTexts(), std::vector<std::string>{"Quorvantex, No Responding! Power OK?"});
    EXPECT_EQ(keptWhileFaultBoxOpen, decoded.size());
    Tick(3);  // the faulted dialog's ticks do nothing
    ExpectReadings(store, decoded);
    EXPECT_EQ(store.Received(), decoded.size());
}

TEST_F(TrendDialogTest, AFailedReadKeepsNothingNewAndNothingOld)
{
    Script().readFailAfterReplies = 2;
    StartUpWithTrend();
    Start();
    Tick(4);
    EXPECT_EQ(host->BoxTexts(), std::vector<std::string>{"Quorvantex, No Present! USB Connected?"});
    ASSERT_EQ(store.Readings().size(), 2u);
    EXPECT_EQ(store.Readings()[0].channel, 1);
    EXPECT_EQ(store.Readings()[1].channel, 2);
    EXPECT_EQ(store.Readings()[1].outcome, ReplyOutcome::Valid);
}

// Boxes run nested loops that go on delivering ticks: the readings of those
// ticks reach the store (and its listeners, the trend window) at once.
TEST_F(TrendDialogTest, ReadingsArriveWhileTheAboutBoxIsOpen)
{
    StartUpWithTrend();
    Start();
    Tick(2);
    bool aboutOpen = false;
    int toldWhileOpen = 0;
    const auto subscription = store.Subscribe([&](const Reading&) { toldWhileOpen += aboutOpen ? 1 : 0; });
    framework.whileModal = [&](test::FakeHost&, const platform::DialogTemplate& shown) {
        ASSERT_EQ(shown.id, IDD_ABOUTBOX);
        aboutOpen = true;
        Tick(4);
        aboutOpen = false;
    };
    dialog->OnSysCommand(IDM_ABOUTBOX, 0);
    EXPECT_EQ(toldWhileOpen, 4);
    EXPECT_EQ(store.Readings().size(), 6u);
}

TEST_F(TrendDialogTest, ReadingsArriveWhileAMessageBoxIsOpen)
{
    StartUpWithTrend();
    // Start begins the run, then its pull finds no integer and shows a box;
    // the run goes on behind it.
    host->texts[IDC_INTERVAL] = "abc";
    std::size_t keptWhileOpen = 0;
    host->whileBoxOpen = [&](const test::RecordedBox&) {
        Tick(3);
        keptWhileOpen = store.Readings().size();
    };
    Start();
    EXPECT_EQ(host->BoxTexts(), std::vector<std::string>{"Please enter an integer."});
    EXPECT_EQ(keptWhileOpen, 3u);
    ASSERT_EQ(store.Readings().size(), 3u);
    EXPECT_EQ(store.Readings()[2].channel, 1);
}

TEST(TrendStore, KeepsTheNewestUpToItsBoundDroppingTheOldestFirst)
{
    EXPECT_GE(TrendStore::kDefaultCapacity, 7u * 86400u);  // a week at one reply a second

    SteppingWallClock clock;
    TrendStore store(clock, 3);
    for (int i = 0; i < 5; ++i) {
        store.OnReading(i % 2 == 0 ? 1 : 2, ValidReply(20.0 + i));
    }
    ASSERT_EQ(store.Readings().size(), 3u);
    EXPECT_EQ(store.Capacity(), 3u);
    EXPECT_EQ(store.Received(), 5u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(store.Readings()[i].celsius, 22.0 + static_cast<double>(i));
        EXPECT_EQ(store.Readings()[i].time.utcMs, SteppingWallClock::kStart + 1000 * static_cast<std::int64_t>(i + 2));
    }
    EXPECT_EQ(store.Readings()[0].channel, 1);
    EXPECT_EQ(store.Readings()[1].channel, 2);

    // Any channel but 1 is channel 2; a reading that is not valid keeps no values.
    DecodedReply noSensor;
    noSensor.outcome = ReplyOutcome::NoSensor;
    noSensor.celsius = 99.0;  // whatever the decoder left there
    store.OnReading(7, noSensor);
    EXPECT_EQ(store.Readings().back().channel, 2);
    EXPECT_EQ(store.Readings().back().celsius, 0.0);
}

TEST(TrendStore, ListenersAreToldOfEachKeptReadingUntilTheirSubscriptionEnds)
{
    SteppingWallClock clock;
    TrendStore store(clock, 2);
    std::vector<double> first;
    std::vector<double> second;
    std::size_t sizeWhenTold = 0;
    std::optional<TrendStore::Subscription> secondSubscription;
    auto firstSubscription = std::make_optional(store.Subscribe([&](const Reading& reading) {
        first.push_back(reading.celsius);
        sizeWhenTold = store.Readings().size();
        if (reading.celsius == 2.0) {
            secondSubscription.reset();  // ends a later listener before its turn
        }
    }));
    secondSubscription = store.Subscribe([&](const Reading& reading) { second.push_back(reading.celsius); });

    store.OnReading(1, ValidReply(1.0));
    EXPECT_EQ(sizeWhenTold, 1u);  // told after the reading is kept
    store.OnReading(1, ValidReply(2.0));
    store.OnReading(1, ValidReply(3.0));
    EXPECT_EQ(first, (std::vector<double>{1.0, 2.0, 3.0}));
    EXPECT_EQ(second, (std::vector<double>{1.0}));

    // A listener may end its own subscription while it is being told.
    std::optional<TrendStore::Subscription> self;
    int selfCalls = 0;
    self = store.Subscribe([&](const Reading&) {
        ++selfCalls;
        self.reset();
    });
    store.OnReading(2, ValidReply(4.0));
    store.OnReading(2, ValidReply(5.0));
    EXPECT_EQ(selfCalls, 1);

    firstSubscription.reset();
    store.OnReading(2, ValidReply(6.0));
    EXPECT_EQ(first.size(), 5u);
    EXPECT_EQ(store.Readings().size(), 2u);
}

} // namespace
} // namespace vexmoor
