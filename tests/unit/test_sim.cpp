// The simulated instrument: its receive queue, its replies, its scripted
// misbehaviour, its in-process table and the shared library's script text.

#include "link/D2xxTable.h"
#include "link/Protocol.h"
#include "platform/LibraryLoader.h"
#include "sim/InProcessTable.h"
#include "sim/SimInstrument.h"
#include "sim/SimSettings.h"

#include <gtest/gtest.h>

#include <array>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <locale>
#include <string>
#include <vector>

namespace vexmoor::sim {
namespace {

constexpr std::uint32_t kOk = 0;
constexpr std::uint32_t kInvalidHandle = 1;
constexpr std::uint32_t kIoError = 4;

std::vector<std::uint8_t> Bytes(std::string_view text)
{
    return {text.begin(), text.end()};
}

class SimTest : public testing::Test {
protected:
    ManualClock clock;
    Instrument instrument{clock};
    void* handle = nullptr;

    Script& S() { return instrument.GetScript(); }

    void Open()
    {
        char description[] = "Quorvantex Z5 RevavaZevod";
        ASSERT_EQ(instrument.FT_OpenEx(description, 2, &handle), kOk);
        ASSERT_EQ(handle, instrument.Handle());
    }

    std::uint32_t Write(std::string_view text)
    {
        std::string bytes(text);
        std::uint32_t written = 0;
        return instrument.FT_Write(handle, bytes.data(), static_cast<std::uint32_t>(bytes.size()), &written);
    }

    // Reads up to `count` bytes; the status goes to `status`.
    std::vector<std::uint8_t> Read(std::uint32_t count, std::uint32_t* status = nullptr)
    {
        std::vector<std::uint8_t> buffer(count);
        std::uint32_t returned = 0;
        const std::uint32_t result = instrument.FT_Read(handle, buffer.data(), count, &returned);
        if (status != nullptr) {
            *status = result;
        }
        buffer.resize(returned);
        return buffer;
    }

    DecodedReply ReadReply(std::uint8_t channel)
    {
        const auto bytes = Read(24);
        EXPECT_EQ(bytes.size(), 24u);
        MeasureReply frame{};
        std::copy_n(bytes.begin(), std::min<std::size_t>(bytes.size(), 24), frame.begin());
        return DecodeMeasureReply(frame, channel);
    }
};

// ---- replies ---------------------------------------------------------------

TEST(SimReply, Pt100Values)
{
    EXPECT_DOUBLE_EQ(Pt100Ohms(0.0), 100.0);
    EXPECT_NEAR(Pt100Ohms(100.0), 138.5055, 1e-9);
    EXPECT_NEAR(Pt100Ohms(21.5), 108.3761, 1e-4);
    EXPECT_NEAR(Pt100Ohms(-20.0), 92.1603, 1e-4);
}

TEST(SimReply, MakeReplyIsAWellFormedFrame)
{
    const auto reply = MakeReply(0x88, 108.376, 21.5);
    ASSERT_EQ(reply.size(), 24u);
    EXPECT_EQ(std::string(reply.begin(), reply.end()), "\x88R 108.376 \rT  21.500 \r\n");

    MeasureReply frame{};
    std::copy(reply.begin(), reply.end(), frame.begin());
    const DecodedReply decoded = DecodeMeasureReply(frame, 1);
    EXPECT_EQ(decoded.outcome, ReplyOutcome::Valid);
    EXPECT_DOUBLE_EQ(decoded.celsius, 21.5);
    EXPECT_DOUBLE_EQ(decoded.ohms, 108.376);
    EXPECT_EQ(decoded.resistanceText, " 108.376 ");
}

TEST(SimReply, NumbersAreAlwaysEightCharacters)
{
    const auto text = [](double ohms, double celsius) {
        const auto reply = MakeReply(0x77, ohms, celsius);
        EXPECT_EQ(reply.size(), 24u);
        return std::string(reply.begin() + 2, reply.begin() + 10) + "|" +
               std::string(reply.begin() + 13, reply.begin() + 21);
    };
    EXPECT_EQ(text(92.16, -20.0), "  92.160| -20.000");
    EXPECT_EQ(text(12345.6789, -123.4567), "12345.68|-123.457");
    EXPECT_EQ(text(1e9, -1e9), "99999999|-9999999");
}

// A decimal comma, as a German locale has it.
struct CommaPoint final : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
};

TEST(SimReply, NumbersIgnoreTheLocale)
{
    const std::locale previousGlobal = std::locale::global(std::locale(std::locale::classic(), new CommaPoint));
    const std::string previousC = std::setlocale(LC_NUMERIC, nullptr);
    const bool german = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr ||
                        std::setlocale(LC_NUMERIC, "de_DE") != nullptr;
    const auto reply = MakeReply(0x88, 108.376, 21.5);
    std::setlocale(LC_NUMERIC, previousC.c_str());
    std::locale::global(previousGlobal);

    EXPECT_EQ(std::string(reply.begin() + 2, reply.begin() + 10), " 108.376");
    EXPECT_EQ(std::string(reply.begin() + 13, reply.begin() + 21), "  21.500");
    if (!german) {
        std::cout << "(no de_DE locale installed: checked with a decimal-comma C++ locale only)\n";
    }
}

// ---- the receive queue -------------------------------------------------------

TEST_F(SimTest, ReplyArrivesAfterTheDelay)
{
    S().replyDelayMs = 50;
    Open();
    ASSERT_EQ(Write("12 5\r"), kOk);
    EXPECT_EQ(instrument.QueuedBytes(), 0u);
    clock.Advance(49);
    std::uint32_t rx = 99;
    std::uint32_t tx = 99;
    std::uint32_t events = 99;
    EXPECT_EQ(instrument.FT_GetStatus(handle, &rx, &tx, &events), kOk);
    EXPECT_EQ(rx, 0u);
    clock.Advance(1);
    EXPECT_EQ(instrument.FT_GetStatus(handle, &rx, &tx, &events), kOk);
    EXPECT_EQ(rx, 24u);
    EXPECT_EQ(tx, 0u);
    EXPECT_EQ(events, 0u);
    EXPECT_EQ(instrument.FT_GetQueueStatus(handle, &rx), kOk);
    EXPECT_EQ(rx, 24u);
    EXPECT_EQ(instrument.ChannelRepliesSent(), 1);
}

TEST_F(SimTest, ReadWaitsOnlyUntilTheBytesHaveArrived)
{
    S().replyDelayMs = 50;
    Open();
    instrument.FT_SetTimeouts(handle, 1000, 1000);
    clock.nowMs = 7000;
    Write("12 6\r");
    const DecodedReply reply = ReadReply(2);
    EXPECT_EQ(clock.nowMs, 7050);
    EXPECT_EQ(reply.outcome, ReplyOutcome::Valid);
    EXPECT_EQ(reply.status, 0x77);
}

TEST_F(SimTest, ReadWaitsUpToTheTimeoutAndReturnsWhatCame)
{
    S().silentAfterReplies = 0;
    Open();
    instrument.FT_SetTimeouts(handle, 300, 300);
    Write("12 5\r");
    std::uint32_t status = 99;
    EXPECT_TRUE(Read(24, &status).empty());
    EXPECT_EQ(status, kOk);
    EXPECT_EQ(clock.nowMs, 300);

    // Asking for more than comes: the whole timeout, then what there is.
    S().silentAfterReplies = -1;
    Write("12 5\r");
    EXPECT_EQ(Read(30, &status).size(), 24u);
    EXPECT_EQ(status, kOk);
    EXPECT_EQ(clock.nowMs, 600);
}

TEST_F(SimTest, ReadWithoutATimeoutWaitsForWhatIsOnItsWay)
{
    S().replyDelayMs = 80;
    Open();
    ASSERT_EQ(instrument.ReadTimeoutMs(), Instrument::kDefaultReadTimeoutMs);
    Write("12 5\r");
    EXPECT_EQ(Read(30).size(), 24u);
    EXPECT_EQ(clock.nowMs, 80);
    EXPECT_TRUE(Read(5).empty());  // nothing on its way: back at once
    EXPECT_EQ(clock.nowMs, 80);
}

TEST_F(SimTest, ReadTakesPartOfTheQueueAndLeavesTheRest)
{
    Open();
    instrument.InjectBytes(Bytes("abcdef"));
    EXPECT_EQ(Read(4), Bytes("abcd"));
    EXPECT_EQ(instrument.QueuedBytes(), 2u);
    EXPECT_EQ(Read(4), Bytes("ef"));
}

TEST_F(SimTest, RepliesKeepTheirOrder)
{
    S().scriptedReplies.push_back({Bytes("first"), 100});
    S().scriptedReplies.push_back({Bytes("second"), 10});
    Open();
    Write("12 5\r");
    Write("12 6\r");
    clock.Advance(50);
    EXPECT_EQ(instrument.QueuedBytes(), 0u);  // the later reply does not overtake
    clock.Advance(50);
    EXPECT_EQ(Read(11), Bytes("firstsecond"));
}

TEST_F(SimTest, PurgeEmptiesTheQueueAndWhatIsStillOnItsWay)
{
    Open();
    instrument.InjectBytes(Bytes("old"));
    Write("12 5\r");
    EXPECT_EQ(instrument.FT_Purge(handle, 1), kOk);
    clock.Advance(1000);
    EXPECT_EQ(instrument.QueuedBytes(), 0u);

    Write("12 5\r");
    clock.Advance(1000);
    EXPECT_EQ(instrument.FT_Purge(handle, 2), kOk);  // transmit queue only
    EXPECT_EQ(instrument.QueuedBytes(), 24u);
}

TEST_F(SimTest, GreetingAnswersTheIdentifyRequest)
{
    Open();
    instrument.FT_SetTimeouts(handle, 1000, 1000);
    Write("12 2\r");
    EXPECT_EQ(Read(18), Bytes("Quorvantex Z5 v1.0"));
    EXPECT_EQ(instrument.QueuedBytes(), 2u);

    S().greeting = std::string("Quo\0rv", 6);
    instrument.FT_Purge(handle, 1);
    Write("12 2\r");
    EXPECT_EQ(Read(18), Bytes(std::string_view("Quo\0rv", 6)));
}

TEST_F(SimTest, SilentGreeting)
{
    S().greeting.clear();
    Open();
    instrument.FT_SetTimeouts(handle, 1000, 1000);
    Write("12 2\r");
    EXPECT_TRUE(Read(18).empty());
    EXPECT_EQ(clock.nowMs, 1000);
}

TEST_F(SimTest, FirstIdentifyReadGivesStatusFourWithItsBytes)
{
    S().firstIdentifyReadStatus4 = true;
    Open();
    instrument.FT_SetTimeouts(handle, 1000, 1000);
    Write("12 2\r");
    std::uint32_t status = 0;
    EXPECT_EQ(Read(18, &status), Bytes("Quorvantex Z5 v1.0"));
    EXPECT_EQ(status, kIoError);
    EXPECT_EQ(instrument.QueuedBytes(), 0u);  // the error lost the rest

    Write("12 2\r");
    EXPECT_EQ(Read(17, &status), Bytes("Quorvantex Z5 v1."));
    EXPECT_EQ(status, kOk);
}

// ---- the model's readings ------------------------------------------------------

TEST_F(SimTest, ReadingsDriftSlowlyAroundTheBaseAndArePt100)
{
    S().baseCelsius1 = 21.5;
    S().baseCelsius2 = -5.0;
    Open();
    double lowest = 1e9;
    double highest = -1e9;
    for (int i = 0; i < 40; ++i) {
        for (const std::uint8_t channel : {1, 2}) {
            Write(channel == 1 ? "12 5\r" : "12 6\r");
            clock.Advance(20);
            const DecodedReply reply = ReadReply(channel);
            ASSERT_EQ(reply.outcome, ReplyOutcome::Valid);
            const double base = channel == 1 ? 21.5 : -5.0;
            EXPECT_NEAR(reply.celsius, base, 0.3);
            EXPECT_NEAR(reply.ohms, Pt100Ohms(reply.celsius), 0.002);
            if (channel == 1) {
                lowest = std::min(lowest, reply.celsius);
                highest = std::max(highest, reply.celsius);
            }
        }
        clock.Advance(30000);
    }
    EXPECT_GT(highest - lowest, 0.2);  // it does move
}

TEST_F(SimTest, SensorStatesGiveTheirChannelsCodes)
{
    const auto status = [&](int channel) {
        Write(channel == 1 ? "12 5\r" : "12 6\r");
        return ReadReply(static_cast<std::uint8_t>(channel));
    };
    Open();
    EXPECT_EQ(status(1).status, 0x88);
    EXPECT_EQ(status(2).status, 0x77);
    S().sensor1 = SensorState::Missing;
    S().sensor2 = SensorState::Missing;
    EXPECT_EQ(status(1).outcome, ReplyOutcome::NoSensor);
    EXPECT_EQ(status(2).status, 0x66);
    S().sensor1 = SensorState::OverRange;
    S().sensor2 = SensorState::OverRange;
    EXPECT_EQ(status(1).status, 0x33);
    EXPECT_EQ(status(2).outcome, ReplyOutcome::Overflow);
    EXPECT_EQ(instrument.Requests().size(), 6u);
}

// ---- scripted misbehaviour -------------------------------------------------------

TEST_F(SimTest, ScriptedRepliesReplaceTheModelOnePerRequest)
{
    S().scriptedReplies.push_back({Bytes("short"), 0});
    S().scriptedReplies.push_back({{}, 0});
    S().scriptedReplies.push_back({std::vector<std::uint8_t>(48, 'x'), 5});
    Open();
    Write("12 5\r");
    EXPECT_EQ(Read(24), Bytes("short"));
    Write("12 6\r");
    EXPECT_EQ(instrument.QueuedBytes(), 0u);
    Write("12 5\r");
    clock.Advance(5);
    EXPECT_EQ(instrument.QueuedBytes(), 48u);
    EXPECT_EQ(instrument.ChannelRepliesSent(), 2);
    instrument.FT_Purge(handle, 1);
    Write("12 6\r");  // the script is used up: the model answers again
    EXPECT_EQ(ReadReply(2).status, 0x77);
}

TEST_F(SimTest, SilentAfterSomeReplies)
{
    S().silentAfterReplies = 2;
    Open();
    for (int i = 0; i < 2; ++i) {
        Write("12 5\r");
        EXPECT_EQ(Read(24).size(), 24u);
    }
    Write("12 5\r");
    clock.Advance(5000);
    EXPECT_EQ(instrument.QueuedBytes(), 0u);
    EXPECT_EQ(instrument.ChannelRepliesSent(), 2);
}

TEST_F(SimTest, ReadFailsOnceMoreRepliesThanAllowedWereSent)
{
    S().readFailAfterReplies = 1;
    Open();
    Write("12 5\r");
    std::uint32_t status = 99;
    EXPECT_EQ(Read(24, &status).size(), 24u);
    EXPECT_EQ(status, kOk);
    Write("12 6\r");
    clock.Advance(100);
    EXPECT_TRUE(Read(24, &status).empty());
    EXPECT_EQ(status, kIoError);
}

TEST_F(SimTest, WriteFailsWithTheScriptedStatusButSparesIdentify)
{
    S().writeFailAfterReplies = 0;
    S().writeFailStatus = 4;
    Open();
    EXPECT_EQ(Write("12 2\r"), kOk);
    EXPECT_EQ(Write("12 5\r"), kIoError);
    clock.Advance(1000);
    EXPECT_EQ(instrument.QueuedBytes(), 20u);  // the greeting only
    EXPECT_EQ(instrument.Requests(), (std::vector<std::string>{"12 2\r", "12 5\r"}));
    EXPECT_EQ(instrument.ChannelRepliesSent(), 0);
}

TEST_F(SimTest, OpenFailuresThenSuccess)
{
    S().openFailures = 2;
    char description[] = "Quorvantex Z5 RevavaZevod";
    void* h = nullptr;
    EXPECT_NE(instrument.FT_OpenEx(description, 2, &h), kOk);
    EXPECT_NE(instrument.FT_OpenEx(description, 2, &h), kOk);
    EXPECT_EQ(h, nullptr);
    EXPECT_EQ(instrument.FT_OpenEx(description, 2, &h), kOk);
    EXPECT_EQ(h, instrument.Handle());
    EXPECT_TRUE(instrument.IsOpen());
    EXPECT_NE(instrument.FT_OpenEx(description, 2, &h), kOk);  // already open
    EXPECT_EQ(instrument.FT_Close(h), kOk);
    EXPECT_FALSE(instrument.IsOpen());
}

TEST_F(SimTest, OpenNeedsTheDescription)
{
    char other[] = "FT232R USB UART";
    void* h = nullptr;
    EXPECT_NE(instrument.FT_OpenEx(other, 2, &h), kOk);
    S().openFailures = -1;
    char description[] = "Quorvantex Z5 RevavaZevod";
    for (int i = 0; i < 5; ++i) {
        EXPECT_NE(instrument.FT_OpenEx(description, 2, &h), kOk);
    }
    EXPECT_FALSE(instrument.IsOpen());
    EXPECT_EQ(instrument.Trace().back(), "FT_OpenEx(\"Quorvantex Z5 RevavaZevod\", 2)");
}

TEST_F(SimTest, CallsOnAClosedHandleAreRefusedWithoutTouchingOutArguments)
{
    std::uint32_t rx = 77;
    std::uint32_t tx = 77;
    std::uint32_t events = 77;
    std::array<std::uint8_t, 4> buffer{1, 2, 3, 4};
    std::uint32_t count = 77;
    EXPECT_EQ(instrument.FT_Close(nullptr), kInvalidHandle);
    EXPECT_EQ(instrument.FT_SetBaudRate(nullptr, 115200), kInvalidHandle);
    EXPECT_EQ(instrument.FT_Read(nullptr, buffer.data(), 4, &count), kInvalidHandle);
    EXPECT_EQ(instrument.FT_GetStatus(nullptr, &rx, &tx, &events), kInvalidHandle);
    EXPECT_EQ(count, 77u);
    EXPECT_EQ(rx, 77u);
    EXPECT_EQ((std::array<std::uint8_t, 4>{1, 2, 3, 4}), buffer);
    EXPECT_EQ(instrument.Calls(),
              (std::vector<std::string>{"FT_Close", "FT_SetBaudRate", "FT_Read", "FT_GetStatus"}));

    S().refuseCallsWhenClosed = false;
    EXPECT_EQ(instrument.FT_SetBaudRate(nullptr, 115200), kOk);
    EXPECT_EQ(instrument.FT_Read(nullptr, buffer.data(), 4, &count), kOk);
    EXPECT_EQ(count, 0u);
    EXPECT_TRUE(instrument.Requests().empty());
}

TEST_F(SimTest, LineSettingsCanBeRefused)
{
    Open();
    EXPECT_EQ(instrument.FT_SetBaudRate(handle, 115200), kOk);
    EXPECT_EQ(instrument.BaudRate(), 115200u);
    EXPECT_EQ(instrument.FT_SetDataCharacteristics(handle, 8, 0, 0), kOk);
    S().refuseBaudRate = true;
    S().refuseDataCharacteristics = true;
    EXPECT_NE(instrument.FT_SetBaudRate(handle, 115200), kOk);
    EXPECT_NE(instrument.FT_SetDataCharacteristics(handle, 8, 0, 0), kOk);
    EXPECT_EQ(instrument.FT_SetFlowControl(handle, 0x0400, 0x11, 0x13), kOk);
    EXPECT_EQ(instrument.Trace().back(), "FT_SetFlowControl(0x400, 0x11, 0x13)");
}

// ---- the in-process table ------------------------------------------------------

TEST_F(SimTest, InProcessTableHasTheFourteenNamesLessTheMissingOnes)
{
    EXPECT_EQ(InProcessTable(instrument).size(), 14u);
    S().missingEntryPoints = {"FT_Purge", "FT_GetStatus"};
    const auto table = InProcessTable(instrument);
    EXPECT_EQ(table.size(), 12u);
    EXPECT_FALSE(table.count("FT_Purge"));
    EXPECT_FALSE(table.count("FT_GetStatus"));

    // The entries reach this instrument.
    const auto openEx = reinterpret_cast<d2xx::FT_OpenEx_t>(table.at("FT_OpenEx"));
    char description[] = "Quorvantex Z5 RevavaZevod";
    void* h = nullptr;
    EXPECT_EQ(openEx(description, 2, &h), kOk);
    EXPECT_TRUE(instrument.IsOpen());
}

TEST(SimInProcess, ADestroyedInstrumentIsNoLongerCalled)
{
    ManualClock clock;
    platform::TableLibraryLoader::Table table;
    {
        Instrument instrument(clock);
        table = InProcessTable(instrument);
    }
    const auto close = reinterpret_cast<d2xx::FT_Close_t>(table.at("FT_Close"));
    EXPECT_EQ(close(nullptr), kInvalidHandle);
}

// ---- the shared library's script text ------------------------------------------

TEST(SimSettings, ParsesTheKeys)
{
    const SimSettingsResult result = ParseSimSettings(
        "open-failures=1,sensor2=missing,silent-after=10,read-fail-after=5,write-fail-after=6,"
        "write-fail-status=4,greeting=Quorvantex\\, hi\\r,reply-delay-ms=50,missing=FT_Purge,"
        "missing=FT_Close:FT_Read,sensor1=over,base1=-12.5,base2=30,refuse-baud,refuse-data=0,"
        "closed-calls=accept,identify-status4=1,trace=1");
    EXPECT_TRUE(result.errors.empty()) << result.errors.front();
    const Script& s = result.options.script;
    EXPECT_EQ(s.openFailures, 1);
    EXPECT_EQ(s.sensor1, SensorState::OverRange);
    EXPECT_EQ(s.sensor2, SensorState::Missing);
    EXPECT_EQ(s.silentAfterReplies, 10);
    EXPECT_EQ(s.readFailAfterReplies, 5);
    EXPECT_EQ(s.writeFailAfterReplies, 6);
    EXPECT_EQ(s.writeFailStatus, 4u);
    EXPECT_EQ(s.greeting, "Quorvantex, hi\r");
    EXPECT_EQ(s.replyDelayMs, 50);
    EXPECT_EQ(s.missingEntryPoints, (std::set<std::string>{"FT_Purge", "FT_Close", "FT_Read"}));
    EXPECT_DOUBLE_EQ(s.baseCelsius1, -12.5);
    EXPECT_DOUBLE_EQ(s.baseCelsius2, 30.0);
    EXPECT_TRUE(s.refuseBaudRate);
    EXPECT_FALSE(s.refuseDataCharacteristics);
    EXPECT_FALSE(s.refuseCallsWhenClosed);
    EXPECT_TRUE(s.firstIdentifyReadStatus4);
    EXPECT_TRUE(result.options.trace);
}

TEST(SimSettings, EmptyTextIsTheDefaultScript)
{
    const SimSettingsResult result = ParseSimSettings("");
    EXPECT_TRUE(result.errors.empty());
    EXPECT_EQ(result.options.script.greeting, Script{}.greeting);
    EXPECT_EQ(result.options.script.openFailures, 0);
    EXPECT_FALSE(result.options.trace);
}

TEST(SimSettings, RepliesAndGreetingTakeEscapes)
{
    const SimSettingsResult result =
        ParseSimSettings("open-failures=always,greeting=,reply=\\x88R\\0,reply=,reply-delay-ms=7");
    EXPECT_TRUE(result.errors.empty());
    const Script& s = result.options.script;
    EXPECT_EQ(s.openFailures, -1);
    EXPECT_TRUE(s.greeting.empty());
    ASSERT_EQ(s.scriptedReplies.size(), 2u);
    EXPECT_EQ(s.scriptedReplies[0].bytes, (std::vector<std::uint8_t>{0x88, 'R', 0}));
    EXPECT_TRUE(s.scriptedReplies[1].bytes.empty());
    EXPECT_EQ(s.scriptedReplies[0].delayMs, 7);
}

TEST(SimSettings, ReportsWhatItDoesNotUnderstandAndKeepsTheRest)
{
    const SimSettingsResult result =
        ParseSimSettings("bogus=1,sensor1=hot,open-failures=x,missing=FT_Nothing,silent-after=3");
    EXPECT_EQ(result.errors.size(), 4u);
    EXPECT_EQ(result.options.script.silentAfterReplies, 3);
    EXPECT_EQ(result.options.script.sensor1, SensorState::Present);
}

// ---- the shared library, loaded as the program loads it ----------------------------

#if defined(__linux__)
std::filesystem::path BuiltLibrary()
{
    std::error_code error;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) {
        return {};
    }
    // <build>/tests/vexmoor_unit_tests -> <build>/sim/libftd2xx.so
    return self.parent_path().parent_path() / "sim" / std::string(platform::D2xxLibraryFileName());
}

// What the shared library, loaded with `VEXMOOR_SIM` set, must do; the
// failures as text, empty when there are none.
std::string CheckSharedLibrary(const std::filesystem::path& path)
{
    std::string failures;
    const auto check = [&](bool ok, const char* what) {
        if (!ok) {
            failures += std::string("failed: ") + what + "\n";
        }
        return ok;
    };
    ::setenv("VEXMOOR_SIM", "missing=FT_ListDevices,reply-delay-ms=5,greeting=Quorvantex SIM\\r", 1);
    std::vector<std::string> boxes;
    D2xxTable table([&](std::string_view text) { boxes.emplace_back(text); });
    platform::SystemLibraryLoader loader;
    table.LoadD2xx(loader, path.string());

    if (!check(table.libraryHandle != nullptr, "the library loads")) {
        return failures;
    }
    check(boxes == std::vector<std::string>{"Error: Can't Find FT_ListDevices"}, "FT_ListDevices is missing");
    check(table.FT_OpenEx != nullptr && table.FT_Write != nullptr && table.FT_Read != nullptr,
          "the names before it are there");
    check(table.FT_ListDevices == nullptr, "FT_ListDevices is null");
    check(loader.Lookup(table.libraryHandle, "_ZN7vexmoor3sim9Pt100OhmsEd") == nullptr,
          "the model's own symbols are hidden");

    char description[] = "Quorvantex Z5 RevavaZevod";
    check(table.FtOpenEx(description, 2) == kOk, "the instrument opens");
    check(table.deviceHandle != nullptr, "the open gives a handle");
    // FT_SetTimeouts was never looked up: the read has the driver's default
    // (no timeout) and waits the 5 ms for the greeting on the real clock.
    GreetingArea area;
    area.fill(' ');
    Request request = kIdentifyRequest;
    std::uint32_t count = 0;
    check(table.FtWrite(request.data(), 5, &count) == kOk, "the identify request is written");
    check(table.FtRead(area.data(), 18, &count) == kOk, "the greeting is read");
    check(count == 15u, "the greeting has 15 bytes");
    check(GreetingText(area, 18) == "Quorvantex SIM\r     ", "the greeting is the script's");
    return failures;
}

// The library reads VEXMOOR_SIM once, at its first use, and a process loads it
// once: so this runs in a fresh child process, leaving the parent's library
// (which other tests load too) as the environment made it.
TEST(SimSharedLibrary, ExportsTheEntryPointsAndHonoursTheScript)
{
    const auto path = BuiltLibrary();
    if (path.empty() || !std::filesystem::exists(path)) {
        GTEST_SKIP() << "the simulator library was not built next to the tests";
    }
    const std::string style = GTEST_FLAG_GET(death_test_style);
    GTEST_FLAG_SET(death_test_style, "threadsafe");  // re-executed, not forked from this process
    EXPECT_EXIT(
        {
            const std::string failures = CheckSharedLibrary(path);
            std::fputs(failures.c_str(), stderr);
            std::exit(failures.empty() ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
    GTEST_FLAG_SET(death_test_style, style);
}
#endif

} // namespace
} // namespace vexmoor::sim
